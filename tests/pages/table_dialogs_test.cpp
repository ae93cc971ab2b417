// SPDX-License-Identifier: GPL-3.0-or-later
// Generate... and Fit Chart... on the Manual Linearisation page, driven by keys and clicks: the
// controls found by their captions, a preview before anything changes, OK filling the grid as
// edited and not yet written, Escape and a bad chart leaving everything as it was.

#include "PageFixture.h"

#include "ByteOrder.h"
#include "EditHistory.h"
#include "FmManualLin.h"
#include "FmTableChart.h"
#include "FmTableShape.h"
#include "TableCurve.h"
#include "TablePreview.h"
#include "ZurEditGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineSeries>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <numbers>

namespace {

using TableDialogs = TPageTest;

// The control whose caption label reads caption (mnemonic marks left out).
QWidget* ByCaption(QWidget* window, const QString& caption) {
    for (QLabel* label : window->findChildren<QLabel*>())
        if (label->text().remove(QLatin1Char('&')) == caption && label->buddy())
            return label->buddy();
    return nullptr;
}

template <class TDialog> TDialog* OpenedDialog(TfmManualLin& page, QPushButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
    // A dialog closed before may still wait for its deletion: take the one that is shown.
    QPointer<TDialog> dialog;
    WaitUntilDone([&] {
        for (TDialog* each : page.findChildren<TDialog*>())
            if (each->isVisible())
                dialog = each;
        return !dialog.isNull();
    });
    if (dialog) {
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
    }
    return dialog;
}

// Alt + the caption's mnemonic moves the focus to its control, as a keyboard user does.
void Focus(QWidget* dialog, const QString& caption) {
    QWidget* control = ByCaption(dialog, caption);
    ASSERT_TRUE(control) << caption.toStdString();
    for (QLabel* label : dialog->findChildren<QLabel*>())
        if (label->buddy() == control) {
            const qsizetype at = label->text().indexOf(QLatin1Char('&'));
            ASSERT_GE(at, 0) << caption.toStdString() << " has a mnemonic";
            // Keys go where the focus is, as a user's do.
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : dialog;
            QTest::keyClick(target, label->text().at(at + 1).toLower().toLatin1(), Qt::AltModifier);
        }
    ASSERT_TRUE(WaitUntilDone([&] { return control->hasFocus(); }))
        << caption.toStdString() << " focus: "
        << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className()
                                        : "none")
        << " active: "
        << (QApplication::activeWindow() ? QApplication::activeWindow()->metaObject()->className()
                                         : "none");
}

void Type(const QString& text) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), text);
}

bool Closed(QWidget* page, const char* className) {
    return WaitUntilDone([&] {
        for (QDialog* dialog : page->findChildren<QDialog*>())
            if (dialog->inherits(className) && dialog->isVisible())
                return false;
        return true;
    });
}

QStringList Column(const TZUREditGrid& grid, int column) {
    QStringList texts;
    for (int row = 1; row <= TZUREditGrid::kDataRows; ++row)
        if (!grid.CellText(column, row).isEmpty())
            texts << grid.CellText(column, row);
    return texts;
}

TEST_F(TableDialogs, ASphereOfTwoAndAHalfMetresIsGeneratedPreviewedAndWritten) {
    StartGauge();
    auto& page = MakePage<TfmManualLin>();
    ASSERT_TRUE(Connect());
    auto* dialog = OpenedDialog<TfmTableShape>(page, page.btGenerate);
    ASSERT_TRUE(dialog);

    Focus(dialog, QStringLiteral("Shape:"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    EXPECT_EQ(dialog->cbShape->currentText(), QStringLiteral("Sphere"));
    EXPECT_FALSE(ByCaption(dialog, QStringLiteral("Length (straight part):"))->isEnabled());
    Focus(dialog, QStringLiteral("Diameter (inside):"));
    Type(QStringLiteral("2.5"));

    // The preview: 100 rows, the exact curve behind them, the worst error; the grid untouched.
    TTablePreview& preview = *dialog->Preview;
    ASSERT_EQ(preview.Rows->rowCount(), 100);
    EXPECT_EQ(preview.Rows->item(99, 0)->text(), QStringLiteral("2.500"));
    EXPECT_EQ(preview.Rows->item(99, 1)->text(), QStringLiteral("8.181"));
    EXPECT_TRUE(preview.WorstError->text().startsWith(QStringLiteral("Worst error: ")))
        << preview.WorstError->text().toStdString();
    EXPECT_TRUE(preview.WorstError->text().contains(QStringLiteral(" m3 ")));
    const QList<QPointF> exact = preview.Curve->Exact->points();
    ASSERT_GT(exact.size(), 100);
    for (const QPointF& point : exact) // a sphere's cap, worked out here
        EXPECT_NEAR(point.y(),
                    std::numbers::pi * point.x() * point.x() * (3 * 1.25 - point.x()) / 3, 1e-9);
    EXPECT_TRUE(Column(*page.Grid, 1).isEmpty());
    EXPECT_FALSE(page.TableEdited());

    // Enter presses OK.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(Closed(&page, "TfmTableShape"));
    const QStringList heights = Column(*page.Grid, 1);
    ASSERT_EQ(heights.size(), 100);
    EXPECT_EQ(heights.front(), QStringLiteral("0.000"));
    EXPECT_EQ(heights.back(), QStringLiteral("2.500"));
    EXPECT_EQ(Column(*page.Grid, 2).back(), QStringLiteral("8.181"));
    EXPECT_TRUE(page.TableEdited());
    EXPECT_EQ(page.Grid->accessibleDescription(), TZURPage::kEditedText);
    EXPECT_EQ(Device().Image.TankTable[0], 0) << "the device object's table waits for a write";

    Click(page.btWriteSettings);
    EXPECT_EQ(Dialogs.Boxes(), QStringList{QStringLiteral("Manual points written successfully.")});
    EXPECT_TRUE(WaitUntilDone([&] {
        const std::vector<uint8_t> size = Gauge().Block(0x1C);
        return !size.empty() && size[0] == 100;
    }));
    const std::vector<uint8_t> last = Gauge().Block(0x1D, 99);
    EXPECT_EQ(GetBE32(last.data()), 2500u);
    EXPECT_EQ(GetBE32(last.data() + 4), 8181u);
    EXPECT_FALSE(page.TableEdited());
}

TEST_F(TableDialogs, AGeneratedTableIsOneUndoStepAndItsMarkFollows) {
    auto& page = MakePage<TfmManualLin>();
    page.SetPageEnabled(true);
    TEditHistory history;
    history.Watch(&page);
    QUndoStack& stack = history.Stack();
    auto* dialog = OpenedDialog<TfmTableShape>(page, page.btGenerate);
    ASSERT_TRUE(dialog);
    Focus(dialog, QStringLiteral("Shape:"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End); // a sphere
    Focus(dialog, QStringLiteral("Diameter (inside):"));
    Type(QStringLiteral("2.5"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(Closed(&page, "TfmTableShape"));
    ASSERT_EQ(Column(*page.Grid, 1).size(), 100);
    ASSERT_EQ(stack.count(), 1) << "a hundred rows, one step";
    EXPECT_EQ(stack.undoText(), QStringLiteral("Generate"));

    const struct {
        const char* what;
        void (QUndoStack::*step)();
        qsizetype rows;
        bool edited;
    } steps[] = {
        {"undone", &QUndoStack::undo, 0, false},
        {"redone", &QUndoStack::redo, 100, true},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        (stack.*s.step)();
        EXPECT_EQ(Column(*page.Grid, 1).size(), s.rows);
        EXPECT_EQ(page.TableEdited(), s.edited);
        EXPECT_EQ(page.lbTableEdited->text().isEmpty(), !s.edited);
    }
}

TEST_F(TableDialogs, EscapeAndCancelCloseWithoutChangingTheTable) {
    auto& page = MakePage<TfmManualLin>();
    page.Grid->SetCellText(1, 1, QStringLiteral("0"));
    page.Grid->SetCellText(2, 1, QStringLiteral("5"));
    const struct {
        const char* what;
        QPushButton* button;
        const char* dialogClass;
        bool escape; // else a click on Cancel
    } cases[] = {
        {"Generate, Escape", page.btGenerate, "TfmTableShape", true},
        {"Generate, Cancel", page.btGenerate, "TfmTableShape", false},
        {"Fit Chart, Escape", page.btFitChart, "TfmTableChart", true},
        {"Fit Chart, Cancel", page.btFitChart, "TfmTableChart", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Click(c.button);
        QDialog* dialog = nullptr;
        ASSERT_TRUE(WaitUntilDone([&] {
            for (QDialog* each : page.findChildren<QDialog*>())
                if (each->inherits(c.dialogClass) && each->isVisible())
                    dialog = each;
            return dialog != nullptr;
        }));
        if (auto* shape = qobject_cast<TfmTableShape*>(dialog))
            shape->edDiameter->setText(QStringLiteral("3"));
        if (c.escape)
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            Click(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel));
        ASSERT_TRUE(Closed(&page, c.dialogClass));
        EXPECT_EQ(Column(*page.Grid, 1), QStringList{QStringLiteral("0")});
        EXPECT_EQ(Column(*page.Grid, 2), QStringList{QStringLiteral("5")});
        EXPECT_FALSE(page.TableEdited());
    }
    EXPECT_TRUE(Dialogs.ScriptDone());
}

TEST_F(TableDialogs, AChartIsFittedOrRefusedWithItsLineBeforeTheGridChanges) {
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    // 3,000 rows in mm and litres of a tank that widens upwards: V = h^2 / 1000.
    std::string good = "Height;Volume\r\n";
    for (int h = 0; h < 3000; ++h)
        good += std::to_string(h) + ";" + std::to_string(h * h / 1000.0) + "\r\n";
    const struct {
        const char* what;
        std::string text;
        const char* shown; // in the worst error's place
        int rows;          // in the preview; 0: refused
    } cases[] = {
        {"a 3,000-row chart", good, "Worst error: ", 100},
        {"a volume going down", "0,0\n1,5\n2,4\n", "Line 3", 0},
        {"one row", "Height,Volume\n1,2\n", "at least two rows", 0},
        {"text for a height", "0,0\nx,2\n", "Line 2", 0},
    };
    auto& page = MakePage<TfmManualLin>();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = files.filePath(QStringLiteral("chart.csv"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.text.data(), static_cast<qint64>(c.text.size()));
        file.close();

        const QStringList before = Column(*page.Grid, 1);
        auto* dialog = OpenedDialog<TfmTableChart>(page, page.btFitChart);
        ASSERT_TRUE(dialog);
        if (c.rows == 0) {
            // Browse... asks the dialog service for the file.
            Dialogs.AnswerOpenFile(path);
            Click(dialog->btBrowse);
            EXPECT_TRUE(Dialogs.ScriptDone());
        } else {
            // The name typed in, Enter reads it (and does not press OK).
            Focus(dialog, QStringLiteral("Chart file:"));
            QTest::keyClicks(QApplication::focusWidget(), path);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            EXPECT_TRUE(dialog->isVisible());
        }
        EXPECT_TRUE(dialog->Preview->WorstError->text().contains(QString::fromLatin1(c.shown)))
            << dialog->Preview->WorstError->text().toStdString();
        EXPECT_EQ(dialog->Preview->Rows->rowCount(), c.rows);
        QPushButton* ok = dialog->Buttons->button(QDialogButtonBox::Ok);
        EXPECT_EQ(ok->isEnabled(), c.rows > 0);
        EXPECT_EQ(Column(*page.Grid, 1), before) << "nothing changes before OK";
        if (c.rows == 0) {
            QTest::keyClick(dialog, Qt::Key_Escape);
            ASSERT_TRUE(Closed(&page, "TfmTableChart"));
            EXPECT_EQ(Column(*page.Grid, 1), before);
            continue;
        }
        // Fewer points, the table in the tank's metres and in litres, chosen by keys.
        Focus(dialog, QStringLiteral("Points:"));
        Type(QStringLiteral("20"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(dialog->cbLengthUnit->currentText(), QStringLiteral("m"));
        Focus(dialog, QStringLiteral("Table volume unit:"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home);
        EXPECT_EQ(dialog->cbVolumeUnit->currentText(), QStringLiteral("l"));
        ASSERT_EQ(dialog->Preview->Rows->rowCount(), 20);
        Click(ok);
        ASSERT_TRUE(Closed(&page, "TfmTableChart"));
        const QStringList heights = Column(*page.Grid, 1);
        const QStringList volumes = Column(*page.Grid, 2);
        ASSERT_EQ(heights.size(), 20);
        EXPECT_EQ(heights.back(), QStringLiteral("2.999"));
        EXPECT_EQ(volumes.back(), QStringLiteral("8994.001"));
        // Interpolation in the grid's rows stays near the chart everywhere (h^2 with 19
        // chords over 3 m strays by about (3 / 19)^2 / 4 cubic metres at worst).
        for (int h = 0; h < 3000; h += 7) {
            const double height = h / 1000.0;
            int k = 1;
            while (k + 1 < heights.size() && heights[k].toDouble() < height)
                ++k;
            const double h0 = heights[k - 1].toDouble(), h1 = heights[k].toDouble();
            const double v0 = volumes[k - 1].toDouble(), v1 = volumes[k].toDouble();
            const double interpolated = v0 + (v1 - v0) * (height - h0) / (h1 - h0);
            EXPECT_NEAR(interpolated, height * height * 1000, 7.5) << "at " << height;
        }
        EXPECT_TRUE(page.TableEdited());
    }
}

} // namespace
