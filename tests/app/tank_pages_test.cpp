// A new user's way through the tank pages of the main window: a Non standard tank written on
// Tank Settings brings the Manual Linearisation tab, whose table is read a little later with
// the progress bar; a table pasted from a text editor is drawn, written and read back, and
// Write All Settings refuses a table with a slip on that tab.

#include "AppFixture.h"

#include "ByteOrder.h"
#include "FmManualLin.h"
#include "FmTankType.h"
#include "T7310.h"
#include "TableCurve.h"
#include "ZurEditGrid.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <algorithm>

namespace {

using TankPages = TAppTest;

bool Contains(const std::vector<uint8_t>& codes, uint8_t code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

void Click(QWidget* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

TEST_F(TankPages, ANonStandardTankBringsItsTableWhichIsPastedWrittenAndReadBack) {
    StartGauge();
    TfmMain& w = Window();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    auto* tank = dynamic_cast<TfmTankType*>(w.Page(TfmMain::psTankTypes));
    auto* manual = dynamic_cast<TfmManualLin*>(w.Page(TfmMain::psManualLin));
    ASSERT_TRUE(tank && manual);
    EXPECT_FALSE(TabShown(w.tsManualLin)) << "the gauge holds a horizontal cylinder";

    // Choose "Non standard" with the keyboard and write it.
    ClickTab(w.tsTankTypes);
    tank->cbTankType->setFocus();
    QTest::keyClick(tank->cbTankType, Qt::Key_End);
    ASSERT_EQ(tank->cbTankType->currentText(), QStringLiteral("Non standard"));
    std::vector<std::pair<int, bool>> progress;
    auto pageProgress = Device().OnTableProgress;
    Device().OnTableProgress = [&](T7310* d, int percent) {
        pageProgress(d, percent);
        progress.emplace_back(percent, !manual->pbTable->isHidden());
    };
    Gauge().ClearLog();
    Dialogs.Clear();
    Click(tank->btWriteSettings);
    EXPECT_EQ(Dialogs.Boxes(), QStringList{QStringLiteral("Tank settings written successfully.")});
    EXPECT_TRUE(TabShown(w.tsManualLin));
    EXPECT_EQ(Gauge().Block(0x16).at(img::TankType), 5);
    EXPECT_FALSE(Contains(Requests(), 0x1C)) << "the table is read 550 ms later";
    ASSERT_TRUE(WaitUntil([&] { return !progress.empty() && progress.back().first == 100; }, 3000));
    EXPECT_TRUE(progress.front().second) << "the bar shows during the read";
    EXPECT_TRUE(manual->pbTable->isHidden());
    EXPECT_EQ(manual->Grid->CellText(2, 5), QStringLiteral("32070.425"));
    // The heading follows the tank's unit within a second.
    EXPECT_TRUE(WaitUntil(
        [&] {
            return manual->Grid->horizontalHeaderItem(2)->text() ==
                   QStringLiteral("Volume (m\u00B3)");
        },
        1500));

    // Clear the table and paste one copied from a text editor.
    ClickTab(w.tsManualLin);
    Click(manual->btClearTable);
    manual->Grid->setCurrentCell(0, 1);
    manual->Grid->setFocus();
    QApplication::clipboard()->setText(QStringLiteral("Height\tVolume\n0\t0\n1\t100\n2\t250\n"));
    QTest::keySequence(manual->Grid, QKeySequence::Paste);
    EXPECT_EQ(manual->Curve->Curve->count(), 3);

    Gauge().ClearLog();
    Dialogs.Clear();
    Click(manual->btWriteSettings);
    EXPECT_EQ(Dialogs.Boxes(), QStringList{QStringLiteral("Manual points written successfully.")});
    const std::vector<uint8_t> writes = {0xAA, 0xAB, 0xAB, 0xAB};
    std::vector<uint8_t> sent = Requests();
    std::erase_if(sent, [](uint8_t c) { return c < 0xA0; });
    EXPECT_EQ(sent, writes);

    Click(manual->btClearTable);
    Click(manual->btReadSettings);
    EXPECT_EQ(manual->Grid->CellText(1, 3), QStringLiteral("2.000"));
    EXPECT_EQ(manual->Grid->CellText(2, 3), QStringLiteral("250.000"));
    EXPECT_EQ(manual->Grid->CellText(1, 4), QString());

    // Write All Settings gathers the shown table: a slip stops it on this tab.
    manual->Grid->SetCellText(1, 3, QStringLiteral("0.5"));
    ClickTab(w.tsDisplayOptions);
    Gauge().ClearLog();
    Dialogs.Clear();
    ASSERT_TRUE(Choose(w.miWriteAllSettings));
    EXPECT_EQ(w.pcMain->currentWidget(), w.tsManualLin);
    ASSERT_EQ(Dialogs.Boxes().size(), 1);
    EXPECT_TRUE(Dialogs.Boxes()[0].startsWith(QStringLiteral("Values must escalate")));
    EXPECT_TRUE(Requests().empty());
}

} // namespace
