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
    // The frames were unpacked whole: the second of two in one burst, and the one in pieces.
    events.clear();
    ASSERT_TRUE(peer.Send(Slice(data, 0, 3)));
    RunEventLoopFor(30);
    ASSERT_TRUE(peer.Send(Slice(data, 3, data.size())));
    ASSERT_TRUE(peer.WaitFor([&] { return events.size() == 2; }, kWait));
    EXPECT_EQ(events[1].packet.Instruction, 0x11);
    ASSERT_EQ(events[1].packet.Length, 7);
    EXPECT_EQ(Bytes(events[1].packet.Data, events[1].packet.Data + 7), Slice(data, 3, 10));
}

TEST_F(FastLinkTest, RequestsLeaveWithoutTheTickAndAfterTheGuardGap) {
    // Long enough to tell apart from the time the exchange itself takes on a busy machine.
    constexpr int kGapMs = 150;
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
    Reply(Ack());

    // A reply time-out clears the link too: the request queued behind follows at once.
    events.clear();
    link->ReadInstruction(0x13, 50);
    EXPECT_EQ(NextRequest(4), (Bytes{0x0A, 0x00, 0x13, 0x19}));
    link->ReadInstruction(0x14, 5000);
    EXPECT_EQ(NextRequest(4), (Bytes{0x0A, 0x00, 0x14, 0x1E}));
    EXPECT_EQ(Seen(), (Kinds{LinkEvent::Timeout}));
}

TEST_F(FastLinkTest, TheModeIsTakenAtConnectAndTheDefaultGapFollowsTheBaudRate) {
    struct Gap {
        long baud;
        int expected; // microseconds: 3.5 characters of 10 bits, at least 2 ms
    };
    for (const Gap& g :
         {Gap{1200, 29167}, Gap{9600, 3646}, Gap{19200, 2000}, Gap{115200, 2000}, Gap{0, 2000}}) {
        SCOPED_TRACE(g.baud);
        EXPECT_EQ(TSerialPacket::DefaultGuardGapMicroseconds(g.baud), g.expected);
        link->BaudRate = g.baud;
        EXPECT_EQ(link->EffectiveGuardGapMicroseconds(), g.expected);
    }
    link->GuardGapMicroseconds = 0;
    EXPECT_EQ(link->EffectiveGuardGapMicroseconds(), 0);
    link->BaudRate = 9600;

    // Switched on while connected in the standard mode: the tick still sends, and the link
    // stays standard until it connects again.
    ASSERT_TRUE(link->Connect());
    link->FastTransfers = true;
    EXPECT_FALSE(link->FastActive());
    link->ReadInstruction(0x11, 5000);
    EXPECT_EQ(NextRequest(4), (Bytes{0x0A, 0x00, 0x11, 0x1B}));
    ASSERT_TRUE(link->Disconnect());
    link->SetProcessMessageTimerInterval(kNoTick);
    ASSERT_TRUE(link->Connect());
    EXPECT_TRUE(link->FastActive());
    link->ReadInstruction(0x12, 5000);
    EXPECT_EQ(NextRequest(4), (Bytes{0x0A, 0x00, 0x12, 0x18}));
}

} // namespace
