// SPDX-License-Identifier: GPL-3.0-or-later
// The tank table transfer: one row per request, progress percentages, sizes at the edges.
#include "DeviceFixture.h"

#include "ByteOrder.h"

using namespace devtest;

namespace {

// Row i of a test table: height 1000 x (i + 1), volume 250 x i + 7.
Bytes RowBytes(size_t i) {
    Bytes row(8);
    PutBE32(row.data(), static_cast<uint32_t>(1000 * (i + 1)));
    PutBE32(row.data() + 4, static_cast<uint32_t>(250 * i + 7));
    return row;
}

std::vector<int> Progress(const EventLog& log) {
    std::vector<int> out;
    for (const std::string& e : log.Only("TableProgress "))
        out.push_back(std::stoi(e.substr(14)));
    return out;
}

class T7310Table : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.started) << rig.error;
        ASSERT_TRUE(rig.Connect());
        rig.ClearSent();
        rig.log.Clear();
    }
    void GiveGaugeTable(size_t size) {
        rig.sim.SetBlock(0x1C, {static_cast<uint8_t>(size)});
        for (size_t i = 0; i < std::min<size_t>(size, 100); ++i)
            rig.sim.SetBlock(0x1D, RowBytes(i), static_cast<uint8_t>(i));
    }
    Rig rig;
};

TEST_F(T7310Table, ReadTankTableReadsEachRowAndReportsProgress) {
    struct Case {
        size_t size;
        std::vector<int> progress;
    } cases[] = {
        {0, {0, 100}},
        {1, {0, 0, 100}},
        {3, {0, 0, 33, 66, 100}},
        {4, {0, 0, 25, 50, 75, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("size " + std::to_string(c.size));
        GiveGaugeTable(c.size);
        rig.ClearSent();
        rig.log.Clear();
        ASSERT_TRUE(rig.device.ReadTankTable());
        std::string sent = "1C";
        for (size_t i = 0; i < c.size; ++i)
            sent += " 1D";
        EXPECT_EQ(Hex(rig.Sent()), sent);
        EXPECT_EQ(Progress(rig.log), c.progress);
        EXPECT_EQ(rig.log.entries.back(), "TankTable");
        EXPECT_EQ(rig.device.Image.TableSize(), c.size);
        for (size_t i = 0; i < c.size; ++i) {
            const uint8_t* row = rig.device.Image.TableRow(i);
            EXPECT_EQ(Hex(Bytes(row, row + 8)), Hex(RowBytes(i))) << "row " << i;
            // Each row is asked for on its own: start i, count 1.
            const Bytes frame = rig.sim.Frames()[1 + i];
            EXPECT_EQ(frame[4], i);
            EXPECT_EQ(frame[5], 1);
        }
    }
}

TEST_F(T7310Table, ProgressIsComputedInSinglePrecision) {
    GiveGaugeTable(50);
    ASSERT_TRUE(rig.device.ReadTankTable());
    const std::vector<int> progress = Progress(rig.log);
    ASSERT_EQ(progress.size(), 52u);
    EXPECT_EQ(progress[1 + 1], 2);
    EXPECT_EQ(progress[1 + 25], 50);
    // 29 / 50 x 100 is 57.99999... in double precision but 58 in single.
    EXPECT_EQ(progress[1 + 29], 58);
    EXPECT_EQ(progress[1 + 49], 98);
    EXPECT_EQ(progress.back(), 100);
}

TEST_F(T7310Table, WriteTankTableWritesSizeThenEachRow) {
    TDeviceImage& im = rig.device.Image;
    im.TankTable[img::TableSizeOffset] = 3;
    for (size_t i = 0; i < 3; ++i) {
        const Bytes row = RowBytes(i + 10);
        std::copy(row.begin(), row.end(), im.TableRow(i));
    }
    ASSERT_TRUE(rig.device.WriteTankTable());
    EXPECT_EQ(Hex(rig.Sent()), "AA AB AB AB");
    EXPECT_EQ(Progress(rig.log), (std::vector<int>{0, 0, 33, 66, 100}));
    EXPECT_EQ(Hex(rig.sim.Block(0x1C)), "03");
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(Hex(rig.sim.Block(0x1D, static_cast<uint8_t>(i))), Hex(RowBytes(i + 10)));
    // Every row is a write of its own, with its own progress events.
    EXPECT_EQ(rig.log.Only("WritingSetting Table Data").size(), 3u);
    EXPECT_EQ(rig.log.Only("SettingWritten Table Data").size(), 3u);
    EXPECT_EQ(rig.log.Only("WritingSetting Table Size").size(), 1u);
    EXPECT_TRUE(rig.log.Only("TankTable").empty());
}

TEST_F(T7310Table, FailuresEndTheTransferWithFullProgressAndNoTableEvent) {
    struct Case {
        const char* what;
        uint8_t code;
        bool write;
        const char* sent;
    } cases[] = {
        {"size read", 0x1C, false, "1C"},
        {"row read", 0x1D, false, "1C 1D"},
        {"size write", 0xAA, true, "AA"},
        {"row write", 0xAB, true, "AA AB"},
    };
    GiveGaugeTable(3);
    rig.device.Image.TankTable[img::TableSizeOffset] = 3;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rig.sim.ClearFaults();
        rig.sim.SetFault(c.code, sim::Fault::Nack);
        rig.ClearSent();
        rig.log.Clear();
        EXPECT_FALSE(c.write ? rig.device.WriteTankTable() : rig.device.ReadTankTable());
        EXPECT_EQ(Hex(rig.Sent()), c.sent);
        EXPECT_EQ(Progress(rig.log), (std::vector<int>{0, 100}));
        EXPECT_TRUE(rig.log.Only("TankTable").empty());
    }
}

TEST_F(T7310Table, TableLargerThanAHundredRowsFailsAtRowOneHundred) {
    GiveGaugeTable(101);
    EXPECT_FALSE(rig.device.ReadTankTable());
    const Bytes sent = rig.Sent();
    ASSERT_EQ(sent.size(), 101u); // the size, then rows 0 to 99
    EXPECT_EQ(std::count(sent.begin(), sent.end(), 0x1D), 100);
    EXPECT_EQ(Progress(rig.log).back(), 100);
    EXPECT_TRUE(rig.log.Only("TankTable").empty());
}

} // namespace
