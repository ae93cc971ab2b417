// SPDX-License-Identifier: GPL-3.0-or-later
#include "ByteOrder.h"
#include "TankTableCsv.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

namespace {

const std::string kEmptyTable =
    "Can not write an empty table.  You must have at least two pairs in "
    "the table.\nPlease insert some points.";
const std::string kEmptyCell = "There can not be empty cells in the table.";

std::string OrderMessage(int row) {
    return "Values must escalate in asceding order.\nThis value [line" + std::to_string(row) +
           "] must be greater than the value above it";
}

std::string NotInFormat(const std::string& line, int index) {
    return "Error with text:\n" + line + " [line " + std::to_string(index) +
           "]\n\nNot in the format Height,Volume";
}

uint32_t StoredHeight(const TTankTable& table, size_t row) {
    return GetBE32(table.data() + img::TableRowsOffset + row * img::TableRowSize +
                   img::TableRowHeight);
}

uint32_t StoredVolume(const TTankTable& table, size_t row) {
    return GetBE32(table.data() + img::TableRowsOffset + row * img::TableRowSize +
                   img::TableRowVolume);
}

std::string ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll().toStdString();
}

void WriteAll(const QString& path, const std::string& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.data(), static_cast<qint64>(text.size()));
}

TEST(TankTableCsv, FormatThousandthsShowsASigned32BitNumberExactly) {
    const struct {
        uint32_t stored;
        const char* text;
    } cases[] = {
        {2345, "2.345"},
        {250000, "250.000"},
        {0, "0.000"},
        {1, "0.001"},
        {0xFFFFFFFFu, "-0.001"},
        // Large values are shown as stored, not through single precision.
        {16384001, "16384.001"},
        {1234567891, "1234567.891"},
        {2147483647u, "2147483.647"},
        {0x80000000u, "-2147483.648"},
        {static_cast<uint32_t>(-1000), "-1.000"},
        {static_cast<uint32_t>(-999), "-0.999"},
        {1000010, "1000.010"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatThousandths(c.stored), c.text) << c.stored;
}

TEST(TankTableCsv, ParseThousandthsRoundsHalfAwayFromZeroAndKeepsTheLow32Bits) {
    const struct {
        const char* text;
        uint32_t stored;
    } cases[] = {
        {"1.2345", 1235},
        {"0.0004", 0},
        {"2.345", 2345},
        {"250", 250000},
        {"0", 0},
        {" 1.5 ", 1500},
        {"1e3", 1000000},
        {"-1", static_cast<uint32_t>(-1000)},
        {"-0.0005", static_cast<uint32_t>(-1)},
        {"-0.0004", 0},
        {"2147483.647", 2147483647u},
        {"1e12", static_cast<uint32_t>(1000000000000000ULL)},
        {"abc", 0},
        {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseThousandths(c.text), c.stored) << c.text;
}

TEST(TankTableCsv, IsNumberAcceptsOnlyPlainDecimalNumbersWithAFullStop) {
    const struct {
        const char* text;
        bool number;
    } cases[] = {
        {"1", true},     {"-0", true},   {".5", true},     {"5.", true},    {"1e-3", true},
        {" 2.5 ", true}, {"", false},    {"abc", false},   {"1,5", false},  {"1e", false},
        {"inf", false},  {"nan", false}, {"1e400", false}, {"0x10", false}, {"1.2.3", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsNumber(c.text), c.number) << '"' << c.text << '"';
}

TEST(TankTableCsv, SplitCsvLineWantsExactlyOneCommaAndTrimsBothFields) {
    const struct {
        const char* line;
        bool ok;
        const char* height;
        const char* volume;
    } cases[] = {
        {"1,2", true, "1", "2"},
        {" height , VOLUME ", true, "height", "VOLUME"},
        {"\t1.5,\x01 2\x7f", true, "1.5", "2\x7f"},
        {",", true, "", ""},
        {"1,2,3", false, "", ""},
        {"12", false, "", ""},
        {"", false, "", ""},
    };
    for (const auto& c : cases) {
        std::string height = "unset";
        std::string volume = "unset";
        EXPECT_EQ(SplitCsvLine(c.line, height, volume), c.ok) << c.line;
        if (c.ok) {
            EXPECT_EQ(height, c.height) << c.line;
            EXPECT_EQ(volume, c.volume) << c.line;
        }
    }
}

TEST(TankTableCsv, StoreTableReportsTheFirstFaultAndTheCellThatHasIt) {
    const struct {
        const char* what;
        TTableRows rows;
        std::string message;
        int row;
        int column;
    } cases[] = {
        {"no rows", {}, kEmptyTable, 0, 0},
        {"all cells empty", {{"", ""}, {"", ""}, {"", ""}}, kEmptyTable, 0, 0},
        {"one point", {{"1", "2"}, {"", ""}}, kEmptyTable, 0, 0},
        {"a volume alone on row 5",
         {{"0", "0"}, {"1", "1"}, {"2", "2"}, {"", ""}, {"", "4"}},
         kEmptyCell,
         5,
         kTableHeightColumn},
        {"the highest empty cell wins",
         {{"0", "0"}, {"1", ""}, {"2", "2"}, {"3", ""}},
         kEmptyCell,
         4,
         kTableVolumeColumn},
        {"height before volume in one row",
         {{"0", "0"}, {"", ""}, {"2", "2"}},
         kEmptyCell,
         2,
         kTableHeightColumn},
        {"text in a cell",
         {{"0", "0"}, {"abc", "1"}},
         "abc is not a valid floating point number.",
         2,
         kTableHeightColumn},
        {"a negative volume",
         {{"0", "0"}, {"1", "-1"}},
         "-1 must be a positive number.",
         2,
         kTableVolumeColumn},
        {"numbers are checked before the order",
         {{"5", "5"}, {"1", "1"}, {"2", "x"}},
         "x is not a valid floating point number.",
         3,
         kTableVolumeColumn},
        {"a value that does not fit",
         {{"0", "0"}, {"1", "2147483.648"}},
         "2147483.648 is too large. The largest value is 2147483.647",
         2,
         kTableVolumeColumn},
        {"a value that would wrap to zero",
         {{"4294967.296", "0"}, {"5000000", "1"}},
         "4294967.296 is too large. The largest value is 2147483.647",
         1,
         kTableHeightColumn},
        {"a value beyond any conversion",
         {{"0", "0"}, {"1e306", "1e306"}},
         "1e306 is too large. The largest value is 2147483.647",
         2,
         kTableHeightColumn},
        {"heights falling", {{"1", "0"}, {"0.5", "1"}}, OrderMessage(2), 2, kTableHeightColumn},
        {"volumes falling",
         {{"0", "0"}, {"1", "5"}, {"2", "4"}},
         OrderMessage(3),
         3,
         kTableVolumeColumn},
        {"order uses the typed numbers, not the rounded ones",
         {{"1.0004", "0"}, {"1.0001", "1"}},
         OrderMessage(2),
         2,
         kTableHeightColumn},
    };
    for (const auto& c : cases) {
        TTankTable table;
        table.fill(0xAA);
        const TTankTable before = table;
        TTableFault fault;
        EXPECT_FALSE(StoreTable(c.rows, table, &fault)) << c.what;
        EXPECT_EQ(fault.Message, c.message) << c.what;
        EXPECT_EQ(fault.Row, c.row) << c.what;
        EXPECT_EQ(fault.Column, c.column) << c.what;
        EXPECT_EQ(table, before) << c.what << ": a failed check must not touch the table";
    }
}

TEST(TankTableCsv, StoreTableWritesTheRowsInUseAndLeavesTheRestAlone) {
    const struct {
        const char* what;
        TTableRows rows;
        std::vector<std::pair<uint32_t, uint32_t>> stored;
    } cases[] = {
        {"equal neighbours pass",
         {{"1", "0"}, {"1", "0"}, {"2", "3"}},
         {{1000, 0}, {1000, 0}, {2000, 3000}}},
        {"a first point of zero and rounding",
         {{"0", "0"}, {"1.2345", "250"}},
         {{0, 0}, {1235, 250000}}},
        {"empty rows after the last point are ignored",
         {{"0", "0"}, {"1", "1"}, {"", ""}, {"", ""}},
         {{0, 0}, {1000, 1000}}},
    };
    for (const auto& c : cases) {
        TTankTable table;
        table.fill(0xAA);
        TTableFault fault;
        ASSERT_TRUE(StoreTable(c.rows, table, &fault)) << c.what << ": " << fault.Message;
        EXPECT_EQ(table[img::TableSizeOffset], c.stored.size()) << c.what;
        for (size_t i = 0; i < c.stored.size(); ++i) {
            EXPECT_EQ(StoredHeight(table, i), c.stored[i].first) << c.what << " row " << i;
            EXPECT_EQ(StoredVolume(table, i), c.stored[i].second) << c.what << " row " << i;
        }
        EXPECT_EQ(StoredHeight(table, c.stored.size()), 0xAAAAAAAAu) << c.what;
        EXPECT_EQ(table[img::TankTableSize - 1], 0xAA) << c.what;
    }

    TTableRows full(100, {"1", "1"});
    TTankTable table{};
    EXPECT_TRUE(StoreTable(full, table));
    EXPECT_EQ(table[img::TableSizeOffset], 100);
    full.push_back({"1", "1"});
    TTableFault fault;
    EXPECT_FALSE(StoreTable(full, table, &fault));
    EXPECT_EQ(fault.Message, "Too many data points. Maximum size = 100 points");
}

TEST(TankTableCsv, LoadTableShowsAtMostTheHundredRowsATableHolds) {
    TTankTable table{};
    for (size_t i = 0; i < img::TableRows; ++i) {
        uint8_t* row = table.data() + img::TableRowsOffset + i * img::TableRowSize;
        PutBE32(row + img::TableRowHeight, static_cast<uint32_t>(i * 1500));
        PutBE32(row + img::TableRowVolume, 250000);
    }
    table[img::TableSizeOffset] = 3;
    TTableRows rows = LoadTable(table);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].Height, "3.000");
    EXPECT_EQ(rows[2].Volume, "250.000");
    // A size byte from a confused gauge must not read past the rows.
    table[img::TableSizeOffset] = 200;
    EXPECT_EQ(LoadTable(table).size(), 100u);
    table[img::TableSizeOffset] = 0;
    EXPECT_TRUE(LoadTable(table).empty());
}

std::string Lines(int first, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += std::to_string(first + i) + "," + std::to_string(first + i) + "\r\n";
    return text;
}

TEST(TankTableCsv, ImportCsvTextNamesTheFirstFaultWithItsLine) {
    const struct {
        const char* what;
        std::string text;
        std::string message;
    } cases[] = {
        {"an empty file", "", "Empty file"},
        {"a lone line break", "\n", NotInFormat("", 0)},
        {"a first line without a comma", "abc\r\n1,2\r\n", NotInFormat("abc", 0)},
        {"a first line with two commas", "1,2,3", NotInFormat("1,2,3", 0)},
        {"a wrong height title", "Level,Volume\r\n1,2\r\n",
         "Height column must be titled 'Height'"},
        {"a wrong volume title", "Height,Litres\r\n1,2\r\n",
         "Volume column must be titled 'Volume'"},
        {"half a number is a header", "0,abc\r\n1,2\r\n", "Height column must be titled 'Height'"},
        {"only the header", "Height,Volume\r\n", "No points found in file"},
        {"101 points after a header", "Height,Volume\r\n" + Lines(0, 101),
         "Too many data points. Maximum size = 100 points"},
        {"101 points without a header", Lines(0, 101),
         "Too many data points. Maximum size = 100 points"},
        {"a blank line between points", "Height,Volume\r\n1,2\r\n\r\n3,4\r\n", NotInFormat("", 2)},
        {"a line of three fields", "Height,Volume\n1,2\n1,2,3\n", NotInFormat("1,2,3", 2)},
        {"a height that is text", "Height,Volume\nabc,2\n",
         "abc is not a valid floating point number [line 1]"},
        {"a volume that is text", "0,0\n1, x \n",
         "x is not a valid floating point number [line 1]"},
        {"an empty volume", "0,0\r1,\r", " is not a valid floating point number [line 1]"},
        {"a height that does not fit", "Height,Volume\n0,0\n4294967.296,1\n",
         "4294967.296 is too large. The largest value is 2147483.647 [line 2]"},
        {"a volume that does not fit", "0,0\n1,1e306\n",
         "1e306 is too large. The largest value is 2147483.647 [line 1]"},
        {"a negative value that would wrap to a positive one", "0,0\n1,-3000000\n",
         "-3000000 must be a positive number [line 1]"},
        {"quotes around a field with a comma in it", "\"Height\",\"Volume\"\n\"1,5\",2\n",
         "1,5 is not a valid floating point number [line 1]"},
        {"lines ended by CR alone count too", "0,0\r1,1\rbad\r", NotInFormat("bad", 2)},
    };
    for (const auto& c : cases) {
        const TCsvImport result = ImportCsvText(c.text);
        EXPECT_FALSE(result.Ok) << c.what;
        EXPECT_EQ(result.Fault.Message, c.message) << c.what;
        EXPECT_TRUE(result.Rows.empty()) << c.what << ": no partial table";
    }
}

TEST(TankTableCsv, ImportCsvTextReadsPointsAsTheGridWouldShowThem) {
    const struct {
        const char* what;
        std::string text;
        TTableRows rows;
    } cases[] = {
        {"no header, first line 0,0",
         "0,0\r\n1.5,250\r\n",
         {{"0.000", "0.000"}, {"1.500", "250.000"}}},
        {"a header in any case with blanks", "height , VOLUME\n1,2", {{"1.000", "2.000"}}},
        {"values rounded to thousandths", "Height,Volume\n1.23456,0.0004\n", {{"1.235", "0.000"}}},
        {"LF, CR and CR LF mixed",
         "0,0\n1,1\r2,2\r\n3,3",
         {{"0.000", "0.000"}, {"1.000", "1.000"}, {"2.000", "2.000"}, {"3.000", "3.000"}}},
        // Order and signs are StoreTable's business, not the import's.
        {"a falling table", "2,2\n1,1\n", {{"2.000", "2.000"}, {"1.000", "1.000"}}},
        {"a negative value is rounded away from zero", "0,-1\n", {{"0.000", "-1.000"}}},
        {"a spreadsheet's CSV UTF-8 with quoted fields",
         "\xEF\xBB\xBF\"Height\",\"Volume\"\r\n\"0\",\"0\"\r\n\" 1.5\",\"2147483.647\"\r\n",
         {{"0.000", "0.000"}, {"1.500", "2147483.647"}}},
        {"a byte-order mark before a point",
         "\xEF\xBB\xBF"
         "0,0\n",
         {{"0.000", "0.000"}}},
    };
    for (const auto& c : cases) {
        const TCsvImport result = ImportCsvText(c.text);
        ASSERT_TRUE(result.Ok) << c.what << ": " << result.Fault.Message;
        ASSERT_EQ(result.Rows.size(), c.rows.size()) << c.what;
        for (size_t i = 0; i < c.rows.size(); ++i) {
            EXPECT_EQ(result.Rows[i].Height, c.rows[i].Height) << c.what << " row " << i;
            EXPECT_EQ(result.Rows[i].Volume, c.rows[i].Volume) << c.what << " row " << i;
        }
    }
    EXPECT_EQ(ImportCsvText("Height,Volume\r\n" + Lines(0, 100)).Rows.size(), 100u);
    EXPECT_EQ(ImportCsvText(Lines(0, 100)).Rows.size(), 100u);
}

TEST(TankTableCsv, ExportThenImportGivesTheSameTableRoundedToThousandths) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("table.csv");
    const TTableRows typed = {{"0", "0"}, {"1.23456", "250"}, {"2.0004", "1000.5"}};
    TTableFault fault;
    ASSERT_TRUE(ExportCsv(path.toStdString(), typed, &fault)) << fault.Message;
    EXPECT_EQ(ReadAll(path), "Height,Volume\r\n0.000,0.000\r\n1.235,250.000\r\n2.000,1000.500\r\n");

    const TCsvImport imported = ImportCsv(path.toStdString());
    ASSERT_TRUE(imported.Ok) << imported.Fault.Message;
    TTankTable once{};
    TTankTable twice{};
    ASSERT_TRUE(StoreTable(typed, once));
    ASSERT_TRUE(StoreTable(imported.Rows, twice));
    EXPECT_EQ(once, twice);
    EXPECT_EQ(ExportCsvText(twice), ReadAll(path));
}

TEST(TankTableCsv, ExportLeavesTheFileAloneWhenTheTableOrTheFileFails) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("kept.csv");
    WriteAll(path, "old contents");

    TTableFault fault;
    EXPECT_FALSE(ExportCsv(path.toStdString(), {{"1", "1"}, {"0", "2"}}, &fault));
    EXPECT_EQ(fault.Message, OrderMessage(2));
    EXPECT_FALSE(fault.FileError);
    EXPECT_EQ(ReadAll(path), "old contents");

    fault = {};
    const std::string missing = dir.filePath("no/such/folder/t.csv").toStdString();
    EXPECT_FALSE(ExportCsv(missing, {{"0", "0"}, {"1", "1"}}, &fault));
    EXPECT_TRUE(fault.FileError);
    EXPECT_FALSE(fault.Message.empty());

    ASSERT_TRUE(ExportCsv(path.toStdString(), {{"0", "0"}, {"1", "1"}}));
    EXPECT_EQ(ReadAll(path), "Height,Volume\r\n0.000,0.000\r\n1.000,1.000\r\n");
}

TEST(TankTableCsv, ImportCsvReportsFilesThatCannotBeReadWithoutBlocking) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fifo = dir.filePath("pipe.csv");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const QString big = dir.filePath("big.csv");
    WriteAll(big, std::string(2 << 20, ' '));

    const struct {
        const char* what;
        QString path;
    } cases[] = {
        {"a missing file", dir.filePath("missing.csv")},
        {"a folder", dir.path()},
        {"a FIFO nobody writes to", fifo},
        {"a file far too large for a table", big},
    };
    for (const auto& c : cases) {
        const TCsvImport result = ImportCsv(c.path.toStdString());
        EXPECT_FALSE(result.Ok) << c.what;
        EXPECT_TRUE(result.Fault.FileError) << c.what;
        EXPECT_FALSE(result.Fault.Message.empty()) << c.what;
    }
}

} // namespace
