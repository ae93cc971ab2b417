// SPDX-License-Identifier: GPL-3.0-or-later
// The tank pages in the main window: a Non standard tank written on Tank Settings brings the
// Manual Linearisation tab, whose table is read a little later, and
// Write All Settings refuses a table with a slip on that tab.

#include "AppFixture.h"

#include "ByteOrder.h"
#include "FmManualLin.h"
#include "FmTankType.h"
#include "T7310.h"
#include "ZurEditGrid.h"

#include <QAction>
#include <QComboBox>
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

TEST_F(TankPages, ANonStandardTankBringsItsTableAndWriteAllChecksIt) {
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
    Gauge().ClearLog();
    Dialogs.Clear();
    Click(tank->btWriteSettings);
    EXPECT_EQ(Dialogs.Boxes(), QStringList{QStringLiteral("Tank settings written successfully.")});
    EXPECT_TRUE(TabShown(w.tsManualLin));
    EXPECT_EQ(Gauge().Block(0x16).at(img::TankType), 5);
    EXPECT_FALSE(Contains(Requests(), 0x1C)) << "the table is read 550 ms later";
    ASSERT_TRUE(WaitUntilDone(
        [&] { return manual->Grid->CellText(2, 5) == QStringLiteral("32070.425"); }, 3000));
    EXPECT_TRUE(manual->pbTable->isHidden());

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
