// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliSession.h"

#include "TankTableCsv.h"

int TCliSession::TableRead() {
    if (!CheckWritableTarget(options_.File))
        return esFileFailure;
    if (const int status = Connect(false))
        return status;
    BeginOperation();
    if (!device_.ReadTankTable())
        return TableReadFailure();
    progress_.Clear();
    const TTableRows points = LoadTable(device_.Image.TankTable);
    TTableFault fault;
    if (!ExportCsv(options_.File, points, &fault)) {
        if (fault.FileError)
            Fail("cannot write " + options_.File + ": " + fault.Message);
        else
            Fail("the tank table of " + Where() + " cannot be exported to " + options_.File +
                 ": " + fault.Message);
        return esFileFailure;
    }
    PrintDone("Tank table of " + Where() + " (" + std::to_string(points.size()) +
                  " points) exported to " + options_.File,
              {{"file", QString::fromStdString(options_.File)},
               {"points", static_cast<int>(points.size())}});
    return esSuccess;
}

int TCliSession::TableWrite() {
    const TCsvImport imported = ImportCsv(options_.File);
    if (!imported.Ok) {
        if (imported.Fault.FileError)
            Fail("cannot read " + options_.File + ": " + imported.Fault.Message);
        else
            Fail(options_.File + ": " + imported.Fault.Message);
        return esFileFailure;
    }
    // The checks the grid makes before a table is written.
    TTankTable checked{};
    TTableFault fault;
    if (!StoreTable(imported.Rows, checked, &fault)) {
        std::string text = options_.File + ": " + fault.Message;
        if (fault.Row > 0)
            text += " (line " + std::to_string(imported.FirstLine + fault.Row - 1) + ")";
        Fail(text);
        return esFileFailure;
    }
    if (const int status = Connect(false))
        return status;
    StoreTable(imported.Rows, device_.Image.TankTable);
    if (const int status =
            GuardedWrite("tank-table", [this] { return device_.WriteTankTable(); }))
        return status;
    progress_.Clear();
    PrintDone("Tank table of " + options_.File + " (" + std::to_string(imported.Rows.size()) +
                  " points) written to " + Where(),
              {{"file", QString::fromStdString(options_.File)},
               {"points", static_cast<int>(imported.Rows.size())}});
    return esSuccess;
}
