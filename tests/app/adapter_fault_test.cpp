// SPDX-License-Identifier: GPL-3.0-or-later
// The adapter pulled out in the middle of what the user asked for: Write All Settings, the
// tank table written with it, and an alarm test. The window ends disconnected with its box,
// nothing hangs, the user's values stay where they were, and a later connect works.

#include "AppFixture.h"

#include "ByteOrder.h"
#include "ComPortMap.h"
#include "FmAlarms.h"
#include "ProgramSettings.h"
#include "T7310.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {

using AdapterFault = TAppTest;

const QString kWriteFailed = QStringLiteral("An error occured whilst writing the settings");
const QString kDisconnectedBox = QStringLiteral("Device disconnected...");

TEST_F(AdapterFault, PulledOutMidOperationTheWindowEndsDisconnectedAndConnectsAgain) {
    struct Case {
        const char* name;
        uint8_t pulledAt; // the request that finds the adapter gone; 0: pulled during the test
        bool nonStandardTank;
        QStringList boxes;
    };
    // The table case last: its gauge keeps a Non standard tank, whose table the window reads
    // after each connect.
    const Case cases[] = {
        {"Write All Settings", 0xA4, false, {kWriteFailed, kDisconnectedBox}},
        {"an alarm test", 0, false, {kDisconnectedBox}},
        {"the table written with them", 0xAB, true, {kWriteFailed, kDisconnectedBox}},
    };
    StartGauge();
    QTemporaryDir folder;
    const std::string link = folder.filePath(QStringLiteral("ttyUSB0")).toStdString();
    ASSERT_TRUE(Gauge().Link(link));
    SetCommPortDevice(1, QString::fromStdString(link));
    // Connected again by hand here, not by the window's own watch.
    Window().ProgramSettings()->Lookup(kReconnectOnReturn)->BooleanValue = false;
    auto* alarms = dynamic_cast<TfmAlarms*>(Window().Page(TfmMain::psAlarmSetpoints));
    ASSERT_NE(alarms, nullptr);
    alarms->AlarmTestTimer->setInterval(40);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Gauge().ClearFaults();
        if (c.nonStandardTank)
            MakeNonStandard(Gauge());
        // The table is read after the settings; the write must find it in the grid.
        bool tableShown = false;
        Device().OnTankTable = [&](T7310*, const TTankTable&, const TTankDescription&) {
            tableShown = true;
        };
        ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
        if (c.nonStandardTank) {
            ASSERT_TRUE(WaitUntilDone([&] { return tableShown; }, 5000));
        }
        Device().OnTankTable = nullptr;
        ClickTab(Window().tsAlarmSetpoints);
        // What the user typed on a page before the write.
        alarms->e1Setpoint->setText(QStringLiteral("55.00"));
        Dialogs.Clear();

        if (c.pulledAt == 0) {
            QTest::mouseClick(alarms->btTestM, Qt::LeftButton);
            ASSERT_TRUE(Gauge().AlarmTestMode());
            Gauge().Unplug();
        } else {
            Gauge().SetFault(c.pulledAt, sim::Fault::Unplug);
            Dialogs.AnswerAccept(); // what will change is shown first
            ASSERT_TRUE(Choose(Window().miWriteAllSettings));
        }
        ASSERT_TRUE(WaitUntilDone(
            // The port's own closing notification may follow the box when the disconnect
            // ran inside another wait.
            [&] {
                return Dialogs.Boxes().size() >= c.boxes.size() && !alarms->TestInProgress() &&
                       !Device().Connected();
            },
            10000))
            << Dialogs.Transcript().join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(Gauge().Unplugged());
        // The disconnect box goes on to say where the entries not yet written were saved.
        const QStringList boxes = Dialogs.Boxes();
        ASSERT_EQ(boxes.size(), c.boxes.size()) << boxes.join('\n').toStdString();
        for (qsizetype i = 0; i < boxes.size(); ++i)
            EXPECT_TRUE(boxes[i].startsWith(c.boxes[i])) << boxes[i].toStdString();
        EXPECT_FALSE(Device().Connected());
        EXPECT_EQ(PanelText(1), QStringLiteral("DISCONNECTED"));
        EXPECT_FALSE(Window().miWriteAllSettings->isEnabled());
        // What the user typed is still there to be written again.
        EXPECT_EQ(alarms->e1Setpoint->text(), QStringLiteral("55.00"));
        if (c.nonStandardTank) {
            EXPECT_EQ(Device().Image.TableSize(), 4);
        }

        // Plugged in again, the next connect works.
        Gauge().ClearFaults();
        ASSERT_TRUE(Gauge().Replug());
        Dialogs.Clear();
        ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
        EXPECT_EQ(PanelText(1), QStringLiteral("CONNECTED"));
        ASSERT_TRUE(DisconnectWindow());
    }
}

} // namespace
