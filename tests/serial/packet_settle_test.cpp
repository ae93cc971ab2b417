// SPDX-License-Identifier: GPL-3.0-or-later
// After a failed exchange, and on opening, the line settles before the next request: what it
// still brings is dropped, never taken for the next reply, and the wait is bounded.
#include "PacketFixture.h"

#include <QTimer>

namespace {

Bytes Read(uint8_t instruction) {
    return MakeFrame(0x0A, instruction, {});
}

// A good reply that would be taken for the next request's if it got through.
Bytes Late() {
    return MakeFrame(0x0F, 0x44, {1, 2, 3});
}

class Strays : public TPacketTap {
public:
    void FrameSent(const uint8_t*, int) override {}
    void ChunkReceived(const uint8_t*, int) override {}
    void ReplyTimedOut(uint8_t) override {}
    void StrayChunk(const uint8_t* bytes, int count) override {
        chunks.emplace_back(bytes, bytes + count);
    }
    std::vector<Bytes> chunks;
};

TEST_F(PacketLinkTest, WhatALineBringsAfterAFailureIsDroppedBeforeTheNextRequest) {
    struct Case {
        const char* what;
        Bytes failing; // the reply that fails the first exchange (none: a time-out)
        LinkEvent::Kind failure;
    } cases[] = {
        {"time-out", {}, LinkEvent::Timeout},
        {"negative acknowledgement", MakeFrame(0x0E, 0x31, {1}), LinkEvent::Nack},
        {"bad checksum", {0x0F, 0x01, 0x31, 0x01, 0x00}, LinkEvent::Checksum},
        // Cut short: its Length byte promises four data bytes.
        {"first half", {0x0F, 0x04, 0x31, 0x01}, LinkEvent::Checksum},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        Strays strays;
        link->SetTap(&strays);
        ASSERT_TRUE(link->Connect());
        link->ReadInstruction(0x31, 150);
        link->ReadInstruction(0x32, 5000);
        EXPECT_EQ(Hex(NextRequest(4)), Hex(Read(0x31)));
        if (!c.failing.empty())
            Reply(c.failing);
        ASSERT_TRUE(peer.WaitFor([&] { return !events.empty(); }, kWait));
        EXPECT_EQ(Seen(), (Kinds{c.failure}));
        // The late reply comes while the line settles: the next request has not left.
        Reply(Late());
        EXPECT_EQ(Hex(peer.Received()), "");
        EXPECT_EQ(strays.chunks, std::vector<Bytes>{Late()});
        EXPECT_EQ(Hex(NextRequest(4)), Hex(Read(0x32)));
        EXPECT_EQ(Seen(), (Kinds{c.failure})) << "a late reply was delivered";
        // The next reply is the next request's again.
        Reply(Ack());
        EXPECT_EQ(Seen(), (Kinds{c.failure, LinkEvent::Hook, LinkEvent::Rx}));
        link->SetTap(nullptr);
        TearDown();
        events.clear();
    }
}

TEST_F(PacketLinkTest, ALineThatNeverFallsQuietHoldsTheNextRequestOnlyUntilTheTimeOut) {
    link->ReadIntervalTimeout = 10;
    ASSERT_TRUE(link->Connect());
    const int timeout = 200;
    link->ReadInstruction(0x31, timeout);
    link->ReadInstruction(0x32, 5000);
    NextRequest(4);
    Reply(MakeFrame(0x0E, 0x31, {1}));
    // A byte of noise every 15 ms, each its own chunk, for fifteen times the time-out: the
    // request must leave while the line is still noisy (a loaded machine only stretches
    // the ticks, never the margin).
    constexpr int kNoiseBytes = 200;
    int noise = 0;
    QTimer chatter;
    QObject::connect(&chatter, &QTimer::timeout, [&] {
        if (++noise < kNoiseBytes)
            peer.Send({0x55});
    });
    ASSERT_TRUE(peer.Send({0x55}));
    chatter.start(15);
    EXPECT_EQ(Hex(NextRequest(4)), Hex(Read(0x32)));
    EXPECT_LT(noise, kNoiseBytes) << "held while the noise lasted";
    chatter.stop();
}

TEST_F(PacketLinkTest, AReplyLeftFromTheLastSessionIsNotTakenOnOpening) {
    ASSERT_TRUE(link->Connect());
    link->ReadInstruction(0x31, 5000);
    NextRequest(4);
    link->Disconnect();
    // The gauge answers while the port is closed: the driver keeps it for the next open.
    ASSERT_TRUE(peer.Send(Late()));
    ASSERT_TRUE(link->Connect());
    link->ReadInstruction(0x32, 5000);
    EXPECT_EQ(Hex(NextRequest(4)), Hex(Read(0x32)));
    Reply(Ack());
    ASSERT_EQ(Seen(), (Kinds{LinkEvent::Hook, LinkEvent::Rx}));
    EXPECT_EQ(events[0].instruction, 0x21);
}

} // namespace
