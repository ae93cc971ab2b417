// SPDX-License-Identifier: GPL-3.0-or-later
// What the link puts on the wire for each kind of request, and how it judges every kind of
// chunk that comes back.

#include "PacketFixture.h"

#include <algorithm>
#include <functional>
#include <numeric>

namespace {

constexpr auto H = LinkEvent::Hook;
constexpr auto R = LinkEvent::Rx;
constexpr auto N = LinkEvent::Nack;
constexpr auto C = LinkEvent::Checksum;

Bytes Counting(size_t n) {
    Bytes bytes(n);
    std::iota(bytes.begin(), bytes.end(), uint8_t{0});
    return bytes;
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(PacketLinkTest, RequestFramesOnTheWire) {
    const Bytes big = Counting(255);
    // Bytes that a cooked line would echo, translate or swallow must pass unchanged.
    const Bytes touchy{0x0A, 0x0D, 0x11, 0x13, 0x00, 0xFF};
    struct Row {
        const char* name;
        std::function<void(TSerialPacket&)> send;
        Bytes expected;
    };
    const Row rows[] = {
        {"one data byte",
         [](TSerialPacket& l) {
             const uint8_t d[] = {0x01};
             l.WritePacketData(0x11, d, 1, 750);
         },
         {0x0A, 0x01, 0x11, 0x01, 0x1B}},
        {"read instruction",
         [](TSerialPacket& l) { l.ReadInstruction(0x11, 750); },
         {0x0A, 0x00, 0x11, 0x1B}},
        {"packet data, length 0",
         [](TSerialPacket& l) {
             const uint8_t d[] = {0x55};
             l.WritePacketData(0x11, d, 0, 750);
         },
         {0x0A, 0x00, 0x11, 0x1B}},
        {"packet data, no data",
         [](TSerialPacket& l) { l.WritePacketData(0x11, nullptr, 0, 750); },
         {0x0A, 0x00, 0x11, 0x1B}},
        {"control characters in the data",
         [&](TSerialPacket& l) { l.WritePacketData(0x30, touchy.data(), 6, 750); },
         MakeFrame(0x0A, 0x30, touchy)},
        {"255 data bytes", [&](TSerialPacket& l) { l.WritePacketData(0x42, big.data(), 255, 750); },
         MakeFrame(0x0A, 0x42, big)},
        {"record's own flags and checksum are sent as they stand",
         [](TSerialPacket& l) {
             TPacket p;
             p.Flags = 0x0F;
             p.Instruction = 0x30;
             p.Length = 2;
             p.Data[0] = 0x63;
             p.Data[1] = 0x05;
             p.Data[2] = 0xEE; // beyond Length: not sent
             p.Checksum = 0x00;
             p.Timeout = 750;
             l.WritePacket(p);
         },
         {0x0F, 0x02, 0x30, 0x63, 0x05, 0x00}},
    };

    ASSERT_TRUE(link->Connect());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.send(*link);
        EXPECT_EQ(Hex(NextRequest(row.expected.size())), Hex(row.expected));
        Reply(Ack());
        // Nothing beyond the frame itself.
        peer.Pump();
        EXPECT_EQ(Hex(peer.Received()), "");
    }
}

TEST_F(PacketLinkTest, ReceivedChunksAreJudgedAsOneFrameEach) {
    const Bytes good = MakeFrame(0x0F, 0x21, {0x63, 0x01, 0x02});
    Bytes badSum = MakeFrame(0x0F, 0x21, {0x63});
    badSum.back() ^= 0x5A;
    Bytes nackBadSum = MakeFrame(0x0E, 0x21, {0x63});
    nackBadSum.back() ^= 0x01;
    Bytes unchecked = MakeFrame(0x0D, 0x21, {0x63});
    unchecked.back() = 0x77;
    Bytes uncheckedHeld = MakeFrame(0x01, 0x21, {0x63});
    uncheckedHeld.back() = 0x00;
    const Bytes first = MakeFrame(0x0F, 0x21, {0x63, 0x07});
    Bytes heldBad = MakeFrame(0x07, 0x21, {0x63});
    heldBad.back() ^= 0xFF;

    struct Row {
        const char* name;
        Bytes chunk;
        Kinds expected;
        bool clearToSend; // afterwards
    };
    const Row rows[] = {
        {"good, flow and ready", good, {H, R}, true},
        {"good, no flow bits: held", MakeFrame(0x03, 0x21, {0x63}), {H, R}, false},
        {"good, flow without ready: held", MakeFrame(0x07, 0x21, {0x63}), {H, R}, false},
        {"good, no data at all", MakeFrame(0x0F, 0x21, {}), {H, R}, true},
        {"good, 250 data bytes", MakeFrame(0x0F, 0x22, Counting(250)), {H, R}, true},
        {"negative acknowledgement", MakeFrame(0x0E, 0x21, {0x63}), {N}, true},
        {"bad checksum", badSum, {C}, true},
        {"negative and bad checksum: both, NACK first", nackBadSum, {N, C}, true},
        {"bad frame with flow and ready clear still frees the link", heldBad, {C}, true},
        {"checksum not asked for: any last byte", unchecked, {H, R}, true},
        {"checksum not asked for, no flow: held", uncheckedHeld, {H, R}, false},
        {"two frames, last byte not the first's checksum", Concat(first, good), {C}, true},
        {"two frames, last byte matches the first's checksum", Concat(first, first), {H, R}, true},
        // Shorter than the Length byte promises: never read past the chunk.
        {"short: 2 of 5 data bytes", {0x0F, 0x05, 0x21, 0x63, 0x01, 0x44}, {C}, true},
        {"short, checksum not asked for", {0x01, 0x0A, 0x21, 0x63, 0x01, 0x02}, {C}, true},
        {"short: checksum byte missing", {0x0F, 0x02, 0x21, 0x63, 0x01}, {C}, true},
        {"short: header only", {0x0F, 0x00, 0x21}, {C}, true},
        {"short: one byte with flow and ready clear", {0x07}, {C}, true},
    };

    ASSERT_TRUE(link->Connect());
    uint8_t instruction = 0x50;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ++instruction;
        link->ReadInstruction(instruction, 5000);
        NextRequest(4);
        events.clear();
        Reply(row.chunk);

        EXPECT_EQ(Seen(), row.expected);
        EXPECT_EQ(link->ClearToSend(), row.clearToSend);
        EXPECT_FALSE(link->TimeoutTimer().Enabled()) << "a reply ends the time-out";
        for (const LinkEvent& e : events) {
            if (e.kind == N || e.kind == C) {
                EXPECT_EQ(e.instruction, instruction) << "errors name the request sent last";
                continue;
            }
            // Unpacked from the chunk's head; the checksum is the chunk's last byte.
            const uint8_t length = row.chunk[1];
            EXPECT_EQ(e.packet.Flags, row.chunk[0]);
            EXPECT_EQ(e.packet.Length, length);
            EXPECT_EQ(e.packet.Instruction, row.chunk[2]);
            EXPECT_EQ(Hex(Bytes(e.packet.Data, e.packet.Data + length)),
                      Hex(Bytes(row.chunk.begin() + 3, row.chunk.begin() + 3 + length)));
            EXPECT_EQ(e.packet.Checksum, row.chunk.back());
            EXPECT_EQ(e.packet.Timeout, 0);
        }
        if (!link->ClearToSend()) {
            // A held link is freed by an unsolicited frame; its events name the same request.
            events.clear();
            Reply(Ack());
            EXPECT_EQ(Seen(), (Kinds{H, R}));
            EXPECT_TRUE(link->ClearToSend());
        }
    }
}

TEST_F(PacketLinkTest, FrameSplitBySilenceIsTwoFrames) {
    const Bytes whole = MakeFrame(0x0F, 0x21, {0x63, 0x10, 0x20, 0x30});
    const Bytes good = MakeFrame(0x0F, 0x23, {0x63});
    const Bytes oversize = MakeFrame(0x0F, 0x24, Counting(255)); // 259 bytes: over one read
    struct Row {
        const char* name;
        std::vector<Bytes> parts; // each sent after the link has handled the one before
        int chunks;               // what the port delivers
        Kinds expected;
    };
    // The first chunk fails the exchange; what follows it comes while the line settles and
    // is dropped, never taken for a reply.
    const Row rows[] = {
        {"both halves short",
         {Bytes(whole.begin(), whole.begin() + 5), Bytes(whole.begin() + 5, whole.end())},
         2,
         {C}},
        {"short head, then a whole frame",
         {Bytes(whole.begin(), whole.begin() + 3), good},
         2,
         {C}},
        {"more than one read's worth", {oversize}, 2, {C}},
    };

    ASSERT_TRUE(link->Connect());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        link->ReadInstruction(0x40, 5000);
        NextRequest(4);
        events.clear();
        const int before = chunks;
        for (const Bytes& part : row.parts)
            Reply(part);
        ASSERT_TRUE(peer.WaitFor([&] { return chunks - before >= row.chunks; }, kWait));
        EXPECT_EQ(chunks - before, row.chunks);
        EXPECT_EQ(Seen(), row.expected);
        EXPECT_TRUE(link->ClearToSend());
    }
}

// A pty cannot deliver an empty chunk; the port could after a flush. None may be read from.
TEST_F(PacketLinkTest, EmptyOrMissingChunksAreBadFrames) {
    struct Row {
        const char* name;
        int count;
        bool withBuffer;
    };
    const Row rows[] = {{"zero bytes", 0, true},
                        {"zero bytes, no buffer", 0, false},
                        {"count without a buffer", 5, false},
                        {"negative count", -1, true}};
    // The chunks come back to back: no settling after a bad one, so each is judged.
    link->ReadIntervalTimeout = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // First hold the link with a good frame, so that the bad one visibly frees it.
        Bytes held = MakeFrame(0x07, 0x21, {0x63});
        link->RxNotify(static_cast<int>(held.size()), reinterpret_cast<char*>(held.data()));
        ASSERT_FALSE(link->ClearToSend());
        events.clear();
        // Exactly as large as announced, so that any read beyond it is an overflow.
        auto buffer = std::make_unique<char[]>(1);
        link->RxNotify(row.count, row.withBuffer ? buffer.get() : nullptr);
        EXPECT_EQ(Seen(), (Kinds{C}));
        EXPECT_TRUE(link->ClearToSend());
    }
    // A short chunk in a buffer of exactly its size.
    const Bytes shortChunk{0x0F, 0xFF, 0x21};
    auto exact = std::make_unique<char[]>(shortChunk.size());
    std::copy(shortChunk.begin(), shortChunk.end(), exact.get());
    events.clear();
    link->RxNotify(static_cast<int>(shortChunk.size()), exact.get());
    EXPECT_EQ(Seen(), (Kinds{C}));
}

} // namespace
