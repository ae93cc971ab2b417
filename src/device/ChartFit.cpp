// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChartFit.h"

#include "TankTableCsv.h"
#include "Values.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <tuple>

namespace {

// A chart of 100,000 rows is a few megabytes; far more is not a chart.
constexpr qint64 kMaxChartBytes = qint64{64} << 20;

// The separator ParsePastedRows splits a text at.
char SeparatorOf(const std::string& line) {
    for (const char separator : {'\t', ';'})
        if (line.find(separator) != std::string::npos)
            return separator;
    return ',';
}

std::string SeparatorName(char separator) {
    switch (separator) {
    case '\t':
        return "a tab";
    case ';':
        return "a semicolon";
    default:
        return "a comma";
    }
}

TChartRead Refused(int line, const std::string& message) {
    TChartRead read;
    read.Line = line;
    read.Message = (line > 0 ? "Line " + std::to_string(line) + ": " : "") + message;
    return read;
}

std::string FileError(const QString& text) {
    return text.toStdString();
}

TChartFit FitFailed(std::string message) {
    TChartFit fit;
    fit.Message = std::move(message);
    return fit;
}

} // namespace

TChartRead ReadChartText(const std::string& text) {
    const std::string bom = "\xEF\xBB\xBF";
    const size_t start = text.compare(0, bom.size(), bom) == 0 ? bom.size() : 0;

    TChartRead read;
    TChart& chart = read.Chart;
    // The chart's separator is the first row's; a line of titles before it may have its own.
    char separator = 0;
    bool titlesAllowed = true;
    int number = 0;
    size_t begin = start;
    while (begin < text.size()) {
        size_t end = text.find_first_of("\r\n", begin);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = TrimBlanks(text.substr(begin, end - begin));
        begin = end + (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
        ++number;
        if (line.empty())
            continue;

        const char own = SeparatorOf(line);
        TTableRows fields;
        std::string unused;
        const bool twoFields =
            (separator == 0 || own == separator) && ParsePastedRows(line, fields, unused);
        if (!twoFields)
            return Refused(number, "not a height and a volume separated by " +
                                       SeparatorName(separator == 0 ? own : separator) + ": " +
                                       line);
        if (fields.empty()) { // two titles
            if (!titlesAllowed)
                return Refused(number, "not a height and a volume: " + line);
            titlesAllowed = false;
            continue;
        }
        titlesAllowed = false;
        const TTableRow& row = fields.front();
        if (row.Height.empty() && row.Volume.empty())
            continue;
        separator = own;

        double height = 0;
        double volume = 0;
        for (const auto& [field, value, name] : {std::tuple{&row.Height, &height, "height"},
                                                 std::tuple{&row.Volume, &volume, "volume"}}) {
            if (field->empty())
                return Refused(number, std::string("the ") + name + " is missing: " + line);
            if (!TryStrToFloat(*field, *value, '.') || !std::isfinite(*value))
                return Refused(number, "'" + *field + "' is not a number.");
            if (*value < 0)
                return Refused(number,
                               std::string("the ") + name + " " + *field + " is below zero.");
        }
        if (!chart.Heights.empty()) {
            const double lastHeight = chart.Heights.back();
            const double lastVolume = chart.Volumes.back();
            const std::string before = " of line " + std::to_string(chart.Lines.back()) + ".";
            if (height < lastHeight)
                return Refused(number, "the height " + row.Height + " is below the height " +
                                           NumberText(lastHeight) + before);
            if (height == lastHeight && volume == lastVolume)
                continue;
            if (height == lastHeight)
                return Refused(number, "the height " + row.Height +
                                           " has another volume than it has on line " +
                                           std::to_string(chart.Lines.back()) + ".");
            if (volume < lastVolume)
                return Refused(number, "the volume " + row.Volume + " is below the volume " +
                                           NumberText(lastVolume) + before);
        }
        chart.Heights.push_back(height);
        chart.Volumes.push_back(volume);
        chart.Lines.push_back(number);
    }
    if (chart.Heights.size() < 2)
        return Refused(0, "A chart needs at least two rows of a height and a volume.");
    read.Ok = true;
    return read;
}

TChartRead ReadChartFile(const std::string& fileName) {
    const QString name = QString::fromStdString(fileName);
    const QFileInfo info(name);
    // A FIFO or a device would block the open or never end.
    if (info.exists() && !info.isFile())
        return Refused(0, "Not a regular file");
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return Refused(0, FileError(file.errorString()));
    const QByteArray bytes = file.read(kMaxChartBytes + 1);
    if (bytes.size() > kMaxChartBytes)
        return Refused(0, "File too large");
    if (file.error() != QFileDevice::NoError)
        return Refused(0, FileError(file.errorString()));
    return ReadChartText(bytes.toStdString());
}

TChartFit FitChart(const TChart& chart, const TChartFitRequest& request) {
    if (request.Points < 2 || request.Points > static_cast<int>(img::TableRows))
        return FitFailed("The number of points must be 2 to 100.");
    const size_t count = chart.Heights.size();
    if (count < 2 || chart.Volumes.size() != count)
        return FitFailed("A chart needs at least two rows of a height and a volume.");
    std::vector<double> heights(count);
    std::vector<double> volumes(count);
    for (size_t k = 0; k < count; ++k) {
        heights[k] = ConvertLength(chart.Heights[k], request.ChartHeightUnit, request.HeightUnit);
        volumes[k] = ConvertVolume(chart.Volumes[k], request.ChartVolumeUnit, request.VolumeUnit);
        const bool ordered =
            k == 0 || (heights[k] > heights[k - 1] && volumes[k] >= volumes[k - 1]);
        if (!std::isfinite(heights[k]) || !std::isfinite(volumes[k]) || heights[k] < 0 ||
            volumes[k] < 0 || !ordered)
            return FitFailed("The chart's heights must rise and its volumes must not fall.");
    }

    const size_t most = static_cast<size_t>(request.Points);
    const TRowChoice choice = request.Placement == TPlacement::Best
                                  ? ChooseBestRows(heights, volumes, most)
                                  : ChooseEqualHeightRows(heights, volumes, most);
    TChartFit fit;
    TFittedTable& table = fit.Table;
    table.HeightUnit = request.HeightUnit;
    table.VolumeUnit = request.VolumeUnit;
    table.FullVolume = volumes.back();
    std::string message;
    if (!MakeTablePoints(heights, volumes, choice.Rows, request.HeightUnit, request.VolumeUnit,
                         table.Points, message))
        return FitFailed(message);
    for (size_t k = 0; k < count; ++k) {
        const double error = std::abs(InterpolatedVolume(table.Points, heights[k]) - volumes[k]);
        if (error > table.WorstError) {
            table.WorstError = error;
            table.WorstErrorHeight = heights[k];
        }
    }
    table.WorstErrorPercent = table.FullVolume > 0 ? table.WorstError / table.FullVolume * 100 : 0;
    fit.Ok = true;
    return fit;
}
