// SPDX-License-Identifier: GPL-3.0-or-later
// Cloning: read one gauge into a .TLS file, write the file to another gauge, and the second
// gauge holds every setting the file carries; a file that does not fit is refused untouched.

#include "CliHarness.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace clitest;

namespace {

struct TFamily {
    const char* model;
    const char* pcid;
    bool extended;
    bool is8310;
    bool flowScaling;
    size_t fileSize;
};

const TFamily kFamilies[] = {
    {"T7310", "3", false, false, false, 900},
    {"T7310", "5", true, false, false, 1236},
    {"T8310", "5", true, true, false, 1236},
    {"PRM8310", "5", true, true, true, 1236},
};

constexpr uint8_t kSourceNode = 1;
constexpr uint8_t kTargetNode = 2;
constexpr uint8_t kTableRows = 3;

// Every block of the source differs from the simulator's defaults, so a block that is not
// carried across shows up.
void MakeSource(sim::GaugeSimulator& gauge, const TFamily& family) {
    for (uint8_t k = 0; k < 4; ++k)
        gauge.SetBlock(0x10,
                       Concat({BE16(static_cast<uint16_t>(1111 * (k + 1))),
                               {1, static_cast<uint8_t>(k % 2)},
                               BE16(static_cast<uint16_t>(300 + k))}),
                       k);
    gauge.SetBlock(0x11, Concat({BE32(123), BE16(17)}));
    gauge.SetBlock(0x12, Concat({BE32(98765), BE16(999)}));
    gauge.SetBlock(0x13, {0, 1});
    // Display disabled here; the bytes at 3 and 4 have no name but travel with the record.
    gauge.SetBlock(0x14, Concat({{0, 6, 3, 0xAB, 0xCD, 200, 0}, BE16(1234)}));
    gauge.SetBlock(0x15, {'S', 'O', 'U', 'R', 'C', 'E', ' ', 'T', 'A', 'N', 'K'});
    gauge.SetBlock(
        0x16,
        Concat({{5, 1}, BE16(950), BE32(6000), BE32(2500), BE32(2400), BE32(1200), BE32(300)}));
    gauge.SetBlock(0x17, Concat({BE16(811), BE16(4011)}));
    gauge.SetBlock(0x18, BE16(4321));
    gauge.SetBlock(0x22, {1});
    gauge.SetBlock(0x1C, {kTableRows});
    for (uint8_t row = 0; row < kTableRows; ++row)
        gauge.SetBlock(0x1D, Concat({BE32(1000u * row), BE32(250000u * row + 7)}), row);
    if (family.extended) {
        gauge.SetBlock(0x27, BE16(777));
        gauge.SetBlock(0x28, BE32(25));
        gauge.SetBlock(0x29, {80});
        gauge.SetBlock(0x2A, {7});
        gauge.SetBlock(0x2B, BE32(99999));
    }
}

struct TBlockRef {
    uint8_t code;
    uint8_t argument;
};

// The blocks a file carries to the gauge, by family.
std::vector<TBlockRef> CarriedBlocks(const TFamily& family) {
    std::vector<TBlockRef> blocks = {{0x10, 0}, {0x10, 1}, {0x10, 2}, {0x10, 3},
                                     {0x11, 0}, {0x12, 0}, {0x13, 0}, {0x15, 0},
                                     {0x16, 0}, {0x1C, 0}, {0x22, 0}};
    for (uint8_t row = 0; row < kTableRows; ++row)
        blocks.push_back({0x1D, row});
    if (family.extended)
        blocks.push_back({0x28, 0});
    if (family.is8310) {
        blocks.push_back({0x29, 0});
        blocks.push_back({0x2A, 0});
    }
    if (family.flowScaling)
        blocks.push_back({0x27, 0});
    return blocks;
}

// What the gauge must keep of its own: its node ID, test mode timeout, calibration (which no
// file holds) and, for an extended gauge, the read-only safe capacity in litres.
std::vector<uint8_t> KeptBlocks(const TFamily& family) {
    std::vector<uint8_t> kept = {0x1B, 0x18, 0x17, 0x20};
    if (family.extended)
        kept.push_back(0x2B);
    return kept;
}

Bytes ExpectedWrites(const TFamily& family) {
    Bytes writes = {0xA0, 0xA0, 0xA0, 0xA0, 0xA1, 0xA2, 0xA3, 0xA5, 0xA6, 0xAD, 0xA4, 0xAA};
    writes.insert(writes.end(), kTableRows, 0xAB);
    if (family.extended)
        writes.push_back(0xB2);
    if (family.flowScaling)
        writes.push_back(0xB1);
    if (family.is8310) {
        writes.push_back(0xB3);
        writes.push_back(0xB4);
    }
    return writes;
}

TEST(CliClone, AReadSavedAndWrittenToASecondGaugeCarriesEverySettingTheFileHolds) {
    TConfigHome home;
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    std::vector<std::unique_ptr<sim::GaugeSimulator>> sources;
    std::vector<std::unique_ptr<sim::GaugeSimulator>> targets;
    std::vector<QString> saved;
    std::vector<QStringList> reads;
    for (const TFamily& family : kFamilies) {
        sources.push_back(StartSim(family.model, family.pcid, kSourceNode));
        targets.push_back(StartSim(family.model, family.pcid, kTargetNode));
        ASSERT_TRUE(sources.back() && targets.back());
        MakeSource(*sources.back(), family);
        saved.push_back(files.filePath(QString("%1-%2.TLS").arg(family.model, family.pcid)));
        reads.push_back(Target(*sources.back(), kSourceNode) << "read"
                                                             << "--save" << saved.back());
    }
    const std::vector<TRun> readRuns = RunAll(reads, home);
    for (size_t f = 0; f < std::size(kFamilies); ++f) {
        ASSERT_EQ(readRuns[f].exitCode, 0) << readRuns[f].err;
        EXPECT_EQ(QFileInfo(saved[f]).size(), static_cast<qint64>(kFamilies[f].fileSize))
            << "the format follows the family";
    }

    // The files that do not fit a gauge go out in the same round as the good ones.
    const QString shortFile = files.filePath("short.TLS");
    WriteFile(shortFile, ReadFile(saved[2]).substr(0, 100));
    const QString missing = files.filePath("missing.TLS");
    const struct {
        const char* what;
        const char* model;
        const char* pcid;
        QString file;
        const char* message;
    } refused[] = {
        {"a short file", "T8310", "5", shortFile, ": not a settings file for a T8310"},
        {"a format 2 file for an extended gauge", "T8310", "5", saved[0],
         ": not a settings file for a T8310 (a format 3 file of 1236 bytes)"},
        {"a format 3 file for a standard gauge", "T7310", "3", saved[2],
         ": not a settings file for a T7310 (a format 2 file of 900 bytes)"},
        {"a missing file", "T8310", "5", missing, "cannot read "},
    };
    std::vector<std::unique_ptr<sim::GaugeSimulator>> untouched;
    std::vector<QStringList> writes;
    std::vector<std::map<uint8_t, Bytes>> before(std::size(kFamilies));
    for (size_t f = 0; f < std::size(kFamilies); ++f) {
        for (uint8_t code : KeptBlocks(kFamilies[f]))
            before[f][code] = targets[f]->Block(code);
        before[f][0x14] = targets[f]->Block(0x14);
        writes.push_back(Target(*targets[f], kTargetNode) << "write" << saved[f]);
    }
    for (const auto& r : refused) {
        untouched.push_back(StartSim(r.model, r.pcid, kTargetNode));
        ASSERT_TRUE(untouched.back());
        writes.push_back(Target(*untouched.back(), kTargetNode) << "write" << r.file);
    }
    const std::vector<TRun> writeRuns = RunAll(writes, home);

    for (size_t f = 0; f < std::size(kFamilies); ++f) {
        const TFamily& family = kFamilies[f];
        SCOPED_TRACE(std::string(family.model) + " " + family.pcid);
        const sim::GaugeSimulator& source = *sources[f];
        const sim::GaugeSimulator& target = *targets[f];
        ASSERT_EQ(writeRuns[f].exitCode, 0) << writeRuns[f].err;
        EXPECT_EQ(writeRuns[f].err, "");
        EXPECT_EQ(Writes(target), ExpectedWrites(family));
        for (const TBlockRef& block : CarriedBlocks(family))
            EXPECT_EQ(target.Block(block.code, block.argument),
                      source.Block(block.code, block.argument))
                << std::hex << "block 0x" << int(block.code) << " argument " << int(block.argument);
        for (uint8_t code : KeptBlocks(family))
            EXPECT_EQ(target.Block(code), before[f][code])
                << std::hex << "kept block 0x" << int(code);
        const Bytes display = target.Block(0x14);
        const Bytes sourceDisplay = source.Block(0x14);
        ASSERT_EQ(display.size(), sourceDisplay.size());
        EXPECT_EQ(display[0], before[f][0x14][0]) << "Display Enabled stays the gauge's own";
        EXPECT_EQ(Bytes(display.begin() + 1, display.end()),
                  Bytes(sourceDisplay.begin() + 1, sourceDisplay.end()));
        EXPECT_EQ(target.Node(), kTargetNode);
    }
    for (size_t r = 0; r < std::size(refused); ++r) {
        const TRun& run = writeRuns[std::size(kFamilies) + r];
        SCOPED_TRACE(refused[r].what);
        EXPECT_EQ(run.exitCode, 4) << run.err;
        EXPECT_NE(run.err.find(refused[r].file.toStdString()), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(refused[r].message), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_TRUE(Writes(*untouched[r]).empty());
    }
    EXPECT_TRUE(untouched.back()->Instructions().empty())
        << "a missing file is found before the gauge is bothered";
}

} // namespace
