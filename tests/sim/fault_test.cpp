// SPDX-License-Identifier: GPL-3.0-or-later
// Every way the simulated gauge can misbehave, as the client on the line sees it.

#include "GaugeSimulator.h"
#include "SimLine.h"

#include <gtest/gtest.h>

#include <memory>

using simtest::Line;
using simtest::Reply;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint8_t kNode = 4;
const Bytes kDisplay{0, 6, 1, 0, 0, 99, 0, 0, 100}; // differs from the default in every field

struct Gauge {
    explicit Gauge(sim::Fault fault, uint8_t code) : sim(Options()) {
        EXPECT_TRUE(sim.Start());
        line = std::make_unique<Line>(sim.SlavePath());
        sim.SetFault(code, fault);
    }
    static sim::Options Options() {
        sim::Options options;
        options.node = kNode;
        options.split_silence_ms = 250;
        return options;
    }
    sim::GaugeSimulator sim;
    std::unique_ptr<Line> line;
};

} // namespace

TEST(GaugeSimulatorFaults, EachFaultAsTheClientSeesIt) {
    enum class Seen { Nothing, Nack, BadChecksum, OtherNode, Short, Split, Noise, HangUp, Good };
    const struct {
        sim::Fault fault;
        Seen seen;
        bool writeApplied;
    } cases[] = {
        {sim::Fault::NoReply, Seen::Nothing, false},
        {sim::Fault::Nack, Seen::Nack, false},
        {sim::Fault::BadChecksum, Seen::BadChecksum, true},
        {sim::Fault::OtherNode, Seen::OtherNode, true},
        {sim::Fault::ShortReply, Seen::Short, true},
        {sim::Fault::SplitReply, Seen::Split, true},
        {sim::Fault::Garbage, Seen::Noise, false},
        {sim::Fault::Unplug, Seen::HangUp, false},
        {sim::Fault::Forget, Seen::Good, false}, // acknowledged, and the old value kept
    };
    for (const auto& c : cases) {
        // The same fault on a read and on a write, set for that code and for every code.
        for (const uint8_t code : {uint8_t(0x14), uint8_t(0xA4), uint8_t(0)}) {
            const bool isWrite = code != 0x14;
            SCOPED_TRACE(testing::Message()
                         << "fault " << int(c.fault) << " on 0x" << std::hex << int(code));
            Gauge gauge(c.fault, code);
            Bytes data{kNode};
            if (isWrite)
                data.insert(data.end(), kDisplay.begin(), kDisplay.end());
            gauge.line->Send(simtest::Request(isWrite ? 0xA4 : 0x14, data));
            const Bytes bytes = gauge.line->Receive(c.seen == Seen::Nothing ? 400 : 1000, 120);
            const Reply reply = simtest::Parse(bytes);
            const size_t fullPayload = isWrite ? 10 : 9;
            switch (c.seen) {
            case Seen::Nothing:
                EXPECT_TRUE(bytes.empty());
                break;
            case Seen::Nack:
                EXPECT_TRUE(reply.checksumOk);
                EXPECT_EQ(reply.flags & 0x01, 0);
                break;
            case Seen::BadChecksum:
                EXPECT_TRUE(reply.complete);
                EXPECT_EQ(reply.flags, 0x0F);
                EXPECT_FALSE(reply.checksumOk);
                break;
            case Seen::OtherNode:
                EXPECT_TRUE(reply.checksumOk);
                EXPECT_EQ(reply.data.at(0), kNode + 1);
                EXPECT_EQ(reply.payload().size(), fullPayload);
                break;
            case Seen::Short:
                EXPECT_TRUE(reply.checksumOk) << "the Length byte matches what is sent";
                EXPECT_EQ(reply.data.at(0), kNode);
                EXPECT_EQ(reply.payload().size(), fullPayload / 2);
                break;
            case Seen::Split: {
                EXPECT_FALSE(reply.complete) << "the first chunk is half a frame";
                Bytes whole = bytes;
                const Bytes rest = gauge.line->Receive(1000, 120);
                whole.insert(whole.end(), rest.begin(), rest.end());
                const Reply joined = simtest::Parse(whole);
                EXPECT_TRUE(joined.checksumOk);
                EXPECT_EQ(joined.payload().size(), fullPayload);
                break;
            }
            case Seen::Noise:
                ASSERT_FALSE(bytes.empty());
                EXPECT_FALSE(reply.checksumOk && (reply.flags & 0x01))
                    << "noise never reads as a good reply";
                break;
            case Seen::HangUp:
                EXPECT_TRUE(gauge.line->HangsUp(1000));
                EXPECT_TRUE(gauge.sim.Unplugged());
                break;
            case Seen::Good:
                EXPECT_TRUE(reply.checksumOk);
                EXPECT_EQ(reply.flags, 0x0F);
                EXPECT_EQ(reply.payload().size(), fullPayload);
                break;
            }
            if (!isWrite || c.seen == Seen::HangUp)
                continue;
            gauge.sim.ClearFaults();
            const Reply readBack = gauge.line->Exchange(0x14, {kNode});
            EXPECT_EQ(readBack.payload() == kDisplay, c.writeApplied);
        }
    }
}

TEST(GaugeSimulatorFaults, FaultsFollowTheirInstructionUntilCleared) {
    Gauge gauge(sim::Fault::Nack, 0x14);
    auto refused = [&](uint8_t code) {
        const Reply reply = gauge.line->Exchange(code, {kNode});
        EXPECT_TRUE(reply.checksumOk);
        return (reply.flags & 0x01) == 0;
    };
    EXPECT_TRUE(refused(0x14));
    EXPECT_TRUE(refused(0x14)) << "a fault holds for every matching request";
    EXPECT_FALSE(refused(0x16)) << "other instructions are answered";
    gauge.sim.SetFault(0, sim::Fault::Nack);
    gauge.sim.SetFault(0x1B, sim::Fault::None);
    EXPECT_TRUE(refused(0x16)) << "code 0 stands for every instruction";
    EXPECT_FALSE(refused(0x1B)) << "a fault for one code overrides the one for all";
    gauge.sim.ClearFaults();
    EXPECT_FALSE(refused(0x14));
}

TEST(GaugeSimulatorFaults, UnplugByCall) {
    Gauge gauge(sim::Fault::None, 0);
    EXPECT_TRUE(gauge.line->Exchange(0x1B, {kNode}).checksumOk);
    gauge.sim.Unplug();
    EXPECT_TRUE(gauge.sim.Unplugged());
    EXPECT_TRUE(gauge.line->HangsUp(1000));
    gauge.sim.Stop(); // and stopping an unplugged gauge is fine
}

// A gauge that honours one table row per request: the first row of a block read or write,
// whatever the count; single rows and other instructions as usual.
TEST(GaugeSimulatorFaults, SingleRowTakesTheFirstRowOfABlockOnly) {
    Gauge gauge(sim::Fault::SingleRow, 0);
    auto row = [](uint8_t fill) { return Bytes(8, fill); };
    // Rows 0 to 2 written as one block: only row 0 is kept, and the write is acknowledged.
    Bytes block{kNode, 0, 3};
    for (uint8_t fill : {0x11, 0x22, 0x33}) {
        const Bytes r = row(fill);
        block.insert(block.end(), r.begin(), r.end());
    }
    const Reply written = gauge.line->Exchange(0xAB, block);
    EXPECT_TRUE(written.checksumOk);
    EXPECT_EQ(written.instruction, 0x21);
    struct Case {
        uint8_t start, count;
        Bytes payload;
    } cases[] = {
        {0, 1, row(0x11)},
        {0, 3, row(0x11)}, // a block read answers with its first row
        {1, 2, gauge.sim.Block(0x1D, 1)},
        {1, 1, gauge.sim.Block(0x1D, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "rows " << int(c.start) << " + " << int(c.count));
        const Reply reply = gauge.line->Exchange(0x1D, {kNode, c.start, c.count});
        EXPECT_TRUE(reply.checksumOk);
        EXPECT_EQ(reply.payload(), c.payload);
    }
    EXPECT_NE(gauge.sim.Block(0x1D, 1), row(0x22)) << "row 1 of the block was stored";
    EXPECT_EQ(gauge.line->Exchange(0x14, {kNode}).payload().size(), 9u) << "others as usual";
    sim::Fault parsed = sim::Fault::None;
    EXPECT_TRUE(sim::ParseFault("singlerow", parsed));
    EXPECT_EQ(parsed, sim::Fault::SingleRow);
}
