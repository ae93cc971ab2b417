// SPDX-License-Identifier: GPL-3.0-or-later
// Fast transfers over a pty: replies framed by their length, with the silence rule behind it for
// whatever does not frame; requests sent after the guard gap instead of at the dispatch tick.

#include "PacketFixture.h"

#include <QElapsedTimer>

namespace {

constexpr auto H = LinkEvent::Hook;
constexpr auto R = LinkEvent::Rx;
constexpr auto N = LinkEvent::Nack;
constexpr auto C = LinkEvent::Checksum;

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Slice(const Bytes& bytes, size_t from, size_t to) {
    return Bytes(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(to));
}

class FastLinkTest : public PacketLinkTest {
protected:
    // Far longer than any gap inside a burst below, so a chunk that ends sooner ended by length.
    static constexpr int kSilence = 1500;
    // A tick this far apart never comes within a test.
    static constexpr int kNoTick = 60000;

    void ConnectFast() {
        link->FastTransfers = true;
        link->ReadIntervalTimeout = kSilence;
        link->SetProcessMessageTimerInterval(kNoTick);
        ASSERT_TRUE(link->Connect());
        ASSERT_TRUE(link->FastActive());
    }
};

TEST_F(FastLinkTest, RepliesEndByLengthAndAnythingElseBySilence) {
    const Bytes data = MakeFrame(0x0F, 0x11, {0x63, 1, 2, 3, 4, 5, 6});
    Bytes badSum = data;
    badSum.back() ^= 0x5A;
    struct Row {
        const char* name;
        std::vector<Bytes> bursts; // 30 ms apart
        Kinds events;
        int chunks;
        bool byLength; // delivered before the silence could have ended it
    };
    const Row rows[] = {
        {"whole frame in one burst", {data}, {H, R}, 1, true},
        {"frame in three bursts",
         {Slice(data, 0, 2), Slice(data, 2, 6), Slice(data, 6, data.size())},
         {H, R},
         1,
         true},
        {"two frames in one burst", {Concat(Ack(), data)}, {H, R, H, R}, 2, true},
        {"negative acknowledgement", {MakeFrame(0x0E, 0x11, {0x63})}, {N}, 1, true},
        // The garbage promises one data byte and fails its checksum there: one chunk, judged
        // as the standard rule judges it.
        {"garbage then a frame", {Concat({0x03, 0x01, 0x77}, Ack())}, {C}, 1, false},
        {"shorter than its Length byte", {{0x0F, 0x05, 0x21, 0x63, 0x00}}, {C}, 1, false},
        {"wrong checksum", {badSum}, {C}, 1, false},
        // Without checksum checking no length can tell it from noise.
        {"no checksum checking", {MakeFrame(0x0D, 0x21, {0x63})}, {H, R}, 1, false},
    };
    ConnectFast();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // What comes while the line settles after the last row's bad frame is dropped.
        ASSERT_TRUE(peer.WaitFor([&] { return !link->Settling(); }, kWait));
        events.clear();
        chunks = 0;
        for (size_t i = 0; i < row.bursts.size(); ++i) {
            if (i > 0)
                RunEventLoopFor(30);
            ASSERT_TRUE(peer.Send(row.bursts[i]));
        }
        QElapsedTimer sinceLast;
        sinceLast.start();
        ASSERT_TRUE(peer.WaitFor([&] { return chunks >= row.chunks; }, kSilence + kWait));
        const qint64 took = sinceLast.elapsed();
        EXPECT_EQ(Seen(), row.events);
        EXPECT_EQ(chunks, row.chunks);
        if (row.byLength)
            EXPECT_LT(took, kSilence / 2);
        else
            EXPECT_GE(took, kSilence - 5);
    }
}

TEST_F(FastLinkTest, RequestsLeaveWithoutTheTickAndAfterTheGuardGap) {
    // Long enough to tell apart from the time the exchange itself takes on a busy machine.
    constexpr int kGapMs = 150;
    // By default 3.5 characters of 10 bits at the baud rate, at least 2 ms.
    EXPECT_EQ(TSerialPacket::DefaultGuardGapMicroseconds(1200), 29167);
    EXPECT_EQ(TSerialPacket::DefaultGuardGapMicroseconds(9600), 3646);
    EXPECT_EQ(TSerialPacket::DefaultGuardGapMicroseconds(19200), 2000);
    link->GuardGapMicroseconds = kGapMs * 1000;
    ConnectFast();

    // Nothing received yet: the first request leaves at once, not at a tick a minute away.
    link->ReadInstruction(0x11, 5000);
    EXPECT_EQ(NextRequest(4), (Bytes{0x0A, 0x00, 0x11, 0x1B}));
    // Queued while the reply is awaited: it waits for the reply, then for the gap.
    link->ReadInstruction(0x12, 5000);
    ASSERT_TRUE(peer.Send(Ack()));
    QElapsedTimer sinceReply;
    sinceReply.start();
    RunEventLoopFor(kGapMs - 50, [&] { peer.Pump(); });
    EXPECT_TRUE(peer.Received().empty()) << Hex(peer.Received());
    EXPECT_EQ(NextRequest(4), (Bytes{0x0A, 0x00, 0x12, 0x18}));
    EXPECT_GE(sinceReply.elapsed(), kGapMs);
    EXPECT_EQ(Seen(), (Kinds{H, R}));
}

} // namespace
