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

// The user's values, as the pages store them before a write.
void EnterValues(T7310& device, bool nonStandardTank) {
    for (size_t i = 1; i < device.Image.DisplayOptions.size(); ++i)
        device.Image.DisplayOptions[i] = static_cast<uint8_t>(0x30 + i);
    if (nonStandardTank) {
        device.Image.TankRecord()[img::TankType] = img::TankTypeNonStandard;
        device.Image.TankTable[img::TableSizeOffset] = 4;
        for (size_t row = 0; row < 4; ++row) {
            PutBE32(device.Image.TableRow(row) + img::TableRowHeight,
                    static_cast<uint32_t>(row * 500));
            PutBE32(device.Image.TableRow(row) + img::TableRowVolume,
                    static_cast<uint32_t>(row * 7000));
        }
    }
}

TEST_F(AdapterFault, PulledOutMidOperationTheWindowEndsDisconnectedAndConnectsAgain) {
    struct Case {
        const char* name;
        uint8_t pulledAt; // the request that finds the adapter gone; 0: pulled during the test
        bool nonStandardTank;
        QStringList boxes;
    };
    const Case cases[] = {
        {"Write All Settings", 0xA4, false, {kWriteFailed, kDisconnectedBox}},
        {"the table written with them", 0xAB, true, {kWriteFailed, kDisconnectedBox}},
        {"an alarm test", 0, false, {kDisconnectedBox}},
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
        ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
        ClickTab(Window().tsAlarmSetpoints);
        // The user's values: one typed on the page, the others as pages store them.
        alarms->e1Setpoint->setText(QStringLiteral("55.00"));
        EnterValues(Device(), c.nonStandardTank);
        const TDeviceImage entered = Device().Image;
        Dialogs.Clear();

        if (c.pulledAt == 0) {
            QTest::mouseClick(alarms->btTestM, Qt::LeftButton);
            ASSERT_TRUE(Gauge().AlarmTestMode());
            Gauge().Unplug();
        } else {
            Gauge().SetFault(c.pulledAt, sim::Fault::Unplug);
            ASSERT_TRUE(Choose(Window().miWriteAllSettings));
        }
        ASSERT_TRUE(WaitUntil(
            [&] { return Dialogs.Boxes().size() >= c.boxes.size() && !alarms->TestInProgress(); },
            10000))
            << Dialogs.Transcript().join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(Gauge().Unplugged());
        EXPECT_EQ(Dialogs.Boxes(), c.boxes);
        EXPECT_FALSE(Device().Connected());
        EXPECT_EQ(PanelText(1), QStringLiteral("DISCONNECTED"));
        EXPECT_FALSE(Window().miWriteAllSettings->isEnabled());
        // What the user entered is still there to be written again.
        EXPECT_EQ(alarms->e1Setpoint->text(), QStringLiteral("55.00"));
        EXPECT_EQ(Device().Image.DisplayOptions, entered.DisplayOptions);
        EXPECT_EQ(Device().Image.TankTable, entered.TankTable);
        EXPECT_EQ(Device().Image.TankDescription, entered.TankDescription);

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
