// SPDX-License-Identifier: GPL-3.0-or-later
// table-write and table-read: a CSV file round trip through a gauge, and CSV files that fail
// with their line before any gauge is touched.

#include "CliHarness.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace clitest;

namespace {

struct TPoint {
    uint32_t height;
    uint32_t volume;
};

std::vector<TPoint> GaugeTable(const sim::GaugeSimulator& gauge) {
    std::vector<TPoint> points;
    const Bytes size = gauge.Block(0x1C);
    for (uint8_t row = 0; !size.empty() && row < size[0]; ++row) {
        const Bytes bytes = gauge.Block(0x1D, row);
        auto be32 = [&](size_t at) {
            return static_cast<uint32_t>(bytes[at] << 24 | bytes[at + 1] << 16 |
                                         bytes[at + 2] << 8 | bytes[at + 3]);
        };
        points.push_back({be32(0), be32(4)});
    }
    return points;
}

bool operator==(const TPoint& a, const TPoint& b) {
    return a.height == b.height && a.volume == b.volume;
}

void PrintTo(const TPoint& point, std::ostream* os) {
    *os << "(" << point.height << ", " << point.volume << ")";
}

TEST(CliTable, ACsvFileGoesToTheGaugeAndComesBackRoundedToThousandths) {
    TConfigHome home;
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    const QString in = files.filePath("in.csv");
    // LF and CR LF mixed, a header in any case, blanks around the numbers.
    WriteFile(in, "height , VOLUME\n0,0\r\n0.5, 12.3456\r\n1.25,250\n2,600.1\n");

    auto first = StartSim("T8310");
    auto second = StartSim("T7310", "3");
    auto tiny = StartSim("T7310", "3");
    ASSERT_TRUE(first && second && tiny);
    // A gauge table written by someone else, read straight out.
    second->SetBlock(0x1C, {2});
    second->SetBlock(0x1D, Concat({BE32(0), BE32(1)}), 0);
    second->SetBlock(0x1D, Concat({BE32(1234567891u), BE32(1234567891u)}), 1);
    // A table of one point cannot be exported: the grid's own check.
    tiny->SetBlock(0x1C, {1});
    const QString fromSecond = files.filePath("second.csv");
    const QString fromTiny = files.filePath("tiny.csv");
    const std::vector<TRun> firstRound = RunAll({Target(*first, 1) << "table-write" << in,
                                                 Target(*second, 1) << "table-read" << fromSecond,
                                                 Target(*tiny, 1) << "table-read" << fromTiny},
                                                home);

    ASSERT_EQ(firstRound[0].exitCode, 0) << firstRound[0].err;
    EXPECT_EQ(firstRound[0].err, "");
    const std::vector<TPoint> written = {{0, 0}, {500, 12346}, {1250, 250000}, {2000, 600100}};
    EXPECT_EQ(GaugeTable(*first), written);
    Bytes expectedWrites = {0xAA, 0xAB, 0xAB, 0xAB, 0xAB};
    EXPECT_EQ(Writes(*first), expectedWrites) << "the table and nothing else";

    ASSERT_EQ(firstRound[1].exitCode, 0) << firstRound[1].err;
    // Thousandths shown exactly, as stored.
    EXPECT_EQ(ReadFile(fromSecond), "Height,Volume\r\n0.000,0.001\r\n1234567.891,1234567.891\r\n");

    EXPECT_EQ(firstRound[2].exitCode, 4);
    EXPECT_NE(firstRound[2].err.find("Can not write an empty table."), std::string::npos)
        << firstRound[2].err;
    EXPECT_FALSE(QFile::exists(fromTiny));

    const QString out = files.filePath("out.csv");
    const TRun back = RunOne(Target(*first, 1) << "table-read" << out, home);
    ASSERT_EQ(back.exitCode, 0) << back.err;
    EXPECT_EQ(ReadFile(out),
              "Height,Volume\r\n0.000,0.000\r\n0.500,12.346\r\n1.250,250.000\r\n2.000,600.100\r\n");
    EXPECT_EQ(Writes(*first), expectedWrites) << "table-read writes nothing";
}

std::string Points(int count) {
    std::string text = "Height,Volume\r\n";
    for (int i = 0; i < count; ++i)
        text += std::to_string(i) + "," + std::to_string(2 * i) + "\r\n";
    return text;
}

TEST(CliTable, ABadCsvFileFailsWithItsLineBeforeAnyGaugeIsTouched) {
    TConfigHome home;
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    const struct {
        const char* what;
        std::string contents;
        const char* message;
    } cases[] = {
        {"an empty file", "", "Empty file"},
        {"a blank line between points", "Height,Volume\r\n1,2\r\n\r\n3,4\r\n",
         "Error with text: [line 2] Not in the format Height,Volume"},
        {"three fields", "0,0\n1,2,3\n",
         "Error with text: 1,2,3 [line 1] Not in the format Height,Volume"},
        {"a height that is text", "Height,Volume\n0,0\nabc,2\n",
         "abc is not a valid floating point number [line 2]"},
        {"only the header", "Height,Volume\n", "No points found in file"},
        {"101 points", Points(101), "Too many data points. Maximum size = 100 points"},
        {"a wrong title", "Level,Volume\n1,2\n", "Height column must be titled 'Height'"},
        {"a value that would wrap", "Height,Volume\n0,0\n1e306,1e306\n",
         "1e306 is too large. The largest value is 2147483.647 [line 2]"},
        {"one point", "Height,Volume\n1,2\n",
         "Can not write an empty table.  You must have at least two pairs in the table. Please "
         "insert some points."},
        {"falling heights", "Height,Volume\n0,0\n2,1\n1,3\n",
         "Values must escalate in asceding order. This value [line3] must be greater than the "
         "value above it (line 3)"},
        {"falling volumes without a header", "0,5\n1,4\n",
         "Values must escalate in asceding order. This value [line2] must be greater than the "
         "value above it (line 1)"},
    };
    std::vector<std::unique_ptr<sim::GaugeSimulator>> gauges;
    std::vector<QStringList> calls;
    std::vector<QString> names;
    for (size_t i = 0; i < std::size(cases); ++i) {
        names.push_back(files.filePath(QString("case%1.csv").arg(i)));
        WriteFile(names.back(), cases[i].contents);
        gauges.push_back(StartSim("T8310"));
        ASSERT_TRUE(gauges.back());
        calls.push_back(Target(*gauges.back(), 1) << "table-write" << names.back());
    }
    // Files that cannot be read or written at all.
    gauges.push_back(StartSim("T8310"));
    gauges.push_back(StartSim("T8310"));
    ASSERT_TRUE(gauges[gauges.size() - 2] && gauges.back());
    const QString missing = files.filePath("missing.csv");
    const QString noFolder = files.filePath("no/such/folder/out.csv");
    calls.push_back(Target(*gauges[gauges.size() - 2], 1) << "table-write" << missing);
    calls.push_back(Target(*gauges.back(), 1) << "table-read" << noFolder);

    const std::vector<TRun> runs = RunAll(calls, home);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        EXPECT_EQ(runs[i].exitCode, 4) << runs[i].err;
        EXPECT_EQ(runs[i].err,
                  "t7310-cli: " + names[i].toStdString() + ": " + cases[i].message + "\n");
        EXPECT_TRUE(runs[i].out.empty());
    }
    const TRun& unreadable = runs[std::size(cases)];
    EXPECT_EQ(unreadable.exitCode, 4);
    EXPECT_EQ(unreadable.err.rfind("t7310-cli: cannot read " + missing.toStdString() + ": ", 0), 0u)
        << unreadable.err;
    const TRun& unwritable = runs[std::size(cases) + 1];
    EXPECT_EQ(unwritable.exitCode, 4);
    EXPECT_EQ(unwritable.err.rfind("t7310-cli: cannot create " + noFolder.toStdString(), 0), 0u)
        << unwritable.err;
    for (const auto& gauge : gauges)
        EXPECT_TRUE(gauge->Instructions().empty()) << "the file is checked before connecting";
}

} // namespace
