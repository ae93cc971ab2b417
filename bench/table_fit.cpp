// SPDX-License-Identifier: GPL-3.0-or-later
// Times the fit of long strapping charts to a 100-row table and compares the worst
// interpolation error of the best rows with that of rows at equal heights. The charts are of a
// lying cylinder with ASME flanged and dished heads, 2 m across and 6 m long, read at unevenly
// spaced heights of a slightly out-of-round shell (its level warped by a smooth ripple), so
// that no two charts are alike and none is an exact formula. Also times reading a chart's CSV
// text and working the same tank's table out from its shape.
#include "ChartFit.h"
#include "TankGeometry.h"

#include <QElapsedTimer>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kPoints = 100;

TTankShape Tank() {
    TTankShape shape;
    shape.Kind = TTankKind::HorizontalCylinder;
    shape.Diameter = 2000;
    shape.Length = 6000;
    shape.Ends.Kind = THeadKind::Torispherical;
    return shape;
}

TChart Chart(const TTankGeometry& tank, size_t rows) {
    const double full = tank.FullHeight();
    const double step = full / static_cast<double>(rows - 1);
    TChart chart;
    for (size_t k = 0; k < rows; ++k) {
        const double i = static_cast<double>(k);
        const bool inner = k > 0 && k + 1 < rows;
        const double h = i * step + (inner ? 0.3 * step * std::sin(1.7 * i) : 0);
        // Seven waves of 0.2 % of the diameter over the height: still rising, still 0 to full.
        const double warped = h + 0.002 * full / (2 * kPi * 7) * std::sin(2 * kPi * 7 * h / full);
        chart.Heights.push_back(h);
        chart.Volumes.push_back(tank.Volume(warped) * 1e-6); // litres
        chart.Lines.push_back(static_cast<int>(k + 1));
    }
    return chart;
}

std::string CsvText(const TChart& chart) {
    std::string text = "Height (mm),Volume (l)\r\n";
    char line[64];
    for (size_t k = 0; k < chart.Heights.size(); ++k) {
        std::snprintf(line, sizeof line, "%.6f,%.6f\r\n", chart.Heights[k], chart.Volumes[k]);
        text += line;
    }
    return text;
}

double Milliseconds(const QElapsedTimer& clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main() {
    std::string message;
    const std::optional<TTankGeometry> tank = TTankGeometry::Make(Tank(), message);
    if (!tank) {
        std::fprintf(stderr, "%s\n", message.c_str());
        return 1;
    }
    std::printf("Chart of a lying 2 m x 6 m tank with ASME F&D heads (%.1f l), fitted to %d "
                "rows in mm and l\n\n",
                tank->FullVolume() * 1e-6, kPoints);
    std::printf("%8s %9s %9s | %9s %10s %9s | %9s %10s %9s\n", "rows", "read ms", "fit ms",
                "best l", "best %", "at mm", "equal l", "equal %", "at mm");
    for (const size_t rows : {size_t{1000}, size_t{10000}, size_t{100000}}) {
        const TChart chart = Chart(*tank, rows);
        const std::string text = CsvText(chart);
        QElapsedTimer clock;
        clock.start();
        const TChartRead read = ReadChartText(text);
        const double readTime = Milliseconds(clock);
        if (!read.Ok) {
            std::fprintf(stderr, "%s\n", read.Message.c_str());
            return 1;
        }
        TChartFitRequest request;
        request.Points = kPoints;
        clock.restart();
        const TChartFit best = FitChart(read.Chart, request);
        const double fitTime = Milliseconds(clock);
        request.Placement = TPlacement::EqualHeights;
        const TChartFit equal = FitChart(read.Chart, request);
        if (!best.Ok || !equal.Ok) {
            std::fprintf(stderr, "%s\n", (best.Ok ? equal : best).Message.c_str());
            return 1;
        }
        std::printf("%8zu %9.1f %9.1f | %9.4f %10.6f %9.1f | %9.4f %10.6f %9.1f\n", rows, readTime,
                    fitTime, best.Table.WorstError, best.Table.WorstErrorPercent,
                    best.Table.WorstErrorHeight, equal.Table.WorstError,
                    equal.Table.WorstErrorPercent, equal.Table.WorstErrorHeight);
    }

    std::printf("\nThe same tank's table from its shape (worst error over every height)\n");
    for (const TPlacement placement : {TPlacement::Best, TPlacement::EqualHeights}) {
        TShapeTableRequest request;
        request.Shape = Tank();
        request.Placement = placement;
        QElapsedTimer clock;
        clock.start();
        const TShapeTable table = ShapeTable(request);
        const double time = Milliseconds(clock);
        if (!table.Ok) {
            std::fprintf(stderr, "%s\n", table.Message.c_str());
            return 1;
        }
        std::printf("%-6s %9.1f ms   worst %.4f l = %.6f %% at %.1f mm\n",
                    PlacementName(placement).c_str(), time, table.Table.WorstError,
                    table.Table.WorstErrorPercent, table.Table.WorstErrorHeight);
    }
    return 0;
}
