// SPDX-License-Identifier: GPL-3.0-or-later
// Alarm test mode and the contrast preview.
#include "DeviceFixture.h"

#include "SerialPacket.h"

#include <QElapsedTimer>

using namespace devtest;

namespace {

struct TestModeCase {
    const char* what;
    bool startActive;
    std::function<bool(T7310&)> operation;
    sim::Fault fault; // on every code
    bool result;
    const char* sent; // after reaching the start state
    bool activeAfter;
    std::vector<std::string> events;
};

TEST(T7310Control, AlarmTestModeSequences) {
    const TestModeCase cases[] = {
        {"on from off",
         false,
         [](T7310& d) { return d.SetAlarmTestMode(true); },
         sim::Fault::None,
         true,
         "C0",
         true,
         {"AlarmTestMode 1"}},
        {"on again: outputs cleared",
         true,
         [](T7310& d) { return d.SetAlarmTestMode(true); },
         sim::Fault::None,
         true,
         "C0 C1",
         true,
         {"AlarmTestMode 1"}},
        {"off",
         true,
         [](T7310& d) { return d.SetAlarmTestMode(false); },
         sim::Fault::None,
         true,
         "C2",
         false,
         {"AlarmTestMode 0"}},
        {"off from off",
         false,
         [](T7310& d) { return d.SetAlarmTestMode(false); },
         sim::Fault::None,
         true,
         "C2",
         false,
         {"AlarmTestMode 0"}},
        {"outputs while off",
         false,
         [](T7310& d) { return d.SetAlarmTestOutputs(5); },
         sim::Fault::None,
         false,
         "",
         false,
         {}},
        {"outputs while on",
         true,
         [](T7310& d) { return d.SetAlarmTestOutputs(0x0B); },
         sim::Fault::None,
         true,
         "C1",
         true,
         {}},
        {"on refused",
         false,
         [](T7310& d) { return d.SetAlarmTestMode(true); },
         sim::Fault::Nack,
         false,
         "C0",
         false,
         {"CommsError C0"}},
        {"off refused keeps it on",
         true,
         [](T7310& d) { return d.SetAlarmTestMode(false); },
         sim::Fault::Nack,
         false,
         "C2",
         true,
         {"CommsError C2"}},
        {"off unanswered keeps it on",
         true,
         [](T7310& d) { return d.SetAlarmTestMode(false); },
         sim::Fault::NoReply,
         false,
         "C2",
         true,
         {"CommsError C2"}},
        {"outputs refused",
         true,
         [](T7310& d) { return d.SetAlarmTestOutputs(1); },
         sim::Fault::Nack,
         false,
         "C1",
         true,
         {"CommsError C1"}},
        {"ending unanswered is no comms error",
         true,
         [](T7310& d) { return d.EndAlarmTest(); },
         sim::Fault::NoReply,
         false,
         "C1 C2",
         true,
         {}},
    };
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    for (const TestModeCase& c : cases) {
        SCOPED_TRACE(c.what);
        rig.sim.ClearFaults();
        ASSERT_TRUE(rig.device.SetAlarmTestMode(c.startActive));
        ASSERT_EQ(rig.device.AlarmTestActive, c.startActive);
        rig.sim.SetFault(0, c.fault);
        rig.ClearSent();
        rig.log.Clear();
        EXPECT_EQ(c.operation(rig.device), c.result);
        EXPECT_TRUE(rig.Drain());
        EXPECT_EQ(Hex(rig.Sent()), c.sent);
        EXPECT_EQ(rig.device.AlarmTestActive, c.activeAfter);
        EXPECT_EQ(rig.log.entries, c.events);
        if (c.fault == sim::Fault::None) {
            EXPECT_EQ(rig.sim.AlarmTestMode(), c.activeAfter);
        }
    }
    rig.sim.ClearFaults();
}

TEST(T7310Control, OutputBitsArePassedThroughUnchanged) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    ASSERT_TRUE(rig.device.SetAlarmTestMode(true));
    for (uint8_t bits : {0x00, 0x01, 0x0F, 0xA5, 0xFF}) {
        rig.ClearSent();
        ASSERT_TRUE(rig.device.SetAlarmTestOutputs(bits));
        EXPECT_EQ(rig.sim.AlarmTestOutputs(), bits);
        ASSERT_EQ(rig.sim.Frames().size(), 1u);
        EXPECT_EQ(rig.sim.Frames()[0][4], bits);
    }
    // Switching on again drives the outputs back to 0 before reporting.
    ASSERT_TRUE(rig.device.SetAlarmTestOutputs(0x0F));
    rig.ClearSent();
    ASSERT_TRUE(rig.device.SetAlarmTestMode(true));
    EXPECT_EQ(Hex(rig.Sent()), "C0 C1");
    EXPECT_EQ(rig.sim.Frames()[1][4], 0);
}

TEST(T7310Control, AStatusReplyIsNoAcknowledgement) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    ASSERT_TRUE(rig.device.SetAlarmTestMode(true));
    rig.sim.SetFault(0xC1, sim::Fault::NoReply);
    // The poll's requests go out first and their replies carry the acknowledgement bit.
    rig.device.PollStatus();
    EXPECT_FALSE(rig.device.SetAlarmTestOutputs(0x80));
    EXPECT_TRUE(rig.Drain());
    rig.sim.ClearFaults();
}

TEST(T7310Control, ContrastPreviewIsSentWithoutWaiting) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    rig.ClearSent();
    rig.log.Clear();
    // No reply is waited for: it returns before the request has even left the queue.
    rig.device.PreviewContrast(77);
    EXPECT_EQ(rig.device.Link().TxQueueSize(), 1u);
    EXPECT_TRUE(WaitUntilDone([&] { return rig.sim.ContrastPreview() == 77; }));
    EXPECT_TRUE(rig.Drain());
    EXPECT_EQ(Hex(rig.Sent()), "C7");
    EXPECT_TRUE(rig.log.entries.empty());
    // The stored contrast is untouched by a preview.
    EXPECT_NE(rig.sim.Block(0x14)[img::DisplayContrast], 77);
}

} // namespace
