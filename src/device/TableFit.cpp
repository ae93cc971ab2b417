// SPDX-License-Identifier: GPL-3.0-or-later
#include "TableFit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <queue>

namespace {

using TPoints = std::vector<double>;

// The bound the search ends on is within this factor of the least reachable one.
constexpr double kOptimality = 1.005;

struct TChord {
    double Error = 0;
    size_t Row = 0;
};

// The worst error at the points strictly between rows a and b of the chord through them.
TChord ChordError(const TPoints& heights, const TPoints& volumes, size_t a, size_t b) {
    TChord worst{0, a};
    const double slope = (volumes[b] - volumes[a]) / (heights[b] - heights[a]);
    for (size_t k = a + 1; k < b; ++k) {
        const double error =
            std::abs(volumes[k] - (volumes[a] + slope * (heights[k] - heights[a])));
        if (error > worst.Error)
            worst = {error, k};
    }
    return worst;
}

// Visits the rows j after a row whose chords from it keep every point they pass within a
// bound; gives the number of points looked at. A chord from row i to row j is within it exactly
// when its slope lies in the range of slopes that pass every point between them within the
// bound; that range only narrows as j moves on, so one pass from i finds every such j, and the
// pass ends when the range is empty. Slopes are compared as cross products (every run is
// positive), which spares the divisions.
template <typename TVisit>
size_t ScanChords(const TPoints& heights, const TPoints& volumes, size_t from, double bound,
                  TVisit&& visit) {
    const size_t count = heights.size();
    if (from + 1 >= count)
        return 0;
    const double startHeight = heights[from];
    const double startVolume = volumes[from];
    // The chord to the next row passes no point.
    size_t j = from + 1;
    visit(j);
    double lowRun = heights[j] - startHeight;
    double lowRise = volumes[j] - startVolume - bound;
    double highRun = lowRun;
    double highRise = volumes[j] - startVolume + bound;
    for (++j; j < count; ++j) {
        const double run = heights[j] - startHeight;
        const double rise = volumes[j] - startVolume;
        if (rise * lowRun >= lowRise * run && rise * highRun <= highRise * run)
            visit(j);
        if ((rise - bound) * lowRun > lowRise * run) {
            lowRise = rise - bound;
            lowRun = run;
        }
        if ((rise + bound) * highRun < highRise * run) {
            highRise = rise + bound;
            highRun = run;
        }
        if (lowRise * highRun > highRise * lowRun) {
            ++j;
            break;
        }
    }
    return j - from - 1;
}

enum class TReach { Reached, NotReached, OutOfTime };

// From each chosen row on to the farthest row a chord within the bound reaches. Fast, and the
// fewest rows when the curve bends one way between rows; a chart that wiggles can need fewer
// rows than it finds, so it only gives a first bound.
TReach FarthestReach(const TPoints& heights, const TPoints& volumes, double bound, size_t maxRows,
                     std::vector<size_t>& rows, size_t&) {
    const size_t last = heights.size() - 1;
    rows.assign(1, 0);
    while (rows.back() != last) {
        if (rows.size() == maxRows)
            return TReach::NotReached;
        size_t farthest = rows.back() + 1;
        ScanChords(heights, volumes, rows.back(), bound, [&](size_t j) { farthest = j; });
        rows.push_back(farthest);
    }
    return TReach::Reached;
}

// The fewest rows whose chords are all within the bound: a shortest path over every chord
// within it, taken in rising order of the row it starts from. Its work grows with the number
// of points times the number a chord spans, so it gives up when the points it may still look
// at (budget, counted down) run out.
TReach FewestRows(const TPoints& heights, const TPoints& volumes, double bound, size_t maxRows,
                  std::vector<size_t>& rows, size_t& budget) {
    const size_t count = heights.size();
    constexpr size_t kUnreached = std::numeric_limits<size_t>::max();
    std::vector<size_t> used(count, kUnreached);
    std::vector<size_t> previous(count, 0);
    used[0] = 1;
    for (size_t i = 0; i + 1 < count; ++i) {
        // A path through i needs used[i] + 1 rows at least; no gain when the end is reached
        // with as few.
        if (used[i] == kUnreached || used[i] >= maxRows || used[i] + 1 >= used[count - 1])
            continue;
        const size_t next = used[i] + 1;
        const size_t steps = ScanChords(heights, volumes, i, bound, [&](size_t j) {
            if (next < used[j]) {
                used[j] = next;
                previous[j] = i;
            }
        });
        if (steps > budget) {
            budget = 0;
            return TReach::OutOfTime;
        }
        budget -= steps;
    }
    if (used[count - 1] > maxRows)
        return TReach::NotReached;
    rows.assign(used[count - 1], 0);
    size_t at = count - 1;
    for (size_t k = rows.size(); k > 0; --k) {
        rows[k - 1] = at;
        at = previous[at];
    }
    return TReach::Reached;
}

using TFeasible = TReach (*)(const TPoints&, const TPoints&, double, size_t, std::vector<size_t>&,
                             size_t&);

// Halves [low, high] until high is within the factor of low; high must be reachable (its
// rows in rows) and low not. Leaves the reachable end in high and its rows. Each bound is
// tested widened by the slack.
void Narrow(TFeasible feasible, const TPoints& heights, const TPoints& volumes, size_t maxRows,
            double slack, double low, double& high, double factor, std::vector<size_t>& rows,
            size_t& budget) {
    std::vector<size_t> found;
    // The limit only stops a search whose bounds no longer differ in floating point.
    for (int step = 0; step < 200 && high > low * factor && high - low > high * 1e-15; ++step) {
        const double middle = low + (high - low) / 2;
        const TReach reach = feasible(heights, volumes, middle + slack, maxRows, found, budget);
        if (reach == TReach::OutOfTime)
            return;
        if (reach == TReach::Reached) {
            high = middle;
            rows = found;
        } else {
            low = middle;
        }
    }
}

struct TSegment {
    size_t From = 0;
    size_t To = 0;
    double Key = 0;
    size_t Split = 0;
    bool operator<(const TSegment& other) const { return Key < other.Key; }
};

// Spare rows first split the segments with the largest error at their worst point, then the
// longest segments near their middle, whenever neither half strays further than the bound.
void AddSpareRows(const TPoints& heights, const TPoints& volumes, size_t maxRows, double bound,
                  double slack, std::vector<size_t>& rows) {
    std::vector<size_t> added;
    auto fits = [&](size_t from, size_t split, size_t to) {
        return ChordError(heights, volumes, from, split).Error <= bound + slack &&
               ChordError(heights, volumes, split, to).Error <= bound + slack;
    };
    auto fill = [&](auto&& segmentOf) {
        std::priority_queue<TSegment> queue;
        auto offer = [&](size_t from, size_t to) {
            if (to - from >= 2)
                if (const std::optional<TSegment> segment = segmentOf(from, to))
                    queue.push(*segment);
        };
        std::vector<size_t> all = rows;
        all.insert(all.end(), added.begin(), added.end());
        std::sort(all.begin(), all.end());
        for (size_t k = 0; k + 1 < all.size(); ++k)
            offer(all[k], all[k + 1]);
        while (rows.size() + added.size() < maxRows && !queue.empty()) {
            const TSegment segment = queue.top();
            queue.pop();
            if (!fits(segment.From, segment.Split, segment.To))
                continue;
            added.push_back(segment.Split);
            offer(segment.From, segment.Split);
            offer(segment.Split, segment.To);
        }
    };
    fill([&](size_t from, size_t to) -> std::optional<TSegment> {
        const TChord chord = ChordError(heights, volumes, from, to);
        // Errors of rounding only would bunch rows up where it happens to be largest.
        if (chord.Error <= slack)
            return std::nullopt;
        return TSegment{from, to, chord.Error, chord.Row};
    });
    fill([&](size_t from, size_t to) -> std::optional<TSegment> {
        const double middle = (heights[from] + heights[to]) / 2;
        size_t split = static_cast<size_t>(
            std::lower_bound(heights.begin() + static_cast<std::ptrdiff_t>(from),
                             heights.begin() + static_cast<std::ptrdiff_t>(to), middle) -
            heights.begin());
        if (split > from + 1 && middle - heights[split - 1] < heights[split] - middle)
            --split;
        split = std::clamp(split, from + 1, to - 1);
        return TSegment{from, to, heights[to] - heights[from], split};
    });
    rows.insert(rows.end(), added.begin(), added.end());
    std::sort(rows.begin(), rows.end());
}

std::vector<size_t> AllRows(size_t count) {
    std::vector<size_t> rows(count);
    for (size_t k = 0; k < count; ++k)
        rows[k] = k;
    return rows;
}

} // namespace

std::string PlacementName(TPlacement placement) {
    return placement == TPlacement::Best ? "best" : "equal";
}

std::optional<TPlacement> ParsePlacement(const std::string& text) {
    if (text == "best")
        return TPlacement::Best;
    if (text == "equal")
        return TPlacement::EqualHeights;
    return std::nullopt;
}

TRowChoice RowsError(const TPoints& heights, const TPoints& volumes, std::vector<size_t> rows) {
    TRowChoice choice;
    for (size_t k = 0; k + 1 < rows.size(); ++k) {
        const TChord chord = ChordError(heights, volumes, rows[k], rows[k + 1]);
        if (chord.Error > choice.WorstError) {
            choice.WorstError = chord.Error;
            choice.WorstRow = chord.Row;
        }
    }
    choice.Rows = std::move(rows);
    return choice;
}

TRowChoice ChooseBestRows(const TPoints& heights, const TPoints& volumes, size_t maxRows,
                          size_t searchBudget) {
    const size_t count = heights.size();
    maxRows = std::max<size_t>(maxRows, 2);
    if (count <= maxRows)
        return RowsError(heights, volumes, AllRows(count));

    std::vector<size_t> rows{0, count - 1};
    double high = ChordError(heights, volumes, 0, count - 1).Error;
    // Rounding in the slope tests must not turn a chord exactly on the bound away.
    double largest = 0;
    for (const double volume : volumes)
        largest = std::max(largest, std::abs(volume));
    const double slack = largest * 1e-13;

    std::vector<size_t> found;
    size_t unlimited = std::numeric_limits<size_t>::max();
    if (high > 0 &&
        FarthestReach(heights, volumes, slack, maxRows, found, unlimited) == TReach::Reached) {
        rows = found;
        high = 0;
    }
    if (high > 0) {
        Narrow(FarthestReach, heights, volumes, maxRows, slack, 0, high, 1 + 1e-4, rows, unlimited);
        // The farthest reach is exact when the curve bends one way; where it wiggles a shorter
        // step can pay off later, which only the search over every chord finds.
        size_t budget = searchBudget;
        const double tighter = high / kOptimality;
        if (FewestRows(heights, volumes, tighter + slack, maxRows, found, budget) ==
            TReach::Reached) {
            high = tighter;
            rows = found;
            Narrow(FewestRows, heights, volumes, maxRows, slack, 0, high, kOptimality, rows,
                   budget);
        }
    }
    AddSpareRows(heights, volumes, maxRows, RowsError(heights, volumes, rows).WorstError, slack,
                 rows);
    return RowsError(heights, volumes, rows);
}

TRowChoice ChooseEqualHeightRows(const TPoints& heights, const TPoints& volumes, size_t maxRows) {
    const size_t count = heights.size();
    maxRows = std::max<size_t>(maxRows, 2);
    std::vector<size_t> rows;
    for (size_t k = 0; k < maxRows; ++k) {
        const double target = heights.front() + (heights.back() - heights.front()) *
                                                    static_cast<double>(k) /
                                                    static_cast<double>(maxRows - 1);
        size_t row = static_cast<size_t>(std::lower_bound(heights.begin(), heights.end(), target) -
                                         heights.begin());
        row = std::min(row, count - 1);
        if (row > 0 && target - heights[row - 1] < heights[row] - target)
            --row;
        if (k == maxRows - 1)
            row = count - 1;
        if (rows.empty() || row > rows.back())
            rows.push_back(row);
    }
    return RowsError(heights, volumes, rows);
}

TTableRows TableRows(const TFittedTable& table) {
    TTableRows rows;
    for (const TTablePoint& point : table.Points)
        rows.push_back({FormatThousandths(static_cast<uint32_t>(point.StoredHeight)),
                        FormatThousandths(static_cast<uint32_t>(point.StoredVolume))});
    return rows;
}

std::string TableCsvText(const TFittedTable& table) {
    TTankTable stored{};
    if (!StoreTable(TableRows(table), stored))
        return {};
    return ExportCsvText(stored);
}

double InterpolatedVolume(const std::vector<TTablePoint>& points, double height) {
    if (points.empty())
        return 0;
    auto heightOf = [](const TTablePoint& point) { return point.StoredHeight / 1000.0; };
    auto volumeOf = [](const TTablePoint& point) { return point.StoredVolume / 1000.0; };
    if (height <= heightOf(points.front()))
        return volumeOf(points.front());
    if (height >= heightOf(points.back()))
        return volumeOf(points.back());
    const auto above = std::upper_bound(
        points.begin(), points.end(), height,
        [&](double value, const TTablePoint& point) { return value < heightOf(point); });
    const TTablePoint& upper = *above;
    const TTablePoint& lower = *(above - 1);
    const double share = (height - heightOf(lower)) / (heightOf(upper) - heightOf(lower));
    return volumeOf(lower) + share * (volumeOf(upper) - volumeOf(lower));
}

std::optional<int32_t> StoredThousandths(double value) {
    const double scaled = std::round(value * 1000);
    if (!std::isfinite(scaled) || scaled < 0 || scaled > kLargestThousandths)
        return std::nullopt;
    return static_cast<int32_t>(scaled);
}

std::string NumberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

bool MakeTablePoints(const TPoints& heights, const TPoints& volumes,
                     const std::vector<size_t>& rows, TLengthUnit heightUnit,
                     TVolumeUnit volumeUnit, std::vector<TTablePoint>& points,
                     std::string& message) {
    points.clear();
    auto fits = [&](double value, const std::string& what, const std::string& unit) {
        if (StoredThousandths(value))
            return true;
        const std::string named = "The " + what + " " + NumberText(value) + " " + unit;
        message = value < 0 ? named + " is below zero."
                            : TooLargeMessage(named) + "; choose a larger " + what + " unit.";
        return false;
    };
    // From the last row, the largest, so that a message names the value that matters most.
    for (size_t k = rows.size(); k > 0; --k)
        if (!fits(heights[rows[k - 1]], "height", LengthUnitName(heightUnit)) ||
            !fits(volumes[rows[k - 1]], "volume", VolumeUnitName(volumeUnit)))
            return false;
    for (const size_t row : rows) {
        const TTablePoint point{heights[row], volumes[row], *StoredThousandths(heights[row]),
                                *StoredThousandths(volumes[row])};
        if (!points.empty() && point.StoredHeight == points.back().StoredHeight) {
            message = "The heights " + NumberText(points.back().Height) + " and " +
                      NumberText(point.Height) + " " + LengthUnitName(heightUnit) +
                      " are one height in the table's thousandths; choose a smaller height "
                      "unit or fewer points.";
            points.clear();
            return false;
        }
        points.push_back(point);
    }
    return true;
}
