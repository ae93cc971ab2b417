// SPDX-License-Identifier: GPL-3.0-or-later
// Whatever ends the session during an alarm test leaves no output driven on site: the gauge
// reports its outputs back at 0 and test mode off, and the page's countdown is gone.

#include "AppFixture.h"

#include "FmAlarms.h"
#include "T7310.h"

#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

class AlarmTestLeave : public TAppTest {};

TEST_F(AlarmTestLeave, EveryWayOutSwitchesTheOutputsOffFirst) {
    const struct {
        const char* what;
        std::function<void(sim::GaugeSimulator&, TfmMain&)> leave;
        QStringList boxes;
    } cases[] = {
        {"Disconnect", [](sim::GaugeSimulator&, TfmMain& w) { w.miConnect->trigger(); }, {}},
        {"a communications error",
         [](sim::GaugeSimulator& gauge, TfmMain&) { gauge.SetFault(0x1E, sim::Fault::NoReply); },
         {QStringLiteral("Device disconnected...")}},
        {"another tab",
         [](sim::GaugeSimulator&, TfmMain& w) {
             QTabBar* bar = w.pcMain->tabBar();
             QTest::mouseClick(bar, Qt::LeftButton, {},
                               bar->tabRect(w.pcMain->indexOf(w.tsDeviceStatus)).center());
         },
         {QStringLiteral("Alarm Test Mode Deactivated")}},
        {"Exit",
         [](sim::GaugeSimulator&, TfmMain& w) { w.miExit->trigger(); },
         {QStringLiteral("Alarm Test Mode Deactivated")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StartGauge();
        TfmMain& w = Window();
        ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
        ClickTab(w.tsAlarmSetpoints);
        auto* page = dynamic_cast<TfmAlarms*>(w.Page(TfmMain::psAlarmSetpoints));
        ASSERT_NE(page, nullptr);
        QTest::mouseClick(page->btTest1, Qt::LeftButton);
        ASSERT_EQ(Gauge().AlarmTestOutputs(), 0x40);
        Dialogs.Clear();
        Gauge().ClearLog();

        c.leave(Gauge(), w);
        EXPECT_TRUE(WaitUntilDone([&] { return Dialogs.Boxes().size() >= c.boxes.size(); }));
        EXPECT_EQ(Dialogs.Boxes(), c.boxes);
        EXPECT_FALSE(Gauge().AlarmTestMode());
        EXPECT_EQ(Gauge().AlarmTestOutputs(), 0);
        EXPECT_FALSE(page->TestInProgress());
        EXPECT_FALSE(page->lbAlarm1Testing->isVisible());
        EXPECT_FALSE(page->AlarmTestTimer->isActive());
        EXPECT_EQ(Requests(), (std::vector<uint8_t>{0xC1, 0xC2}));
        TearDown();
        SetUp();
    }
}

} // namespace
