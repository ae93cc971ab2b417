// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The linearisation table as text: the cell texts of the height/volume grid, the checks a
// table must pass before it is stored, and the "Height,Volume" CSV file. Widget-free, so the
// grid and the command-line tool share one implementation. Numbers use a full stop: the CSV
// field separator is a comma, so a comma decimal separator could not be told apart.

#include "DeviceImage.h"

#include <cstdint>
#include <string>
#include <vector>

// One point as typed: the text of its Height and Volume cells.
struct TTableRow {
    std::string Height;
    std::string Volume;
};
using TTableRows = std::vector<TTableRow>;

// The first fault a table or file showed. Row and Column name the offending cell (grid row
// 1..100; column 1 Height, 2 Volume) when there is one, else 0.
struct TTableFault {
    std::string Message;
    int Row = 0;
    int Column = 0;
    // The file could not be read or written; Message is the system's error text.
    bool FileError = false;
};

inline constexpr int kTableHeightColumn = 1;
inline constexpr int kTableVolumeColumn = 2;

// The largest value a cell can hold: the stored thousandths are a signed 32-bit number.
inline constexpr int32_t kLargestThousandths = 2147483647;

// Stored thousandths (a signed 32-bit number) as text with exactly three decimals, by integer
// arithmetic, so every stored value reads back unchanged: 2345 -> "2.345".
// The text without the blanks and control characters at either end.
std::string TrimBlanks(const std::string& text);

std::string FormatThousandths(uint32_t stored);
// Text to stored thousandths: x 1000, rounded half away from zero, low 32 bits.
// 1.2345 -> 1235, 0.0004 -> 0, -1 -> -1000. A text that is not a number gives 0.
uint32_t ParseThousandths(const std::string& text);
// The text is a number whose thousandths fit the stored form (see TooLargeMessage).
bool FitsThousandths(const std::string& text);
// text + " is too large. The largest value is 2147483.647".
std::string TooLargeMessage(const std::string& text);
// The text converts to a real number.
bool IsNumber(const std::string& text);
// One number cell: false with the message when it is not a number, below zero or too large.
bool CheckNumber(const std::string& text, std::string& message);
// CSV text as spreadsheets write it, shared with the site file. Lines end at CR, LF or CR LF
// (a final line break starts no line). The fields of a line are split at separators outside
// double quotes, trimmed, and a quoted field unquoted ("" is one quote); an empty line has none.
std::vector<std::string> SplitLines(const std::string& text);
std::vector<std::string> SplitFields(const std::string& line, char separator);
// "height,volume" with exactly one comma outside double quotes; both parts trimmed of blanks
// and control characters, and a part wrapped in double quotes unquoted ("" is one quote).
bool SplitCsvLine(const std::string& line, std::string& height, std::string& volume);

// The table's rows in use (at most 100) as cell texts, as the grid shows them.
TTableRows LoadTable(const TTankTable& table);
// Checks the rows as the grid checks its cells; on success writes the table size and the rows
// in use into the table (the rows after them keep their bytes). On failure the table is
// untouched and fault (when given) holds the first fault.
bool StoreTable(const TTableRows& rows, TTankTable& table, TTableFault* fault = nullptr);

// The CSV text of a table's rows in use: "Height,Volume", then one line per point; every line
// ends with CR LF.
std::string ExportCsvText(const TTankTable& table);
// Checks the rows (StoreTable, into a private table), then replaces the file with their CSV
// text. The file is written whole or not at all.
bool ExportCsv(const std::string& fileName, const TTableRows& rows, TTableFault* fault = nullptr);

// Outcome of reading a CSV file: the points as the grid would show them, or the first fault.
struct TCsvImport {
    bool Ok = false;
    TTableRows Rows; // empty unless Ok
    // The file line of the first point: 1 after a header line, else 0.
    int FirstLine = 0;
    TTableFault Fault;
};

// Parses CSV text (lines end at CR, LF or CR LF; lines are counted from 0 in messages). A
// leading UTF-8 byte-order mark is skipped. Values that do not fit the stored form are
// refused; signs, order and the minimum of two points are not checked here, StoreTable does.
TCsvImport ImportCsvText(const std::string& text);
// Reads the file and parses it; a file that cannot be read gives the system's error text.
TCsvImport ImportCsv(const std::string& fileName);

// What is wrong with each cell of the rows in use, for marking typing slips before a write.
enum class TCellMark {
    Good,
    Empty,
    NotNumber,  // not a number, negative or too large: refused by CheckNumber
    OutOfOrder, // smaller than the number above it
};
struct TRowMarks {
    TCellMark Height = TCellMark::Good;
    TCellMark Volume = TCellMark::Good;
};
// One entry per row up to the last row with text (StoreTable's N).
std::vector<TRowMarks> MarkTable(const TTableRows& rows);

// Rows of two columns as a spreadsheet or text editor copies them: tab, semicolon or comma
// separated (the first of these found in the text), a decimal comma taken as a point when the
// separator is not a comma, fields unquoted; a first line of two titles is skipped. False with
// the message of the first line that is not two fields.
bool ParsePastedRows(const std::string& text, TTableRows& rows, std::string& message);
// The rows as tab-separated lines, each ended by a line feed.
std::string CopiedRowsText(const TTableRows& rows);
// The CSV import's message for a table of more than 100 points.
std::string TooManyPointsMessage();
