// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Choosing the few rows of a tank table (the gauge holds at most 100) from many points of a
// height/volume curve, so that straight-line interpolation through them stays close to every
// point; and the chosen rows as the table stores them. Shared by the tables worked out from a
// tank's shape and those fitted to a strapping chart.

#include "TableUnits.h"
#include "TankTableCsv.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class TPlacement {
    Best,         // the rows that keep the worst interpolation error smallest
    EqualHeights, // rows at equal steps of height
};
// "best", "equal".
std::string PlacementName(TPlacement placement);
std::optional<TPlacement> ParsePlacement(const std::string& text);

// Rows chosen from a list of points, and how far interpolation through them strays.
struct TRowChoice {
    std::vector<size_t> Rows; // indices into the points, rising; always the first and the last
    // The largest |volume - interpolated volume| over every point, and the point it is at.
    double WorstError = 0;
    size_t WorstRow = 0;
};

// The points' heights must rise strictly and the two lists be of one length, at least 2.

// How many points the search over every chord (see ChooseBestRows) may look at in all: about
// 0.2 s. Enough for 10,000 points that curve throughout, or a few thousand along a straight
// stretch (each point's chords span the whole stretch).
inline constexpr size_t kChordSearchBudget = 60'000'000;

// At most maxRows (2 or more) of the points, chosen so that the worst error over all of them is
// within 0.5 % of the least any choice of that many rows can reach. Found in two steps: from
// each chosen row on to the farthest row whose chord keeps every point within a bound, the
// least such bound sought by halving; this is the least wherever the curve bends one way
// between the rows. A chart that wiggles can do better with a shorter step that pays off
// later, which a search over every chord within the bound finds; it stops when it has looked
// at searchBudget points and the first step's choice stands. Spare rows, when the least needs
// fewer, go where they lower the error elsewhere without raising the worst, so a choice uses
// min(maxRows, points) rows unless no row can be added without making the worst worse.
TRowChoice ChooseBestRows(const std::vector<double>& heights, const std::vector<double>& volumes,
                          size_t maxRows, size_t searchBudget = kChordSearchBudget);
// The points nearest to maxRows equally spaced heights from the first to the last (a point
// nearest to two of them is taken once).
TRowChoice ChooseEqualHeightRows(const std::vector<double>& heights,
                                 const std::vector<double>& volumes, size_t maxRows);
// The worst error over all points of interpolation through the given rising rows (the first
// and the last point among them).
TRowChoice RowsError(const std::vector<double>& heights, const std::vector<double>& volumes,
                     std::vector<size_t> rows);

// One row of a worked-out table: its values in the table's units and as the table stores them.
struct TTablePoint {
    double Height = 0;
    double Volume = 0;
    // Thousandths of the units, rounded half away from zero as ParseThousandths rounds.
    int32_t StoredHeight = 0;
    int32_t StoredVolume = 0;
};

// A worked-out table and the error of interpolating in it as the gauge does, as stored.
struct TFittedTable {
    TLengthUnit HeightUnit = TLengthUnit::Millimetre;
    TVolumeUnit VolumeUnit = TVolumeUnit::Litre;
    std::vector<TTablePoint> Points;
    double FullVolume = 0;
    // The largest |interpolated - true volume|, in the volume unit and as a percentage of the
    // full volume, and the height it is at.
    double WorstError = 0;
    double WorstErrorPercent = 0;
    double WorstErrorHeight = 0;
};

// The rows as the grid shows them and StoreTable takes them.
TTableRows TableRows(const TFittedTable& table);
// The table's CSV file text (ExportCsvText of the stored table).
std::string TableCsvText(const TFittedTable& table);
// The volume interpolated in the stored rows at a height in the table's unit, as the gauge
// reads it; below the first row the first volume, above the last the last.
double InterpolatedVolume(const std::vector<TTablePoint>& points, double height);

// A value as stored thousandths; nothing when below zero or above 2147483.647 (or not finite).
std::optional<int32_t> StoredThousandths(double value);
// The chosen rows of the points as table rows. False with the message when a height or volume
// does not fit the stored form or two rows fall on one stored height.
bool MakeTablePoints(const std::vector<double>& heights, const std::vector<double>& volumes,
                     const std::vector<size_t>& rows, TLengthUnit heightUnit,
                     TVolumeUnit volumeUnit, std::vector<TTablePoint>& points,
                     std::string& message);
// A number as the messages show it: up to 9 significant digits, no trailing zeros.
std::string NumberText(double value);
