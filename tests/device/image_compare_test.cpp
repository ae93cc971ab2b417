// SPDX-License-Identifier: GPL-3.0-or-later
// The one comparison of two device images: settings by the catalogue's texts, the default
// protocol, the table row by row, the scope of a write, and the settings a load keeps.

#include "ByteOrder.h"
#include "GaugeSession.h"
#include "ImageCompare.h"
#include "SettingsFile.h"
#include "T7310.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

std::vector<std::string> Lines(const TDifferences& differences) {
    std::vector<std::string> lines;
    for (const TSettingDifference& d : differences.Settings)
        lines.push_back(DifferenceLine(d));
    for (const TRowDifference& row : differences.Table)
        lines.push_back(DifferenceLine(row));
    return lines;
}

void SetRows(TDeviceImage& image, std::initializer_list<std::pair<uint32_t, uint32_t>> rows) {
    image.TankTable[img::TableSizeOffset] = static_cast<uint8_t>(rows.size());
    size_t i = 0;
    for (const auto& [height, volume] : rows) {
        PutBE32(image.TableRow(i) + img::TableRowHeight, height);
        PutBE32(image.TableRow(i) + img::TableRowVolume, volume);
        ++i;
    }
}

} // namespace

TEST(ImageCompare, ListsEachChangedSettingByItsCatalogueText) {
    struct Case {
        const char* what;
        std::function<void(TDeviceImage&)> change;
        TCompareScope scope;
        std::vector<std::string> lines;
    };
    const TCompareScope all;
    TCompareScope displayOnly;
    displayOnly.Writes = std::set<uint8_t>{0xA4};
    const Case cases[] = {
        {"nothing", [](TDeviceImage&) {}, all, {}},
        {"a setpoint, with its unit",
         [](TDeviceImage& i) { PutBE16(i.Alarms[1].data() + img::AlarmSetpoint, 5000); },
         all,
         {"Alarm 1 / Alarm 1 - Setpoint: 0.00 % -> 50.00 %"}},
        {"a code shown by its label",
         [](TDeviceImage& i) { i.TankRecord()[img::TankType] = 2; },
         all,
         {"Tank Description / Tank Type: none -> Cuboid"}},
        {"the tank name",
         [](TDeviceImage& i) { i.TankName = "DAY TANK"; },
         all,
         {"Tank Description / Tank Name:  -> DAY TANK"}},
        {"the default protocol, which the catalogue does not list",
         [](TDeviceImage& i) { i.DefaultProtocol = 1; },
         all,
         {"Other Settings / Default Protocol: Standard -> Modbus"}},
        {"two settings in catalogue order",
         [](TDeviceImage& i) {
             i.DisplayOptions[img::DisplayContrast] = 90;
             i.TankMin[img::TankPointAdValue + 1] = 7;
         },
         all,
         {"Tank Min / AD Value: 0 -> 7", "Display Options / Contrast: 0 -> 90"}},
        {"outside the write's scope",
         [](TDeviceImage& i) {
             i.DisplayOptions[img::DisplayContrast] = 90;
             i.Alarms[0][img::AlarmEnabled] = 1;
         },
         displayOnly,
         {"Display Options / Contrast: 0 -> 90"}},
        {"values no write can change",
         [](TDeviceImage& i) {
             i.DeviceName = "T8310";
             PutBE32(i.Extended.data() + img::ExtTankSafeCapacityLitres, 4000);
         },
         all,
         {}},
        {"the table only when asked",
         [](TDeviceImage& i) {
             SetRows(i, {{0, 0}, {1000, 2500}});
         },
         all,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TDeviceImage before;
        TDeviceImage after;
        c.change(after);
        const TDifferences differences = CompareImages(before, after, c.scope);
        EXPECT_EQ(Lines(differences), c.lines);
        EXPECT_EQ(differences.Count(), c.lines.size());
    }
}

TEST(ImageCompare, ComparesTheTableRowByRowWithAMissingRowAsNothing) {
    TCompareScope scope;
    scope.Table = true;
    TDeviceImage gauge;
    TDeviceImage file;
    SetRows(gauge, {{0, 0}, {1000, 2500}, {2000, 6000}});
    SetRows(file, {{0, 0}, {1000, 2600}});
    TDifferences differences = CompareImages(gauge, file, scope);
    EXPECT_EQ(Lines(differences),
              (std::vector<std::string>{"Tank Table / row 2: 1.000, 2.500 -> 1.000, 2.600",
                                        "Tank Table / row 3: 2.000, 6.000 -> -"}));
    ASSERT_EQ(differences.Table.size(), 2u);
    EXPECT_EQ(differences.Table[1].Row, 3);
    EXPECT_FALSE(differences.Table[1].To.has_value());

    // Bytes beyond the table's size are not rows.
    SetRows(file, {{0, 0}, {1000, 2500}, {2000, 6000}});
    file.TankTable[img::TableSizeOffset] = 2;
    PutBE32(gauge.TableRow(5), 123);
    EXPECT_EQ(Lines(CompareImages(file, gauge, scope)),
              (std::vector<std::string>{"Tank Table / row 3: - -> 2.000, 6.000"}));
}

TEST(ImageCompare, TheSettingsALoadKeepsNeverShowAsDifferences) {
    QTemporaryDir folder;
    T7310 device;
    device.Image.Rs485Id = 7;
    device.Image.DisplayOptions[img::DisplayEnabled] = 1;
    PutBE16(device.Image.Calibration.data() + img::CalTestModeTimeout, 300);
    const TDeviceImage gauge = device.Image;

    TDeviceImage other = gauge;
    other.Rs485Id = 12;
    other.DisplayOptions[img::DisplayEnabled] = 0;
    PutBE16(other.Calibration.data() + img::CalTestModeTimeout, 900);
    other.DisplayOptions[img::DisplaySignificantFigures] = 5;
    const std::vector<uint8_t> bytes = EncodeSettingsFile(other, device.Report, false);
    const QString name = folder.filePath(QStringLiteral("other.TLS"));
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    file.close();

    ASSERT_TRUE(device.LoadFromFile(name.toStdString()));
    EXPECT_EQ(Lines(CompareImages(gauge, device.Image, {})),
              (std::vector<std::string>{"Display Options / Significant Figures: 0 -> 5"}));
}

TEST(ImageCompare, WriteScopesFollowTheTankAndTheFamily) {
    T7310 device;
    EXPECT_EQ(WriteAllInstructions(device),
              (std::set<uint8_t>{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xAD}));
    device.Image.TankRecord()[img::TankType] = img::TankTypeNonStandard;
    EXPECT_EQ(WriteAllInstructions(device).count(0xAB), 1u);
    EXPECT_EQ(FileWriteInstructions(device), WriteAllInstructions(device))
        << "a gauge that is not extended is sent nothing more";
    device.Is8310 = true;
    const std::set<uint8_t> extended = FileWriteInstructions(device);
    EXPECT_EQ(extended.count(0xB2) + extended.count(0xB3) + extended.count(0xB4), 3u);
    EXPECT_EQ(extended.count(0xB1), 0u) << "only a gauge with a flow output";
}
