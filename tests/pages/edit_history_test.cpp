// SPDX-License-Identifier: GPL-3.0-or-later
// The undo history as the pages feed it: the user's typing, choices, clicks and slider moves
// are steps and the program's own shows are not; undo and redo put the exact value back, with
// the page's edited mark following; a grid's typed cell, paste, delete and clear are one step
// each; the page shown, read or written again ends the history.

#include "PageFixture.h"

#include "EditHistory.h"
#include "FmDisplayOptions.h"
#include "FmManualLin.h"
#include "ZurEditGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <functional>

namespace {

class EditHistory : public TPageTest {
protected:
    // The Display Options page connected and shown, as the window shows its pages after a
    // connect; a T7310's has every kind of control.
    TfmDisplayOptions& Options(const char* model = "T7310", const char* pcid = "3") {
        StartGauge(PageGaugeOptions(model, pcid));
        auto& page = MakePage<TfmDisplayOptions>();
        EXPECT_TRUE(Connect());
        page.MarkShown();
        // Focus changes are told for the active window only.
        Host().activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&Host()));
        Settle();
        return page;
    }
    static void Settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    static void TypeInto(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    // The focus as its window holds it (the host need not be the active window).
    static bool Focused(QWidget* control) { return control->window()->focusWidget() == control; }
};

TEST_F(EditHistory, TheUsersEditsAreStepsAndTheProgramsShowsAreNot) {
    TfmDisplayOptions& page = Options();
    TEditHistory history;
    history.Watch(&page);
    QUndoStack& stack = history.Stack();
    QLineEdit* damping = page.eDamping;
    QComboBox* units = page.cbDisplayUOMs;
    QCheckBox* points = page.cbShowDPs;
    QSlider* contrast = page.tbContrast;
    // A key that moves the slider from where it stands.
    auto contrastKey = [contrast] {
        return contrast->value() == contrast->maximum() ? Qt::Key_Left : Qt::Key_Right;
    };
    struct Case {
        const char* what;
        QWidget* control;
        std::function<void()> change;
        const char* step; // the step's name, or null: no step
    };
    const Case cases[] = {
        {"typed into a bound box", damping, [&] { TypeInto(damping, QStringLiteral("42")); },
         "Damping"},
        {"a box filled by the program", damping,
         [&] { damping->setText(damping->text() + QStringLiteral("1")); }, nullptr},
        {"a unit chosen with the keyboard", units,
         [&] {
             units->setFocus();
             QTest::keyClick(units, units->currentIndex() == 0 ? Qt::Key_Down : Qt::Key_Up);
         },
         "Display Units of Measure"},
        {"a unit set by the program", units,
         [&] { units->setCurrentIndex(units->currentIndex() == 0 ? 1 : 0); }, nullptr},
        {"a check box switched with Space", points,
         [&] {
             points->setFocus();
             QTest::keyClick(points, Qt::Key_Space);
         },
         "Show Decimal Point"},
        {"a check box set by the program", points,
         [&] { points->setChecked(!points->isChecked()); }, nullptr},
        {"the contrast moved with an arrow key", contrast,
         [&] {
             contrast->setFocus();
             QTest::keyClick(contrast, contrastKey());
         },
         "Contrast"},
        {"the contrast set by the program", contrast,
         [&] { contrast->setValue(contrast->value() == 0 ? 1 : 0); }, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        page.MarkShown();
        ASSERT_EQ(stack.count(), 0) << "shown again: nothing to undo";
        const QString before = TZURPage::InputValue(c.control);
        c.change();
        Settle();
        const QString after = TZURPage::InputValue(c.control);
        ASSERT_NE(before, after);
        if (!c.step) {
            EXPECT_FALSE(stack.canUndo());
            continue;
        }
        ASSERT_EQ(stack.count(), 1);
        EXPECT_EQ(stack.undoText(), QString::fromLatin1(c.step));
        EXPECT_TRUE(page.Edited());

        c.control->window()->setFocus(); // the undo brings the focus back
        stack.undo();
        EXPECT_EQ(TZURPage::InputValue(c.control), before);
        EXPECT_FALSE(page.Edited()) << "back to what the page showed";
        EXPECT_TRUE(Focused(c.control));
        EXPECT_EQ(stack.count(), 1) << "putting a value back is not a new step";

        stack.redo();
        EXPECT_EQ(TZURPage::InputValue(c.control), after);
        EXPECT_TRUE(page.Edited());
        EXPECT_FALSE(stack.canRedo());
    }
}

TEST_F(EditHistory, TypingInOneBoxIsOneStepUntilTheFocusMovesOn) {
    TfmDisplayOptions& page = Options();
    TEditHistory history;
    history.Watch(&page);
    QUndoStack& stack = history.Stack();
    const QString shown = page.eDamping->text();

    TypeInto(page.eDamping, QStringLiteral("12"));
    QTest::keyClicks(page.eDamping, QStringLiteral("3"));
    EXPECT_EQ(stack.count(), 1);
    page.cbDisplayUOMs->setFocus();
    page.eDamping->setFocus();
    page.eDamping->end(false);
    QTest::keyClicks(page.eDamping, QStringLiteral("4"));
    EXPECT_EQ(stack.count(), 2);

    stack.undo();
    EXPECT_EQ(page.eDamping->text(), QStringLiteral("123"));
    stack.undo();
    EXPECT_EQ(page.eDamping->text(), shown);
    EXPECT_FALSE(page.Edited());

    // Typed and typed back within one visit: nothing is left to undo.
    stack.clear();
    page.cbDisplayUOMs->setFocus();
    page.eDamping->setFocus();
    page.eDamping->end(false);
    QTest::keyClicks(page.eDamping, QStringLiteral("9"));
    QTest::keyClick(page.eDamping, Qt::Key_Backspace);
    EXPECT_FALSE(stack.canUndo());
}

TEST_F(EditHistory, ThePageShownReadOrWrittenAgainEndsTheHistory) {
    TfmDisplayOptions& page = Options("T8310", "5");
    TEditHistory history;
    history.Watch(&page);
    QUndoStack& stack = history.Stack();
    struct Case {
        const char* what;
        std::function<void()> end;
        bool written; // the page's own box follows
    };
    const Case cases[] = {
        {"shown again", [&] { page.MarkShown(); }, false},
        {"Read Settings", [&] { Click(page.btReadSettings); }, false},
        {"Write Settings", [&] { Click(page.btWriteSettings); }, true},
    };
    int typed = 7;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TypeInto(page.eDamping, QString::number(typed++));
        ASSERT_TRUE(stack.canUndo());
        Dialogs.Clear();
        c.end();
        Settle();
        EXPECT_FALSE(stack.canUndo());
        EXPECT_FALSE(stack.canRedo());
        EXPECT_EQ(Dialogs.Records().size(), c.written ? 1u : 0u);
    }
}

TEST_F(EditHistory, EachEditOfTheTableIsOneStep) {
    auto& page = MakePage<TfmManualLin>();
    page.SetPageEnabled(true);
    Host().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Host()));
    TZUREditGrid& grid = *page.Grid;
    grid.SetCellText(1, 1, QStringLiteral("0"));
    grid.SetCellText(2, 1, QStringLiteral("5"));
    grid.SetCellText(1, 2, QStringLiteral("1"));
    grid.SetCellText(2, 2, QStringLiteral("9"));
    TEditHistory history;
    history.Watch(&page);
    QUndoStack& stack = history.Stack();
    EXPECT_FALSE(stack.canUndo()) << "cells the program sets are not steps";

    struct Case {
        const char* what;
        std::function<void()> edit;
        const char* step;
        int column, row; // the cell an undo selects
    };
    const Case cases[] = {
        {"a cell typed",
         [&] {
             grid.SelectAndFocusCell(2, 3);
             QTest::keyClick(&grid, Qt::Key_1);
             ASSERT_TRUE(grid.Editing());
             QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("2.5"));
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
         },
         "Volume, row 3", 2, 3},
        {"rows pasted",
         [&] {
             QApplication::clipboard()->setText(QStringLiteral("2\t20\n3\t30\n"));
             grid.SelectAndFocusCell(1, 3);
             QTest::keyClick(&grid, Qt::Key_V, Qt::ControlModifier);
         },
         "Paste", 1, 3},
        {"cells deleted",
         [&] {
             grid.SelectAndFocusCell(2, 1);
             QTest::keyClick(&grid, Qt::Key_Delete);
         },
         "Delete", 2, 1},
        {"the table cleared", [&] { Click(page.btClearTable); }, "Clear Table", 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        stack.clear();
        const TTableRows before = grid.Rows();
        c.edit();
        QCoreApplication::processEvents();
        const TTableRows after = grid.Rows();
        ASSERT_FALSE(TZUREditGrid::SameRows(before, after));
        ASSERT_EQ(stack.count(), 1);
        EXPECT_EQ(stack.undoText(), QString::fromLatin1(c.step));

        grid.setCurrentCell(50, 0);
        stack.undo();
        EXPECT_TRUE(TZUREditGrid::SameRows(grid.Rows(), before));
        EXPECT_EQ(grid.currentRow() + 1, c.row);
        EXPECT_EQ(grid.currentColumn(), c.column);
        EXPECT_TRUE(Focused(&grid));
        stack.redo();
        EXPECT_TRUE(TZUREditGrid::SameRows(grid.Rows(), after));
        EXPECT_EQ(stack.count(), 1);
        // Leaves the table as the next case expects it.
        stack.undo();
    }
}

} // namespace
