// SPDX-License-Identifier: GPL-3.0-or-later
// The status poll and the communications-error report.
#include "DeviceFixture.h"

#include "SerialPacket.h"

using namespace devtest;

namespace {

class T7310Poll : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.started) << rig.error;
        rig.sim.SetBlock(0x1E, {3});
        rig.sim.SetBlock(0x19, {5});
        rig.sim.SetVolume(1234.5);
        ASSERT_TRUE(rig.Connect());
        rig.ClearSent();
        rig.log.Clear();
    }
    std::vector<std::string> StatusEvents() const {
        std::vector<std::string> out;
        for (const std::string& e : rig.log.entries)
            if (e.rfind("DeviceState", 0) == 0 || e.rfind("AlarmOutputs", 0) == 0 ||
                e.rfind("Volume", 0) == 0)
                out.push_back(e);
        return out;
    }
    Rig rig;
};

TEST_F(T7310Poll, EachPollReportsTheRepliesToThePreviousOne) {
    rig.device.PollStatus();
    EXPECT_TRUE(StatusEvents().empty()); // nothing asked for yet
    EXPECT_TRUE(rig.Drain());
    EXPECT_EQ(Hex(rig.Sent()), "1E 19 1A");
    EXPECT_TRUE(StatusEvents().empty()); // replies are stored, not reported

    rig.sim.SetBlock(0x1E, {4}); // what the second poll asks; reported by the third
    rig.device.PollStatus();
    EXPECT_EQ(StatusEvents(),
              (std::vector<std::string>{"DeviceState 3", "AlarmOutputs 5", "Volume 1234.500000"}));
    EXPECT_TRUE(rig.Drain());
    rig.log.Clear();
    rig.device.PollStatus();
    EXPECT_EQ(StatusEvents().front(), "DeviceState 4");
    EXPECT_TRUE(rig.Drain());
    EXPECT_EQ(Hex(rig.Sent()), "1E 19 1A 1E 19 1A 1E 19 1A");
}

TEST_F(T7310Poll, NothingIsReportedForRequestsThatGotNoReply) {
    rig.device.PollStatus();
    EXPECT_TRUE(rig.Drain());
    // Only the alarm outputs answer the next poll.
    rig.sim.SetFault(0x1E, sim::Fault::NoReply);
    rig.sim.SetFault(0x1A, sim::Fault::NoReply);
    rig.device.PollStatus();
    EXPECT_EQ(StatusEvents().size(), 3u);
    EXPECT_TRUE(rig.Drain());
    rig.log.Clear();
    rig.device.PollStatus();
    EXPECT_EQ(StatusEvents(), (std::vector<std::string>{"AlarmOutputs 5"}));
    EXPECT_TRUE(rig.Drain());
    // And none at all.
    rig.sim.SetFault(0, sim::Fault::NoReply);
    rig.device.PollStatus();
    EXPECT_TRUE(rig.Drain());
    rig.log.Clear();
    rig.device.PollStatus();
    EXPECT_TRUE(StatusEvents().empty());
}

TEST_F(T7310Poll, PollTimerKeepsPollingAndStopsOnDisconnect) {
    rig.device.PollInterval = 30;
    rig.device.PollStatus(); // re-arms the timer with the new period
    EXPECT_TRUE(WaitUntilDone([&] { return rig.log.Only("DeviceState").size() >= 3; }));
    rig.device.Disconnect();
    EXPECT_TRUE(WaitUntilDone([&] { return !rig.device.Connected(); }));
    EXPECT_TRUE(rig.Drain());
    const size_t sent = rig.Sent().size();
    // A disconnected device object neither polls nor sends.
    rig.device.PollStatus();
    EXPECT_TRUE(rig.Drain());
    EXPECT_EQ(rig.Sent().size(), sent);
}

TEST(T7310PollUnconnected, PollBeforeAnyConnectDoesNothing) {
    T7310 device;
    EventLog log;
    log.Attach(device);
    device.PollStatus();
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(device.Link().TxQueueSize(), 0u);
}

struct ErrorCase {
    const char* what;
    sim::Fault fault;
    uint8_t code;
    std::function<bool(T7310&)> operation;
    const char* error; // the expected report, or empty: none
};

TEST_F(T7310Poll, CommsErrorIsReportedOnlyWhileNotBusy) {
    const ErrorCase cases[] = {
        {"read, no reply", sim::Fault::NoReply, 0x11, [](T7310& d) { return d.ReadGroup(0x11); },
         "CommsError 11"},
        {"read, nack", sim::Fault::Nack, 0x12, [](T7310& d) { return d.ReadGroup(0x12); },
         "CommsError 12"},
        {"read, checksum", sim::Fault::BadChecksum, 0x13,
         [](T7310& d) { return d.ReadGroup(0x13); }, "CommsError 13"},
        {"alarm read, no reply", sim::Fault::NoReply, 0x10, [](T7310& d) { return d.ReadAlarm(1); },
         "CommsError 10"},
        {"test mode, nack", sim::Fault::Nack, 0xC0,
         [](T7310& d) { return d.SetAlarmTestMode(true); }, "CommsError C0"},
        {"write, no reply", sim::Fault::NoReply, 0xA1, [](T7310& d) { return d.WriteGroup(0xA1); },
         ""},
        {"write, nack", sim::Fault::Nack, 0xA2, [](T7310& d) { return d.WriteGroup(0xA2); }, ""},
        {"write, checksum", sim::Fault::BadChecksum, 0xA3,
         [](T7310& d) { return d.WriteGroup(0xA3); }, ""},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.what);
        rig.sim.ClearFaults();
        rig.sim.SetFault(c.code, c.fault);
        rig.log.Clear();
        EXPECT_FALSE(c.operation(rig.device));
        EXPECT_TRUE(rig.Drain());
        const auto errors = rig.log.Only("CommsError");
        if (*c.error) {
            EXPECT_EQ(errors, std::vector<std::string>{c.error});
        } else {
            EXPECT_TRUE(errors.empty());
        }
    }
}

} // namespace
