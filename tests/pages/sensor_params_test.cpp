// SPDX-License-Identifier: GPL-3.0-or-later
// The Sensor Parameters page: milliamperes to A/D counts and back through the gauge's input
// calibration, the field checks, the write series, the unit labels and an unusable calibration.

#include "PageFixture.h"

#include "ByteOrder.h"
#include "FmSensorParams.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

class SensorParams : public TPageTest {
protected:
    // The page connected to a gauge with the given input calibration pair and Level A count.
    TfmSensorParameters& Open(uint16_t c4 = 200, uint16_t c20 = 1000, uint16_t countA = 600,
                              uint8_t uom = 0) {
        StartGauge();
        uint8_t pair[4];
        PutBE16(pair, c4);
        PutBE16(pair + 2, c20);
        Gauge().SetBlock(0x20, {pair, pair + 4});
        std::vector<uint8_t> min = Gauge().Block(0x11);
        PutBE32(min.data() + img::TankPointHeight, 3050);
        PutBE16(min.data() + img::TankPointAdValue, countA);
        Gauge().SetBlock(0x11, min);
        std::vector<uint8_t> tank = Gauge().Block(0x16);
        tank[img::TankUom] = uom;
        Gauge().SetBlock(0x16, tank);
        TfmSensorParameters& page = MakePage<TfmSensorParameters>();
        EXPECT_TRUE(Connect());
        Gauge().ClearLog();
        return page;
    }
    uint16_t GaugeCount(uint8_t read) {
        return GetBE16(Gauge().Block(read).data() + img::TankPointAdValue);
    }
    uint32_t GaugeHeight(uint8_t read) {
        return GetBE32(Gauge().Block(read).data() + img::TankPointHeight);
    }
    uint16_t GaugeSg() { return GetBE16(Gauge().Block(0x16).data() + img::TankSg); }
    const QString kWritten = QStringLiteral("Sensor Parameter settings written successfully.");
};

TEST_F(SensorParams, ConvertsBetweenMilliamperesAndCounts) {
    TfmSensorParameters& page = Open(200, 1000, 600);
    EXPECT_EQ(page.eSensorMin->text(), QStringLiteral("12.00"));
    EXPECT_EQ(page.eHeightMin->text(), QStringLiteral("3.050"));
    struct Case {
        const char* milliamperes;
        uint16_t count;
        const char* shownAfter; // the current of the nearest count
    };
    const Case cases[] = {
        {"4", 200, "4.00"}, {"20", 1000, "20.00"},    {"12", 600, "12.00"},
        {"0", 0, "0.00"},   {"12.034", 602, "12.04"}, {"25", 1250, "25.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.milliamperes);
        page.eSensorMin->setText(QLatin1String(c.milliamperes));
        Click(page.btWriteSettings);
        EXPECT_EQ(Dialogs.Boxes(), QStringList{kWritten});
        EXPECT_EQ(GaugeCount(0x11), c.count);
        EXPECT_EQ(page.eSensorMin->text(), QLatin1String(c.shownAfter));
        Dialogs.Clear();
    }
    // A falling line (20 mA reads fewer counts than 4 mA) converts just as well.
    EXPECT_EQ(TInputCalibration::From(1000, 200)->Count(12.0f), 600);
    EXPECT_FALSE(TInputCalibration::From(512, 512).has_value());
}

TEST_F(SensorParams, FieldChecksAtBothEnds) {
    TfmSensorParameters& page = Open();
    struct Case {
        QLineEdit* TfmSensorParameters::*box;
        const char* entry;
        bool written;
    };
    const Case cases[] = {
        {&TfmSensorParameters::eHeightMin, "0", true},
        {&TfmSensorParameters::eHeightMin, "4000000", true},
        {&TfmSensorParameters::eHeightMin, "-0.001", false},
        {&TfmSensorParameters::eHeightMax, "4000001", false},
        {&TfmSensorParameters::eSensorMax, "25.01", false},
        {&TfmSensorParameters::eSensorMin, "-0.01", false},
        {&TfmSensorParameters::eSG, "0.5", true},
        {&TfmSensorParameters::eSG, "25", true},
        {&TfmSensorParameters::eSG, "0.499", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        Dialogs.Clear();
        Gauge().ClearLog();
        QLineEdit* box = page.*c.box;
        const QString before = box->text();
        box->setText(QLatin1String(c.entry));
        Click(page.btWriteSettings);
        const QStringList boxes = Dialogs.Boxes();
        if (c.written) {
            EXPECT_EQ(boxes, QStringList{kWritten});
            EXPECT_EQ(Requests(), (std::vector<uint8_t>{0xA1, 0xA2, 0xA6, 0xC6}));
        } else {
            ASSERT_EQ(boxes.size(), 2) << boxes.join(QLatin1Char('|')).toStdString();
            EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("Error with value: ")));
            EXPECT_EQ(boxes[1], TZURPage::kWriteErrorText);
            EXPECT_TRUE(Requests().empty());
            box->setText(before);
        }
    }
    EXPECT_EQ(GaugeHeight(0x11), 4000000000u);
    EXPECT_EQ(GaugeSg(), 25000);
}

TEST_F(SensorParams, UnitLabelsFollowTheTankUnit) {
    TfmSensorParameters& page = Open(200, 1000, 600, 1);
    ASSERT_TRUE(
        WaitUntilDone([&] { return page.lbUnit1->text() == QLatin1String("(in.)"); }, 2500));
    EXPECT_EQ(page.lbUnit2->text(), QStringLiteral("(in.)"));
    // A unit outside the list is reported once and leaves the labels as they were.
    Device().Image.TankRecord()[img::TankUom] = 3;
    ASSERT_TRUE(WaitUntilDone([&] { return !Dialogs.Boxes().isEmpty(); }, 2500));
    page.UpdateUOMTimerTimer();
    EXPECT_EQ(Dialogs.Boxes(), QStringList{QStringLiteral("Invalid UOM Index")});
    EXPECT_EQ(page.lbUnit1->text(), QStringLiteral("(in.)"));
}

TEST_F(SensorParams, EqualCalibrationCountsKeepTheStoredCounts) {
    TfmSensorParameters& page = Open(512, 512, 700);
    EXPECT_TRUE(page.eSensorMin->text().isEmpty());
    EXPECT_FALSE(page.eSensorMin->isEnabled());
    EXPECT_FALSE(page.eSensorMax->isEnabled());
    EXPECT_TRUE(page.eHeightMin->isEnabled());
    EXPECT_TRUE(page.lbCalibrationNote->isVisible());
    page.eHeightMin->setText(QStringLiteral("0.05"));
    page.eSG->setText(QStringLiteral("1.2"));
    Click(page.btWriteSettings);
    EXPECT_EQ(Dialogs.Boxes(), QStringList{kWritten});
    EXPECT_EQ(GaugeCount(0x11), 700);
    EXPECT_EQ(GaugeHeight(0x11), 50u);
    EXPECT_EQ(GaugeSg(), 1200);
    EXPECT_TRUE(page.eSensorMin->text().isEmpty());
}

TEST_F(SensorParams, ReadAndWriteFailuresAreReported) {
    TfmSensorParameters& page = Open();
    Gauge().SetFault(0xA2, sim::Fault::Nack);
    Click(page.btWriteSettings);
    EXPECT_EQ(Dialogs.Boxes(), QStringList{TZURPage::kWriteErrorText});
    EXPECT_EQ(Requests(), (std::vector<uint8_t>{0xA1, 0xA2}));
    Dialogs.Clear();
    Gauge().ClearLog();
    Gauge().SetFault(0x20, sim::Fault::NoReply);
    Click(page.btReadSettings);
    EXPECT_EQ(Dialogs.Boxes(), QStringList{QStringLiteral("Error")});
    EXPECT_EQ(Requests(), (std::vector<uint8_t>{0x17, 0x20}));
    EXPECT_EQ(page.eSensorMin->accessibleName(), QStringLiteral("Sensor Reading Low"));
    EXPECT_EQ(page.eSensorMax->accessibleName(), QStringLiteral("Sensor Reading High"));
}

} // namespace
