// SPDX-License-Identifier: GPL-3.0-or-later
// The tank table in blocks of rows with fast transfers: the same table and progress as row by
// row, one probe per direction and connection, and the fall-back to single rows for a gauge
// that takes one row whatever the count.
#include "DeviceFixture.h"

#include "ByteOrder.h"
#include "SerialPacket.h"

#include <utility>

using namespace devtest;

namespace {

// Row i of a table: height 1000 x (i + 1) + salt, volume 250 x i + 7 + salt.
Bytes RowBytes(size_t i, uint32_t salt = 0) {
    Bytes row(8);
    PutBE32(row.data(), static_cast<uint32_t>(1000 * (i + 1)) + salt);
    PutBE32(row.data() + 4, static_cast<uint32_t>(250 * i + 7) + salt);
    return row;
}

void GiveGaugeTable(sim::GaugeSimulator& sim, size_t size, uint32_t salt = 0) {
    sim.SetBlock(0x1C, {static_cast<uint8_t>(size)});
    for (size_t i = 0; i < img::TableRows; ++i)
        sim.SetBlock(0x1D, RowBytes(i, salt), static_cast<uint8_t>(i));
}

void FillImageTable(TDeviceImage& image, size_t size, uint32_t salt) {
    image.TankTable[img::TableSizeOffset] = static_cast<uint8_t>(size);
    for (size_t i = 0; i < img::TableRows; ++i) {
        const Bytes row = RowBytes(i, salt);
        std::copy(row.begin(), row.end(), image.TableRow(i));
    }
}

// The gauge's rows 0 .. size - 1, as one string of hex.
std::string GaugeRows(const sim::GaugeSimulator& sim, size_t size) {
    Bytes rows;
    for (size_t i = 0; i < size; ++i) {
        const Bytes row = sim.Block(0x1D, static_cast<uint8_t>(i));
        rows.insert(rows.end(), row.begin(), row.end());
    }
    return Hex(rows);
}

std::string ImageRows(const TDeviceImage& image, size_t size) {
    const uint8_t* rows = image.TableRow(0);
    return Hex(Bytes(rows, rows + size * img::TableRowSize));
}

// The (start, count) of every table row request (1D or AB) the gauge received.
std::vector<std::pair<int, int>> RowRequests(const sim::GaugeSimulator& sim, uint8_t code) {
    std::vector<std::pair<int, int>> out;
    for (const Bytes& frame : sim.Frames())
        if (frame.size() > 5 && frame[2] == code)
            out.emplace_back(frame[4], frame[5]);
    return out;
}

std::vector<std::pair<int, int>> Blocks(size_t start, size_t size, size_t per) {
    std::vector<std::pair<int, int>> out;
    for (size_t i = start; i < size; i += per)
        out.emplace_back(static_cast<int>(i), static_cast<int>(std::min(per, size - i)));
    return out;
}

std::vector<int> Progress(const EventLog& log) {
    std::vector<int> out;
    for (const std::string& e : log.Only("TableProgress "))
        out.push_back(std::stoi(e.substr(14)));
    return out;
}

struct Rigged {
    explicit Rigged(bool fast) {
        rig.device.Link().FastTransfers = fast;
        ok = rig.started && rig.Connect();
        rig.ClearSent();
        rig.log.Clear();
    }
    Rig rig;
    bool ok = false;
};

const std::string kSaid = std::string("RowByRow ") + T7310::kRowByRowText;

TEST(T7310TableBlocks, FastTablesMoveInBlocksWithTheSameRowsAsStandard) {
    struct Case {
        size_t size;
        std::vector<int> fastProgress; // standard: a step per row
    } cases[] = {
        {0, {0, 100}},
        {1, {0, 0, 100}},
        {31, {0, 96, 100}},
        {32, {0, 93, 96, 100}},
        {100, {0, 30, 61, 92, 99, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("size " + std::to_string(c.size));
        for (bool fast : {false, true}) {
            SCOPED_TRACE(fast ? "fast" : "standard");
            Rigged r(fast);
            ASSERT_TRUE(r.ok) << r.rig.error;
            const size_t per = fast ? T7310::kTableBlockRows : 1;

            GiveGaugeTable(r.rig.sim, c.size, 3);
            ASSERT_TRUE(r.rig.device.ReadTankTable());
            EXPECT_EQ(ImageRows(r.rig.device.Image, c.size), GaugeRows(r.rig.sim, c.size));
            EXPECT_EQ(RowRequests(r.rig.sim, 0x1D), Blocks(0, c.size, per));
            if (fast)
                EXPECT_EQ(Progress(r.rig.log), c.fastProgress);
            else
                EXPECT_EQ(Progress(r.rig.log).size(), c.size + 2);
            EXPECT_EQ(r.rig.log.Only("TankTable").size(), 1u);

            r.rig.ClearSent();
            r.rig.log.Clear();
            FillImageTable(r.rig.device.Image, c.size, 77);
            ASSERT_TRUE(r.rig.device.WriteTankTable());
            EXPECT_EQ(GaugeRows(r.rig.sim, c.size), ImageRows(r.rig.device.Image, c.size));
            EXPECT_EQ(Hex(r.rig.sim.Block(0x1C)), Hex(Bytes{static_cast<uint8_t>(c.size)}));
            EXPECT_EQ(RowRequests(r.rig.sim, 0xAB), Blocks(0, c.size, per));
            // The first block write is read back at once, and only that one; the read of
            // that connection already showed that blocks are taken.
            const bool probed = fast && c.size > 1;
            const auto readBack = probed ? Blocks(0, std::min(c.size, per), per)
                                         : std::vector<std::pair<int, int>>{};
            EXPECT_EQ(RowRequests(r.rig.sim, 0x1D), readBack);
            const size_t blocks = Blocks(0, c.size, per).size();
            EXPECT_EQ(r.rig.log.Only("WritingSetting Table Data").size(), blocks);
            EXPECT_EQ(r.rig.log.Only("SettingWritten Table Data").size(), blocks);
            EXPECT_TRUE(r.rig.log.Only("RowByRow").empty());
        }
    }
}

TEST(T7310TableBlocks, AGaugeTakingOneRowEndsWithTheRightTableAndSaysSoOnce) {
    struct Case {
        const char* what;
        std::vector<uint8_t> singleRow; // instructions the gauge takes one row of
        bool readFirst;
    } cases[] = {
        {"reads", {0x1D}, true},
        {"writes", {0xAB}, false},
        {"writes after reads", {0xAB}, true},
        {"both", {0x1D, 0xAB}, true},
        {"both, write first", {0x1D, 0xAB}, false},
    };
    constexpr size_t kSize = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rigged r(true);
        ASSERT_TRUE(r.ok) << r.rig.error;
        T7310& d = r.rig.device;
        for (uint8_t code : c.singleRow)
            r.rig.sim.SetFault(code, sim::Fault::SingleRow);
        GiveGaugeTable(r.rig.sim, kSize, 5);
        const bool readsSingly = c.singleRow.front() == 0x1D;
        for (int pass = 0; pass < 2; ++pass) {
            SCOPED_TRACE("pass " + std::to_string(pass));
            if (c.readFirst) {
                r.rig.ClearSent();
                ASSERT_TRUE(d.ReadTankTable());
                EXPECT_EQ(ImageRows(d.Image, kSize), GaugeRows(r.rig.sim, kSize));
                // Probed once: the first block, then row by row for the rest of the
                // connection.
                auto expected = Blocks(0, kSize, 1);
                if (readsSingly && pass == 0)
                    expected.insert(expected.begin(), {0, 31});
                EXPECT_EQ(RowRequests(r.rig.sim, 0x1D),
                          readsSingly ? expected : Blocks(0, kSize, T7310::kTableBlockRows));
            }
            r.rig.ClearSent();
            FillImageTable(d.Image, kSize, 40 + static_cast<uint32_t>(pass));
            ASSERT_TRUE(d.WriteTankTable());
            EXPECT_EQ(GaugeRows(r.rig.sim, kSize), ImageRows(d.Image, kSize));
            const bool writesSingly = c.singleRow.back() == 0xAB;
            if (writesSingly && pass == 0) {
                // The first block, its read-back, then the whole table row by row.
                auto expected = Blocks(0, kSize, 1);
                expected.insert(expected.begin(), {0, 31});
                EXPECT_EQ(RowRequests(r.rig.sim, 0xAB), expected);
                EXPECT_FALSE(RowRequests(r.rig.sim, 0x1D).empty());
            } else if (writesSingly) {
                EXPECT_EQ(RowRequests(r.rig.sim, 0xAB), Blocks(0, kSize, 1));
                EXPECT_TRUE(RowRequests(r.rig.sim, 0x1D).empty());
            }
            EXPECT_EQ(d.TableWriteBlocks(), writesSingly ? T7310::TRowBlocks::SingleRows
                                                         : T7310::TRowBlocks::Blocks);
        }
        EXPECT_EQ(r.rig.log.Only("RowByRow"), std::vector<std::string>{kSaid});

        // A new connection asks the gauge again.
        r.rig.sim.ClearFaults();
        ASSERT_TRUE(r.rig.Connect());
        r.rig.ClearSent();
        r.rig.log.Clear();
        FillImageTable(d.Image, kSize, 9);
        ASSERT_TRUE(d.WriteTankTable());
        EXPECT_EQ(RowRequests(r.rig.sim, 0xAB), Blocks(0, kSize, T7310::kTableBlockRows));
        EXPECT_EQ(GaugeRows(r.rig.sim, kSize), ImageRows(d.Image, kSize));
        EXPECT_TRUE(r.rig.log.Only("RowByRow").empty());
    }
}

// A gauge that already holds the rows after the first of the probe block shows nothing by
// keeping only the first: the next block is probed, so the table still ends right.
TEST(T7310TableBlocks, AProbeThatCannotTellIsFollowedByAnother) {
    Rigged r(true);
    ASSERT_TRUE(r.ok) << r.rig.error;
    T7310& d = r.rig.device;
    constexpr size_t kSize = 100;
    GiveGaugeTable(r.rig.sim, kSize, 2);
    ASSERT_TRUE(d.ReadTankTable());
    r.rig.sim.SetFault(0xAB, sim::Fault::SingleRow);
    // Row 0 and row 40 change; rows 1 to 30 stay as the gauge holds them.
    for (size_t row : {0, 40})
        PutBE32(d.Image.TableRow(row) + img::TableRowVolume, 999999u);
    r.rig.ClearSent();
    ASSERT_TRUE(d.WriteTankTable());
    EXPECT_EQ(GaugeRows(r.rig.sim, kSize), ImageRows(d.Image, kSize));
    const auto writes = RowRequests(r.rig.sim, 0xAB);
    ASSERT_GE(writes.size(), 3u);
    EXPECT_EQ(writes[0], std::make_pair(0, 31));
    EXPECT_EQ(writes[1], std::make_pair(31, 31));
    EXPECT_EQ(RowRequests(r.rig.sim, 0x1D).size(), 2u);
    EXPECT_EQ(r.rig.log.Only("RowByRow"), std::vector<std::string>{kSaid});
}

// What a gauge of the other kind may answer to a block read: a refusal, nothing, or one row.
TEST(T7310TableBlocks, ARefusedUnansweredOrShortFirstBlockReadFallsBackToRows) {
    enum class Answer { Nack, Nothing, OneRow, BadChecksum };
    struct Case {
        const char* what;
        Answer answer;
        bool fallsBack;
    } cases[] = {
        {"refused", Answer::Nack, true},
        {"no reply", Answer::Nothing, true},
        {"one row", Answer::OneRow, true},
        {"spoilt on the line", Answer::BadChecksum, false},
    };
    constexpr uint8_t kNode = 4;
    constexpr size_t kSize = 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RawGauge gauge;
        T7310 device;
        EventLog log;
        log.Attach(device);
        device.Link().FastTransfers = true;
        ASSERT_TRUE(ConnectRaw(device, gauge, kNode, "T8310 2.10?5"));
        gauge.requests.clear();
        gauge.script = [&c](const Bytes& request) -> Bytes {
            if (request[2] == 0x1C)
                return Frame(kReplyFlags, 0x1C, {kNode, kSize});
            if (request[2] != 0x1D)
                return {};
            const size_t start = request[4];
            size_t count = request[5];
            if (count > 1) {
                switch (c.answer) {
                case Answer::Nack:
                    return Frame(0x0E, 0x1D, {kNode});
                case Answer::Nothing:
                    return {};
                case Answer::OneRow:
                    count = 1;
                    break;
                case Answer::BadChecksum: {
                    Bytes spoilt = Frame(kReplyFlags, 0x1D, {kNode, 1, 2, 3});
                    spoilt.back() ^= 0x55;
                    return spoilt;
                }
                }
            }
            Bytes data{kNode};
            for (size_t i = start; i < start + count; ++i) {
                const Bytes row = RowBytes(i, 11);
                data.insert(data.end(), row.begin(), row.end());
            }
            return Frame(kReplyFlags, 0x1D, data);
        };
        EXPECT_EQ(device.ReadTankTable(), c.fallsBack);
        std::vector<std::pair<int, int>> asked;
        for (const Bytes& r : gauge.requests)
            if (r[2] == 0x1D)
                asked.emplace_back(r[4], r[5]);
        if (c.fallsBack) {
            Bytes rows;
            for (size_t i = 0; i < kSize; ++i) {
                const Bytes row = RowBytes(i, 11);
                rows.insert(rows.end(), row.begin(), row.end());
            }
            EXPECT_EQ(ImageRows(device.Image, kSize), Hex(rows));
            auto expected = Blocks(0, kSize, 1);
            expected.insert(expected.begin(), {0, 31});
            EXPECT_EQ(asked, expected);
            EXPECT_EQ(log.Only("RowByRow"), std::vector<std::string>{kSaid});
            EXPECT_EQ(device.TableReadBlocks(), T7310::TRowBlocks::SingleRows);
        } else {
            EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{0, 31}}));
            EXPECT_TRUE(log.Only("RowByRow").empty());
            EXPECT_EQ(device.LastOutcome().Failure, TFailure::BadChecksum);
            EXPECT_EQ(device.LastOutcome().Row, 1);
        }
        device.Disconnect();
    }
}

} // namespace
