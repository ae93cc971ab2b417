// SPDX-License-Identifier: GPL-3.0-or-later
// The bus tools of the window: the traffic monitor dock watching a connect, paused, cleared,
// saved and remembered; and Device > Scan Bus... finding the gauges of a simulated bus and
// connecting to the one chosen.

#include "AppFixture.h"

#include "ComPortMap.h"

#include "FmScanBus.h"
#include "FmTrafficMonitor.h"
#include "SerialPacket.h"
#include "T7310.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

namespace {

using BusTools = TAppTest;

QString Cell(const TTrafficLine& line, int column) {
    return TTrafficModel::CellText(line, column);
}

TEST_F(BusTools, TheTrafficMonitorShowsTheConnectAndRemembersItsPlace) {
    StartGauge();
    TfmMain& w = Window();
    TfmTrafficMonitor* monitor = w.TrafficMonitor;
    ASSERT_NE(monitor, nullptr);
    EXPECT_TRUE(monitor->isHidden()) << "closed at the first start";
    EXPECT_EQ(Device().Link().Tap(), nullptr) << "a closed monitor watches nothing";

    ASSERT_TRUE(Choose(w.miTrafficMonitor));
    EXPECT_FALSE(monitor->isHidden());
    EXPECT_TRUE(w.miTrafficMonitor->isChecked());
    EXPECT_EQ(w.dockWidgetArea(monitor), Qt::BottomDockWidgetArea);
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));

    const auto& lines = monitor->Model().Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(Cell(lines[0], TTrafficModel::tcDir), QStringLiteral("TX"));
    EXPECT_EQ(Cell(lines[0], TTrafficModel::tcNode), QStringLiteral("1"));
    EXPECT_EQ(Cell(lines[0], TTrafficModel::tcInstruction), QStringLiteral("DF identity"));
    EXPECT_EQ(Cell(lines[0], TTrafficModel::tcData), QStringLiteral("0A 01 DF 01 D5"));
    EXPECT_EQ(Cell(lines[1], TTrafficModel::tcDir), QStringLiteral("RX"));
    EXPECT_EQ(Cell(lines[1], TTrafficModel::tcChecksum), QStringLiteral("ok"));
    EXPECT_FALSE(Cell(lines[1], TTrafficModel::tcResponse).isEmpty());
    bool displayOptions = false;
    for (const TTrafficLine& line : lines)
        displayOptions |= Cell(line, TTrafficModel::tcInstruction) == "14 Display Options";
    EXPECT_TRUE(displayOptions) << "the read of all settings is in the table";
    EXPECT_EQ(monitor->grTraffic->model()->rowCount(), static_cast<int>(lines.size()));
    // Above the list, the counts of the same lines.
    const auto countsOfLines = [&] {
        const auto of = [&](const char* direction) {
            return std::count_if(lines.begin(), lines.end(), [&](const TTrafficLine& line) {
                return Cell(line, TTrafficModel::tcDir) == QLatin1String(direction);
            });
        };
        return QStringLiteral("requests %1, replies %2, time-outs %3, ")
            .arg(of("TX"))
            .arg(of("RX") + of("NACK"))
            .arg(of("TIMEOUT"));
    };
    EXPECT_TRUE(monitor->lbCounts->text().startsWith(countsOfLines()))
        << monitor->lbCounts->text().toStdString();
    EXPECT_EQ(monitor->lbCounts->accessibleName(), QStringLiteral("Link statistics"));

    // Paused, the monitor lets go of the link; the status poll goes on unseen.
    QTest::mouseClick(monitor->btPause, Qt::LeftButton);
    EXPECT_EQ(Device().Link().Tap(), nullptr);
    const size_t frozen = lines.size();
    const size_t asked = Gauge().Instructions().size();
    ASSERT_TRUE(WaitUntilDone([&] { return Gauge().Instructions().size() >= asked + 3; }));
    EXPECT_EQ(lines.size(), frozen);
    QTest::mouseClick(monitor->btPause, Qt::LeftButton);
    EXPECT_NE(Device().Link().Tap(), nullptr);

    // Save...: a header line, then one line per row of the table.
    QTemporaryDir folder;
    const QString csv = folder.filePath(QStringLiteral("trace.csv"));
    Dialogs.AnswerSaveFile(csv);
    const size_t rows = lines.size();
    QTest::mouseClick(monitor->btSave, Qt::LeftButton);
    QFile saved(csv);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QList<QByteArray> csvLines = saved.readAll().split('\n');
    EXPECT_EQ(csvLines[0],
              QByteArray("Time,Dir,Node,Instruction,Length,Data,Checksum,Response ms\r"));
    EXPECT_GE(static_cast<size_t>(csvLines.size() - 2), rows);
    EXPECT_TRUE(csvLines[1].contains(",TX,1,DF identity,1,0A 01 DF 01 D5,ok,"))
        << csvLines[1].data();

    QTest::mouseClick(monitor->btClear, Qt::LeftButton);
    EXPECT_LE(monitor->grTraffic->model()->rowCount(), 3);
    // Cleared, the counts start again with the list.
    EXPECT_TRUE(monitor->lbCounts->text().startsWith(countsOfLines()))
        << monitor->lbCounts->text().toStdString();

    // The next start opens it again, as it was left, at the height it had.
    DisconnectWindow();
    // The height it is left at is kept (a taller window gives it room beside the pages).
    w.resize(w.width(), 800);
    w.resizeDocks({monitor}, {220}, Qt::Vertical);
    ASSERT_TRUE(WaitUntilDone([&] { return monitor->height() == 220; }, 2000)) << monitor->height();
    w.close();
    EXPECT_EQ(OpenUserKey(QStringLiteral("\\SOFTWARE\\ZUR\\TrafficMonitor\\"))
                  ->value(QStringLiteral("Height"))
                  .toInt(),
              220);
    DropWindow();
    EXPECT_FALSE(Window().TrafficMonitor->isHidden());
    EXPECT_TRUE(Window().miTrafficMonitor->isChecked());
    EXPECT_NE(Device().Link().Tap(), nullptr);
    // Closed with the dock's own close button, it stays closed.
    ASSERT_TRUE(Window().TrafficMonitor->close());
    EXPECT_TRUE(Window().TrafficMonitor->isHidden());
    EXPECT_FALSE(Window().miTrafficMonitor->isChecked());
    EXPECT_EQ(Device().Link().Tap(), nullptr);
    DropWindow();
    EXPECT_TRUE(Window().TrafficMonitor->isHidden());
}

TEST_F(BusTools, AScanFromTheWindowListsTheBusAndConnectsToTheGaugeChosen) {
    sim::Options alone, first, second;
    alone.node = 1;
    first.model = "T7310";
    first.pcid = "3";
    first.node = 5;
    second.model = "PRM8310";
    second.node = 5;
    StartBus({alone, first, second});
    TfmMain& w = Window();
    EXPECT_TRUE(w.miScanBus->isEnabled());

    std::vector<QString> names;
    bool ran = false;
    QTimer::singleShot(0, [&] {
        TfmScanBus* dialog = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<TfmScanBus*>(top); d && d->isVisible())
                dialog = d;
        if (!dialog)
            return;
        ran = true;
        TBusScan& scan = dialog->Scan();
        scan.ReplyTimeout = 150;
        scan.Silence = 20;
        scan.DispatchInterval = 5;
        EXPECT_EQ(dialog->edFromNode->value(), 0);
        EXPECT_EQ(dialog->edToNode->value(), 98);
        dialog->edToNode->setValue(6);
        QTest::mouseClick(dialog->btStart, Qt::LeftButton);
        EXPECT_EQ(dialog->pbScan->value(), dialog->pbScan->maximum());
        for (int row = 0; row < dialog->grGauges->rowCount(); ++row)
            names.push_back(dialog->grGauges->item(row, 0)->text() + " " +
                            dialog->grGauges->item(row, 1)->text());
        // The bad reply cannot be connected to; the gauge alone on its ID can.
        dialog->grGauges->selectRow(1);
        EXPECT_FALSE(dialog->btConnect->isEnabled());
        dialog->grGauges->selectRow(0);
        EXPECT_TRUE(dialog->btConnect->isEnabled());
        QTest::mouseClick(dialog->btConnect, Qt::LeftButton);
    });
    Choose(w.miScanBus);
    ASSERT_TRUE(ran) << "the scan dialog did not open";
    EXPECT_EQ(names, (std::vector<QString>{"1 T8310", "5 bad reply (two gauges with one ID?)"}));
    ASSERT_TRUE(Device().Connected());
    EXPECT_EQ(Device().NodeId, 1);
    EXPECT_EQ(StoredValue(QStringLiteral("Last Connect ID")), QStringLiteral("1"));
    EXPECT_FALSE(w.miScanBus->isEnabled()) << "the port is the device object's while connected";
}

} // namespace
