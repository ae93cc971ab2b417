// SPDX-License-Identifier: GPL-3.0-or-later
// table-make and table-fit: tables worked out without a gauge, checked against volumes the test
// works out its own way, their exit statuses, and a generated table through a simulated gauge.

#include "CliHarness.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>

using namespace clitest;

namespace {

struct TRow {
    double height;
    double volume;
};

// "Height,Volume" then "h,v" lines, as Export CSV writes them.
std::vector<TRow> ParseCsv(const std::string& text) {
    std::vector<TRow> rows;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "Height,Volume\r");
    while (std::getline(lines, line)) {
        EXPECT_EQ(line.back(), '\r') << "every line ends with CR LF";
        const size_t comma = line.find(',');
        rows.push_back({std::stod(line.substr(0, comma)), std::stod(line.substr(comma + 1))});
    }
    return rows;
}

double Interpolate(const std::vector<TRow>& rows, double height) {
    for (size_t k = 1; k < rows.size(); ++k)
        if (height <= rows[k].height) {
            const TRow& a = rows[k - 1];
            const TRow& b = rows[k];
            return a.volume + (b.volume - a.volume) * (height - a.height) / (b.height - a.height);
        }
    return rows.back().volume;
}

// A lying cylinder with flat ends: the circular segment's area times the length.
double LyingCylinderLitres(double heightMm, double diameterMm, double lengthMm) {
    const double r = diameterMm / 2;
    const double segment = r * r * std::acos((r - heightMm) / r) -
                           (r - heightMm) * std::sqrt(2 * r * heightMm - heightMm * heightMm);
    return segment * lengthMm / 1e6;
}

double SphereCap(double height, double radius) {
    return std::numbers::pi * height * height * (3 * radius - height) / 3;
}

TEST(CliTableMake, BadOptionsAndBadChartsFailWithTheirStatusAndWriteNothing) {
    TConfigHome home;
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    const QString out = files.filePath("out.csv");
    auto chart = [&](const char* name, const std::string& text) {
        const QString path = files.filePath(name);
        WriteFile(path, text);
        return path;
    };
    const struct {
        QStringList args;
        int status;
        const char* message;
    } cases[] = {
        {{"table-make", "--diameter", "2", out}, 2, "--shape"},
        {{"table-make", "--shape", "cube", "--diameter", "2", out}, 2, "cube"},
        {{"table-make", "--shape", "sphere", out}, 2, "--diameter"},
        {{"table-make", "--shape", "sphere", "--diameter", "-2", out}, 2, "above zero"},
        {{"table-make", "--shape", "sphere", "--diameter", "2", "--length", "3", out},
         2,
         "does not apply to a sphere"},
        {{"table-make", "--shape", "horizontal", "--diameter", "2", out}, 2, "--length"},
        {{"table-make", "--shape", "horizontal", "--diameter", "2", "--length", "3", "--bottom",
          "flat", out},
         2,
         "vertical"},
        {{"table-make", "--shape", "vertical", "--diameter", "2", "--length", "3", "--heads",
          "conical", out},
         2,
         "needs its depth"},
        {{"table-make", "--shape", "vertical", "--diameter", "2", "--length", "3", "--heads",
          "ellipsoidal", "--head-depth", "5", out},
         2,
         "more than the radius"},
        {{"table-make", "--shape", "sphere", "--diameter", "2", "--points", "101", out},
         2,
         "2 to 100"},
        {{"table-make", "--shape", "sphere", "--diameter", "2", "--spacing", "odd", out},
         2,
         "even or best"},
        {{"table-make", "--shape", "sphere", "--diameter", "2", "--volume-unit", "pint", out},
         2,
         "l, m3, usgal, impgal"},
        {{"table-make", "--shape", "sphere", "--diameter", "2"}, 2, "output file"},
        {{"table-make", "--shape", "sphere", "--diameter", "2", "--diameter", "3", out},
         2,
         "twice"},
        {{"table-fit", out}, 2, "chart and the output file"},
        {{"table-fit", chart("ok.csv", "0,0\n1,1\n"), "--height-unit", "yd", out},
         2,
         "mm, cm, m, in, ft"},
        {{"table-fit", files.filePath("missing.csv"), out}, 4, "missing.csv"},
        {{"table-fit", chart("one.csv", "Height,Volume\n1,2\n"), out}, 4, "at least two rows"},
        {{"table-fit", chart("down.csv", "h;v\n0;0\n1;5\n2;4\n"), out}, 4, "Line 4"},
        {{"table-fit", chart("back.csv", "0,0\n2,5\n1,6\n"), out}, 4, "Line 3"},
        {{"table-fit", chart("text.csv", "0,0\n1,x\n"), out}, 4, "Line 2"},
    };
    std::vector<QStringList> calls;
    for (const auto& c : cases)
        calls.push_back(c.args);
    const std::vector<TRun> runs = RunAll(calls, home);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].args.join(' ').toStdString());
        EXPECT_EQ(runs[i].exitCode, cases[i].status) << runs[i].err;
        EXPECT_NE(runs[i].err.find(cases[i].message), std::string::npos) << runs[i].err;
        EXPECT_EQ(runs[i].out, "");
    }
    EXPECT_FALSE(QFile::exists(out)) << "no failed command leaves a table behind";
}

TEST(CliTableMake, AThreeThousandRowChartFitsToOneHundredRowsCloseToEveryRow) {
    TConfigHome home;
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    // A lying 3 m x 6 m cylinder strapped every millimetre, with a title and semicolons.
    const double diameter = 3000;
    const double length = 6000;
    std::vector<TRow> chart;
    std::string text = "\xEF\xBB\xBFHeight (mm);Volume (l)\r\n";
    for (int h = 0; h < 3000; ++h) {
        const double height = h * diameter / 2999;
        chart.push_back({height, LyingCylinderLitres(height, diameter, length)});
        char line[64];
        std::snprintf(line, sizeof line, "%.4f;%.4f\r\n", chart.back().height, chart.back().volume);
        text += line;
    }
    const QString chartFile = files.filePath("chart.csv");
    WriteFile(chartFile, text);
    const QString out = files.filePath("table.csv");

    const std::vector<TRun> runs = RunAll({{"table-fit", chartFile, out},
                                           {"table-fit", chartFile, "--points", "10",
                                            "--to-volume-unit", "m3", "--to-length-unit", "m", "-"},
                                           {"--json", "table-fit", chartFile, "-"}},
                                          home);
    ASSERT_EQ(runs[0].exitCode, 0) << runs[0].err;
    const std::vector<TRow> table = ParseCsv(ReadFile(out));
    ASSERT_EQ(table.size(), 100u);
    EXPECT_EQ(table.front().height, 0);
    EXPECT_EQ(table.front().volume, 0);
    EXPECT_NEAR(table.back().height, diameter, 0.001);
    EXPECT_NEAR(table.back().volume, chart.back().volume, 0.001);

    // The worst difference over every row of the chart, worked out here from the file.
    double worst = 0;
    for (const TRow& row : chart)
        worst = std::max(worst, std::fabs(Interpolate(table, row.height) - row.volume));
    // 100 rows at equal steps, for scale: the fit must stray far less.
    std::vector<TRow> equal;
    for (size_t k = 0; k < 100; ++k)
        equal.push_back(chart[k * (chart.size() - 1) / 99]);
    double equalWorst = 0;
    for (const TRow& row : chart)
        equalWorst = std::max(equalWorst, std::fabs(Interpolate(equal, row.height) - row.volume));
    EXPECT_LT(worst, equalWorst / 2) << "equal steps: " << equalWorst;
    EXPECT_NE(runs[0].err.find("Worst interpolation error"), std::string::npos) << runs[0].err;
    EXPECT_EQ(runs[0].out, "");

    // Converted units and fewer rows, to stdout.
    ASSERT_EQ(runs[1].exitCode, 0) << runs[1].err;
    const std::vector<TRow> small = ParseCsv(runs[1].out);
    ASSERT_EQ(small.size(), 10u);
    EXPECT_NEAR(small.back().height, 3.0, 0.0005);
    EXPECT_NEAR(small.back().volume, chart.back().volume / 1000, 0.0005);
    EXPECT_NE(runs[1].err.find(" m3 "), std::string::npos) << runs[1].err;

    // JSON: the same rows as the file, and the worst error the test found.
    ASSERT_EQ(runs[2].exitCode, 0) << runs[2].err;
    const QJsonObject json =
        QJsonDocument::fromJson(QByteArray::fromStdString(runs[2].out)).object();
    const QJsonArray rows = json["rows"].toArray();
    ASSERT_EQ(rows.size(), 100);
    for (int k = 0; k < rows.size(); ++k) {
        EXPECT_DOUBLE_EQ(rows[k]["height"].toDouble(), table[static_cast<size_t>(k)].height);
        EXPECT_DOUBLE_EQ(rows[k]["volume"].toDouble(), table[static_cast<size_t>(k)].volume);
    }
    EXPECT_NEAR(json["worst_error"]["volume"].toDouble(), worst, 0.002);
    EXPECT_NEAR(json["worst_error"]["percent"].toDouble(), 100 * worst / chart.back().volume,
                0.0001);
}

TEST(CliTableMake, ASphereOfTwoAndAHalfMetresGoesToTheGaugeAndComesBack) {
    TConfigHome home;
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    const QString made = files.filePath("sphere.csv");
    const TRun make = RunOne({"table-make", "--shape", "sphere", "--diameter", "2.5",
                              "--length-unit", "m", "--volume-unit", "l", made},
                             home);
    ASSERT_EQ(make.exitCode, 0) << make.err;
    const std::string text = ReadFile(made);
    const std::vector<TRow> table = ParseCsv(text);
    ASSERT_EQ(table.size(), 100u);
    const double radius = 1.25;
    EXPECT_EQ(table.front().height, 0);
    EXPECT_EQ(table.back().height, 2.5);
    // 4/3 pi r^3 in litres, rounded to thousandths as the table stores it.
    EXPECT_NEAR(table.back().volume, 4.0 / 3 * std::numbers::pi * radius * radius * radius * 1000,
                0.0005);
    for (const TRow& row : table)
        EXPECT_NEAR(row.volume, SphereCap(row.height, radius) * 1000, 0.0005 + 1e-9 * 8181)
            << "at " << row.height;
    // Half full holds half, whether or not the half-way height is a row.
    EXPECT_NEAR(Interpolate(table, 1.25), table.back().volume / 2, 0.5);

    auto gauge = StartSim("T8310");
    ASSERT_TRUE(gauge);
    const TRun written =
        RunOne(QStringList{"--fast"} << Target(*gauge, 1) << "table-write" << made, home);
    ASSERT_EQ(written.exitCode, 0) << written.err;
    const QString back = files.filePath("back.csv");
    const TRun read =
        RunOne(QStringList{"--fast"} << Target(*gauge, 1) << "table-read" << back, home);
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(ReadFile(back), text) << "the gauge keeps the table exactly";
}

} // namespace
