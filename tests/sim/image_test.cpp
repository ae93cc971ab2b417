// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's device image: loading a .TLS settings file, and the request assembler's
// resynchronisation on a line that goes quiet in the middle of a frame.

#include "GaugeSimulator.h"
#include "SimFrame.h"
#include "SimLine.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>

using Bytes = std::vector<uint8_t>;

namespace {

// A settings file whose every byte differs from the simulator's defaults.
Bytes SettingsFile(uint32_t format, size_t size) {
    Bytes file(size);
    for (size_t i = 0; i < size; ++i)
        file[i] = uint8_t(i * 7 + 3);
    if (size >= 4) {
        for (int i = 0; i < 4; ++i)
            file[i] = uint8_t(format >> (8 * i)); // least significant byte first
    }
    if (size > 64) {
        const char name[] = "FILE TANK";
        std::copy(name, name + 9, file.begin() + 52);
        std::fill(file.begin() + 61, file.begin() + 64, 0);
    }
    return file;
}

std::string Write(const QTemporaryDir& dir, const char* name, const Bytes& bytes) {
    const std::string path = dir.filePath(name).toStdString();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

Bytes Slice(const Bytes& file, size_t offset, size_t size) {
    return Bytes(file.begin() + long(offset), file.begin() + long(offset + size));
}

// Everything a client can read, to show that a refused file changed nothing.
std::vector<Bytes> Snapshot(const sim::GaugeSimulator& gauge) {
    std::vector<Bytes> blocks;
    for (uint8_t code : {0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x1B, 0x1C, 0x20, 0x22,
                         0x27, 0x28, 0x29, 0x2A, 0x2B})
        blocks.push_back(gauge.Block(code));
    for (uint8_t k = 0; k < 4; ++k)
        blocks.push_back(gauge.Block(0x10, k));
    for (uint8_t row = 0; row < 100; ++row)
        blocks.push_back(gauge.Block(0x1D, row));
    return blocks;
}

} // namespace

TEST(GaugeSimulatorImage, LoadsBothFormatsButKeepsItsNode) {
    QTemporaryDir dir;
    for (const auto& [format, size] : {std::pair{2u, 900u}, {3u, 1236u}, {3u, 1300u}}) {
        sim::Options options;
        options.node = 9;
        sim::GaugeSimulator gauge(options);
        const Bytes file = SettingsFile(format, size);
        std::string error;
        ASSERT_TRUE(gauge.LoadImage(Write(dir, "good.TLS", file), &error)) << error;
        SCOPED_TRACE(size);
        const struct {
            uint8_t code, argument;
            size_t offset, size;
        } blocks[] = {{0x10, 0, 5, 6},   {0x10, 3, 23, 6},  {0x11, 0, 29, 6},   {0x12, 0, 35, 6},
                      {0x13, 0, 41, 2},  {0x14, 0, 43, 9},  {0x16, 0, 64, 24},  {0x18, 0, 96, 2},
                      {0x1C, 0, 98, 1},  {0x1D, 0, 99, 8},  {0x1D, 99, 891, 8}, {0x22, 0, 899, 1},
                      {0x27, 0, 900, 2}, {0x28, 0, 902, 4}, {0x29, 0, 906, 1},  {0x2A, 0, 907, 1},
                      {0x2B, 0, 908, 4}};
        for (const auto& block : blocks) {
            const Bytes expected = block.offset >= 900 && format == 2
                                       ? sim::GaugeSimulator(options).Block(block.code)
                                       : Slice(file, block.offset, block.size);
            EXPECT_EQ(gauge.Block(block.code, block.argument), expected)
                << std::hex << int(block.code) << " " << int(block.argument);
        }
        Bytes name(13, 0);
        std::copy_n("FILE TANK", 9, name.begin());
        EXPECT_EQ(gauge.Block(0x15), name);
        EXPECT_EQ(gauge.Node(), 9);
        // And the loaded image is what the line is served.
        ASSERT_TRUE(gauge.Start());
        simtest::Line line(gauge.SlavePath());
        EXPECT_EQ(line.Exchange(0x14, {9}).payload(), Slice(file, 43, 9));
    }
}

TEST(GaugeSimulatorImage, RefusesBadFilesWithAReason) {
    QTemporaryDir dir;
    Bytes bigEndianTwo = SettingsFile(2, 900);
    std::swap(bigEndianTwo[0], bigEndianTwo[3]);
    const struct {
        const char* name;
        Bytes bytes; // empty name: no file at all
        const char* reason;
    } cases[] = {
        {"", {}, "cannot open"},
        {"empty", {}, "too short"},
        {"three bytes", {2, 0, 0}, "too short"},
        {"short format 2", SettingsFile(2, 899), "needs 900"},
        {"short format 3", SettingsFile(3, 1235), "needs 1236"},
        {"unknown format", SettingsFile(4, 1236), "unknown"},
        {"format number in the wrong order", bigEndianTwo, "unknown"},
    };
    for (const auto& c : cases) {
        sim::GaugeSimulator gauge;
        const auto before = Snapshot(gauge);
        const std::string path =
            *c.name ? Write(dir, "bad.TLS", c.bytes) : dir.filePath("missing.TLS").toStdString();
        std::string error;
        EXPECT_FALSE(gauge.LoadImage(path, &error)) << c.name;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(Snapshot(gauge), before) << c.name;
    }
}

// A partial frame waits for the rest while bytes keep coming, and is given up only after the
// line has been quiet; a good frame behind the noise is then still found.
TEST(GaugeSimulatorImage, AssemblerResynchronisesAfterSilence) {
    using namespace std::chrono_literals;
    const Bytes good = simtest::Request(0x16, {1});
    const struct {
        const char* name;
        Bytes first, second; // fed 50 ms apart
        size_t framesBeforeSilence, framesAfterSilence;
    } cases[] = {
        {"frame in two pieces", Slice(good, 0, 2), Slice(good, 2, 3), 1, 1},
        {"two frames in one piece",
         [&] {
             Bytes b = good;
             b.insert(b.end(), good.begin(), good.end());
             return b;
         }(),
         {},
         2,
         2},
        {"cut-off frame, then a good one", Slice(good, 0, 3), good, 0, 1},
        {"noise promising a long frame", Bytes{0x0A, 0xF0}, good, 0, 1},
        {"noise only", Bytes{0x02, 0x09, 0x33}, {}, 0, 0},
    };
    for (const auto& c : cases) {
        sim::FrameAssembler assembler(100ms);
        std::vector<sim::Frame> frames;
        const auto t0 = sim::FrameAssembler::Clock::time_point{} + 1h;
        assembler.Feed(c.first.data(), c.first.size(), t0, frames);
        assembler.Feed(c.second.data(), c.second.size(), t0 + 50ms, frames);
        assembler.Expire(t0 + 140ms, frames); // not yet quiet long enough
        EXPECT_EQ(frames.size(), c.framesBeforeSilence) << c.name;
        assembler.Expire(t0 + 150ms, frames);
        EXPECT_EQ(frames.size(), c.framesAfterSilence) << c.name;
        EXPECT_EQ(assembler.Pending(), 0u) << c.name;
        EXPECT_EQ(assembler.MillisecondsToExpiry(t0 + 150ms), -1) << c.name;
        for (const sim::Frame& frame : frames) {
            EXPECT_EQ(frame.wire, good) << c.name;
            EXPECT_EQ(frame.instruction, 0x16);
            EXPECT_EQ(frame.data, Bytes{1});
        }
    }
}

TEST(GaugeSimulatorImage, AssemblerForgetsAPartialFrameOnceTheLineWasQuiet) {
    using namespace std::chrono_literals;
    const Bytes good = simtest::Request(0x16, {1});
    sim::FrameAssembler assembler(100ms);
    std::vector<sim::Frame> frames;
    const auto t0 = sim::FrameAssembler::Clock::time_point{} + 1h;
    // A header whose Length byte would swallow the next request, then a quiet line: the
    // request after the silence stands on its own.
    const Bytes stale{0x0A, 0x20, 0x14};
    assembler.Feed(stale.data(), stale.size(), t0, frames);
    assembler.Feed(good.data(), good.size(), t0 + 100ms, frames);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].wire, good);
    EXPECT_EQ(assembler.Pending(), 0u);
    EXPECT_EQ(assembler.DiscardedBytes(), stale.size());
}
