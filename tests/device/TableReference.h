// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Interpolation in a table and the least worst error of a choice of rows, worked out the
// plain way, for checking the table fits against.

#include "TableFit.h"

#include <cstddef>
#include <vector>

namespace tabletest {

using TPoints = std::vector<double>;
using TRows = std::vector<size_t>;

// The worst error of interpolation through the rising rows over every point.
double WorstOf(const TPoints& heights, const TPoints& volumes, const TRows& rows);
// The least worst error of any choice of at most maxRows rows that keeps the first and the
// last point, by trying every one (so for a dozen points or so).
double LeastByTryingAll(const TPoints& heights, const TPoints& volumes, size_t maxRows);
// The volume at a height between stored rows, on the straight line between them.
double Interpolate(const std::vector<TTablePoint>& points, double height);

} // namespace tabletest
