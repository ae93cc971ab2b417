// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A packet link on one end of a pty and a scripted gauge on the other, with every link
// event recorded in order. Periods are shortened so each exchange takes milliseconds.

#include "PtyPeer.h"
#include "SerialPacket.h"
#include "TestFrame.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Exposes the receive entry point for chunks that a pty cannot produce (empty, null).
class TestLink : public TSerialPacket {
public:
    using TSerialPacket::RxNotify;
    std::function<void(const TPacket&)> Hook;

protected:
    void OnRxPacket(const TPacket& packet) override {
        if (Hook)
            Hook(packet);
    }
};

struct LinkEvent {
    enum Kind { Hook, Rx, Nack, Checksum, Timeout } kind;
    uint8_t instruction = 0; // the link's LastInstruction for errors, the packet's for Hook/Rx
    TPacket packet{};
};

using Kinds = std::vector<LinkEvent::Kind>;

// Independent of the link's own code: the frame as the gauge would build it.
inline Bytes MakeFrame(uint8_t flags, uint8_t instruction, const Bytes& data) {
    return BuildTestFrame(flags, instruction, data);
}

// A positive acknowledgement that also releases the link for its next request.
inline Bytes Ack() {
    return MakeFrame(0x0F, 0x21, {99});
}

class PacketLinkTest : public ::testing::Test {
protected:
    static constexpr int kWait = 3000; // deadline for anything that should happen promptly
    static constexpr int kTick = 10;   // dispatch period in these tests

    void SetUp() override {
        ASSERT_TRUE(peer.IsOpen());
        link = std::make_unique<TestLink>();
        link->DevicePath = peer.SlavePath();
        link->ReadIntervalTimeout = 25;
        link->SetProcessMessageTimerInterval(kTick);
        link->Hook = [this](const TPacket& p) {
            events.push_back({LinkEvent::Hook, p.Instruction, p});
        };
        link->OnPacketRx = [this](TSerialPacket* sender, const TPacket& p) {
            EXPECT_EQ(sender, link.get());
            events.push_back({LinkEvent::Rx, p.Instruction, p});
        };
        link->OnPacketNACK = [this](TSerialPacket*, uint8_t i) {
            events.push_back({LinkEvent::Nack, i});
        };
        link->OnPacketInvalidChecksum = [this](TSerialPacket*, uint8_t i) {
            events.push_back({LinkEvent::Checksum, i});
        };
        link->OnPacketTimeout = [this](TSerialPacket*, uint8_t i) {
            events.push_back({LinkEvent::Timeout, i});
        };
        link->OnRx = [this](TWin32Port*, char*, int) { ++chunks; };
    }

    void TearDown() override { link.reset(); }

    // Sends a chunk and waits until the link has handled it.
    void Reply(const Bytes& chunk) {
        const int before = chunks;
        ASSERT_TRUE(peer.Send(chunk));
        ASSERT_TRUE(peer.WaitFor([&] { return chunks > before; }, kWait)) << Hex(chunk);
    }

    // The next request the link puts on the line (size bytes).
    Bytes NextRequest(size_t size) {
        EXPECT_TRUE(peer.WaitForBytes(size, kWait)) << "got " << Hex(peer.Received());
        return peer.Take(size);
    }

    // The kinds of the events recorded so far, in order.
    Kinds Seen() const {
        Kinds kinds;
        for (const auto& e : events)
            kinds.push_back(e.kind);
        return kinds;
    }

    PtyPeer peer;
    std::unique_ptr<TestLink> link;
    std::vector<LinkEvent> events;
    int chunks = 0;
};
