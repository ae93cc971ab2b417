// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated gauge over a real pseudo-terminal: what each instruction answers for each model,
// addressing, writes read back, node change, control and status instructions, and survival of
// malformed input.

#include "GaugeSimulator.h"
#include "SimLine.h"

#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cstring>
#include <memory>

using simtest::Line;
using simtest::Reply;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint8_t kNode = 7;

struct Gauge {
    explicit Gauge(sim::Options options = {}) : sim(std::move(options)) {
        std::string error;
        started = sim.Start(&error);
        EXPECT_TRUE(started) << error;
        line = std::make_unique<Line>(sim.SlavePath());
        EXPECT_TRUE(line->IsOpen());
    }
    sim::GaugeSimulator sim;
    bool started = false;
    std::unique_ptr<Line> line;
};

sim::Options Model(const std::string& model, const std::string& pcid) {
    sim::Options options;
    options.model = model;
    options.pcid = pcid;
    options.node = kNode;
    return options;
}

Bytes Text(const char* text, size_t size) {
    Bytes bytes(size, 0);
    std::memcpy(bytes.data(), text, std::strlen(text));
    return bytes;
}

bool IsAck(const Reply& reply, uint8_t node) {
    return reply.checksumOk && reply.flags == 0x0F && reply.instruction == 0x21 &&
           !reply.data.empty() && reply.data[0] == node;
}

bool IsNack(const Reply& reply) {
    return reply.checksumOk && (reply.flags & 0x01) == 0 && (reply.flags & 0x02);
}

} // namespace

// Reply payload length of every read for each model; -1 = refused with a negative
// acknowledgement. A T7310 is extended from PC software ID "4" on, compared as text.
TEST(GaugeSimulator, ReadReplyLengthsByModel) {
    struct Read {
        uint8_t code;
        Bytes args;
        int plain, extended;
    };
    const Read reads[] = {
        {0x10, {0}, 6, 6},  {0x10, {3}, 6, 6},    {0x10, {4}, -1, -1},    {0x11, {}, 6, 6},
        {0x12, {}, 6, 6},   {0x13, {}, 2, 2},     {0x14, {}, 9, 9},       {0x15, {}, 13, 13},
        {0x16, {}, 24, 24}, {0x17, {}, 4, 4},     {0x18, {}, 2, 2},       {0x1B, {}, 1, 1},
        {0x1C, {}, 1, 1},   {0x1D, {0, 1}, 8, 8}, {0x1D, {2, 3}, 24, 24}, {0x1D, {99, 2}, -1, -1},
        {0x20, {}, 4, 4},   {0x22, {}, 1, 1},     {0x27, {}, -1, 2},      {0x28, {}, -1, 4},
        {0x29, {}, -1, 1},  {0x2A, {}, -1, 1},    {0x2B, {}, -1, 4},      {0x1E, {}, 1, 1},
        {0x19, {}, 1, 1},   {0x1A, {}, 8, 8},     {0x5F, {}, -1, -1},
    };
    const struct {
        const char* model;
        const char* pcid;
        bool extended;
    } models[] = {{"T7310", "3", false}, {"T7310", "10", false}, {"T7310", "4", true},
                  {"T7310", "5", true},  {"T8310", "2", true},   {"PRM8310", "5", true}};
    for (const auto& model : models) {
        Gauge gauge(Model(model.model, model.pcid));
        EXPECT_EQ(gauge.sim.IsExtended(), model.extended) << model.model << " " << model.pcid;
        for (const Read& read : reads) {
            Bytes data{kNode};
            data.insert(data.end(), read.args.begin(), read.args.end());
            const Reply reply = gauge.line->Exchange(read.code, data);
            const int expected = model.extended ? read.extended : read.plain;
            SCOPED_TRACE(testing::Message() << model.model << "?" << model.pcid << " read 0x"
                                            << std::hex << int(read.code));
            ASSERT_TRUE(reply.complete);
            EXPECT_TRUE(reply.checksumOk);
            EXPECT_EQ(reply.instruction, read.code);
            ASSERT_FALSE(reply.data.empty());
            EXPECT_EQ(reply.data[0], kNode);
            if (expected < 0) {
                EXPECT_TRUE(IsNack(reply));
            } else {
                EXPECT_EQ(reply.flags, 0x0F);
                EXPECT_EQ(reply.payload().size(), size_t(expected));
            }
        }
    }
}

TEST(GaugeSimulator, DefaultImageContent) {
    const struct {
        const char* model;
        uint8_t code;
        Bytes args, payload;
    } cases[] = {
        {"T8310", 0xDF, {}, Text("T8310 2.10?5", 13)},
        {"PRM8310", 0xDF, {}, Text("PRM8310 2.10?5", 15)},
        {"T8310", 0x14, {}, {1, 4, 2, 0, 0, 128, 1, 0x01, 0xF4}},
        {"T8310", 0x15, {}, Text("DIESEL TANK1", 13)},
        {"T8310", 0x10, {0}, {0x23, 0x28, 1, 1, 0x07, 0xD0}}, // 90.00 % rising, 2000 ms
        {"T8310", 0x10, {3}, {0x03, 0xE8, 1, 2, 0x07, 0xD0}}, // 10.00 % falling
        {"T8310", 0x16, {}, {1, 0, 0x03, 0x48, 0, 0, 0x17, 0x70, 0, 0, 0x09, 0xC4,
                             0, 0, 0x09, 0xC4, 0, 0, 0x04, 0xE2, 0, 0, 0x01, 0x90}},
        {"T8310", 0x1B, {}, {kNode}},
        {"T8310", 0x1C, {}, {5}},
        {"T8310", 0x1E, {}, {3}},
        {"T8310", 0x27, {}, {0, 0}},
        {"PRM8310", 0x27, {}, {0, 100}},
        {"T8310", 0x29, {}, {95}},
    };
    for (const auto& c : cases) {
        Gauge gauge(Model(c.model, "5"));
        Bytes data{kNode};
        data.insert(data.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(gauge.line->Exchange(c.code, data).payload(), c.payload)
            << c.model << " 0x" << std::hex << int(c.code);
    }
    // The table rises with height, and so does the volume.
    Gauge gauge(Model("T7310", "3"));
    const Bytes rows = gauge.line->Exchange(0x1D, {kNode, 0, 5}).payload();
    ASSERT_EQ(rows.size(), 40u);
    auto at = [&](size_t i) {
        return uint32_t(rows[i] << 24 | rows[i + 1] << 16 | rows[i + 2] << 8 | rows[i + 3]);
    };
    for (size_t row = 1; row < 5; ++row) {
        EXPECT_GT(at(row * 8), at(row * 8 - 8)) << row;
        EXPECT_GT(at(row * 8 + 4), at(row * 8 - 4)) << row;
    }
}

TEST(GaugeSimulator, AnswersOnlyItsOwnNodeAndBroadcast) {
    Gauge gauge(Model("T8310", "5"));
    const struct {
        uint8_t addressed;
        bool answered;
    } cases[] = {{kNode, true}, {99, true}, {kNode + 1, false}, {0, false}, {98, false}};
    for (const auto& c : cases) {
        gauge.sim.ClearLog();
        const Reply reply = gauge.line->Exchange(0x14, {c.addressed}, c.answered ? 1000 : 300);
        EXPECT_EQ(reply.complete, c.answered) << int(c.addressed);
        if (c.answered) {
            EXPECT_EQ(reply.data[0], kNode) << "a reply names the gauge's own node";
        }
        EXPECT_EQ(gauge.sim.Instructions(), Bytes{0x14}) << "every good frame is logged";
    }
}

TEST(GaugeSimulator, WritesAreAcknowledgedAndReadBack) {
    const struct {
        uint8_t write;
        Bytes args;
        uint8_t read;
        Bytes readArgs, expected;
    } cases[] = {
        {0xA0, {2, 0x13, 0x88, 0, 1, 0, 5}, 0x10, {2}, {0x13, 0x88, 0, 1, 0, 5}},
        {0xA1, {0, 0, 0, 9, 0, 10}, 0x11, {}, {0, 0, 0, 9, 0, 10}},
        {0xA2, {0, 0, 9, 0, 3, 0xFF}, 0x12, {}, {0, 0, 9, 0, 3, 0xFF}},
        {0xA3, {0, 1}, 0x13, {}, {0, 1}},
        {0xA4, {0, 7, 1, 9, 9, 200, 0, 0, 10}, 0x14, {}, {0, 7, 1, 9, 9, 200, 0, 0, 10}},
        {0xA5, {'T', 'A', 'N', 'K', ' ', '2', 0}, 0x15, {}, Text("TANK 2", 13)},
        {0xA5, Text("A NAME TOO LONG", 16), 0x15, {}, Text("A NAME TOO L", 13)},
        {0xA6, Bytes(24, 2), 0x16, {}, Bytes(24, 2)},
        {0xA7, {1, 2, 3, 4}, 0x17, {}, {1, 2, 3, 4}},
        {0xA8, {0x12, 0x34}, 0x18, {}, {0x12, 0x34}},
        {0xAA, {42}, 0x1C, {}, {42}},
        {0xAB, {3, 1, 1, 2, 3, 4, 5, 6, 7, 8}, 0x1D, {3, 1}, {1, 2, 3, 4, 5, 6, 7, 8}},
        {0xAD, {1}, 0x22, {}, {1}},
        {0xB1, {0x01, 0x2C}, 0x27, {}, {0x01, 0x2C}},
        {0xB2, {0, 0, 0, 50}, 0x28, {}, {0, 0, 0, 50}},
        {0xB3, {80}, 0x29, {}, {80}},
        {0xB4, {9}, 0x2A, {}, {9}},
    };
    for (const auto& c : cases) {
        Gauge gauge(Model("PRM8310", "5"));
        Bytes data{kNode};
        data.insert(data.end(), c.args.begin(), c.args.end());
        EXPECT_TRUE(IsAck(gauge.line->Exchange(c.write, data), kNode)) << std::hex << int(c.write);
        Bytes readData{kNode};
        readData.insert(readData.end(), c.readArgs.begin(), c.readArgs.end());
        EXPECT_EQ(gauge.line->Exchange(c.read, readData).payload(), c.expected)
            << std::hex << int(c.write);
    }
}

// A refused write changes nothing: too few bytes, rows or alarm out of range, a model without
// the extended block, an unusable node ID.
TEST(GaugeSimulator, RefusedWritesChangeNothing) {
    const struct {
        const char* model;
        uint8_t write;
        Bytes args;
        uint8_t read;
        Bytes readArgs;
    } cases[] = {
        {"T8310", 0xA4, {0, 7, 1}, 0x14, {}},
        {"T8310", 0xA0, {4, 1, 2, 3, 4, 5, 6}, 0x10, {0}},
        {"T8310", 0xAB, {99, 2, 1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8}, 0x1D, {99, 1}},
        {"T8310", 0xAB, {0, 1, 1, 2, 3}, 0x1D, {0, 1}},
        {"T8310", 0xA9, {99}, 0x1B, {}},
        {"T7310", 0xB3, {10}, 0x14, {}},
        {"T7310", 0xB1, {0, 10}, 0x14, {}},
    };
    for (const auto& c : cases) {
        Gauge gauge(Model(c.model, "3"));
        Bytes readData{kNode};
        readData.insert(readData.end(), c.readArgs.begin(), c.readArgs.end());
        const Bytes before = gauge.line->Exchange(c.read, readData).payload();
        Bytes data{kNode};
        data.insert(data.end(), c.args.begin(), c.args.end());
        const Reply reply = gauge.line->Exchange(c.write, data);
        EXPECT_TRUE(IsNack(reply)) << std::hex << int(c.write);
        EXPECT_EQ(reply.instruction, c.write);
        EXPECT_EQ(gauge.line->Exchange(c.read, readData).payload(), before);
    }
}

TEST(GaugeSimulator, NodeChangeIsAcknowledgedByTheOldNode) {
    Gauge gauge(Model("T8310", "5"));
    EXPECT_TRUE(IsAck(gauge.line->Exchange(0xA9, {kNode, 12}), kNode));
    EXPECT_EQ(gauge.sim.Node(), 12);
    EXPECT_FALSE(gauge.line->Exchange(0x1B, {kNode}, 300).complete);
    EXPECT_EQ(gauge.line->Exchange(0x1B, {12}).data, (Bytes{12, 12}));
    EXPECT_EQ(gauge.line->Exchange(0x1B, {99}).data, (Bytes{12, 12}));
}

TEST(GaugeSimulator, ControlAndStatusInstructions) {
    sim::Options options = Model("T8310", "5");
    Gauge gauge(options);
    // A tank without shape holds a nominal 1000 units, so volumes read as percentages x 10.
    gauge.sim.SetBlock(0x16, Bytes(24, 0));
    const struct {
        double volume;
        uint8_t outputs;
    } levels[] = {{500, 0x00}, {950, 0x30}, {800, 0x20}, {200, 0x40}, {50, 0xC0}};
    for (const auto& level : levels) {
        gauge.sim.SetVolume(level.volume);
        const Bytes volume = gauge.line->Exchange(0x1A, {kNode}).payload();
        ASSERT_EQ(volume.size(), 8u);
        uint64_t bits = 0;
        for (uint8_t b : volume)
            bits = bits << 8 | b;
        EXPECT_EQ(std::bit_cast<double>(bits), level.volume);
        EXPECT_EQ(gauge.line->Exchange(0x19, {kNode}).payload(), Bytes{level.outputs})
            << level.volume;
    }
    // Alarm test mode: the outputs are exactly what C1 drives, until C2.
    const struct {
        uint8_t code;
        Bytes args;
        uint8_t state, outputs;
        bool testMode;
    } steps[] = {{0xC0, {}, 6, 0x00, true},
                 {0xC1, {0x40}, 6, 0x40, true},
                 {0xC1, {0x90}, 6, 0x90, true},
                 {0xC2, {}, 3, 0xC0, false}};
    for (const auto& step : steps) {
        Bytes data{kNode};
        data.insert(data.end(), step.args.begin(), step.args.end());
        EXPECT_TRUE(IsAck(gauge.line->Exchange(step.code, data), kNode));
        EXPECT_EQ(gauge.sim.AlarmTestMode(), step.testMode);
        EXPECT_EQ(gauge.line->Exchange(0x1E, {kNode}).payload(), Bytes{step.state});
        EXPECT_EQ(gauge.line->Exchange(0x19, {kNode}).payload(), Bytes{step.outputs});
    }
    // C6 is counted; a contrast preview changes nothing stored.
    const Bytes display = gauge.line->Exchange(0x14, {kNode}).payload();
    EXPECT_TRUE(IsAck(gauge.line->Exchange(0xC6, {kNode}), kNode));
    EXPECT_TRUE(IsAck(gauge.line->Exchange(0xC6, {kNode}), kNode));
    EXPECT_EQ(gauge.sim.C6Count(), 2);
    EXPECT_TRUE(IsAck(gauge.line->Exchange(0xC7, {kNode, 17}), kNode));
    EXPECT_EQ(gauge.sim.ContrastPreview(), 17);
    EXPECT_EQ(gauge.line->Exchange(0x14, {kNode}).payload(), display);
}

TEST(GaugeSimulator, LiveVolumeMoves) {
    sim::Options options = Model("T7310", "3");
    options.volume_period_s = 2.0;
    Gauge gauge(options);
    const Bytes first = gauge.line->Exchange(0x1A, {kNode}).payload();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    Bytes now = first;
    while (now == first && std::chrono::steady_clock::now() < deadline)
        now = gauge.line->Exchange(0x1A, {kNode}).payload();
    EXPECT_NE(now, first);
}

// Noise in front of a request, a request cut short, a bad checksum: the gauge drops what is not
// a frame and answers the next good request.
TEST(GaugeSimulator, SurvivesMalformedInput) {
    const Bytes good = simtest::Request(0x1B, {kNode});
    Bytes badChecksum = simtest::Request(0x14, {kNode});
    badChecksum.back() ^= 1;
    Bytes noChecksumFlag = simtest::Request(0x14, {kNode});
    noChecksumFlag[0] = 0x08;
    noChecksumFlag.back() ^= 0x0A ^ 0x08;
    Bytes noise(600);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = uint8_t(i * 37 + 11);
    const struct {
        const char* name;
        Bytes before;
    } cases[] = {
        {"noise", {0x55, 0xAA, 0x01, 0x13}},
        {"long noise", noise},
        {"bad checksum", badChecksum},
        {"checksum flag clear", noChecksumFlag},
        {"truncated request", Bytes(good.begin(), good.end() - 1)},
        {"header promising 255 bytes", {0x0A, 0xFF, 0x14}},
        {"no node byte", simtest::Request(0x14, {})},
    };
    for (const auto& c : cases) {
        Gauge gauge(Model("T8310", "5"));
        Bytes burst = c.before;
        burst.insert(burst.end(), good.begin(), good.end());
        gauge.line->Send(burst);
        const Reply reply = simtest::Parse(gauge.line->Receive(1500));
        EXPECT_TRUE(reply.checksumOk) << c.name;
        EXPECT_EQ(reply.instruction, 0x1B) << c.name;
        EXPECT_EQ(gauge.sim.Replies().size(), 1u) << c.name << ": nothing else was answered";
        EXPECT_EQ(gauge.line->Exchange(0x1B, {kNode}).data, (Bytes{kNode, kNode})) << c.name;
    }
}

TEST(GaugeSimulator, ServesAClientThatReopensThePort) {
    Gauge gauge(Model("T8310", "5"));
    for (int round = 0; round < 3; ++round) {
        gauge.line.reset();
        gauge.line = std::make_unique<Line>(gauge.sim.SlavePath());
        EXPECT_EQ(gauge.line->Exchange(0x1B, {kNode}).data, (Bytes{kNode, kNode})) << round;
    }
}
