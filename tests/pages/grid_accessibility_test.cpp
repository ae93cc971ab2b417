// SPDX-License-Identifier: GPL-3.0-or-later
// The grid as a screen reader and a keyboard user meet it: each cell names its column, its row
// and its text; the in-place editor starts with F2 or typing, is announced with its cell, keeps
// its text on Enter and drops it on Escape.

#include "ZurEditGrid.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace {

bool WaitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class GridAccessibility : public ::testing::Test {
protected:
    void SetUp() override {
        grid.resize(361, 353);
        grid.show();
        grid.activateWindow();
        grid.setFocus();
        ASSERT_TRUE(WaitFor([&] { return grid.hasFocus(); }));
        grid.SetCellText(1, 1, QStringLiteral("0.000"));
        grid.SetCellText(2, 1, QStringLiteral("0.000"));
        grid.SetCellText(1, 2, QStringLiteral("1.500"));
        grid.SetCellText(2, 2, QStringLiteral("250.000"));
        grid.SetVolumeUnits(QStringLiteral("l"));
    }

    QAccessibleInterface* CellAt(int row, int column) {
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&grid);
        if (!table || !table->tableInterface())
            return nullptr;
        return table->tableInterface()->cellAt(row, column);
    }

    TZUREditGrid grid;
};

TEST_F(GridAccessibility, CellsReportTheirTextWithTheirColumnAndRow) {
    const struct {
        int row; // model row: grid row - 1
        int column;
        const char* name;
        const char* header;
    } cases[] = {
        {0, 1, "Height, row 1: 0.000", "Height"},
        {1, 1, "Height, row 2: 1.500", "Height"},
        {1, 2, "Volume (l), row 2: 250.000", "Volume (l)"},
        {2, 2, "Volume (l), row 3: empty", "Volume (l)"},
        {99, 1, "Height, row 100: empty", "Height"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QAccessibleInterface* cell = CellAt(c.row, c.column);
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->text(QAccessible::Name).toStdString(), c.name);
        ASSERT_TRUE(cell->tableCellInterface());
        const QList<QAccessibleInterface*> headers =
            cell->tableCellInterface()->columnHeaderCells();
        ASSERT_EQ(headers.size(), 1);
        EXPECT_EQ(headers[0]->text(QAccessible::Name).toStdString(), c.header);
        EXPECT_EQ(cell->tableCellInterface()->rowIndex(), c.row);
    }
    QAccessibleInterface* number = CellAt(4, 0);
    ASSERT_TRUE(number);
    EXPECT_EQ(number->text(QAccessible::Name), QStringLiteral("Row 5"));
}

TEST_F(GridAccessibility, TheKeyboardEditsACellInPlace) {
    const struct {
        const char* what;
        Qt::Key start; // Qt::Key_unknown: typing the first character starts the editor
        const char* typed;
        Qt::Key end;
        const char* kept;
    } cases[] = {
        {"F2, Enter keeps", Qt::Key_F2, "2.25", Qt::Key_Return, "2.25"},
        {"F2, Escape cancels", Qt::Key_F2, "99", Qt::Key_Escape, "1.500"},
        {"typing starts it, Enter keeps", Qt::Key_unknown, "7.5", Qt::Key_Enter, "7.5"},
        {"typing starts it, Escape cancels", Qt::Key_unknown, "8", Qt::Key_Escape, "1.500"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        grid.SetCellText(1, 2, QStringLiteral("1.500"));
        grid.setCurrentCell(1, 1);
        ASSERT_FALSE(grid.Editing());
        if (c.start != Qt::Key_unknown) {
            QTest::keyClick(&grid, c.start);
            ASSERT_TRUE(grid.Editing());
            // F2 keeps the cell's text and puts the caret after it; replace it.
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(c.typed));
        } else {
            // The first key starts the editor, which then has the focus for the rest.
            const QString typed = QString::fromLatin1(c.typed);
            QTest::keyClicks(&grid, typed.left(1));
            ASSERT_TRUE(grid.Editing());
            QTest::keyClicks(QApplication::focusWidget(), typed.mid(1));
        }
        QWidget* editor = QApplication::focusWidget();
        ASSERT_TRUE(editor && editor != &grid);
        EXPECT_EQ(editor->accessibleName(), QStringLiteral("Height, row 2"));
        QTest::keyClick(editor, c.end);
        ASSERT_TRUE(WaitFor([&] { return !grid.Editing(); }));
        EXPECT_EQ(grid.CellText(1, 2).toStdString(), c.kept);
        EXPECT_EQ(grid.CellText(2, 2), QStringLiteral("250.000")) << "the neighbour is untouched";
    }
}

} // namespace
