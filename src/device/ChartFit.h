// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A tank's strapping chart (its calibration: the volume at many heights, as a CSV file of any
// length) read, and fitted to a table of at most 100 rows for the gauge.

#include "TableFit.h"
#include "TableUnits.h"

#include <string>
#include <vector>

// A chart's rows, in its own units; heights rise strictly and volumes do not fall.
struct TChart {
    std::vector<double> Heights;
    std::vector<double> Volumes;
    std::vector<int> Lines; // each row's line in the text, counted from 1
};

struct TChartRead {
    bool Ok = false;
    TChart Chart;
    std::string Message; // why the chart was refused: "Line 7: ..." when a line is to blame
    int Line = 0;        // that line, counted from 1; 0 when no one line is
};

// Reads "height,volume" lines. Lines end at CR, LF or CR LF; a leading UTF-8 byte-order mark is
// skipped, and so are blank lines and lines of empty fields. The first line with text may
// hold two titles. Fields are separated by a tab, a semicolon or a comma, whichever that line
// has first in this order, and every line by the same; fields may be in double quotes, and with
// a tab or a semicolon between them a decimal comma is taken for a point. A row repeating the
// one before it exactly is dropped. Refused: a line that is not two numbers, a number below
// zero, a height or a volume below the one before it, one height with two volumes, a chart of
// fewer than two rows.
TChartRead ReadChartText(const std::string& text);
// Reads the file (at most 64 MiB) and parses it; one that cannot be read gives the system's
// error text.
TChartRead ReadChartFile(const std::string& fileName);

struct TChartFitRequest {
    TLengthUnit ChartHeightUnit = TLengthUnit::Millimetre;
    TVolumeUnit ChartVolumeUnit = TVolumeUnit::Litre;
    TLengthUnit HeightUnit = TLengthUnit::Millimetre; // of the table
    TVolumeUnit VolumeUnit = TVolumeUnit::Litre;
    int Points = 100; // at most; 2 to 100
    TPlacement Placement = TPlacement::Best;
};

struct TChartFit {
    bool Ok = false;
    std::string Message; // why there is no table
    // Rows of the chart in the table's units, the first and the last always among them. The
    // worst error is the largest difference, over every row of the chart, between
    // interpolation in the stored rows and the chart; the full volume the chart's last.
    TFittedTable Table;
};

TChartFit FitChart(const TChart& chart, const TChartFitRequest& request);
