// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing a table's rows from many points: the least worst error against a search of every
// choice, the spare rows, equal spacing, and the rows as the table stores them.

#include "TableFit.h"
#include "TableReference.h"
#include "TankTableCsv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace tabletest;

void ExpectRowsShape(const TRows& rows, size_t points, size_t maxRows, const std::string& what) {
    ASSERT_GE(rows.size(), 2u) << what;
    EXPECT_LE(rows.size(), maxRows) << what;
    EXPECT_EQ(rows.front(), 0u) << what;
    EXPECT_EQ(rows.back(), points - 1) << what;
    EXPECT_TRUE(std::adjacent_find(rows.begin(), rows.end(), std::greater_equal<size_t>()) ==
                rows.end())
        << what;
}

// Charts of rising heights and volumes; rising steps are drawn at random.
struct TCurve {
    const char* Name;
    std::function<double(double)> Volume; // of the height, or none: random rises
    bool Smooth = false;                  // bends one way, or once each way
};

void MakeChart(const TCurve& curve, size_t count, std::mt19937& random, TPoints& h, TPoints& v) {
    std::uniform_real_distribution<double> step(0.2, 1.8);
    std::uniform_real_distribution<double> rise(0, 10);
    h.assign(count, 0);
    v.assign(count, 0);
    for (size_t k = 1; k < count; ++k) {
        h[k] = h[k - 1] + step(random);
        v[k] = curve.Volume ? 0 : v[k - 1] + rise(random);
    }
    if (curve.Volume)
        for (size_t k = 0; k < count; ++k)
            v[k] = curve.Volume(h[k] / h.back());
}

const TCurve kCurves[] = {
    {"random rises", nullptr},
    // A lying cylinder's area below a height; bends both ways.
    {"lying cylinder",
     [](double x) {
         const double angle = std::acos(1 - 2 * x);
         return 100 * (angle - std::sin(angle) * std::cos(angle));
     },
     true},
    {"square root", [](double x) { return 50 * std::sqrt(x); }, true},
    {"flat then steep", [](double x) { return x < 0.6 ? x : 0.6 + 40 * (x - 0.6); }, true},
    {"stairs", [](double x) { return std::floor(x * 4) * 10 + x; }},
};

TEST(TableFit, TheWorstErrorIsWithinHalfAPercentOfTheLeastAnyChoiceReaches) {
    for (const TCurve& curve : kCurves) {
        std::mt19937 random(7);
        for (int trial = 0; trial < 30; ++trial) {
            TPoints h;
            TPoints v;
            MakeChart(curve, 12, random, h, v);
            for (size_t maxRows = 2; maxRows <= 6; ++maxRows) {
                const std::string what = std::string(curve.Name) + " trial " +
                                         std::to_string(trial) + ", " + std::to_string(maxRows) +
                                         " rows";
                const TRowChoice choice = ChooseBestRows(h, v, maxRows);
                ExpectRowsShape(choice.Rows, h.size(), maxRows, what);
                const double least = LeastByTryingAll(h, v, maxRows);
                const double worst = WorstOf(h, v, choice.Rows);
                EXPECT_NEAR(choice.WorstError, worst, 1e-9 * (1 + worst)) << what;
                EXPECT_LE(worst, least * 1.005 + 1e-9) << what;
                EXPECT_GE(worst, least - 1e-9) << what;
            }
        }
    }
}

TEST(TableFit, TheWorstRowIsWhereTheErrorIs) {
    std::mt19937 random(3);
    TPoints h;
    TPoints v;
    MakeChart(kCurves[0], 40, random, h, v);
    const TRowChoice choice = ChooseBestRows(h, v, 6);
    const auto at = std::lower_bound(choice.Rows.begin(), choice.Rows.end(), choice.WorstRow);
    ASSERT_NE(at, choice.Rows.begin());
    ASSERT_NE(at, choice.Rows.end());
    const size_t a = *(at - 1);
    const size_t b = *at;
    const double share = (h[choice.WorstRow] - h[a]) / (h[b] - h[a]);
    EXPECT_NEAR(std::abs(v[choice.WorstRow] - ((1 - share) * v[a] + share * v[b])),
                choice.WorstError, 1e-9);
}

TEST(TableFit, SpareRowsAreUsedWithoutRaisingTheWorst) {
    const struct {
        const char* Name;
        size_t Points;
        std::function<double(double)> Volume;
    } cases[] = {
        // Bending one way, a split never raises a chord's error.
        {"square root", 12, [](double x) { return 50 * std::sqrt(x); }},
        {"cube", 12, [](double x) { return x * x * x; }},
        {"straight", 200, [](double x) { return 3 * x + 5; }},
    };
    for (const auto& c : cases) {
        TPoints h(c.Points);
        TPoints v(c.Points);
        for (size_t k = 0; k < c.Points; ++k) {
            h[k] = static_cast<double>(k);
            v[k] = c.Volume(h[k] / static_cast<double>(c.Points - 1));
        }
        for (size_t maxRows = 2; maxRows <= 12; ++maxRows) {
            const std::string what = std::string(c.Name) + ", " + std::to_string(maxRows);
            const TRowChoice choice = ChooseBestRows(h, v, maxRows);
            ExpectRowsShape(choice.Rows, c.Points, maxRows, what);
            EXPECT_EQ(choice.Rows.size(), std::min(maxRows, c.Points)) << what;
            if (c.Points <= 12) {
                EXPECT_LE(choice.WorstError, LeastByTryingAll(h, v, maxRows) * 1.005 + 1e-12)
                    << what;
                continue;
            }
            // Rows that lower no error still spread out, not bunch up.
            double widest = 0;
            for (size_t k = 0; k + 1 < choice.Rows.size(); ++k)
                widest = std::max(widest, h[choice.Rows[k + 1]] - h[choice.Rows[k]]);
            EXPECT_LE(widest, 2 * h.back() / static_cast<double>(choice.Rows.size() - 1) + 1)
                << what;
        }
    }
}

TEST(TableFit, FewPointsAreAllTaken) {
    const TPoints h{0, 1, 2.5, 4};
    const TPoints v{0, 3, 3, 9};
    for (size_t maxRows : {4, 5, 100}) {
        const TRowChoice choice = ChooseBestRows(h, v, maxRows);
        EXPECT_EQ(choice.Rows, (TRows{0, 1, 2, 3})) << maxRows;
        EXPECT_EQ(choice.WorstError, 0) << maxRows;
    }
}

// On curves without wiggles, as a tank's shape gives them, the farthest reach on its own is
// as good as the search over every chord; the search never does worse.
TEST(TableFit, OnSmoothCurvesTheFarthestReachAloneIsAsGood) {
    for (const TCurve& curve : kCurves) {
        if (!curve.Smooth)
            continue;
        std::mt19937 random(11);
        TPoints h;
        TPoints v;
        MakeChart(curve, 3000, random, h, v);
        const TRowChoice alone = ChooseBestRows(h, v, 100, 0);
        const TRowChoice searched = ChooseBestRows(h, v, 100);
        ExpectRowsShape(alone.Rows, h.size(), 100, curve.Name);
        EXPECT_NEAR(alone.WorstError, WorstOf(h, v, alone.Rows), 1e-9) << curve.Name;
        EXPECT_LE(searched.WorstError, alone.WorstError * (1 + 1e-9)) << curve.Name;
        EXPECT_LE(alone.WorstError, searched.WorstError * 1.005) << curve.Name;
    }
}

TEST(TableFit, EqualHeightsTakeThePointNearestEachStep) {
    const struct {
        const char* Name;
        std::function<double(size_t)> Height;
        size_t Points;
        size_t Rows;
    } cases[] = {
        {"even", [](size_t k) { return 2.0 * static_cast<double>(k); }, 91, 10},
        {"bunched at the bottom", [](size_t k) { return std::pow(static_cast<double>(k), 2); }, 50,
         12},
        {"fewer points than rows", [](size_t k) { return static_cast<double>(k); }, 5, 9},
    };
    for (const auto& c : cases) {
        TPoints h(c.Points);
        TPoints v(c.Points);
        for (size_t k = 0; k < c.Points; ++k) {
            h[k] = c.Height(k);
            v[k] = std::sqrt(h[k]);
        }
        const TRowChoice choice = ChooseEqualHeightRows(h, v, c.Rows);
        ExpectRowsShape(choice.Rows, c.Points, c.Rows, c.Name);
        EXPECT_NEAR(choice.WorstError, WorstOf(h, v, choice.Rows), 1e-12) << c.Name;
        for (size_t step = 0; step < c.Rows; ++step) {
            const double target = h.back() * static_cast<double>(step) / (c.Rows - 1.0);
            size_t nearest = 0;
            for (size_t k = 1; k < c.Points; ++k)
                if (std::abs(h[k] - target) < std::abs(h[nearest] - target))
                    nearest = k;
            EXPECT_TRUE(std::find(choice.Rows.begin(), choice.Rows.end(), nearest) !=
                        choice.Rows.end())
                << c.Name << " step " << step;
        }
    }
}

TEST(TableFit, StoredThousandthsRoundAsTheGridDoesAndRefuseWhatDoesNotFit) {
    for (const double value :
         {0.0, 0.0004, 0.0005, 0.0015, 1.2345, 99.9995, 1234.5675, 2147483.647, 2147483.6474}) {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", value);
        const std::optional<int32_t> stored = StoredThousandths(value);
        ASSERT_TRUE(stored) << text;
        EXPECT_EQ(static_cast<uint32_t>(*stored), ParseThousandths(text)) << text;
    }
    for (const double value : {-0.001, 2147483.6475, 1e12, std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN()})
        EXPECT_FALSE(StoredThousandths(value)) << value;
}

TEST(TableFit, TablePointsRefuseValuesTheTableCannotHold) {
    const struct {
        const char* Name;
        TPoints Heights;
        TPoints Volumes;
        const char* Message;
    } cases[] = {
        {"height too large", {0, 3e6}, {0, 5}, "The height 3000000 mm is too large"},
        {"volume too large", {0, 5}, {0, 2147483.6476}, "The volume 2147483.65 l is too large"},
        {"one stored height", {0, 1.0001, 1.0004, 2}, {0, 1, 2, 3}, "are one height"},
    };
    for (const auto& c : cases) {
        TRows rows;
        for (size_t k = 0; k < c.Heights.size(); ++k)
            rows.push_back(k);
        std::vector<TTablePoint> points;
        std::string message;
        EXPECT_FALSE(MakeTablePoints(c.Heights, c.Volumes, rows, TLengthUnit::Millimetre,
                                     TVolumeUnit::Litre, points, message))
            << c.Name;
        EXPECT_NE(message.find(c.Message), std::string::npos) << c.Name << ": " << message;
    }
}

TEST(TableFit, RowsGoToTheGridAndTheCsvFileAsStored) {
    const TPoints h{0, 12.3456, 250, 1999.9995};
    const TPoints v{0, 0.0004, 77.7775, 31415.92654};
    std::vector<TTablePoint> points;
    std::string message;
    ASSERT_TRUE(MakeTablePoints(h, v, {0, 1, 2, 3}, TLengthUnit::Millimetre, TVolumeUnit::Litre,
                                points, message))
        << message;
    TFittedTable table;
    table.Points = points;
    const TTableRows rows = TableRows(table);
    ASSERT_EQ(rows.size(), h.size());
    for (size_t k = 0; k < rows.size(); ++k) {
        char height[40];
        char volume[40];
        std::snprintf(height, sizeof height, "%.17g", h[k]);
        std::snprintf(volume, sizeof volume, "%.17g", v[k]);
        EXPECT_EQ(rows[k].Height, FormatThousandths(ParseThousandths(height))) << k;
        EXPECT_EQ(rows[k].Volume, FormatThousandths(ParseThousandths(volume))) << k;
    }
    const std::string csv = TableCsvText(table);
    EXPECT_EQ(csv.rfind("Height,Volume\r\n", 0), 0u) << csv;
    const TCsvImport imported = ImportCsvText(csv);
    ASSERT_TRUE(imported.Ok) << imported.Fault.Message;
    ASSERT_EQ(imported.Rows.size(), rows.size());
    for (size_t k = 0; k < rows.size(); ++k) {
        EXPECT_EQ(imported.Rows[k].Height, rows[k].Height) << k;
        EXPECT_EQ(imported.Rows[k].Volume, rows[k].Volume) << k;
    }
}

TEST(TableFit, InterpolationIsStraightBetweenStoredRowsAndHeldBeyondThem) {
    const std::vector<TTablePoint> points{
        {0, 0, 100, 2000}, {0, 0, 1100, 12000}, {0, 0, 3100, 30500}};
    auto line = [](double h0, double v0, double h1, double v1, double h) {
        return v0 + (v1 - v0) * (h - h0) / (h1 - h0);
    };
    const struct {
        double Height;
        double Volume;
    } cases[] = {
        {0, 2},
        {0.1, 2},
        {0.6, line(0.1, 2, 1.1, 12, 0.6)},
        {1.1, 12},
        {2.35, line(1.1, 12, 3.1, 30.5, 2.35)},
        {3.1, 30.5},
        {50, 30.5},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(InterpolatedVolume(points, c.Height), c.Volume, 1e-12) << c.Height;
}

} // namespace
