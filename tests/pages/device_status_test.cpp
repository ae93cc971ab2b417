// SPDX-License-Identifier: GPL-3.0-or-later
// The Device Status page: what the status poll shows, the placeholders around a connection,
// the lamps in colour and in words, and the volume trend.

#include "PageFixture.h"

#include "FmDeviceStatus.h"

#include <QLabel>
#include <QLineSeries>
#include <QValueAxis>

namespace {

class DeviceStatus : public TPageTest {
protected:
    TfmDeviceStatus& Page() {
        StartGauge();
        return MakePage<TfmDeviceStatus>();
    }
    static std::vector<QLabel*> ValueLabels(TfmDeviceStatus& p) {
        return {p.lbState, p.lbVolume, p.lbDeviceSoftwareVersion, p.lbRS485ID, p.lbDeviceName};
    }
};

TEST_F(DeviceStatus, ShowsStateVolumeAndLampsFromThePoll) {
    TfmDeviceStatus& page = Page();
    ASSERT_TRUE(Connect());
    struct Case {
        uint8_t state;
        uint8_t bits;
        double volume;
        uint8_t uom;
        const char* stateText;
        const char* volumeText;
        std::array<bool, 4> lit; // Master, Alarm 1, Alarm 2, Alarm 3
    };
    const Case cases[] = {
        {5, 0x30, 1234.5, 2, "Running", "1234.50 Litres", {true, true, false, false}},
        {9, 0x0F, 1234.5, 0, "unknown state", "1234.50 ", {false, false, false, false}},
        {0, 0xC0, 0.004, 5, "Initialising", "0.00 Cubic Feet", {false, false, true, true}},
        {7, 0x10, 99.999, 6, "Alarm Test", "100.00 ", {true, false, false, false}},
        {4, 0xF0, 12, 1, "Status Screen", "12.00 Cubic Metres", {true, true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stateText);
        Device().Image.DisplayOptions[img::DisplayUom] = c.uom;
        Gauge().SetBlock(0x1E, {c.state});
        Gauge().SetBlock(0x19, {c.bits});
        Gauge().SetVolume(c.volume);
        EXPECT_TRUE(WaitUntilDone([&] {
            return page.lbState->text() == QLatin1String(c.stateText) &&
                   page.lbVolume->text() == QLatin1String(c.volumeText) &&
                   page.sAlarm3->Active() == c.lit[3] && page.sAlarmM->Active() == c.lit[0];
        })) << page.lbState->text().toStdString()
            << " / " << page.lbVolume->text().toStdString();
        const TLamp* lamps[] = {page.sAlarmM, page.sAlarm1, page.sAlarm2, page.sAlarm3};
        const char* names[] = {"Master", "Alarm 1", "Alarm 2", "Alarm 3"};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(lamps[i]->Colour(), c.lit[i] ? QColor(0, 255, 0) : QColor(Qt::white));
            const QString words =
                QLatin1String(names[i]) +
                (c.lit[i] ? QLatin1String(": active") : QLatin1String(": inactive"));
            EXPECT_EQ(lamps[i]->accessibleDescription(), words);
            EXPECT_EQ(lamps[i]->toolTip(), words);
        }
    }
}

TEST_F(DeviceStatus, PlaceholdersFollowConnectAndDisconnect) {
    TfmDeviceStatus& page = Page();
    for (QLabel* label : ValueLabels(page))
        EXPECT_EQ(label->text(), QStringLiteral("<not connected>"))
            << label->objectName().toStdString();
    EXPECT_EQ(page.lbConnectionStatus->text(), QStringLiteral("<not connected>"));

    Gauge().SetBlock(0x19, {0x10});
    ASSERT_TRUE(Connect());
    // Until the first poll replies are reported, every value waits for the gauge.
    for (QLabel* label : ValueLabels(page))
        EXPECT_EQ(label->text(), QStringLiteral("<reading...>"))
            << label->objectName().toStdString();
    EXPECT_EQ(page.lbConnectionStatus->text(), QStringLiteral("Connected"));
    ASSERT_TRUE(WaitUntilDone([&] { return page.lbRS485ID->text() == QLatin1String("1"); }));
    EXPECT_EQ(page.lbDeviceName->text(), QStringLiteral("T8310"));
    EXPECT_EQ(page.lbDeviceSoftwareVersion->text(), QStringLiteral("2.10"));
    ASSERT_TRUE(
        WaitUntilDone([&] { return page.sAlarmM->Active() && !page.TrendPoints().empty(); }));

    Disconnect();
    for (QLabel* label : ValueLabels(page))
        EXPECT_EQ(label->text(), QStringLiteral("<not connected>"));
    EXPECT_FALSE(page.sAlarmM->Active());
    EXPECT_TRUE(page.TrendPoints().empty());
    EXPECT_EQ(page.TrendSeries->count(), 0);
}

TEST_F(DeviceStatus, TrendKeepsTenMinutesWithTheUnitOnItsAxis) {
    TfmDeviceStatus& page = Page();
    qint64 now = 0;
    page.Clock = [&] { return now; };
    Device().Image.DisplayOptions[img::DisplayUom] = 3;
    for (int minute = 0; minute <= 12; ++minute) {
        now = minute * 60000;
        page.OnVolume(100.0f + static_cast<float>(minute));
    }
    // Minutes 2 to 12 are within ten minutes of the last point; older ones are gone.
    ASSERT_EQ(page.TrendSeries->count(), 11);
    EXPECT_EQ(page.TrendSeries->at(0), QPointF(-10, 102));
    EXPECT_EQ(page.TrendSeries->at(10), QPointF(0, 112));
    EXPECT_EQ(page.TrendVolume->titleText(), QStringLiteral("Gallons"));
    EXPECT_LT(page.TrendVolume->min(), 102);
    EXPECT_GT(page.TrendVolume->max(), 112);
    EXPECT_EQ(page.TrendTime->min(), -10);
}

TEST_F(DeviceStatus, ValueLabelsCarryTheirCaptions) {
    TfmDeviceStatus& page = Page();
    EXPECT_EQ(page.lbVolume->accessibleDescription(), QStringLiteral("Tank Volume"));
    EXPECT_EQ(page.lbState->accessibleDescription(), QStringLiteral("Device State"));
    EXPECT_EQ(page.lbRS485ID->accessibleDescription(), QStringLiteral("RS-485 Node ID"));
    EXPECT_EQ(page.sAlarm2->accessibleName(), QStringLiteral("Alarm 2"));
}

} // namespace
