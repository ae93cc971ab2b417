// SPDX-License-Identifier: GPL-3.0-or-later
#include "TankTableCsv.h"

#include "ByteOrder.h"
#include "Values.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The CSV format and the grid both write a full stop, whatever the locale.
constexpr char kSeparator = '.';
constexpr size_t kMaxPoints = img::TableRows;
// A table of 100 points is a few kilobytes; anything far larger is not one, and reading it
// whole (or a device that never ends) must not stall the caller.
constexpr qint64 kMaxCsvBytes = 1 << 20;

bool ToReal(const std::string& text, double& value) {
    return TryStrToFloat(text, value, kSeparator) && std::isfinite(value);
}

std::string UpperCase(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

TTableFault Fault(std::string message, int row = 0, int column = 0) {
    TTableFault fault;
    fault.Message = std::move(message);
    fault.Row = row;
    fault.Column = column;
    return fault;
}

TCsvImport Failed(TTableFault fault) {
    TCsvImport result;
    result.Fault = std::move(fault);
    return result;
}

std::string NotInFormat(const std::string& line, size_t index) {
    return "Error with text:\n" + line + " [line " + std::to_string(index) +
           "]\n\nNot in the format Height,Volume";
}

std::string NotANumber(const std::string& text, size_t index) {
    return text + " is not a valid floating point number [line " + std::to_string(index) + "]";
}

// Thousandths of a number, rounded half away from zero (so a refused -1 reads -1.000).
bool RoundedThousandths(const std::string& text, double& rounded) {
    double value = 0;
    if (!ToReal(text, value))
        return false;
    const double scaled = value * 1000;
    rounded = std::trunc(scaled + (scaled < 0 ? -0.5 : 0.5));
    return true;
}

bool IsQuoted(const std::string& field) {
    return field.size() >= 2 && field.front() == '"' && field.back() == '"';
}

// A field wrapped in double quotes, as spreadsheets write them, without its quotes.
std::string Unquote(const std::string& field) {
    if (!IsQuoted(field))
        return field;
    std::string inner;
    for (size_t i = 1; i + 1 < field.size(); ++i) {
        inner += field[i];
        if (field[i] == '"' && field[i + 1] == '"' && i + 2 < field.size())
            ++i;
    }
    return TrimBlanks(inner);
}

// A value the stored form cannot hold, with the line it is on.
std::string DoesNotFit(const std::string& text, size_t index) {
    double rounded = 0;
    RoundedThousandths(text, rounded);
    if (rounded < 0)
        return text + " must be a positive number [line " + std::to_string(index) + "]";
    return TooLargeMessage(text) + " [line " + std::to_string(index) + "]";
}

} // namespace

// Lines end at CR, LF or CR LF; a final line break does not start another line.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    bool open = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            open = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            current += c;
            open = true;
        }
    }
    if (open)
        lines.push_back(current);
    return lines;
}

std::vector<std::string> SplitFields(const std::string& line, char separator) {
    std::vector<std::string> fields;
    if (line.empty())
        return fields;
    bool quoted = false;
    size_t begin = 0;
    for (size_t i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] == '"')
            quoted = !quoted;
        if (i == line.size() || (line[i] == separator && !quoted)) {
            fields.push_back(Unquote(TrimBlanks(line.substr(begin, i - begin))));
            begin = i + 1;
        }
    }
    return fields;
}

std::string TrimBlanks(const std::string& text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string FormatThousandths(uint32_t stored) {
    const int64_t value = static_cast<int32_t>(stored);
    const int64_t magnitude = value < 0 ? -value : value;
    const std::string fraction = std::to_string(magnitude % 1000);
    return (value < 0 ? "-" : "") + std::to_string(magnitude / 1000) + kSeparator +
           std::string(3 - fraction.size(), '0') + fraction;
}

uint32_t ParseThousandths(const std::string& text) {
    double rounded = 0;
    if (!RoundedThousandths(text, rounded))
        return 0;
    // The low 32 bits, taken arithmetically so that no value, however large, overflows a
    // conversion; the checks keep such values from being stored.
    double low = std::fmod(rounded, 4294967296.0);
    if (low < 0)
        low += 4294967296.0;
    return static_cast<uint32_t>(low);
}

bool FitsThousandths(const std::string& text) {
    double rounded = 0;
    return RoundedThousandths(text, rounded) && rounded <= kLargestThousandths &&
           rounded >= -2147483648.0;
}

std::string TooLargeMessage(const std::string& text) {
    return text + " is too large. The largest value is 2147483.647";
}

std::string TooManyPointsMessage() {
    return "Too many data points. Maximum size = 100 points";
}

bool IsNumber(const std::string& text) {
    double value = 0;
    return ToReal(text, value);
}

bool CheckNumber(const std::string& text, std::string& message) {
    double value = 0;
    if (!ToReal(text, value)) {
        message = text + " is not a valid floating point number.";
        return false;
    }
    if (value < 0) {
        message = text + " must be a positive number.";
        return false;
    }
    if (!FitsThousandths(text)) {
        message = TooLargeMessage(text);
        return false;
    }
    return true;
}

bool SplitCsvLine(const std::string& line, std::string& height, std::string& volume) {
    const std::vector<std::string> fields = SplitFields(line, ',');
    if (fields.size() != 2)
        return false;
    height = fields[0];
    volume = fields[1];
    return true;
}

TTableRows LoadTable(const TTankTable& table) {
    TTableRows rows;
    const size_t used = std::min<size_t>(table[img::TableSizeOffset], kMaxPoints);
    for (size_t i = 0; i < used; ++i) {
        const uint8_t* row = table.data() + img::TableRowsOffset + i * img::TableRowSize;
        rows.push_back({FormatThousandths(GetBE32(row + img::TableRowHeight)),
                        FormatThousandths(GetBE32(row + img::TableRowVolume))});
    }
    return rows;
}

bool StoreTable(const TTableRows& rows, TTankTable& table, TTableFault* fault) {
    auto fail = [&](TTableFault found) {
        if (fault)
            *fault = std::move(found);
        return false;
    };

    size_t count = 0;
    for (size_t i = rows.size(); i > 0; --i) {
        if (!rows[i - 1].Height.empty() || !rows[i - 1].Volume.empty()) {
            count = i;
            break;
        }
    }
    if (count < 2)
        return fail(Fault("Can not write an empty table.  You must have at least two pairs in "
                          "the table.\nPlease insert some points."));
    if (count > kMaxPoints)
        return fail(
            Fault(TooManyPointsMessage(), static_cast<int>(kMaxPoints) + 1, kTableHeightColumn));

    // Each check walks the rows in the order the user is shown the faults.
    for (size_t i = count; i > 0; --i) {
        const int row = static_cast<int>(i);
        if (rows[i - 1].Height.empty())
            return fail(
                Fault("There can not be empty cells in the table.", row, kTableHeightColumn));
        if (rows[i - 1].Volume.empty())
            return fail(
                Fault("There can not be empty cells in the table.", row, kTableVolumeColumn));
    }
    std::vector<double> heights(count);
    std::vector<double> volumes(count);
    for (size_t i = 0; i < count; ++i) {
        const int row = static_cast<int>(i + 1);
        std::string message;
        if (!CheckNumber(rows[i].Height, message))
            return fail(Fault(message, row, kTableHeightColumn));
        if (!CheckNumber(rows[i].Volume, message))
            return fail(Fault(message, row, kTableVolumeColumn));
        ToReal(rows[i].Height, heights[i]);
        ToReal(rows[i].Volume, volumes[i]);
    }
    for (size_t i = 1; i < count; ++i) {
        const int row = static_cast<int>(i + 1);
        const std::string message = "Values must escalate in asceding order.\nThis value [line" +
                                    std::to_string(row) +
                                    "] must be greater than the value above it";
        if (heights[i] < heights[i - 1])
            return fail(Fault(message, row, kTableHeightColumn));
        if (volumes[i] < volumes[i - 1])
            return fail(Fault(message, row, kTableVolumeColumn));
    }

    table[img::TableSizeOffset] = static_cast<uint8_t>(count);
    for (size_t i = 0; i < count; ++i) {
        uint8_t* row = table.data() + img::TableRowsOffset + i * img::TableRowSize;
        PutBE32(row + img::TableRowHeight, ParseThousandths(rows[i].Height));
        PutBE32(row + img::TableRowVolume, ParseThousandths(rows[i].Volume));
    }
    return true;
}

std::string ExportCsvText(const TTankTable& table) {
    std::string text = "Height,Volume\r\n";
    for (const TTableRow& row : LoadTable(table))
        text += row.Height + "," + row.Volume + "\r\n";
    return text;
}

bool ExportCsv(const std::string& fileName, const TTableRows& rows, TTableFault* fault) {
    TTankTable table{};
    if (!StoreTable(rows, table, fault))
        return false;
    const std::string text = ExportCsvText(table);
    QSaveFile file(QString::fromStdString(fileName));
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.write(text.data(), static_cast<qint64>(text.size())) ==
                             static_cast<qint64>(text.size()) &&
                         file.commit();
    if (!written) {
        if (fault) {
            *fault = Fault(file.errorString().toStdString());
            fault->FileError = true;
        }
        return false;
    }
    return true;
}

TCsvImport ImportCsvText(const std::string& text) {
    // What a spreadsheet's "CSV UTF-8" export writes first.
    const std::string bom = "\xEF\xBB\xBF";
    const std::vector<std::string> lines =
        SplitLines(text.compare(0, bom.size(), bom) == 0 ? text.substr(bom.size()) : text);
    if (lines.empty())
        return Failed(Fault("Empty file"));

    std::string first;
    std::string second;
    if (!SplitCsvLine(lines[0], first, second))
        return Failed(Fault(NotInFormat(lines[0], 0)));
    first = UpperCase(first);
    second = UpperCase(second);
    size_t start = 0;
    if (!IsNumber(first) || !IsNumber(second)) {
        if (first != "HEIGHT")
            return Failed(Fault("Height column must be titled 'Height'"));
        if (second != "VOLUME")
            return Failed(Fault("Volume column must be titled 'Volume'"));
        start = 1;
    }
    if (lines.size() <= start)
        return Failed(Fault("No points found in file"));
    if (lines.size() - start > kMaxPoints)
        return Failed(Fault(TooManyPointsMessage()));

    TTankTable table{};
    for (size_t i = start; i < lines.size(); ++i) {
        std::string height;
        std::string volume;
        const int row = static_cast<int>(i - start + 1);
        if (!SplitCsvLine(lines[i], height, volume))
            return Failed(Fault(NotInFormat(lines[i], i), row, kTableHeightColumn));
        if (!IsNumber(height))
            return Failed(Fault(NotANumber(height, i), row, kTableHeightColumn));
        if (!FitsThousandths(height))
            return Failed(Fault(DoesNotFit(height, i), row, kTableHeightColumn));
        if (!IsNumber(volume))
            return Failed(Fault(NotANumber(volume, i), row, kTableVolumeColumn));
        if (!FitsThousandths(volume))
            return Failed(Fault(DoesNotFit(volume, i), row, kTableVolumeColumn));
        uint8_t* stored = table.data() + img::TableRowsOffset + (i - start) * img::TableRowSize;
        PutBE32(stored + img::TableRowHeight, ParseThousandths(height));
        PutBE32(stored + img::TableRowVolume, ParseThousandths(volume));
    }
    table[img::TableSizeOffset] = static_cast<uint8_t>(lines.size() - start);

    TCsvImport result;
    result.Ok = true;
    result.Rows = LoadTable(table);
    result.FirstLine = static_cast<int>(start);
    return result;
}

TCsvImport ImportCsv(const std::string& fileName) {
    const QString name = QString::fromStdString(fileName);
    auto fileError = [](std::string message) {
        TTableFault fault = Fault(std::move(message));
        fault.FileError = true;
        return Failed(std::move(fault));
    };
    const QFileInfo info(name);
    // A FIFO or a device would block the open or never end.
    if (info.exists() && !info.isFile())
        return fileError("Not a regular file");
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return fileError(file.errorString().toStdString());
    const QByteArray bytes = file.read(kMaxCsvBytes + 1);
    if (bytes.size() > kMaxCsvBytes)
        return fileError("File too large");
    if (file.error() != QFileDevice::NoError)
        return fileError(file.errorString().toStdString());
    return ImportCsvText(bytes.toStdString());
}

std::vector<TRowMarks> MarkTable(const TTableRows& rows) {
    size_t count = rows.size();
    while (count > 0 && rows[count - 1].Height.empty() && rows[count - 1].Volume.empty())
        --count;
    std::vector<TRowMarks> marks(count);
    // A number smaller than a number directly above it is out of order, as StoreTable sees it.
    auto mark = [](const std::string& text, const std::string* above) {
        std::string message;
        if (text.empty())
            return TCellMark::Empty;
        if (!CheckNumber(text, message))
            return TCellMark::NotNumber;
        double value = 0;
        double previous = 0;
        if (above && CheckNumber(*above, message) && ToReal(*above, previous) &&
            ToReal(text, value) && value < previous)
            return TCellMark::OutOfOrder;
        return TCellMark::Good;
    };
    for (size_t i = 0; i < count; ++i) {
        marks[i].Height = mark(rows[i].Height, i > 0 ? &rows[i - 1].Height : nullptr);
        marks[i].Volume = mark(rows[i].Volume, i > 0 ? &rows[i - 1].Volume : nullptr);
    }
    return marks;
}

bool ParsePastedRows(const std::string& text, TTableRows& rows, std::string& message) {
    rows.clear();
    char separator = ',';
    if (text.find('\t') != std::string::npos)
        separator = '\t';
    else if (text.find(';') != std::string::npos)
        separator = ';';
    const std::vector<std::string> lines = SplitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::vector<std::string> fields = SplitFields(lines[i], separator);
        if (fields.size() != 2) {
            message = NotInFormat(lines[i], i);
            return false;
        }
        if (separator != ',')
            for (std::string& field : fields)
                std::replace(field.begin(), field.end(), ',', kSeparator);
        // Column titles copied along with the numbers.
        if (i == 0 && !fields[0].empty() && !fields[1].empty() && !IsNumber(fields[0]) &&
            !IsNumber(fields[1]))
            continue;
        rows.push_back({fields[0], fields[1]});
    }
    return true;
}

std::string CopiedRowsText(const TTableRows& rows) {
    std::string text;
    for (const TTableRow& row : rows)
        text += row.Height + "\t" + row.Volume + "\n";
    return text;
}
