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

// Stored thousandths (a signed 32-bit number) as text with three decimals: 2345 -> "2.345".
std::string FormatThousandths(uint32_t stored);
// Text to stored thousandths: x 1000, + 0.5, truncated toward zero, low 32 bits.
// 1.2345 -> 1235, 0.0004 -> 0. A text that is not a number gives 0.
uint32_t ParseThousandths(const std::string& text);
// The text converts to a real number.
bool IsNumber(const std::string& text);
// One number cell: false with the message when it is not a number or below zero.
bool CheckNumber(const std::string& text, std::string& message);
// "height,volume" with exactly one comma; both parts trimmed of blanks and control characters.
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

// Parses CSV text (lines end at CR, LF or CR LF; lines are counted from 0 in messages). Signs,
// order and the minimum of two points are not checked here; StoreTable does that.
TCsvImport ImportCsvText(const std::string& text);
// Reads the file and parses it; a file that cannot be read gives the system's error text.
TCsvImport ImportCsv(const std::string& fileName);
