// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The editable height/volume table of a non-standard tank: 100 points in rows 1 to 100 (the
// header is row 0), a row-number column and the Height and Volume columns. The cell texts are
// the points; the table logic and the CSV format live in the device layer (TankTableCsv), so
// the grid and the command-line tool behave alike. Built on QTableWidget, so the toolkit's
// in-place editor, keyboard handling and accessibility come with it; a delegate paints the
// cells the way the gauge's users know them.

#include "DeviceImage.h"
#include "TankTableCsv.h"

#include <QString>
#include <QTableWidget>

#include <functional>
#include <vector>

class TZUREditGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit TZUREditGrid(QWidget* parent = nullptr);

    static constexpr int kDataRows = 100;
    static constexpr int kRowNumberColumn = 0;

    // Empties the Height and Volume cells of rows 1 to 100.
    void ClearTable();
    // ClearTable, then the table's rows in use with three decimals.
    void LoadTable(const TTankTable& table);
    // Checks the cells; on success stores the points in table and returns true. On failure
    // shows the message, selects the offending cell and leaves table as it was.
    bool StoreTable(TTankTable& table);
    // Column 2's heading becomes "Volume (" + unitText + ")".
    void SetVolumeUnits(const QString& unitText);
    // Writes the checked table as a CSV file; false (after a message) when the table fails
    // the checks or the file cannot be written.
    bool ExportCsv(const QString& fileName);
    // Replaces the table with a good file's points; otherwise reports the first fault and
    // leaves the table as it was.
    void ImportCsv(const QString& fileName);

    // Commits what the in-place editor holds, so what the user sees is what is checked.
    void CommitEdit();
    // A cell's in-place editor is open.
    bool Editing() const { return state() == QAbstractItemView::EditingState; }
    // Selects that one cell (grid coordinates: row 1..100) and takes the focus when it can.
    void SelectAndFocusCell(int column, int row);
    // The row marked by a selection in column 0, or 0 when none is.
    int MarkedRow() const { return MarkedRow_; }

    // Cell texts in grid coordinates (row 1..100; column 0, 1 Height, 2 Volume).
    QString CellText(int column, int row) const;
    void SetCellText(int column, int row, const QString& text);
    // The Height and Volume texts of rows 1 to 100.
    TTableRows Rows() const;
    // Marks of the rows up to the last row with text (typing slips seen before a write).
    const std::vector<TRowMarks>& Marks() const { return Marks_; }

    // Rows of two columns (spreadsheet or text editor) filled in from the current row down;
    // false after a message when they are not two columns or would run past row 100.
    bool PasteRows(const QString& text);
    // The selected rows (or the current one) as tab-separated lines.
    QString CopiedRows() const;

    // Runs change as one edit of the user's (typing a cell, a paste, a fill from a dialog):
    // RowsEdited reports the table before and after it, when it changed.
    void UserEdit(const QString& what, const std::function<void()>& change);
    // Puts the rows back as they were (an undo or redo), not as a new edit, and selects and
    // focuses the first cell that changed.
    void RestoreRows(const TTableRows& rows);
    // Within RestoreRows: the TableChanged it sends is an undo's or a redo's.
    bool Restoring() const { return Restoring_; }
    static bool SameRows(const TTableRows& a, const TTableRows& b);

Q_SIGNALS:
    // A cell's text changed (typed, pasted, loaded, cleared).
    void TableChanged();
    // The user's edit, named by what ("Height, row 3", "Paste").
    void RowsEdited(const TTableRows& before, const TTableRows& after, const QString& what);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTableWidgetItem* Cell(int column, int row) const;
    void CellChanged();
    void UpdateMarks();
    void ShowFault(const TTableFault& fault);
    // Sets many cells with one TableChanged at the end.
    void Fill(int firstRow, const TTableRows& rows);

    int MarkedRow_ = 0;
    bool Filling_ = false;
    bool Restoring_ = false;
    int UserEdits_ = 0; // nesting of UserEdit: the outermost one reports
    std::vector<TRowMarks> Marks_;
};
