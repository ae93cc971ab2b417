// The summary report, byte for byte, for two gauge families; the numbers and names it shows at
// their edges; and a report that cannot be written.

#include "ByteOrder.h"
#include "SummaryReport.h"
#include "T7310.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void SetAlarm(T7310& d, size_t k, uint8_t enabled, uint8_t direction, uint16_t sp, uint16_t hy) {
    uint8_t* a = d.Image.Alarms[k].data();
    PutBE16(a + img::AlarmSetpoint, sp);
    a[img::AlarmEnabled] = enabled;
    a[img::AlarmDirection] = direction;
    PutBE16(a + img::AlarmHysteresis, hy);
}

// A gauge's image: input pair a4/a20, tank min at AD a4 and max at AD a20.
void Fill(T7310& d, uint8_t tankType, uint8_t uom, uint16_t a4, uint16_t a20) {
    TDeviceImage& i = d.Image;
    i.SoftwareVersion = "2.10";
    i.DisplayOptions[img::DisplayContrast] = 128;
    i.DisplayOptions[img::DisplayUom] = uom;
    PutBE16(i.DisplayOptions.data() + img::DisplayDamping, 500);
    PutBE32(i.Extended.data() + img::ExtLcdDisplayResolution, 10);
    PutBE16(i.Extended.data() + img::ExtFlowFrequencyScaling, 250);
    PutBE32(i.Extended.data() + img::ExtTankSafeCapacityLitres, 30467);
    PutBE16(i.Calibration.data() + img::CalInputPair, a4);
    PutBE16(i.Calibration.data() + img::CalInputPair + 2, a20);
    PutBE32(i.TankMin.data() + img::TankPointHeight, 50);
    PutBE16(i.TankMin.data() + img::TankPointAdValue, a4);
    PutBE32(i.TankMax.data() + img::TankPointHeight, 2450);
    PutBE16(i.TankMax.data() + img::TankPointAdValue, a20);
    uint8_t* tank = i.TankRecord();
    tank[img::TankType] = tankType;
    PutBE16(tank + img::TankSg, 840);
    PutBE32(tank + img::TankRadius, 1250);
    PutBE32(tank + img::TankHeight, 3000);
    i.TankName = "DIESEL";
    i.OutputOptions = {1, 0};
    i.Rs485Id = 7;
    SetAlarm(d, 0, 1, 1, 5000, 500);
    SetAlarm(d, 1, 0, 1, 9999, 9999);
    SetAlarm(d, 2, 1, 7, 10000, 0);
    SetAlarm(d, 3, 1, 2, 1235, 65535);
}

const TSummaryEntries kEntries = {"SN-1", "5",        "250",       "95",       "120",
                                  "Yes",  "Standard", "8/12/2026", "J. Smith", "site7.TLS"};

const char* const kAlarmsAndGeneral = R"(

Alarms
------
Master - Direction:    Rising Edge
Master - Setpoint:     50.000%
Master - Hysteresis    500ms
Alarm 1 - Direction:   DISABLED
Alarm 1 - Setpoint:    DISABLED
Alarm 1 - Hysteresis   DISABLED
Alarm 2 - Direction:   unknown (7)
Alarm 2 - Setpoint:    100.000%
Alarm 2 - Hysteresis   0ms
Alarm 3 - Direction:   Falling Edge
Alarm 3 - Setpoint:    12.350%
Alarm 3 - Hysteresis   65535ms

General
-------
Mount sensor 120mm off bottom of tank
Bund Alarm Fitted:     Yes
Comms Type:            Standard
Node Address:          7
Completed Date:        8/12/2026
Name:                  J. Smith
File Saved As:         site7.TLS)";

struct TFamilyCase {
    const char* family;
    bool is8310, flow, extended7310;
    uint8_t tankType, uom;
    uint16_t a4, a20;
    const char* head; // the report up to the alarms
};

TEST(SummaryReport, ByteForByteForEachFamily) {
    QLocale::setDefault(QLocale::c());
    const TFamilyCase cases[] = {
        {"T8310, vertical cylinder", true, false, false, 4, 2, 200, 1000, R"(T8310 SUMMARY
-------------
Unit Serial Number:    SN-1
Software Version:      2.10

Display Options
---------------
Contrast Value:        50%
Resolution:            0.010
Units:                 Litres
Resolution Hysteresis: 5
Screen Damping:        0.50

Sensor Parameters
-----------------
4.000 mA Level:           0.050 Meters Water
20.000 mA Level:           2.450 Meters Water
Specific Gravity:      0.840

Tank Settings
-------------
Tank Type:             Vertical Cylinder
Tank Name:             DIESEL
Tank Diameter:         2.500
Tank Height:           3.000
Enable 4-20mA Output:  YES
Mirror 4-20mA Input:   NO
Safe Working Capacity: 95 %
4mA - 20mA = 0 to 30467 litres)"},
        {"extended T7310, no tank, equal counts", false, false, true, 0, 9, 500, 500,
         R"(T8310 SUMMARY
-------------
Unit Serial Number:    SN-1
Software Version:      2.10

Display Options
---------------
Contrast Value:        50%
Resolution:            0.010
Units:                 unknown (9)
Screen Damping:        0.50

Sensor Parameters
-----------------
n/a mA Level:           0.050 Meters Water
n/a mA Level:           2.450 Meters Water
Specific Gravity:      0.840

Tank Settings
-------------
Tank Type:             none
Tank Name:             DIESEL
Enable 4-20mA Output:  YES
Mirror 4-20mA Input:   NO
Safe Working Capacity: 95 %
4mA - 20mA = 0 to 30467 litres)"},
        {"PRM8310, with flow output", true, true, false, 9, 2, 200, 1000, nullptr},
    };
    for (const TFamilyCase& c : cases) {
        SCOPED_TRACE(c.family);
        T7310 device;
        device.Is8310 = c.is8310;
        device.HasFlowScaling = c.flow;
        device.Is7310Extended = c.extended7310;
        Fill(device, c.tankType, c.uom, c.a4, c.a20);
        const QByteArray report = SummaryReport(device, kEntries);
        if (!c.head) {
            // The flow output's line follows the damping; a tank type past the table is named.
            EXPECT_TRUE(report.contains("Screen Damping:        0.50\r\nTotalisation pulses/litre: "
                                        "250\r\n\r\nSensor Parameters"));
            EXPECT_TRUE(report.contains("\r\nTank Type:             unknown (9)\r\nTank Name:"));
            continue;
        }
        QByteArray expected = QByteArray(c.head) + kAlarmsAndGeneral;
        expected.replace("\n", "\r\n");
        EXPECT_EQ(report.toStdString(), expected.toStdString());
    }
}

TEST(SummaryReport, NumbersAtTheirEdges) {
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(ContrastPercent(128), 50);
    EXPECT_EQ(ContrastPercent(127), 49);
    EXPECT_EQ(ContrastPercent(255), 100);
    EXPECT_EQ(ContrastPercent(0), 0);
    const struct {
        std::string text, expected;
    } texts[] = {
        {SummaryDirectionName(0), "None"},        {SummaryDirectionName(2), "Falling Edge"},
        {SummaryDirectionName(3), "unknown (3)"}, {SummaryTankTypeName(5), "Non standard"},
        {SummaryTankTypeName(6), "unknown (6)"},  {SummaryVolumeUnitName(5), "Cubic Feet"},
        {SetpointText(7550), "75.500"},           {LengthText(1234567), "1234.600"},
        {LengthText(1250, true), "2.500"},        {FormatX3(123456.789), "123456.789"},
    };
    for (const auto& t : texts)
        EXPECT_EQ(t.text, t.expected);
}

TEST(SummaryReport, IsWrittenWholeOrNotAtAll) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath("T8310 Settings");
    ASSERT_TRUE(SaveSummaryReport(name, "old"));
    ASSERT_TRUE(SaveSummaryReport(name, "new report"));
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("new report"));
    // A folder in the way: the write fails with a reason, no temporary file is left behind
    // and what was there stays.
    QString reason;
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken"));
    ASSERT_TRUE(SaveSummaryReport(dir.filePath("taken/inside"), "kept"));
    EXPECT_FALSE(SaveSummaryReport(dir.filePath("taken"), "x", &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"T8310 Settings"});
    EXPECT_EQ(QDir(dir.filePath("taken")).entryList(QDir::Files), QStringList{"inside"});
}

} // namespace
