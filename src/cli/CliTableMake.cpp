// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliTables.h"

#include "CliCommands.h"
#include "CliOutput.h"

#include <QJsonArray>

#include <cerrno>
#include <cstring>

namespace {

std::string WorstErrorText(const TFittedTable& table) {
    const std::string volumeUnit = VolumeUnitName(table.VolumeUnit);
    const std::string lengthUnit = LengthUnitName(table.HeightUnit);
    return "Worst interpolation error " + NumberText(table.WorstError) + " " + volumeUnit + " (" +
           NumberText(table.WorstErrorPercent) + " % of " + NumberText(table.FullVolume) + " " +
           volumeUnit + ") at height " + NumberText(table.WorstErrorHeight) + " " + lengthUnit +
           "; " + std::to_string(table.Points.size()) + " points";
}

QJsonObject TableJson(const TFittedTable& table, const std::string& file) {
    QJsonArray rows;
    for (const TTablePoint& point : table.Points)
        rows.append(QJsonObject{{"height", point.StoredHeight / 1000.0},
                                {"volume", point.StoredVolume / 1000.0}});
    QJsonObject json{
        {"points", static_cast<int>(table.Points.size())},
        {"length_unit", QString::fromStdString(LengthUnitName(table.HeightUnit))},
        {"volume_unit", QString::fromStdString(VolumeUnitName(table.VolumeUnit))},
        {"full_volume", table.FullVolume},
        {"worst_error", QJsonObject{{"volume", table.WorstError},
                                    {"percent", table.WorstErrorPercent},
                                    {"height", table.WorstErrorHeight}}},
        {"rows", rows},
    };
    if (file != "-")
        json["file"] = QString::fromStdString(file);
    return json;
}

// The table to OUT.csv or stdout, the worst error to stderr, with --json the table on stdout.
int WriteTable(const TCliOptions& options, const TFittedTable& table) {
    const bool toStdout = options.File == "-";
    if (!toStdout) {
        TTableFault fault;
        if (!ExportCsv(options.File, TableRows(table), &fault)) {
            ReportError("cannot write " + options.File + ": " + fault.Message);
            return esFileFailure;
        }
    }
    if (options.Json)
        OutJson(TableJson(table, options.File));
    else if (toStdout)
        Out(TableCsvText(table));
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        ReportError(std::string("cannot write the output: ") + std::strerror(errno));
        return esFileFailure;
    }
    std::fprintf(stderr, "%s\n", Printable(WorstErrorText(table)).c_str());
    return esSuccess;
}

} // namespace

int RunTableMake(const TCliOptions& options) {
    const TShapeTable made = ShapeTable(options.ShapeRequest);
    if (!made.Ok) {
        // The options describe no tank: a usage error, like any other bad option.
        ReportError("table-make: " + made.Message);
        return esUsage;
    }
    return WriteTable(options, made.Table);
}

int RunTableFit(const TCliOptions& options) {
    const TChartRead read = ReadChartFile(options.Chart);
    if (!read.Ok) {
        ReportError(options.Chart + ": " + read.Message);
        return esFileFailure;
    }
    const TChartFit fitted = FitChart(read.Chart, options.FitRequest);
    if (!fitted.Ok) {
        ReportError(options.Chart + ": " + fitted.Message);
        return esFileFailure;
    }
    return WriteTable(options, fitted.Table);
}
