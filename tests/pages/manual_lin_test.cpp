// SPDX-License-Identifier: GPL-3.0-or-later
// The Manual Linearisation page and its grid against a simulated gauge: the checks before a
// write with the cell they select, the table's way to the gauge and back, the progress bar,
// CSV files, paste and copy, typing slips on the curve, and the volume unit heading.

#include "PageFixture.h"

#include "ByteOrder.h"
#include "FmManualLin.h"
#include "TableCurve.h"
#include "ZurEditGrid.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

using ManualLin = TPageTest;

using Points = std::vector<std::pair<uint32_t, uint32_t>>;

Points GaugeTable(const sim::GaugeSimulator& gauge) {
    Points points;
    const std::vector<uint8_t> size = gauge.Block(0x1C);
    for (uint8_t row = 0; !size.empty() && row < size[0]; ++row) {
        const std::vector<uint8_t> bytes = gauge.Block(0x1D, row);
        points.emplace_back(GetBE32(bytes.data()), GetBE32(bytes.data() + 4));
    }
    return points;
}

// Rows as "height:volume" separated by blanks, from row 1 on.
void Fill(TZUREditGrid& grid, const char* rows) {
    grid.ClearTable();
    int row = 1;
    for (const QString& point : QString::fromLatin1(rows).split(u' ')) {
        grid.SetCellText(1, row, point.section(u':', 0, 0));
        grid.SetCellText(2, row++, point.section(u':', 1, 1));
    }
}

QStringList Column(const TZUREditGrid& grid, int column, int first, int last) {
    QStringList texts;
    for (int row = first; row <= last; ++row)
        texts << grid.CellText(column, row);
    return texts;
}

TEST_F(ManualLin, WriteChecksTheTableFirstAndSelectsTheCellAtFault) {
    const struct {
        const char* rows;
        const char* message;
        int row; // selected cell, 0: none asserted
        int column;
    } cases[] = {
        {"1:2",
         "Can not write an empty table.  You must have at least two pairs in the table.\n"
         "Please insert some points.",
         0, 0},
        {"0:0 1:1 2:2 : :4", "There can not be empty cells in the table.", 5, 1},
        {"0:0 abc:1", "abc is not a valid floating point number.", 2, 1},
        {"0:0 1:-1", "-1 must be a positive number.", 2, 2},
        {"1:0 0.5:1",
         "Values must escalate in asceding order.\nThis value [line2] must be greater "
         "than the value above it",
         2, 1},
        {"0:0 1:4294967.296", "4294967.296 is too large. The largest value is 2147483.647", 2, 2},
    };
    StartGauge();
    auto& page = MakePage<TfmManualLin>();
    ASSERT_TRUE(Connect());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows);
        Fill(*page.Grid, c.rows);
        page.Grid->setCurrentCell(0, 0);
        Dialogs.Clear();
        Gauge().ClearLog();
        Click(page.btWriteSettings);
        EXPECT_EQ(Dialogs.Boxes(), QStringList{QString::fromLatin1(c.message)})
            << "its message alone";
        EXPECT_TRUE(Requests().empty());
        if (c.row) {
            EXPECT_EQ(page.Grid->currentRow() + 1, c.row);
            EXPECT_EQ(page.Grid->currentColumn(), c.column);
            EXPECT_EQ(page.Grid->selectedItems().size(), 1);
        }
    }
}

TEST_F(ManualLin, TheTableGoesToTheGaugeExactlyAndComesBack) {
    StartGauge();
    auto& page = MakePage<TfmManualLin>();
    ASSERT_TRUE(Connect());
    TZUREditGrid& grid = *page.Grid;
    Fill(grid, "0:0 1.2345:16384.001 2:1234567.891 3:2147483.647");
    Click(page.btWriteSettings);
    EXPECT_EQ(Dialogs.Boxes(), QStringList{QStringLiteral("Manual points written successfully.")});
    const Points written = {{0, 0}, {1235, 16384001}, {2000, 1234567891}, {3000, 2147483647}};
    EXPECT_TRUE(WaitUntilDone([&] { return GaugeTable(Gauge()) == written; }, 2000));
    const QStringList heights = {"0.000", "1.235", "2.000", "3.000"};
    const QStringList volumes = {"0.000", "16384.001", "1234567.891", "2147483.647"};
    EXPECT_EQ(Column(grid, 1, 1, 4), heights) << "the cells show what was stored";
    EXPECT_EQ(Column(grid, 2, 1, 4), volumes);

    // Clear then Write sends nothing; Clear then Read brings the gauge's table back.
    Dialogs.Clear();
    Gauge().ClearLog();
    Click(page.btClearTable);
    Click(page.btWriteSettings);
    EXPECT_EQ(Dialogs.Boxes().size(), 1);
    EXPECT_TRUE(Requests().empty());
    Dialogs.Clear();
    Click(page.btReadSettings);
    EXPECT_TRUE(Dialogs.Boxes().isEmpty());
    EXPECT_EQ(Column(grid, 1, 1, 5), heights + QStringList{""});
    EXPECT_EQ(Column(grid, 2, 1, 4), volumes);

    // A failed transfer: the write error box.
    Gauge().SetFault(0xAA, sim::Fault::Nack);
    Click(page.btWriteSettings);
    EXPECT_EQ(Dialogs.Boxes(), QStringList{TZURPage::kWriteErrorText});
}

TEST_F(ManualLin, TheProgressBarShowsOnlyWhileATransferRuns) {
    StartGauge();
    auto& page = MakePage<TfmManualLin>();
    ASSERT_TRUE(Connect());
    EXPECT_FALSE(page.pbTable->isVisible());
    std::vector<std::pair<int, bool>> seen;
    // Heard after the page, which listens to the same event.
    Device().OnTableProgress = [&](T7310*, int percent) {
        seen.emplace_back(percent, page.pbTable->isVisible() && page.pbTable->value() == percent);
    };
    for (QPushButton* button : {page.btReadSettings, page.btWriteSettings}) {
        seen.clear();
        Click(button);
        // The gauge's table has 5 rows: 0, one report per row, then 100.
        ASSERT_EQ(seen.size(), 7u);
        for (size_t i = 0; i + 1 < seen.size(); ++i)
            EXPECT_TRUE(seen[i].second) << "shown at " << seen[i].first << "%";
        EXPECT_EQ(seen.back().first, 100);
        EXPECT_FALSE(page.pbTable->isVisible());
    }
    EXPECT_EQ(Dialogs.Boxes(), QStringList{QStringLiteral("Manual points written successfully.")});
}

TEST_F(ManualLin, CsvFilesGoOutAndComeBackAndBadOnesChangeNothing) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    auto& page = MakePage<TfmManualLin>();
    TZUREditGrid& grid = *page.Grid;
    Fill(grid, "0:0 1.5:250 2:2147483.647");
    const QString saved = folder.filePath(QStringLiteral("table"));
    Dialogs.AnswerSaveFile(saved);
    Click(page.btExportCSV);
    QFile file(saved + QStringLiteral(".CSV"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the default extension is added";
    EXPECT_EQ(file.readAll(), QByteArray("Height,Volume\r\n0.000,0.000\r\n1.500,250.000\r\n"
                                         "2.000,2147483.647\r\n"));
    EXPECT_EQ(Dialogs.Records().back().Value, TfmManualLin::FileFilter());
    // The name with the added extension exists now: the user is asked before it is replaced.
    Fill(grid, "0:0 1:1");
    Dialogs.AnswerSaveFile(saved);
    Dialogs.AnswerNo();
    Click(page.btExportCSV);
    EXPECT_EQ(QFileInfo(file).size(), 62) << "the first export is kept";
    Fill(grid, "0:0 1.5:250 2:2147483.647");

    Click(page.btClearTable);
    Dialogs.AnswerOpenFile(file.fileName());
    Click(page.btImportCSV);
    const QStringList volumes = {"0.000", "250.000", "2147483.647", ""};
    EXPECT_EQ(Column(grid, 2, 1, 4), volumes);

    // A file of 101 points is refused whole; a table that fails the checks is not exported.
    const QString big = folder.filePath(QStringLiteral("big.csv"));
    QFile bigFile(big);
    ASSERT_TRUE(bigFile.open(QIODevice::WriteOnly));
    bigFile.write(QByteArray("1,1\n").repeated(101));
    bigFile.close();
    Dialogs.AnswerOpenFile(big);
    Click(page.btImportCSV);
    EXPECT_EQ(Column(grid, 2, 1, 4), volumes);
    grid.SetCellText(1, 2, QStringLiteral("x"));
    Dialogs.AnswerSaveFile(folder.filePath(QStringLiteral("bad.CSV")));
    Click(page.btExportCSV);
    EXPECT_EQ(Dialogs.Boxes(),
              (QStringList{QStringLiteral("Too many data points. Maximum size = 100 points"),
                           QStringLiteral("x is not a valid floating point number."),
                           QStringLiteral("An error occured whilst writing the file.\n")}));
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("bad.CSV"))));
}

// A CSV file is written with a decimal point in every language and reads back the same. The
// grid itself keeps the point in every language too (it holds the table as the files do).
TEST_F(ManualLin, CsvFilesAreTheSameInEveryLanguageAndReadBackAsWritten) {
    struct Case {
        QLocale locale;
        const char* typed;      // height:volume pairs as the user types them
        const char* heights[2]; // the grid after the file is imported again
    };
    const Case cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), "0:0 1.5:250.25", {"0.000", "1.500"}},
        {QLocale(QLocale::German, QLocale::Germany), "0:0 1.5:250.25", {"0.000", "1.500"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        QLocale::setDefault(c.locale);
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        auto& page = MakePage<TfmManualLin>();
        TZUREditGrid& grid = *page.Grid;
        Fill(grid, c.typed);
        const QString saved = folder.filePath(QStringLiteral("table.CSV"));
        Dialogs.AnswerSaveFile(saved);
        Click(page.btExportCSV);
        QFile file(saved);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly))
            << Dialogs.Transcript().join(u'\n').toStdString();
        EXPECT_EQ(file.readAll().toStdString(),
                  "Height,Volume\r\n0.000,0.000\r\n1.500,250.250\r\n");
        Click(page.btClearTable);
        Dialogs.AnswerOpenFile(saved);
        Click(page.btImportCSV);
        EXPECT_EQ(Column(grid, 1, 1, 2), (QStringList{c.heights[0], c.heights[1]}));
        Dialogs.Clear();
    }
    QLocale::setDefault(QLocale::system());
}

TEST_F(ManualLin, PasteFillsFromTheSelectedRowAndCopyGivesRowsBack) {
    auto& page = MakePage<TfmManualLin>();
    TZUREditGrid& grid = *page.Grid;
    Fill(grid, "0:0 1:1 2:2 3:3 9:9");
    const struct {
        int row; // where the paste starts
        QString clipboard;
        QString rows; // rows 4 to 8 afterwards, Height:Volume
        QString message;
    } cases[] = {
        {5, QStringLiteral("4\t40,5\n5\t50\n6\t60\n"), "3:3 4:40.5 5:50 6:60 :", {}},
        {7, QStringLiteral("Height;Volume\r\n7;70\r\n"), "3:3 4:40.5 5:50 7:70 :", {}},
        {99, QStringLiteral("1,1\n2,2\n3,3\n"), "3:3 4:40.5 5:50 7:70 :",
         QStringLiteral("Too many data points. Maximum size = 100 points")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        Dialogs.Clear();
        grid.setCurrentCell(c.row - 1, 1);
        QApplication::clipboard()->setText(c.clipboard);
        QTest::keySequence(&grid, QKeySequence::Paste);
        QStringList rows;
        for (int row = 4; row <= 8; ++row)
            rows << grid.CellText(1, row) + u':' + grid.CellText(2, row);
        EXPECT_EQ(rows.join(u' '), c.rows);
        EXPECT_EQ(Dialogs.Boxes(), c.message.isEmpty() ? QStringList{} : QStringList{c.message});
    }
    grid.setCurrentCell(4, 1);
    grid.setRangeSelected(QTableWidgetSelectionRange(4, 1, 5, 2), true);
    QTest::keySequence(&grid, QKeySequence::Copy);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("4\t40.5\n5\t50\n"));
    grid.setCurrentCell(5, 2);
    QTest::keyClick(&grid, Qt::Key_Delete);
    EXPECT_EQ(grid.CellText(2, 6), QString());
}

TEST_F(ManualLin, TypingSlipsAreMarkedOnTheCurveBeforeAnyWrite) {
    auto& page = MakePage<TfmManualLin>();
    TZUREditGrid& grid = *page.Grid;
    Fill(grid, "0:0 12.5:10 2.5:20 3:abc");
    EXPECT_EQ(page.Curve->Curve->count(), 3) << "a row that is not two numbers is left out";
    EXPECT_EQ(page.Curve->Slips->count(), 1);
    EXPECT_EQ(page.Curve->Slips->at(0), QPointF(2.5, 20));
    EXPECT_FALSE(grid.item(2, 1)->toolTip().isEmpty()) << "the slip is told in words too";
    EXPECT_FALSE(grid.item(3, 2)->toolTip().isEmpty());
    grid.SetCellText(1, 2, QStringLiteral("1.25"));
    grid.SetCellText(2, 4, QStringLiteral("30"));
    EXPECT_EQ(page.Curve->Slips->count(), 0);
    EXPECT_EQ(page.Curve->Points->count(), 4);
    EXPECT_TRUE(grid.item(2, 1)->toolTip().isEmpty());
}

TEST_F(ManualLin, WhatTheEditorHoldsIsWrittenAndTheHeadingFollowsTheUnit) {
    StartGauge();
    auto& page = MakePage<TfmManualLin>();
    ASSERT_TRUE(Connect());
    page.UpdateUOMTimer->setInterval(50);
    EXPECT_EQ(page.Grid->horizontalHeaderItem(2)->text(), QStringLiteral("Volume"));
    Click(page.btReadSettings);
    Device().Image.TankRecord()[img::TankUom] = 2;
    EXPECT_TRUE(WaitUntilDone(
        [&] {
            return page.Grid->horizontalHeaderItem(2)->text() ==
                   QStringLiteral("Volume (ft\u00B3)");
        },
        1500));

    // A value typed into row 3's Volume cell, the editor still open, when Write is pressed.
    TZUREditGrid& grid = *page.Grid;
    Host().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Host()));
    grid.setFocus();
    grid.setCurrentCell(2, 2);
    QTest::keyClick(&grid, Qt::Key_2);
    ASSERT_TRUE(grid.Editing());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("0000"));
    Click(page.btWriteSettings);
    EXPECT_TRUE(WaitUntilDone([&] { return GaugeTable(Gauge()).at(2).second == 20000000u; }, 2000))
        << GaugeTable(Gauge()).at(2).second;
    EXPECT_EQ(grid.CellText(2, 3), QStringLiteral("20000.000"));
}

} // namespace
