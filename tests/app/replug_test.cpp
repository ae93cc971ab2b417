// SPDX-License-Identifier: GPL-3.0-or-later
// An adapter pulled out while connected and plugged in again: the window disconnects with its
// box, watches the same device path, and reconnects by itself, or after asking when there
// are changes not written yet, or not at all when the program setting says so.

#include "AppFixture.h"

#include "ComPortMap.h"
#include "FmDisplayOptions.h"
#include "ProgramSettings.h"
#include "T7310.h"

#include <QCoreApplication>
#include <QLabel>
#include <QSlider>

namespace {

class Replug : public TAppTest {
protected:
    // COM 1 opens a link that the simulated adapter republishes when it comes back, as a
    // /dev/serial/by-id name does for a real one.
    void StartLinkedGauge() {
        StartGauge();
        link_ = folder_.filePath(QStringLiteral("ttyUSB0")).toStdString();
        std::string error;
        ASSERT_TRUE(Gauge().Link(link_, &error)) << error;
        SetCommPortDevice(1, QString::fromStdString(link_));
        Window().AdapterWatchInterval = 20;
    }
    // Pulls the adapter out and waits for the window's box.
    void PullAdapter() {
        Dialogs.Clear();
        Gauge().Unplug();
        ASSERT_TRUE(WaitUntilDone([&] { return !Dialogs.Records().empty(); }, 5000));
        ASSERT_EQ(Dialogs.Boxes().size(), 1);
        // With entries not written yet, the box goes on to say where they were saved.
        EXPECT_TRUE(Dialogs.Boxes()[0].startsWith(QStringLiteral("Device disconnected...")));
        EXPECT_FALSE(Device().Connected());
    }

    QTemporaryDir folder_;
    std::string link_;
};

TEST_F(Replug, TheReturningAdapterIsReconnectedAsTheUserWants) {
    struct Case {
        const char* name;
        bool settingOn;
        bool unwritten;
        int answer; // to the question: -1 none asked, 0 No, 1 Yes
        bool reconnected;
    };
    const Case cases[] = {
        {"nothing unwritten", true, false, -1, true},
        {"unwritten changes, user agrees", true, true, 1, true},
        {"unwritten changes, user declines", true, true, 0, false},
        {"setting off", false, false, -1, false},
    };
    StartLinkedGauge();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Window().ProgramSettings()->Lookup(kReconnectOnReturn)->BooleanValue = c.settingOn;
        ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
        if (c.unwritten) {
            QCoreApplication::processEvents(); // the pages take what the connect showed
            auto* display =
                dynamic_cast<TfmDisplayOptions*>(Window().Page(TfmMain::psDisplayOptions));
            ASSERT_NE(display, nullptr);
            display->tbContrast->setValue(display->tbContrast->value() - 10);
            ASSERT_TRUE(display->Edited());
        }
        PullAdapter();
        EXPECT_EQ(Window().WatchingForAdapter(), c.settingOn);

        Dialogs.Clear();
        if (c.answer == 1)
            Dialogs.AnswerYes();
        if (c.answer == 0)
            Dialogs.AnswerNo();
        std::string error;
        ASSERT_TRUE(Gauge().Replug(&error)) << error;
        if (c.reconnected) {
            ASSERT_TRUE(WaitUntilDone([&] { return Device().Connected(); }, 5000));
            EXPECT_EQ(PanelText(1), QStringLiteral("CONNECTED"));
            EXPECT_EQ(PanelText(0), QStringLiteral("   Reconnected"));
            EXPECT_EQ(Device().NodeId, 1);
            EXPECT_FALSE(Window().WatchingForAdapter());
        } else if (c.answer == 0) {
            ASSERT_TRUE(WaitUntilDone([&] { return !Dialogs.Records().empty(); }, 5000));
            EXPECT_FALSE(Window().WatchingForAdapter());
            EXPECT_FALSE(Device().Connected());
            EXPECT_EQ(PanelText(1), QStringLiteral("DISCONNECTED"));
        }
        EXPECT_EQ(Dialogs.Records().size(), c.answer >= 0 ? 1u : 0u);

        // The next case starts connected again by hand, as a user would.
        if (Device().Connected()) {
            ASSERT_TRUE(DisconnectWindow());
        }
    }
}

TEST_F(Replug, AGaugeThatStopsAnsweringIsNotWatchedFor) {
    StartLinkedGauge();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    Dialogs.Clear();
    Gauge().SetFault(0, sim::Fault::NoReply);
    ASSERT_TRUE(WaitUntilDone([&] { return !Dialogs.Records().empty(); }, 5000));
    EXPECT_EQ(Dialogs.Boxes(), QStringList{QStringLiteral("Device disconnected...")});
    EXPECT_FALSE(Window().WatchingForAdapter()) << "the adapter is still there";
}

} // namespace
