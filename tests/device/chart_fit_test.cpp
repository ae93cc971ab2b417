// SPDX-License-Identifier: GPL-3.0-or-later
// Strapping charts: the CSV forms read and the ones refused (with their line), and the fit of a
// chart to a table against a search of every choice of rows.

#include "ChartFit.h"
#include "TableReference.h"
#include "TankTableCsv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace tabletest;

TEST(ChartFit, ChartsAreReadInTheFormsSpreadsheetsWrite) {
    const struct {
        const char* Name;
        std::string Text;
        TPoints Heights;
        TPoints Volumes;
        std::vector<int> Lines;
    } cases[] = {
        {"plain", "0,0\n10,5\n20,12\n", {0, 10, 20}, {0, 5, 12}, {1, 2, 3}},
        {"titles, CR LF", "Height,Volume\r\n0,0\r\n10,5\r\n", {0, 10}, {0, 5}, {2, 3}},
        {"byte-order mark and titles",
         "\xEF\xBB\xBFheight (mm),volume (l)\n0,0\n1.5,2.25\n",
         {0, 1.5},
         {0, 2.25},
         {2, 3}},
        {"semicolons and decimal commas",
         "H\xC3\xB6he;Volumen\n0;0\n1,5;2,25\n3;7,5",
         {0, 1.5, 3},
         {0, 2.25, 7.5},
         {2, 3, 4}},
        {"semicolons and decimal points", "0;0\n1.5;2\n", {0, 1.5}, {0, 2}, {1, 2}},
        {"quoted",
         "\"Height\",\"Volume\"\n\"0\",\"0\"\n\"12.5\",\"100\"\n",
         {0, 12.5},
         {0, 100},
         {2, 3}},
        {"quoted decimal commas", "\"0\";\"0\"\n\"1,5\";\"2,5\"\n", {0, 1.5}, {0, 2.5}, {1, 2}},
        {"tabs", "0\t0\n2\t4,5\n", {0, 2}, {0, 4.5}, {1, 2}},
        {"CR only", "0,0\r5,1\r", {0, 5}, {0, 1}, {1, 2}},
        {"blank lines and empty rows", "0,0\n\n  \n5,1\n,\n\n", {0, 5}, {0, 1}, {1, 4}},
        {"a repeated row", "0,0\n5,1\n5,1\n9,2\n", {0, 5, 9}, {0, 1, 2}, {1, 2, 4}},
        {"blanks, signs and exponents", " 0 , 0 \n 1e3 ,  +2.5E2 \n", {0, 1000}, {0, 250}, {1, 2}},
        {"titles with their own separator",
         "Height; mm,Volume\n0,0\n1,1\n",
         {0, 1},
         {0, 1},
         {2, 3}},
        {"level volumes", "0,0\n1,0\n2,0\n3,4\n", {0, 1, 2, 3}, {0, 0, 0, 4}, {1, 2, 3, 4}},
    };
    for (const auto& c : cases) {
        const TChartRead read = ReadChartText(c.Text);
        ASSERT_TRUE(read.Ok) << c.Name << ": " << read.Message;
        EXPECT_EQ(read.Chart.Heights, c.Heights) << c.Name;
        EXPECT_EQ(read.Chart.Volumes, c.Volumes) << c.Name;
        EXPECT_EQ(read.Chart.Lines, c.Lines) << c.Name;
    }
}

TEST(ChartFit, ChartsThatAreNotAreRefusedWithTheirLine) {
    const struct {
        const char* Name;
        std::string Text;
        int Line;
        const char* Message;
    } cases[] = {
        {"height going down", "0,0\n10,5\n9,6\n", 3,
         "Line 3: the height 9 is below the height 10 of line 2."},
        {"volume going down", "0,0\n10,5\n11,4\n", 3,
         "Line 3: the volume 4 is below the volume 5 of line 2."},
        {"one height, two volumes", "0,0\n10,5\n10,6\n", 3,
         "Line 3: the height 10 has another volume than it has on line 2."},
        {"three fields", "0,0\n1,2,3\n", 2,
         "Line 2: not a height and a volume separated by a comma"},
        {"one field", "Height,Volume\n0,0\n12\n", 3, "Line 3: not a height and a volume"},
        {"a word", "0,0\nabc,5\n", 2, "Line 2: 'abc' is not a number."},
        {"titles among the rows", "0,0\nHeight,Volume\n1,1\n", 2,
         "Line 2: not a height and a volume: Height,Volume"},
        {"below zero", "0,0\n5,-1\n", 2, "Line 2: the volume -1 is below zero."},
        {"a missing volume", "0,0\n5,\n", 2, "Line 2: the volume is missing"},
        {"a decimal comma between commas", "0,0\n1,5,2\n", 2, "Line 2: not a height and a volume"},
        {"another separator", "0;0\n1,2\n", 2, "separated by a semicolon"},
        {"too large to be a number", "0,0\n1e999,5\n", 2, "'1e999' is not a number."},
        {"blank lines are counted", "0,0\n\n\n5,x\n", 4, "Line 4: 'x' is not a number."},
        {"CR LF ends one line", "0,0\r\n5,1\r\n4,2\r\n", 3, "Line 3: the height 4"},
        {"empty", "", 0, "A chart needs at least two rows"},
        {"titles only", "\xEF\xBB\xBFHeight,Volume\r\n", 0, "A chart needs at least two rows"},
        {"one row", "Height,Volume\n0,0\n", 0, "A chart needs at least two rows"},
        {"one row twice", "3,3\n3,3\n", 0, "A chart needs at least two rows"},
    };
    for (const auto& c : cases) {
        const TChartRead read = ReadChartText(c.Text);
        EXPECT_FALSE(read.Ok) << c.Name;
        EXPECT_EQ(read.Line, c.Line) << c.Name << ": " << read.Message;
        EXPECT_NE(read.Message.find(c.Message), std::string::npos)
            << c.Name << ": " << read.Message;
    }
}

TEST(ChartFit, ChartFilesAreReadAsTheirText) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = QDir(folder.path()).filePath("chart.csv");
    const std::string text = "Height;Volume\r\n0;0\r\n100;12,5\r\n200;40\r\n";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }
    const TChartRead read = ReadChartFile(path.toStdString());
    ASSERT_TRUE(read.Ok) << read.Message;
    EXPECT_EQ(read.Chart.Volumes, ReadChartText(text).Chart.Volumes);

    for (const QString& unreadable : {QDir(folder.path()).filePath("missing.csv"), folder.path()}) {
        const TChartRead refused = ReadChartFile(unreadable.toStdString());
        EXPECT_FALSE(refused.Ok) << unreadable.toStdString();
        EXPECT_EQ(refused.Line, 0);
        EXPECT_FALSE(refused.Message.empty());
    }
}

// ---- the fit ----

// A lying cylinder's chart of 2 m diameter and 5 m length in mm and l. Jitter (0 to 1) moves
// the inner rows off equal steps by up to 0.4 of a step.
TChart LyingCylinderChart(size_t rows, double jitter) {
    TChart chart;
    const double step = 1.0 / static_cast<double>(rows - 1);
    for (size_t k = 0; k < rows; ++k) {
        const bool inner = k > 0 && k + 1 < rows;
        const double x = static_cast<double>(k) * step +
                         (inner ? 0.4 * jitter * step * std::sin(2.3 * static_cast<double>(k)) : 0);
        const double h = 2000 * x;
        const double angle = std::acos(1 - h / 1000);
        chart.Heights.push_back(h);
        chart.Volumes.push_back(5 * (angle - std::sin(angle) * std::cos(angle)) * 1000);
        chart.Lines.push_back(static_cast<int>(k + 1));
    }
    return chart;
}

// Every table row is one of the chart's, in the table's units.
void ExpectRowsOfTheChart(const TFittedTable& table, const TChart& chart, double heightScale,
                          double volumeScale, const std::string& what) {
    ASSERT_GE(table.Points.size(), 2u) << what;
    EXPECT_NEAR(table.Points.front().Height, chart.Heights.front() * heightScale,
                1e-12 * chart.Heights.back() * heightScale)
        << what;
    EXPECT_NEAR(table.Points.back().Height, chart.Heights.back() * heightScale,
                1e-12 * chart.Heights.back() * heightScale)
        << what;
    for (const TTablePoint& point : table.Points) {
        const auto row = std::find_if(chart.Heights.begin(), chart.Heights.end(), [&](double h) {
            return std::abs(h * heightScale - point.Height) <= 1e-12 * (1 + point.Height);
        });
        ASSERT_NE(row, chart.Heights.end()) << what << " " << point.Height;
        const double volume = chart.Volumes[static_cast<size_t>(row - chart.Heights.begin())];
        EXPECT_NEAR(point.Volume, volume * volumeScale, 1e-12 * (1 + point.Volume)) << what;
        EXPECT_EQ(point.StoredHeight, std::llround(point.Height * 1000)) << what;
        EXPECT_EQ(point.StoredVolume, std::llround(point.Volume * 1000)) << what;
    }
}

TEST(ChartFit, TheFitIsWithinHalfAPercentOfTheBestChoiceOfRows) {
    for (const double jitter : {0.0, 1.0}) {
        const TChart chart = LyingCylinderChart(12, jitter);
        for (const int points : {2, 3, 4, 6}) {
            const std::string what =
                "jitter " + std::to_string(jitter) + ", " + std::to_string(points) + " points";
            TChartFitRequest request;
            request.Points = points;
            const TChartFit fit = FitChart(chart, request);
            ASSERT_TRUE(fit.Ok) << what << ": " << fit.Message;
            ExpectRowsOfTheChart(fit.Table, chart, 1, 1, what);
            EXPECT_LE(fit.Table.Points.size(), static_cast<size_t>(points)) << what;
            // Rounding to thousandths moves a row by at most half a thousandth in either unit.
            const double least = LeastByTryingAll(chart.Heights, chart.Volumes, points);
            EXPECT_LE(fit.Table.WorstError, least * 1.005 + 0.01) << what;
            EXPECT_GE(fit.Table.WorstError, least - 0.01) << what;
        }
    }
}

TEST(ChartFit, TheReportedErrorIsTheLargestOverTheChartAsStored) {
    const TChart chart = LyingCylinderChart(500, 1);
    for (const TPlacement placement : {TPlacement::Best, TPlacement::EqualHeights}) {
        TChartFitRequest request;
        request.Points = 20;
        request.Placement = placement;
        const TChartFit fit = FitChart(chart, request);
        ASSERT_TRUE(fit.Ok) << fit.Message;
        double worst = 0;
        for (size_t k = 0; k < chart.Heights.size(); ++k)
            worst = std::max(worst, std::abs(Interpolate(fit.Table.Points, chart.Heights[k]) -
                                             chart.Volumes[k]));
        EXPECT_NEAR(fit.Table.WorstError, worst, 1e-9) << PlacementName(placement);
        const auto row =
            std::find(chart.Heights.begin(), chart.Heights.end(), fit.Table.WorstErrorHeight);
        ASSERT_NE(row, chart.Heights.end()) << PlacementName(placement);
        EXPECT_NEAR(std::abs(Interpolate(fit.Table.Points, *row) -
                             chart.Volumes[static_cast<size_t>(row - chart.Heights.begin())]),
                    worst, 1e-9)
            << PlacementName(placement);
        EXPECT_EQ(fit.Table.FullVolume, chart.Volumes.back());
        EXPECT_NEAR(fit.Table.WorstErrorPercent, worst / chart.Volumes.back() * 100, 1e-12);
    }
}

TEST(ChartFit, BestRowsBeatEqualHeightsAndEqualHeightsAreEqual) {
    TChart chart;
    for (int k = 0; k <= 1000; ++k) {
        chart.Heights.push_back(k);
        chart.Volumes.push_back(std::pow(k / 10.0, 3));
    }
    TChartFitRequest request;
    request.Points = 11;
    request.Placement = TPlacement::EqualHeights;
    const TChartFit equal = FitChart(chart, request);
    ASSERT_TRUE(equal.Ok) << equal.Message;
    ASSERT_EQ(equal.Table.Points.size(), 11u);
    for (size_t k = 0; k < 11; ++k)
        EXPECT_EQ(equal.Table.Points[k].Height, 100.0 * static_cast<double>(k));
    request.Placement = TPlacement::Best;
    const TChartFit best = FitChart(chart, request);
    ASSERT_TRUE(best.Ok) << best.Message;
    EXPECT_EQ(best.Table.Points.size(), 11u);
    EXPECT_LT(best.Table.WorstError, equal.Table.WorstError * 0.8);
}

TEST(ChartFit, TheTableComesInItsOwnUnits) {
    const TChart chart = LyingCylinderChart(300, 1);
    const struct {
        TLengthUnit ChartHeight;
        TVolumeUnit ChartVolume;
        TLengthUnit Height;
        TVolumeUnit Volume;
        double HeightScale;
        double VolumeScale;
    } cases[] = {
        {TLengthUnit::Millimetre, TVolumeUnit::Litre, TLengthUnit::Millimetre, TVolumeUnit::Litre,
         1, 1},
        {TLengthUnit::Centimetre, TVolumeUnit::Litre, TLengthUnit::Millimetre,
         TVolumeUnit::CubicMetre, 10, 0.001},
        {TLengthUnit::Inch, TVolumeUnit::UsGallon, TLengthUnit::Foot, TVolumeUnit::ImperialGallon,
         1.0 / 12, 3.785411784 / 4.54609},
        {TLengthUnit::Millimetre, TVolumeUnit::Litre, TLengthUnit::Centimetre,
         TVolumeUnit::UsGallon, 0.1, 1 / 3.785411784},
    };
    for (const auto& c : cases) {
        const std::string what = LengthUnitName(c.ChartHeight) + " " +
                                 VolumeUnitName(c.ChartVolume) + " to " + LengthUnitName(c.Height) +
                                 " " + VolumeUnitName(c.Volume);
        TChartFitRequest request;
        request.ChartHeightUnit = c.ChartHeight;
        request.ChartVolumeUnit = c.ChartVolume;
        request.HeightUnit = c.Height;
        request.VolumeUnit = c.Volume;
        request.Points = 40;
        const TChartFit fit = FitChart(chart, request);
        ASSERT_TRUE(fit.Ok) << what << ": " << fit.Message;
        EXPECT_EQ(fit.Table.HeightUnit, c.Height) << what;
        EXPECT_EQ(fit.Table.VolumeUnit, c.Volume) << what;
        EXPECT_EQ(fit.Table.Points.size(), 40u) << what;
        ExpectRowsOfTheChart(fit.Table, chart, c.HeightScale, c.VolumeScale, what);
    }
}

TEST(ChartFit, TheTableGoesToTheGridAndBackThroughItsCsvFile) {
    TChartFitRequest request;
    request.Points = 100;
    const TChartFit fit = FitChart(LyingCylinderChart(2000, 1), request);
    ASSERT_TRUE(fit.Ok) << fit.Message;
    const TTableRows rows = TableRows(fit.Table);
    TTankTable stored{};
    TTableFault fault;
    ASSERT_TRUE(StoreTable(rows, stored, &fault)) << fault.Message;
    const TCsvImport imported = ImportCsvText(TableCsvText(fit.Table));
    ASSERT_TRUE(imported.Ok) << imported.Fault.Message;
    ASSERT_EQ(imported.Rows.size(), 100u);
    for (size_t k = 0; k < rows.size(); ++k) {
        EXPECT_EQ(imported.Rows[k].Height, rows[k].Height) << k;
        EXPECT_EQ(imported.Rows[k].Volume, rows[k].Volume) << k;
    }
}

TEST(ChartFit, ShortChartsAreTakenWhole) {
    const TChartRead read = ReadChartText("0,0\n250,80.5\n500,400\n1000,1200\n");
    ASSERT_TRUE(read.Ok) << read.Message;
    const TChartFit fit = FitChart(read.Chart, TChartFitRequest{});
    ASSERT_TRUE(fit.Ok) << fit.Message;
    ExpectRowsOfTheChart(fit.Table, read.Chart, 1, 1, "short");
    EXPECT_EQ(fit.Table.Points.size(), 4u);
    EXPECT_EQ(fit.Table.WorstError, 0);
}

TEST(ChartFit, FitsThatCannotBeAreRefused) {
    TChart micro;
    for (int k = 0; k < 200; ++k) {
        micro.Heights.push_back(k * 0.0001);
        micro.Volumes.push_back(k);
    }
    const TChart unordered{{0, 2, 1}, {0, 1, 2}, {1, 2, 3}};
    const TChart uneven{{0, 1, 2}, {0, 1}, {1, 2, 3}};
    TChartFitRequest tooFew;
    tooFew.Points = 1;
    TChartFitRequest tooMany;
    tooMany.Points = 101;
    TChartFitRequest inLitres;
    inLitres.ChartVolumeUnit = TVolumeUnit::CubicMetre;
    TChartFitRequest inMetres;
    inMetres.HeightUnit = TLengthUnit::Metre;
    const struct {
        const char* Name;
        TChart Chart;
        TChartFitRequest Request;
        const char* Message;
    } cases[] = {
        {"one point", LyingCylinderChart(50, 0), tooFew, "2 to 100"},
        {"101 points", LyingCylinderChart(50, 0), tooMany, "2 to 100"},
        {"too many litres", LyingCylinderChart(50, 0), inLitres,
         "The volume 15707963.3 l is too large"},
        {"heights closer than a thousandth", micro, inMetres, "are one height"},
        {"heights out of order", unordered, TChartFitRequest{}, "heights must rise"},
        {"lists of two lengths", uneven, TChartFitRequest{}, "at least two rows"},
        {"no rows", TChart{}, TChartFitRequest{}, "at least two rows"},
    };
    for (const auto& c : cases) {
        const TChartFit fit = FitChart(c.Chart, c.Request);
        EXPECT_FALSE(fit.Ok) << c.Name;
        EXPECT_NE(fit.Message.find(c.Message), std::string::npos) << c.Name << ": " << fit.Message;
    }
}

TEST(ChartFit, ATenThousandRowChartFitsWellUnderASecond) {
    const TChart chart = LyingCylinderChart(10000, 1);
    QElapsedTimer clock;
    clock.start();
    const TChartFit fit = FitChart(chart, TChartFitRequest{});
    const qint64 elapsed = clock.elapsed();
    ASSERT_TRUE(fit.Ok) << fit.Message;
    EXPECT_EQ(fit.Table.Points.size(), 100u);
    EXPECT_LT(elapsed, 500);
}

} // namespace
