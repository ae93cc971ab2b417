// SPDX-License-Identifier: GPL-3.0-or-later
#include "TableReference.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace tabletest {

double WorstOf(const TPoints& heights, const TPoints& volumes, const TRows& rows) {
    double worst = 0;
    for (size_t s = 0; s + 1 < rows.size(); ++s) {
        const size_t a = rows[s];
        const size_t b = rows[s + 1];
        for (size_t k = a; k <= b; ++k) {
            const double share = (heights[k] - heights[a]) / (heights[b] - heights[a]);
            worst = std::max(
                worst, std::abs(volumes[k] - ((1 - share) * volumes[a] + share * volumes[b])));
        }
    }
    return worst;
}

double LeastByTryingAll(const TPoints& heights, const TPoints& volumes, size_t maxRows) {
    const size_t inner = heights.size() - 2;
    double least = std::numeric_limits<double>::infinity();
    for (unsigned mask = 0; mask < (1u << inner); ++mask) {
        if (static_cast<size_t>(std::popcount(mask)) + 2 > maxRows)
            continue;
        TRows rows{0};
        for (size_t k = 0; k < inner; ++k)
            if (mask & (1u << k))
                rows.push_back(k + 1);
        rows.push_back(heights.size() - 1);
        least = std::min(least, WorstOf(heights, volumes, rows));
    }
    return least;
}

double Interpolate(const std::vector<TTablePoint>& points, double height) {
    for (size_t k = 0; k + 1 < points.size(); ++k) {
        const double lowHeight = points[k].StoredHeight / 1000.0;
        const double highHeight = points[k + 1].StoredHeight / 1000.0;
        if (height <= highHeight || k + 2 == points.size()) {
            const double lowVolume = points[k].StoredVolume / 1000.0;
            const double highVolume = points[k + 1].StoredVolume / 1000.0;
            return lowVolume +
                   (highVolume - lowVolume) * (height - lowHeight) / (highHeight - lowHeight);
        }
    }
    return points.empty() ? 0 : points.front().StoredVolume / 1000.0;
}

} // namespace tabletest
