// SPDX-License-Identifier: GPL-3.0-or-later
// Edit > Undo and Redo in the main window connected to a simulated gauge: edits on two pages
// undone and redone in order, each showing its page and focusing its control; Ctrl+Z and
// Ctrl+Shift+Z wherever the focus is; a table cell on the Manual Linearisation tab; a value
// taken by the list of all settings; and every read, write and load ending the history.

#include "AppFixture.h"

#include "ByteOrder.h"
#include "FmAllSettings.h"
#include "FmDisplayOptions.h"
#include "FmManualLin.h"
#include "FmTankType.h"
#include "T7310.h"
#include "ZURSettings.h"
#include "ZurEditGrid.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

class Undo : public TAppTest {
protected:
    TfmDisplayOptions& Display() {
        return *dynamic_cast<TfmDisplayOptions*>(Window().Page(TfmMain::psDisplayOptions));
    }
    TfmTankType& Tank() { return *dynamic_cast<TfmTankType*>(Window().Page(TfmMain::psTankTypes)); }
    // Keys go to the active window only.
    void Activate() {
        QApplication::setActiveWindow(&Window());
        EXPECT_EQ(QApplication::activeWindow(), &Window());
    }
    void Settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    void TypeInto(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
    }
    bool Marked(QWidget* sheet) {
        QTabWidget* tabs = Window().pcMain;
        return tabs->tabText(tabs->indexOf(sheet)).endsWith(QStringLiteral(" *"));
    }
};

TEST_F(Undo, EditsOnTwoPagesAreUndoneAndRedoneInOrder) {
    StartGauge();
    TfmMain& w = Window();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    Settle();
    EXPECT_FALSE(w.miUndo->isEnabled()) << "what was read is not an edit";
    EXPECT_FALSE(w.miRedo->isEnabled());
    TfmDisplayOptions& display = Display();
    TfmTankType& tank = Tank();

    ClickTab(w.tsDisplayOptions);
    Activate();
    const QString damping0 = display.eDamping->text();
    TypeInto(display.eDamping, QStringLiteral("9"));
    const QString damping1 = display.eDamping->text();
    EXPECT_EQ(w.miUndo->text(), QStringLiteral("&Undo Damping"));

    ClickTab(w.tsTankTypes);
    Activate();
    // The tank page's layout follows its type: a Non standard tank has no dimensions.
    auto layout = [&tank] {
        return tank.lb1->isVisibleTo(&tank) ? tank.lb1->text() : QStringLiteral("none");
    };
    const int type0 = tank.cbTankType->currentIndex();
    const QString caption0 = layout();
    tank.cbTankType->setFocus();
    QTest::keyClick(tank.cbTankType,
                    type0 == img::TankTypeNonStandard ? Qt::Key_Home : Qt::Key_End);
    const int type1 = tank.cbTankType->currentIndex();
    const QString caption1 = layout();
    ASSERT_NE(type0, type1);
    ASSERT_NE(caption0, caption1);
    EXPECT_EQ(w.miUndo->text(), QStringLiteral("&Undo Tank type"));
    EXPECT_TRUE(Marked(w.tsDisplayOptions) && Marked(w.tsTankTypes));

    struct Step {
        const char* what;
        QAction* item;
        QWidget* sheet;   // the tab made current
        QWidget* focused; // the control with the focus
        QString damping;
        int type;
        QString caption; // the tank page's layout
        bool displayMarked, tankMarked, canUndo, canRedo;
    };
    const Step steps[] = {
        {"undo the tank type", w.miUndo, w.tsTankTypes, tank.cbTankType, damping1, type0, caption0,
         true, false, true, true},
        {"undo the damping", w.miUndo, w.tsDisplayOptions, display.eDamping, damping0, type0,
         caption0, false, false, false, true},
        {"redo the damping", w.miRedo, w.tsDisplayOptions, display.eDamping, damping1, type0,
         caption0, true, false, true, true},
        {"redo the tank type", w.miRedo, w.tsTankTypes, tank.cbTankType, damping1, type1, caption1,
         true, true, true, false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        ASSERT_TRUE(Choose(s.item));
        Settle();
        EXPECT_EQ(w.pcMain->currentWidget(), s.sheet);
        EXPECT_EQ(w.focusWidget(), s.focused);
        EXPECT_EQ(display.eDamping->text(), s.damping);
        EXPECT_EQ(tank.cbTankType->currentIndex(), s.type);
        EXPECT_EQ(layout(), s.caption);
        EXPECT_EQ(Marked(w.tsDisplayOptions), s.displayMarked);
        EXPECT_EQ(Marked(w.tsTankTypes), s.tankMarked);
        EXPECT_EQ(w.miUndo->isEnabled(), s.canUndo);
        EXPECT_EQ(w.miRedo->isEnabled(), s.canRedo);
    }
}

TEST_F(Undo, CtrlZAndCtrlShiftZWhereverTheFocusIs) {
    StartGauge();
    TfmMain& w = Window();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    Settle();
    TfmDisplayOptions& display = Display();
    ClickTab(w.tsDisplayOptions);
    Activate();
    const QString shown = display.eDamping->text();
    struct Case {
        const char* where;
        QWidget* target;
    };
    const Case cases[] = {
        {"the edited box", display.eDamping}, // its own undo gives way to the window's
        {"the contrast slider", display.tbContrast},
        {"the tab bar", w.pcMain->tabBar()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        TypeInto(display.eDamping, QStringLiteral("33"));
        const QString typed = display.eDamping->text();
        c.target->setFocus();
        QTest::keyClick(c.target, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(display.eDamping->text(), shown);
        EXPECT_FALSE(display.Edited());
        EXPECT_EQ(w.focusWidget(), display.eDamping) << "the undone box is focused";
        c.target->setFocus();
        QTest::keyClick(c.target, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(display.eDamping->text(), typed);
        EXPECT_TRUE(display.Edited());
        // Back to what was shown for the next case.
        QTest::keyClick(display.eDamping, Qt::Key_Z, Qt::ControlModifier);
        ASSERT_EQ(display.eDamping->text(), shown);
    }
}

TEST_F(Undo, ATableCellIsUndoneOnItsTab) {
    StartGauge();
    MakeNonStandard(Gauge());
    TfmMain& w = Window();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    auto* manual = dynamic_cast<TfmManualLin*>(w.Page(TfmMain::psManualLin));
    ASSERT_TRUE(manual);
    TZUREditGrid& grid = *manual->Grid;
    ASSERT_TRUE(WaitUntilDone([&] { return !grid.CellText(2, 4).isEmpty(); }, 3000));
    Settle();
    EXPECT_FALSE(w.miUndo->isEnabled()) << "the table read is not an edit";
    const QString shown = grid.CellText(2, 3);

    ClickTab(w.tsManualLin);
    Activate();
    grid.SelectAndFocusCell(2, 3);
    QTest::keyClick(&grid, Qt::Key_5);
    ASSERT_TRUE(grid.Editing());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCoreApplication::processEvents(); // the editor's commit follows the key
    ASSERT_EQ(grid.CellText(2, 3), QStringLiteral("5"));
    EXPECT_EQ(w.miUndo->text(), QStringLiteral("&Undo Volume (m\u00B3), row 3"));

    ClickTab(w.tsDisplayOptions);
    Activate();
    QTest::keyClick(w.pcMain->tabBar(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(w.pcMain->currentWidget(), w.tsManualLin);
    EXPECT_EQ(grid.CellText(2, 3), shown);
    EXPECT_EQ(w.focusWidget(), &grid);
    EXPECT_EQ(grid.currentRow() + 1, 3);
    EXPECT_EQ(grid.currentColumn(), 2);
    ASSERT_TRUE(Choose(w.miRedo));
    EXPECT_EQ(grid.CellText(2, 3), QStringLiteral("5"));
}

TEST_F(Undo, AValueTakenByTheListOfAllSettingsIsUndoneWithItsPage) {
    StartGauge();
    TfmMain& w = Window();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    Settle();
    TfmDisplayOptions& display = Display();
    const TZURSetting* damping = Device().Settings().Find(35);
    ASSERT_TRUE(damping);
    const uint32_t raw0 = damping->Value(Device().Image);
    const QString text0 = display.eDamping->text();

    ASSERT_TRUE(Choose(w.miAllSettings));
    Activate();
    TfmAllSettings& list = *w.AllSettings;
    QTableView* view = list.tvSettings;
    int row = -1;
    for (int r = 0; r < list.RowsShown(); ++r)
        if (view->model()->index(r, TSettingsModel::scName).data().toString() ==
            QStringLiteral("Damping"))
            row = r;
    ASSERT_GE(row, 0);
    view->setFocus();
    view->setCurrentIndex(view->model()->index(row, TSettingsModel::scValue));
    QTest::keyClick(view, Qt::Key_F2);
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, view);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("12"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    const uint32_t raw1 = damping->Value(Device().Image);
    const QString text1 = display.eDamping->text();
    ASSERT_NE(raw0, raw1);
    ASSERT_NE(text0, text1);
    EXPECT_EQ(w.miUndo->text(), QStringLiteral("&Undo Damping"));

    ASSERT_TRUE(Choose(w.miUndo));
    EXPECT_EQ(damping->Value(Device().Image), raw0);
    EXPECT_EQ(display.eDamping->text(), text0);
    EXPECT_FALSE(display.Edited());
    EXPECT_EQ(w.pcMain->currentWidget(), w.tsDisplayOptions);
    ASSERT_TRUE(Choose(w.miRedo));
    EXPECT_EQ(damping->Value(Device().Image), raw1);
    EXPECT_EQ(display.eDamping->text(), text1);
    EXPECT_TRUE(display.Edited());
}

TEST_F(Undo, EveryReadWriteAndLoadEndsTheHistory) {
    StartGauge();
    TfmMain& w = Window();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    Settle();
    TfmDisplayOptions& display = Display();
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("u.TLS"));
    Dialogs.AnswerYes();
    Dialogs.AnswerSaveFile(file);
    ASSERT_TRUE(Choose(w.miSaveAs));
    struct Case {
        const char* what;
        std::function<void()> end;
    };
    const Case cases[] = {
        {"Read All Settings", [&] { ASSERT_TRUE(Choose(w.miReadAllSettings)); }},
        {"the page's Read Settings",
         [&] { QTest::mouseClick(display.btReadSettings, Qt::LeftButton); }},
        {"the page's Write Settings",
         [&] { QTest::mouseClick(display.btWriteSettings, Qt::LeftButton); }},
        {"Write All Settings",
         [&] {
             Dialogs.AnswerAccept(); // what will change is shown first
             ASSERT_TRUE(Choose(w.miWriteAllSettings));
         }},
        {"File > Open",
         [&] {
             Dialogs.AnswerOpenFile(file);
             ASSERT_TRUE(Choose(w.miOpen));
         }},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClickTab(w.tsDisplayOptions);
        Activate();
        TypeInto(display.eDamping, QString::number(20 + n++));
        display.btReadSettings->setFocus(); // typing again after the focus moved on: a new step
        TypeInto(display.eDamping, QString::number(40 + n));
        ASSERT_TRUE(Choose(w.miUndo));
        ASSERT_TRUE(w.miUndo->isEnabled() && w.miRedo->isEnabled());
        c.end();
        EXPECT_TRUE(WaitUntilDone([&] { return !w.miUndo->isEnabled(); }, 3000));
        Settle();
        EXPECT_FALSE(w.miUndo->isEnabled());
        EXPECT_FALSE(w.miRedo->isEnabled());
        EXPECT_EQ(w.miUndo->text(), QStringLiteral("&Undo"));
    }
}

} // namespace
