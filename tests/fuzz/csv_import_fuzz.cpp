// SPDX-License-Identifier: GPL-3.0-or-later
// The linearisation table's CSV import, then the checks a table passes before it is stored,
// on what the import produced, on the lines taken as typed cells (with the grid's slip marks)
// and on the text pasted into the grid.

#include "FuzzHarness.h"

#include "TankTableCsv.h"

#include <string>

namespace {

// Each line "height,volume" (or just text) as the two cells of one grid row.
TTableRows TypedCells(const std::string& text) {
    TTableRows rows;
    size_t begin = 0;
    while (begin <= text.size() && rows.size() < 110) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(begin, end - begin);
        const size_t comma = line.find(',');
        rows.push_back(comma == std::string::npos
                           ? TTableRow{line, std::string()}
                           : TTableRow{line.substr(0, comma), line.substr(comma + 1)});
        begin = end + 1;
    }
    return rows;
}

bool Store(const TTableRows& rows) {
    TTankTable table{};
    table.fill(0xA5);
    const TTankTable untouched = table;
    TTableFault fault;
    if (!StoreTable(rows, table, &fault)) {
        FUZZ_CHECK(table == untouched);
        FUZZ_CHECK(!fault.Message.empty());
        return false;
    }
    FUZZ_CHECK(table[img::TableSizeOffset] >= 2 && table[img::TableSizeOffset] <= img::TableRows);
    // What the export writes imports again, point for point.
    const TCsvImport again = ImportCsvText(ExportCsvText(table));
    FUZZ_CHECK(again.Ok);
    FUZZ_CHECK(again.Rows.size() == table[img::TableSizeOffset]);
    return true;
}

} // namespace

bool FuzzOne(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const TCsvImport imported = ImportCsvText(text);
    bool taken = false;
    if (imported.Ok) {
        FUZZ_CHECK(!imported.Rows.empty() && imported.Rows.size() <= img::TableRows);
        taken = Store(imported.Rows);
    } else {
        FUZZ_CHECK(imported.Rows.empty() && !imported.Fault.Message.empty());
    }
    const TTableRows typed = TypedCells(text);
    Store(typed);
    // The slips the grid marks before a write agree with the checks: a table with no mark
    // is stored, one with a mark is not (a single row is never enough).
    const std::vector<TRowMarks> marks = MarkTable(typed);
    bool marked = false;
    for (const TRowMarks& mark : marks)
        marked = marked || mark.Height != TCellMark::Good || mark.Volume != TCellMark::Good;
    if (marked) {
        TTankTable table{};
        FUZZ_CHECK(!StoreTable(typed, table));
    }
    // Rows pasted into the grid go through the same checks.
    TTableRows pasted;
    std::string message;
    if (ParsePastedRows(text, pasted, message))
        Store(pasted);
    else
        FUZZ_CHECK(!message.empty());
    return taken;
}
