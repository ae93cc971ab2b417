// SPDX-License-Identifier: GPL-3.0-or-later
// Queueing, dispatch, reply time-out and the connection states of the link.

#include "PacketFixture.h"

#include <QElapsedTimer>

namespace {

Bytes Read(uint8_t instruction) {
    return MakeFrame(0x0A, instruction, {});
}

TEST_F(PacketLinkTest, DefaultsOfTheLink) {
    TSerialPacket fresh;
    EXPECT_EQ(fresh.CommPort, 1);
    EXPECT_EQ(fresh.BaudRate, 19200);
    EXPECT_EQ(fresh.Parity, p_NOPARITY);
    EXPECT_EQ(fresh.StopBits, s_ONESTOPBIT);
    EXPECT_EQ(fresh.DataBits, s_DATABITS_8);
    EXPECT_EQ(fresh.ReadIntervalTimeout, 150u);
    // The gauge's bus has no handshake lines: any of these on would stall or garble it.
    EXPECT_FALSE(fresh.DTR || fresh.RRT || fresh.Xon_Xoff || fresh.Rts_Cts || fresh.Dtr_Dsr);
    EXPECT_EQ(fresh.ProcessMessageTimerInterval(), 100);
    EXPECT_EQ(fresh.ProcessMessageTimer().Interval(), 100);
    EXPECT_FALSE(fresh.ProcessMessageTimer().Enabled());
    EXPECT_EQ(fresh.TimeoutTimer().Interval(), 500);
    EXPECT_FALSE(fresh.TimeoutTimer().Enabled());
    fresh.SetProcessMessageTimerInterval(40);
    EXPECT_EQ(fresh.ProcessMessageTimer().Interval(), 40);
}

TEST_F(PacketLinkTest, OneRequestOutstandingAtATimeInQueueOrder) {
    ASSERT_TRUE(link->Connect());
    for (uint8_t i : {0x31, 0x32, 0x33})
        link->ReadInstruction(i, 5000);
    for (uint8_t i : {0x31, 0x32, 0x33}) {
        EXPECT_EQ(Hex(NextRequest(4)), Hex(Read(i)));
        EXPECT_EQ(link->LastInstruction(), i);
        EXPECT_FALSE(link->ClearToSend());
        EXPECT_TRUE(link->TimeoutTimer().Enabled());
        // Many dispatch ticks pass: nothing else leaves while the reply is awaited.
        RunEventLoopFor(15 * kTick, [&] { peer.Pump(); });
        EXPECT_EQ(Hex(peer.Received()), "");
        EXPECT_EQ(link->TxQueueSize(), size_t(0x33 - i));
        Reply(Ack());
    }
}

TEST_F(PacketLinkTest, NextRequestWaitsForTheNextDispatchTick) {
    const int period = 200;
    link->SetProcessMessageTimerInterval(period);
    ASSERT_TRUE(link->Connect());
    link->ReadInstruction(0x31, 5000);
    link->ReadInstruction(0x32, 5000);
    NextRequest(4);
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    Reply(Ack()); // frees the link well before the next tick
    EXPECT_EQ(Hex(NextRequest(4)), Hex(Read(0x32)));
    EXPECT_GE(sinceFirst.elapsed(), period / 2) << "sent at once instead of at the next tick";
}

TEST_F(PacketLinkTest, ReplyTimeoutReportsTheRequestAndFreesTheQueue) {
    const int timeout = 150;
    ASSERT_TRUE(link->Connect());
    QElapsedTimer sinceQueued;
    sinceQueued.start();
    link->ReadInstruction(0x33, timeout);
    link->ReadInstruction(0x34, 5000);
    NextRequest(4);
    ASSERT_TRUE(peer.WaitFor([&] { return !events.empty(); }, kWait));
    EXPECT_GE(sinceQueued.elapsed(), timeout - 5);
    ASSERT_EQ(Seen(), (Kinds{LinkEvent::Timeout}));
    EXPECT_EQ(events[0].instruction, 0x33);
    // Not sent again: the next queued request goes out instead.
    EXPECT_EQ(Hex(NextRequest(4)), Hex(Read(0x34)));

    // A reply in time stops the timer for good.
    Reply(Ack());
    events.clear();
    link->ReadInstruction(0x35, timeout);
    NextRequest(4);
    Reply(Ack());
    RunEventLoopFor(2 * timeout, [&] { peer.Pump(); });
    EXPECT_EQ(Seen(), (Kinds{LinkEvent::Hook, LinkEvent::Rx}));
}

TEST_F(PacketLinkTest, TimeoutUnderWayStillReportedAfterDisconnect) {
    ASSERT_TRUE(link->Connect());
    link->ReadInstruction(0x36, 100);
    NextRequest(4);
    ASSERT_TRUE(link->Disconnect());
    ASSERT_TRUE(WaitUntil([&] { return !events.empty(); }, kWait));
    EXPECT_EQ(events[0].kind, LinkEvent::Timeout);
    EXPECT_EQ(events[0].instruction, 0x36);
}

// Connecting again starts Idle: the old session's reply time-out must not fail the new
// session's first request.
TEST_F(PacketLinkTest, ReconnectEndsATimeoutUnderWay) {
    ASSERT_TRUE(link->Connect());
    link->ReadInstruction(0x37, 150);
    NextRequest(4);
    ASSERT_TRUE(link->Disconnect());
    ASSERT_TRUE(link->Connect());
    EXPECT_FALSE(link->TimeoutTimer().Enabled());
    RunEventLoopFor(300, [&] { peer.Pump(); });
    EXPECT_TRUE(events.empty()) << "no time-out from before the connect";
}

// A held link sends nothing until a frame frees it or it is connected again.
TEST_F(PacketLinkTest, HeldLinkWaitsForARelease) {
    struct Row {
        const char* name;
        std::function<void()> release;
        uint8_t next; // what is sent after the release
    };
    Bytes badSum = Ack();
    badSum.back() ^= 1;
    const Row rows[] = {
        {"frame with flow and ready", [&] { Reply(Ack()); }, 0x42},
        {"negative acknowledgement", [&] { Reply(MakeFrame(0x0E, 0x21, {99})); }, 0x42},
        {"bad checksum", [&] { Reply(badSum); }, 0x42},
        {"reconnect",
         [&] {
             ASSERT_TRUE(link->Disconnect());
             ASSERT_TRUE(link->Connect());
             EXPECT_EQ(link->TxQueueSize(), 0u) << "connect empties the queue";
             link->ReadInstruction(0x43, 5000);
         },
         0x43},
    };
    ASSERT_TRUE(link->Connect());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        link->ReadInstruction(0x41, 5000);
        NextRequest(4);
        Reply(MakeFrame(0x03, 0x21, {99})); // delivered, but no flow bits: held
        ASSERT_FALSE(link->ClearToSend());
        EXPECT_FALSE(link->TimeoutTimer().Enabled());
        link->ReadInstruction(0x42, 5000);
        Reply(MakeFrame(0x07, 0x21, {99})); // flow without ready keeps it held
        RunEventLoopFor(10 * kTick, [&] { peer.Pump(); });
        EXPECT_EQ(Hex(peer.Received()), "");
        row.release();
        EXPECT_EQ(Hex(NextRequest(4)), Hex(Read(row.next)));
        Reply(Ack());
    }
}

TEST_F(PacketLinkTest, RequestsWhileDisconnectedAreDropped) {
    const uint8_t frame[] = {0x0A, 0x00, 0x11, 0x1B};
    link->ReadInstruction(0x11, 750);
    link->WritePacketData(0x11, frame, 1, 750);
    link->AddTxQueue(0x11, frame, 750);
    EXPECT_EQ(link->TxQueueSize(), 0u);

    // A port that cannot be opened leaves the link disconnected and dropping too.
    link->DevicePath = "/dev/no-such-serial-device";
    EXPECT_FALSE(link->Connect());
    EXPECT_FALSE(link->ProcessMessageTimer().Enabled());
    link->ReadInstruction(0x11, 750);
    EXPECT_EQ(link->TxQueueSize(), 0u);

    link->DevicePath = peer.SlavePath();
    ASSERT_TRUE(link->Connect());
    RunEventLoopFor(10 * kTick, [&] { peer.Pump(); });
    EXPECT_EQ(Hex(peer.Received()), "") << "nothing from before the connect is sent";
}

TEST_F(PacketLinkTest, ReconnectThrowsAwayWhatWasQueued) {
    ASSERT_TRUE(link->Connect());
    link->ReadInstruction(0x51, 5000);
    NextRequest(4);
    link->ReadInstruction(0x52, 5000);
    link->ReadInstruction(0x53, 5000);
    ASSERT_TRUE(link->Disconnect());
    EXPECT_EQ(link->TxQueueSize(), 2u) << "disconnect keeps the queue";
    ASSERT_TRUE(link->Connect());
    EXPECT_EQ(link->TxQueueSize(), 0u);
    EXPECT_TRUE(link->ClearToSend());
    link->ReadInstruction(0x54, 5000);
    EXPECT_EQ(Hex(NextRequest(4)), Hex(Read(0x54)));
}

TEST_F(PacketLinkTest, ConnectWhileConnectedStopsTheLink) {
    ASSERT_TRUE(link->Connect());
    link->ReadInstruction(0x61, 5000);
    NextRequest(4);
    link->ReadInstruction(0x62, 5000);

    EXPECT_FALSE(link->Connect());
    EXPECT_TRUE(link->Connected()) << "the port stays open";
    EXPECT_EQ(link->TxQueueSize(), 0u);
    EXPECT_TRUE(link->ClearToSend());
    EXPECT_FALSE(link->ProcessMessageTimer().Enabled());
    link->ReadInstruction(0x63, 5000);
    RunEventLoopFor(10 * kTick, [&] { peer.Pump(); });
    EXPECT_EQ(Hex(peer.Received()), "") << "a stopped link sends nothing";

    ASSERT_TRUE(link->Disconnect());
    ASSERT_TRUE(link->Connect());
    link->ReadInstruction(0x64, 5000);
    EXPECT_EQ(Hex(NextRequest(4)), Hex(Read(0x64)));
}

TEST_F(PacketLinkTest, DestroyingAConnectedLinkSilencesItsTimers) {
    bool called = false;
    link->OnPacketTimeout = [&](TSerialPacket*, uint8_t) { called = true; };
    ASSERT_TRUE(link->Connect());
    link->ReadInstruction(0x71, 100);
    ASSERT_TRUE(WaitUntil([&] { return link->TimeoutTimer().Enabled(); }, kWait));
    link.reset();
    RunEventLoopFor(300, [&] { peer.Pump(); });
    EXPECT_FALSE(called);
}

} // namespace
