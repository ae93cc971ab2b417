// SPDX-License-Identifier: GPL-3.0-or-later
// The Alarm Setpoints page on a simulated gauge: each alarm shown and gathered back at its
// bounds, the alarm test's output per button and its countdown, and the setpoint volume.

#include "FmAlarms.h"
#include "PageFixture.h"

#include "ByteOrder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <optional>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Record(uint16_t setpoint, uint8_t enabled, uint8_t direction, uint16_t hysteresis) {
    return {
        static_cast<uint8_t>(setpoint >> 8),   static_cast<uint8_t>(setpoint),  enabled, direction,
        static_cast<uint8_t>(hysteresis >> 8), static_cast<uint8_t>(hysteresis)};
}

class AlarmsPage : public TPageTest {
protected:
    // No status polls after the first read: a poll's reply carries the acknowledgement bit and
    // would end a write's wait before the gauge has answered the write itself.
    bool ConnectQuiet() {
        Device().PollInterval = 600000;
        return Connect();
    }
};

TEST_F(AlarmsPage, ShowsEachAlarmAndGathersItBackWithinItsBounds) {
    StartGauge();
    auto& page = MakePage<TfmAlarms>();
    ASSERT_TRUE(ConnectQuiet());
    const QString written = QStringLiteral("Alarm settings written successfully.");
    struct Case {
        const char* what;
        Bytes onGauge;
        const char *shownSetpoint, *shownHysteresis, *shownDirection;
        bool untick;                       // clear the Enabled box before writing
        const char *setpoint, *hysteresis; // entries; null keeps the shown text
        std::optional<Bytes> written;      // none: refused, nothing sent
    };
    const Case cases[] = {
        {"direction 0", Record(7550, 1, 0, 250), "75.50", "250", "Falling Edge", false, nullptr,
         nullptr, Record(7550, 1, 2, 250)},
        {"direction 1", Record(1, 1, 1, 65000), "0.01", "65000", "Raising Edge", false, nullptr,
         nullptr, Record(1, 1, 1, 65000)},
        {"direction 2", Record(0, 1, 2, 0), "0.00", "0", "Falling Edge", false, nullptr, nullptr,
         Record(0, 1, 2, 0)},
        {"upper bounds", Record(0, 1, 1, 0), "0.00", "0", "Raising Edge", false, "100", "65000",
         Record(10000, 1, 1, 65000)},
        {"rounded", Record(0, 1, 1, 0), "0.00", "0", "Raising Edge", false, "12.345", "7",
         Record(1235, 1, 1, 7)},
        {"setpoint too high", Record(0, 1, 1, 0), "0.00", "0", "Raising Edge", false, "100.01",
         nullptr, std::nullopt},
        {"hysteresis too high", Record(0, 1, 1, 0), "0.00", "0", "Raising Edge", false, nullptr,
         "65001", std::nullopt},
        {"hysteresis not whole", Record(0, 1, 1, 0), "0.00", "0", "Raising Edge", false, nullptr,
         "1.5", std::nullopt},
        {"disabled with an empty box", Record(3000, 1, 1, 40), "30.00", "40", "Raising Edge", true,
         "", "", Record(3000, 0, 1, 40)},
    };
    // Each control is found by what the user reads beside it, in its own panel.
    EXPECT_EQ(page.e2Setpoint->accessibleName(), QStringLiteral("Alarm 2 Setpoint"));
    EXPECT_EQ(page.cbMDirection->accessibleName(), QStringLiteral("Master Alarm Direction"));
    EXPECT_EQ(page.btTest3->accessibleName(), QStringLiteral("TEST Alarm 3"));
    TfmAlarms::TAlarmControls& c = page.Alarm[2];
    for (const Case& t : cases) {
        SCOPED_TRACE(t.what);
        Gauge().SetBlock(0x10, t.onGauge, 2);
        Dialogs.Clear();
        Click(page.btReadSettings);
        EXPECT_TRUE(Dialogs.Boxes().isEmpty()) << Dialogs.Boxes().join("|").toStdString();
        EXPECT_TRUE(c.Enabled->isChecked());
        EXPECT_EQ(c.Setpoint->text(), QString::fromLatin1(t.shownSetpoint));
        EXPECT_EQ(c.Hysterisis->text(), QString::fromLatin1(t.shownHysteresis));
        EXPECT_EQ(c.Direction->currentText(), QString::fromLatin1(t.shownDirection));
        if (t.untick) {
            Click(c.Enabled);
            EXPECT_FALSE(c.Setpoint->isEnabled());
        }
        if (t.setpoint)
            c.Setpoint->setText(QString::fromLatin1(t.setpoint));
        if (t.hysteresis)
            c.Hysterisis->setText(QString::fromLatin1(t.hysteresis));
        Gauge().ClearLog();
        Click(page.btWriteSettings);
        if (t.written) {
            EXPECT_EQ(Dialogs.Boxes(), QStringList{written});
            EXPECT_EQ(Gauge().Block(0x10, 2), *t.written);
        } else {
            ASSERT_EQ(Dialogs.Boxes().size(), 2);
            EXPECT_EQ(Dialogs.Boxes()[1], TZURPage::kWriteErrorText);
            EXPECT_TRUE(Requests().empty());
        }
    }
}

TEST_F(AlarmsPage, TestSwitchesOneOutputOnThenCountsDownToOutputsOffAndTestModeOff) {
    StartGauge();
    auto& page = MakePage<TfmAlarms>();
    ASSERT_TRUE(ConnectQuiet());
    page.AlarmTestTimer->setInterval(40);
    const uint8_t masks[] = {0x80, 0x40, 0x20, 0x10};
    for (size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        QLabel* label = page.Alarm[k].Testing;
        QStringList seen;
        const auto watch = QObject::connect(page.AlarmTestTimer, &QTimer::timeout, label,
                                            [&] { seen << label->text(); });
        Gauge().ClearLog();
        Click(page.Alarm[k].Test);
        EXPECT_TRUE(Gauge().AlarmTestMode());
        EXPECT_EQ(Gauge().AlarmTestOutputs(), masks[k]);
        EXPECT_TRUE(label->isVisible());
        EXPECT_EQ(label->text(), QStringLiteral("Testing Alarm 5 Seconds"));

        // A second TEST is refused and the running test goes on.
        Dialogs.Clear();
        Click(page.Alarm[(k + 1) % 4].Test);
        EXPECT_EQ(Dialogs.Boxes(),
                  QStringList{QStringLiteral("Alarm test still in progress, please wait...")});
        EXPECT_EQ(Gauge().AlarmTestOutputs(), masks[k]);

        ASSERT_TRUE(WaitUntilDone([&] { return !page.TestInProgress(); }));
        QObject::disconnect(watch);
        EXPECT_EQ(seen.size(), 5);
        EXPECT_EQ(seen.value(3), QStringLiteral("Testing Alarm 1 Seconds"));
        EXPECT_FALSE(label->isVisible());
        EXPECT_FALSE(Gauge().AlarmTestMode());
        EXPECT_EQ(Gauge().AlarmTestOutputs(), 0);
        EXPECT_EQ(Requests(), (std::vector<uint8_t>{0xC0, 0xC1, 0xC1, 0xC2}));
    }
}

TEST_F(AlarmsPage, SetpointVolumeOnlyWhereTheGaugeGivesACapacity) {
    const struct {
        const char *model, *pcid;
        uint32_t capacity;
        const char* hint; // for the Master alarm at 90.00 %
    } cases[] = {
        {"T8310", "5", 30467, "= 27420 Litres"},
        {"T8310", "5", 0, ""},
        {"T7310", "3", 30467, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + std::to_string(c.capacity));
        StartGauge(PageGaugeOptions(c.model, c.pcid));
        auto& page = MakePage<TfmAlarms>();
        Bytes capacity(4);
        PutBE32(capacity.data(), c.capacity);
        Gauge().SetBlock(0x2B, capacity);
        ASSERT_TRUE(ConnectQuiet());
        EXPECT_EQ(page.eMSetpoint->text(), QStringLiteral("90.00"));
        EXPECT_EQ(page.Alarm[0].SetpointVolume->text(), QString::fromLatin1(c.hint));
        Disconnect();
        delete &page;
    }
}

} // namespace
