// The linearisation table's CSV import, then the checks a table passes before it is stored,
// both on what the import produced and on the lines taken as typed cells.

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
    Store(TypedCells(text));
    return taken;
}
