// SPDX-License-Identifier: GPL-3.0-or-later
// Bad input from the line: every simulator fault ends in a bounded failure that leaves the
// image as it was; short, long and malformed replies; replies from other nodes; the nested
// wait.
#include "DeviceFixture.h"

#include "SerialPacket.h"

#include <QElapsedTimer>
#include <QTimer>

using namespace devtest;

namespace {

struct FaultCase {
    const char* what;
    sim::Fault fault;
    bool writeFails; // an acknowledgement's payload is not used, so a short one still counts
};

const FaultCase kLineFaults[] = {
    {"no reply", sim::Fault::NoReply, true},     {"nack", sim::Fault::Nack, true},
    {"checksum", sim::Fault::BadChecksum, true}, {"other node", sim::Fault::OtherNode, true},
    {"short", sim::Fault::ShortReply, false},    {"split", sim::Fault::SplitReply, true},
    {"garbage", sim::Fault::Garbage, true},
};

// Longest a failed exchange may take here: the link's time-out is at most 2 x 250 ms.
constexpr int kBound = 2000;

TEST(T7310Fault, EveryFaultFailsTheExchangeBoundedAndTheLinkRecovers) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    T7310& d = rig.device;
    const TTankPoint minBefore = d.Image.TankMin;
    const auto alarmsBefore = d.Image.Alarms;
    for (const FaultCase& c : kLineFaults) {
        SCOPED_TRACE(c.what);
        // Image values the gauge does not hold: any store would show.
        d.Image.TankMin = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
        rig.sim.SetFault(0x11, c.fault);
        rig.sim.SetFault(0xA2, c.fault);
        rig.sim.SetFault(0x10, c.fault);

        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(d.ReadGroup(0x11));
        EXPECT_LT(clock.elapsed(), kBound);
        EXPECT_EQ(Hex(Bytes(d.Image.TankMin.begin(), d.Image.TankMin.end())), "EE EE EE EE EE EE");
        ASSERT_TRUE(rig.Drain());

        clock.restart();
        EXPECT_FALSE(d.ReadAlarm(2));
        EXPECT_LT(clock.elapsed(), kBound);
        EXPECT_EQ(d.Image.Alarms, alarmsBefore);
        ASSERT_TRUE(rig.Drain());

        clock.restart();
        rig.log.Clear();
        EXPECT_EQ(d.WriteGroup(0xA2), !c.writeFails);
        EXPECT_LT(clock.elapsed(), kBound);
        EXPECT_EQ(rig.log.entries.back(), c.writeFails ? "SettingWriteError Tank A to D Max"
                                                       : "SettingWritten Tank A to D Max");
        EXPECT_FALSE(d.Busy);
        ASSERT_TRUE(rig.Drain());

        // Nothing of the fault lingers: the next exchanges succeed.
        rig.sim.ClearFaults();
        EXPECT_TRUE(d.ReadGroup(0x11));
        EXPECT_EQ(d.Image.TankMin, minBefore);
        EXPECT_TRUE(d.WriteGroup(0xA2));
        EXPECT_TRUE(d.Connected());
    }
}

TEST(T7310Fault, UnpluggedAdapterFailsEveryExchangeBoundedWithoutACrash) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    T7310& d = rig.device;
    const TDeviceImage before = d.Image;
    rig.sim.SetFault(0x11, sim::Fault::Unplug);
    const std::pair<const char*, std::function<bool()>> operations[] = {
        {"read", [&] { return d.ReadGroup(0x11); }},
        {"read again", [&] { return d.ReadGroup(0x12); }},
        {"write", [&] { return d.WriteGroup(0xA1); }},
        {"read all", [&] { return d.ReadAllSettings(); }},
        {"test mode", [&] { return d.SetAlarmTestMode(true); }},
        {"table", [&] { return d.ReadTankTable(); }},
    };
    for (const auto& [what, operation] : operations) {
        SCOPED_TRACE(what);
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(operation());
        EXPECT_LT(clock.elapsed(), kBound);
    }
    EXPECT_TRUE(rig.sim.Unplugged());
    EXPECT_EQ(d.Image.TankMin, before.TankMin);
    EXPECT_EQ(d.Image.TankMax, before.TankMax);
    d.PollStatus();
    EXPECT_TRUE(d.Disconnect());
    EXPECT_TRUE(WaitUntilDone([&] { return !d.Connected(); }));
}

// Each read with half its payload: nothing stored, the read fails.
TEST(T7310Fault, ShortReplyStoresNothingAndFailsTheRead) {
    Rig rig(TestOptions("PRM8310", "5"));
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    T7310& d = rig.device;
    struct Case {
        const char* what;
        uint8_t code;
        std::function<bool()> read;
    } cases[] = {
        {"tank min", 0x11, [&] { return d.ReadGroup(0x11); }},
        {"display options", 0x14, [&] { return d.ReadGroup(0x14); }},
        {"tank record", 0x16, [&] { return d.ReadGroup(0x16); }},
        {"calibration", 0x17, [&] { return d.ReadGroup(0x17); }},
        {"input calibration", 0x20, [&] { return d.ReadGroup(0x20); }},
        {"node ID (empty payload)", 0x1B, [&] { return d.ReadGroup(0x1B); }},
        {"display resolution", 0x28, [&] { return d.ReadGroup(0x28); }},
        {"safe capacity litres", 0x2B, [&] { return d.ReadGroup(0x2B); }},
        {"alarm", 0x10, [&] { return d.ReadAlarm(1); }},
        {"table row", 0x1D, [&] { return d.ReadTableRows(5, 1); }},
        {"table rows", 0x1D, [&] { return d.ReadTableRows(10, 4); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A full reply first, so the link's receive record holds bytes a short reply
        // would otherwise be padded with.
        rig.sim.ClearFaults();
        ASSERT_TRUE(d.ReadGroup(0x16));
        for (auto& alarm : d.Image.Alarms)
            alarm.fill(0x5A);
        d.Image.TankMin.fill(0x5A);
        d.Image.DisplayOptions.fill(0x5A);
        d.Image.TankDescription.fill(0x5A);
        d.Image.Calibration.fill(0x5A);
        d.Image.Extended.fill(0x5A);
        d.Image.TankTable.fill(0x5A);
        d.Image.Rs485Id = 0x5A;
        const TDeviceImage before = d.Image;
        rig.sim.SetFault(c.code, sim::Fault::ShortReply);
        EXPECT_FALSE(c.read());
        EXPECT_EQ(d.Image.Alarms, before.Alarms);
        EXPECT_EQ(d.Image.TankMin, before.TankMin);
        EXPECT_EQ(d.Image.DisplayOptions, before.DisplayOptions);
        EXPECT_EQ(d.Image.TankDescription, before.TankDescription);
        EXPECT_EQ(d.Image.Calibration, before.Calibration);
        EXPECT_EQ(d.Image.Extended, before.Extended);
        EXPECT_EQ(d.Image.TankTable, before.TankTable);
        EXPECT_EQ(d.Image.Rs485Id, before.Rs485Id);
        ASSERT_TRUE(rig.Drain());
    }
    rig.sim.ClearFaults();
}

TEST(T7310Fault, ReplyFromAnotherNodeFailsReadsAndWritesAtOnce) {
    Rig rig(TestOptions("T8310", "5", 6));
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    rig.sim.SetFault(0, sim::Fault::OtherNode);
    T7310& d = rig.device;
    // The time-outs are long here, so ending well before them shows the abort ended it.
    d.BaseReplyTimeout = 3000;
    for (const auto& [what, operation] :
         std::initializer_list<std::pair<const char*, std::function<bool()>>>{
             {"read", [&] { return d.ReadGroup(0x11); }},
             // An acknowledgement from the wrong gauge is no acknowledgement.
             {"write", [&] { return d.WriteGroup(0xA1); }},
             {"control", [&] { return d.SetAlarmTestMode(true); }}}) {
        SCOPED_TRACE(what);
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(operation());
        EXPECT_LT(clock.elapsed(), 1500);
        EXPECT_TRUE(rig.Drain());
    }
    EXPECT_FALSE(d.AlarmTestActive);
}

// Runs another operation from inside the message loop while a read waits for a reply that
// never comes: the inner wait must fail at once and end the outer one too.
TEST(T7310Fault, NestedWaitFailsAtOnceAndAbortsTheOuterWait) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    T7310& d = rig.device;
    d.BaseReplyTimeout = 400; // the outer read would end by time-out after 400 ms at the least
    struct Case {
        const char* what;
        std::function<bool()> inner;
        bool disconnects;
    } cases[] = {
        {"read", [&] { return d.ReadGroup(0x12); }, false},
        {"write", [&] { return d.WriteGroup(0xA3); }, false},
        {"test mode", [&] { return d.SetAlarmTestMode(true); }, false},
        {"read all", [&] { return d.ReadAllSettings(); }, false},
        // Disconnect itself succeeds; its pause is the nested wait.
        {"disconnect pause", [&] { return !d.Disconnect(); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rig.sim.SetFault(0x11, sim::Fault::NoReply);
        int innerResult = -1;
        qint64 innerTook = -1;
        QTimer::singleShot(20, [&] {
            QElapsedTimer clock;
            clock.start();
            innerResult = c.inner() ? 1 : 0;
            innerTook = clock.elapsed();
        });
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(d.ReadGroup(0x11));
        EXPECT_LT(clock.elapsed(), 250);
        EXPECT_EQ(innerResult, 0);
        EXPECT_LT(innerTook, 100);
        ASSERT_TRUE(rig.Drain());
        rig.sim.ClearFaults();
        if (c.disconnects) {
            EXPECT_EQ(rig.log.entries.back(), "Disconnected");
        } else {
            EXPECT_FALSE(d.Busy);
            EXPECT_TRUE(d.ReadGroup(0x11)); // the wait machinery is whole again
        }
    }
}

// The raw gauge sends frames the simulator never would.
class T7310RawFrames : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gauge.IsOpen());
        ASSERT_TRUE(ConnectRaw(device, gauge, kNode, "T8310 1.0?5"));
        log.Attach(device);
    }
    static constexpr uint8_t kNode = 2;
    RawGauge gauge;
    T7310 device;
    EventLog log;
};

TEST_F(T7310RawFrames, LongerPayloadStoresTheListedBytes) {
    gauge.script = [](const Bytes& request) {
        if (request[2] == 0x11)
            return Frame(kReplyFlags, 0x11, {kNode, 1, 2, 3, 4, 5, 6, 7, 8, 9});
        if (request[2] == 0x1B)
            return Frame(kReplyFlags, 0x1B, {kNode, 42, 43});
        return Bytes{};
    };
    device.Image.TankMax.fill(0x77);
    ASSERT_TRUE(device.ReadGroup(0x11));
    EXPECT_EQ(Hex(Bytes(device.Image.TankMin.begin(), device.Image.TankMin.end())),
              "01 02 03 04 05 06");
    EXPECT_EQ(device.Image.TankMax[0], 0x77); // the next block is not touched
    ASSERT_TRUE(device.ReadGroup(0x1B));
    EXPECT_EQ(device.Image.Rs485Id, 42);
}

TEST_F(T7310RawFrames, MalformedOrUnexpectedRepliesFailWithoutStoring) {
    struct Case {
        const char* what;
        Bytes reply;
    } cases[] = {
        {"no node byte", Frame(kReplyFlags, 0x11, {})},
        {"unknown instruction", Frame(kReplyFlags, 0x3F, {kNode, 1, 2, 3, 4, 5, 6})},
        {"a write's code", Frame(kReplyFlags, 0xA1, {kNode, 1, 2, 3, 4, 5, 6})},
        {"a control's code", Frame(kReplyFlags, 0xC0, {kNode, 1, 2, 3, 4, 5, 6})},
        {"another node", Frame(kReplyFlags, 0x11, {kNode + 1, 1, 2, 3, 4, 5, 6})},
        {"cut short", Bytes{kReplyFlags, 7, 0x11, kNode, 1, 2}},
    };
    device.BaseReplyTimeout = 3000; // failures must come from the reply, not the clock
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes reply = c.reply;
        gauge.script = [reply](const Bytes&) { return reply; };
        device.Image.TankMin.fill(0x33);
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(device.ReadGroup(0x11));
        EXPECT_LT(clock.elapsed(), 1500);
        EXPECT_EQ(Hex(Bytes(device.Image.TankMin.begin(), device.Image.TankMin.end())),
                  "33 33 33 33 33 33");
    }
}

TEST_F(T7310RawFrames, AcknowledgementsDecideWrites) {
    struct Case {
        const char* what;
        Bytes reply;
        bool written;
    } cases[] = {
        {"acknowledgement", Frame(kReplyFlags, 0x21, {kNode, 0xA1, 0, 0}), true},
        // Without the checksum bit a frame carries no data, only its acknowledgement.
        {"bare acknowledgement", Frame(0x0D, 0x00, {}), true},
        {"another node's acknowledgement", Frame(kReplyFlags, 0x21, {kNode + 1, 0xA1}), false},
        {"acknowledgement without node", Frame(kReplyFlags, 0x21, {}), false},
        {"negative acknowledgement", Frame(0x0E, 0x21, {kNode}), false},
    };
    device.BaseReplyTimeout = 3000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes reply = c.reply;
        gauge.script = [reply](const Bytes&) { return reply; };
        log.Clear();
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(device.WriteGroup(0xA1), c.written);
        EXPECT_LT(clock.elapsed(), 1500);
        EXPECT_EQ(log.Only("SettingWritten").size(), c.written ? 1u : 0u);
    }
}

TEST_F(T7310RawFrames, IdentityAndTankNameNeverReadPastThePayload) {
    struct Case {
        const char* what;
        Bytes payload; // after the node byte
        const char* name;
        const char* nameBytes;
    } cases[] = {
        {"empty", {}, "", "00 00 00 00 00 00 00 00 00 00 00 00"},
        {"no zero", {'A', 'B', 'C'}, "ABC", "41 42 43 00 00 00 00 00 00 00 00 00"},
        {"zero inside", {'A', 0, 'C'}, "A", "41 00 43 00 00 00 00 00 00 00 00 00"},
        {"longer than the name bytes",
         {'1', '2', '3', '4', '5', '6', '7', '8', '9', '0', 'a', 'b', 'c', 'd'},
         "1234567890abcd",
         "31 32 33 34 35 36 37 38 39 30 61 62"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes data(c.payload.size() + 1, kNode);
        std::copy(c.payload.begin(), c.payload.end(), data.begin() + 1);
        gauge.script = [data](const Bytes& request) {
            return Frame(kReplyFlags, request[2], data);
        };
        device.Image.TankDescription.fill(0x44);
        ASSERT_TRUE(device.ReadGroup(0x15));
        EXPECT_EQ(device.Image.TankName, c.name);
        EXPECT_EQ(Hex(Bytes(device.Image.TankDescription.begin(),
                            device.Image.TankDescription.begin() + 12)),
                  c.nameBytes);
        EXPECT_EQ(device.Image.TankDescription[12], 0x44); // the tank record is untouched
        ASSERT_TRUE(device.ReadGroup(0xDF));
        EXPECT_EQ(device.Image.DevicePcSoftwareId, c.name); // no "?": all of the text
    }
}

} // namespace

// The second half of a split reply comes after the exchange has failed. It must be dropped,
// not taken for the reply to the next request, in the same connection or the next one.
TEST(T7310Fault, TheLateHalfOfASplitReplyFailsNothingAfterIt) {
    struct Case {
        const char* what;
        bool fast;
        bool reconnect;
    } cases[] = {
        {"standard, next request", false, false},
        {"standard, next connection", false, true},
        {"fast, next request", true, false},
        {"fast, next connection", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        ASSERT_TRUE(rig.started) << rig.error;
        rig.device.Link().FastTransfers = c.fast;
        ASSERT_TRUE(rig.Connect());
        T7310& d = rig.device;
        const TTankPoint maxBefore = d.Image.TankMax;
        rig.sim.SetFault(0x11, sim::Fault::SplitReply);
        EXPECT_FALSE(d.ReadGroup(0x11));
        rig.sim.ClearFaults();
        // At once, as a user or a script would go on: the rest is still on its way.
        if (c.reconnect) {
            d.Disconnect();
            ASSERT_TRUE(rig.Connect()) << "the late half was taken for the identity";
            EXPECT_TRUE(d.ReadAllSettings());
        } else {
            d.Image.TankMax = {};
            EXPECT_TRUE(d.ReadGroup(0x12)) << "the late half was taken for the reply";
            EXPECT_EQ(d.Image.TankMax, maxBefore);
        }
        EXPECT_TRUE(d.ReadGroup(0x11));
    }
}
