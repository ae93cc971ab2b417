// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as it opens and as the user handles it without a gauge: layout, menus,
// timers, the status text's free-running timer, the summary tab gesture, the small dialogs.

#include "AppFixture.h"

#include "ComPortMap.h"
#include "FmAbout.h"
#include "FmProgramSettings.h"
#include "ProgramSettings.h"
#include "SerialPacket.h"
#include "T7310.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <iterator>

namespace {

using MainWindow = TAppTest;

struct TabRow {
    const char* name;
    const char* caption;
    bool visible;
};

struct ItemRow {
    const char* name; // null for a separator
    const char* caption;
    bool enabled;
};

} // namespace

TEST_F(MainWindow, OpensWithItsLayoutMenusAndTimers) {
    TfmMain& w = Window();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("T7310 / T8310 Configurator"));
    EXPECT_EQ(w.size(), QSize(740, 564));
    EXPECT_EQ(w.font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(w.font().pixelSize(), 11);

    const TabRow tabs[] = {
        {"tsDeviceStatus", "Device Status", true},
        {"tsDisplayOptions", "Display Options", true},
        {"tsSensorParams", "Sensor Parameters", true},
        {"tsTankTypes", "Tank Settings", true},
        {"tsManualLin", "Manual Linearisation", false},
        {"tsAlarmSetpoints", "Alarm Setpoints", true},
        {"tsSummary", "Summary", false},
    };
    ASSERT_EQ(w.pcMain->count(), 7);
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(tabs[i].name);
        EXPECT_EQ(w.pcMain->widget(i)->objectName(), QString::fromLatin1(tabs[i].name));
        EXPECT_EQ(w.pcMain->tabText(i), QString::fromLatin1(tabs[i].caption));
        EXPECT_EQ(w.pcMain->isTabVisible(i), tabs[i].visible);
    }
    EXPECT_EQ(w.pcMain->currentWidget(), w.tsDeviceStatus);

    EXPECT_EQ(w.pnTitle->height(), 74);
    EXPECT_EQ(w.pnTitle->text(), QStringLiteral("T7310 / T8310 Configurator"));
    EXPECT_EQ(w.lbSoftwareVersion->text(),
              QStringLiteral("Software Version: ") + ReadFileVersion());
    // In the title panel's lower right corner, above the device status page's host.
    const QRect label = w.lbSoftwareVersion->geometry();
    EXPECT_GT(label.center().x(), w.pnTitle->width() / 2);
    EXPECT_GT(label.center().y(), w.pnTitle->height() / 2);
    EXPECT_EQ(w.pnDeviceStatus->parentWidget(), w.tsDeviceStatus);
    EXPECT_GE(w.pnDeviceStatus->y(), w.pnTitle->y() + w.pnTitle->height());

    EXPECT_EQ(w.Panel(0)->width(), 620);
    EXPECT_GE(w.Panel(1)->width(), 50);
    EXPECT_EQ(w.Panel(0)->text(), QString());
    EXPECT_EQ(w.Panel(1)->text(), QStringLiteral("DISCONNECTED"));
    EXPECT_EQ(w.Panel(1)->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_GT(w.Panel(1)->x(), w.Panel(0)->x());

    struct MenuRow {
        const char* title;
        std::vector<ItemRow> items;
    };
    const MenuRow menus[] = {
        {"&File",
         {{"miNewSettings", "&New Settings...", true},
          {"miOpen", "&Open", true},
          {"miSave", "Sa&ve", false},
          {"miSaveAs", "&Save As", false},
          {"miSaveAsTemplate", "Save as &Template...", false},
          {"miTemplates", "Te&mplates", true},
          {"miHistory", "&History...", true},
          {nullptr, nullptr, true},
          {"miCertificate", "Commissioning &Certificate...", false},
          {"miPrint", "&Print...", false},
          {nullptr, nullptr, true},
          {"miProgramSettings", "Program &Settings...", true},
          {nullptr, nullptr, true},
          {"miExit", "E&xit", true}}},
        {"&Edit", {{"miUndo", "&Undo", false}, {"miRedo", "&Redo", false}}},
        {"&Device",
         {{"miConnect", "&Connect", true},
          {"miScanBus", "Scan &Bus...", true},
          {"miProvisionSite", "&Provision Site...", true},
          {nullptr, nullptr, true},
          {"miReadAllSettings", "&Read All Settings", false},
          {"miWriteAllSettings", "&Write All Settings", false},
          {"miCompare", "Compare with &Gauge...", false},
          {nullptr, nullptr, true},
          {"miChangeNodeID", "Change RS-485 Node &ID", false},
          {"miDefaultProtocol", "&Modbus Protocol Default", false}}},
        {"&View",
         {{"miTrafficMonitor", "&Traffic Monitor", true},
          {"miAllSettings", "&All Settings", true}}},
        {"&Help", {{"miAbout", "&About...", true}}},
    };
    const QList<QAction*> bar = w.menuBar()->actions();
    ASSERT_EQ(static_cast<size_t>(bar.size()), std::size(menus));
    for (int m = 0; m < static_cast<int>(std::size(menus)); ++m) {
        SCOPED_TRACE(menus[m].title);
        EXPECT_EQ(bar[m]->text(), QString::fromLatin1(menus[m].title));
        const QList<QAction*> items = bar[m]->menu()->actions();
        ASSERT_EQ(static_cast<size_t>(items.size()), menus[m].items.size());
        for (size_t i = 0; i < menus[m].items.size(); ++i) {
            const ItemRow& row = menus[m].items[i];
            QAction* item = items[static_cast<int>(i)];
            if (!row.name) {
                EXPECT_TRUE(item->isSeparator()) << "item " << i;
                continue;
            }
            SCOPED_TRACE(row.name);
            EXPECT_EQ(item->objectName(), QString::fromLatin1(row.name));
            EXPECT_EQ(item->text(), QString::fromLatin1(row.caption));
            EXPECT_EQ(item->isEnabled(), row.enabled);
            EXPECT_EQ(item->isCheckable(), std::string(row.name) == "miDefaultProtocol" ||
                                               std::string(row.name) == "miTrafficMonitor" ||
                                               std::string(row.name) == "miAllSettings");
        }
    }

    struct TimerRow {
        const char* name;
        const TMEKTimer* timer;
        int interval;
    };
    const TimerRow timers[] = {{"StatusBarTextTimer", w.StatusBarTextTimer.get(), 4000},
                               {"ReadTableTimer", w.ReadTableTimer.get(), 550},
                               {"SerialTimeoutTimer", w.SerialTimeoutTimer.get(), 1}};
    for (const TimerRow& t : timers) {
        SCOPED_TRACE(t.name);
        EXPECT_EQ(t.timer->Interval(), t.interval);
        EXPECT_FALSE(t.timer->Enabled());
    }
    ASSERT_NE(w.Device(), nullptr);
    EXPECT_EQ(w.Device()->ProgramSoftwareId, 3);
    EXPECT_FALSE(w.Device()->Connected()) << "nothing is read until the user connects";
    EXPECT_TRUE(Dialogs.Records().empty());
}

TEST_F(MainWindow, FirstStartWritesTheDefaultsToTheUserSettings) {
    Window();
    EXPECT_EQ(StoredValue(QStringLiteral("Comm Port")), QStringLiteral("1"));
    EXPECT_EQ(StoredValue(QStringLiteral("Baud Rate")), QStringLiteral("9600"));
    const auto key = OpenUserKey(QStringLiteral("\\SOFTWARE\\ZUR\\Configurator\\"));
    EXPECT_TRUE(key->contains(QStringLiteral("Last Connect ID")));
    EXPECT_EQ(Device().Link().ReadIntervalTimeout, 25u) << "(shortened by the fixture)";
}

TEST_F(MainWindow, UnreadableSettingsAreReportedAndTheWindowStillOpens) {
    // The folder that would hold the program's settings is a plain file.
    const QString folder =
        QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("/ZUR");
    {
        QFile blocker(folder);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    TfmMain& w = Window();
    EXPECT_EQ(Dialogs.Boxes(), QStringList{QStringLiteral("Error accessing program settings")});
    ASSERT_EQ(Dialogs.Records().size(), 1u);
    EXPECT_EQ(Dialogs.Records()[0].Kind, TDialogKind::Plain);
    EXPECT_EQ(w.lbSoftwareVersion->text(), QStringLiteral("Software Version: "));
    EXPECT_NE(w.Device(), nullptr);
    EXPECT_TRUE(w.miConnect->isEnabled());
    EXPECT_EQ(w.pcMain->currentWidget(), w.tsDeviceStatus);
    EXPECT_TRUE(w.isVisible());
}

TEST_F(MainWindow, AStatusMessageLastsUntilTheNextTickOfTheFreeRunningTimer) {
    TfmMain& w = Window();
    QElapsedTimer clock;
    w.ShowStatusText(QStringLiteral("first"), 4);
    clock.start();
    EXPECT_EQ(w.Panel(0)->text(), QStringLiteral("   first"));
    EXPECT_TRUE(w.StatusBarTextTimer->Enabled());
    EXPECT_EQ(w.StatusBarTextTimer->Interval(), 4000);

    QTest::qWait(1000);
    w.ShowStatusText(QStringLiteral("second"), 4);
    EXPECT_EQ(w.Panel(0)->text(), QStringLiteral("   second"));
    ASSERT_TRUE(WaitUntilDone([&] { return w.Panel(0)->text().isEmpty(); }, 6000));
    const qint64 cleared = clock.elapsed();
    // The tick comes 4 s after the first message, not 4 s after the second (5 s).
    EXPECT_GE(cleared, 3900);
    EXPECT_LT(cleared, 4950);
    EXPECT_TRUE(w.StatusBarTextTimer->Enabled()) << "the timer runs on after its tick";
}

namespace {

struct GestureCase {
    const char* name;
    bool holdCtrlH; // Ctrl+H held during the press
    bool releaseH;  // H released again before the press
    QWidget* TfmMain::*startSheet;
    QPoint at; // page control coordinates
    Qt::MouseButton button;
    bool toggles;
};

} // namespace

TEST_F(MainWindow, CtrlHWithAClickOnTheFirstTabTogglesTheSummaryOfAnExtendedDevice) {
    const GestureCase cases[] = {
        {"gesture", true, false, &TfmMain::tsDeviceStatus, {50, 10}, Qt::LeftButton, true},
        {"again", true, false, &TfmMain::tsDeviceStatus, {50, 10}, Qt::LeftButton, true},
        {"top left corner", true, false, &TfmMain::tsDeviceStatus, {2, 3}, Qt::LeftButton, true},
        {"bottom right corner",
         true,
         false,
         &TfmMain::tsDeviceStatus,
         {98, 20},
         Qt::RightButton,
         true},
        {"left of the area", true, false, &TfmMain::tsDeviceStatus, {1, 10}, Qt::LeftButton, false},
        {"right of the area",
         true,
         false,
         &TfmMain::tsDeviceStatus,
         {99, 10},
         Qt::LeftButton,
         false},
        {"above the area", true, false, &TfmMain::tsDeviceStatus, {50, 2}, Qt::LeftButton, false},
        {"below the area", true, false, &TfmMain::tsDeviceStatus, {50, 21}, Qt::LeftButton, false},
        {"without Ctrl+H", false, false, &TfmMain::tsDeviceStatus, {50, 10}, Qt::LeftButton, false},
        {"H let go", true, true, &TfmMain::tsDeviceStatus, {50, 10}, Qt::LeftButton, false},
        {"on another tab", true, false, &TfmMain::tsTankTypes, {50, 10}, Qt::LeftButton, false},
    };
    StartGauge(); // a T8310: an extended device
    TfmMain& w = Window();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    EXPECT_TRUE(TabShown(w.tsSummary)) << "an extended device shows the summary on connect";
    for (const GestureCase& c : cases) {
        SCOPED_TRACE(c.name);
        ClickTab(w.*c.startSheet);
        ASSERT_EQ(w.pcMain->currentWidget(), w.*c.startSheet);
        const bool before = TabShown(w.tsSummary);
        // Keys go to a control of the window; the window sees them first.
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : &w;
        if (c.holdCtrlH) {
            QTest::keyPress(focus, Qt::Key_Control);
            QTest::keyPress(focus, Qt::Key_H, Qt::ControlModifier);
            EXPECT_TRUE(w.SummaryKeyDown());
        }
        if (c.releaseH)
            QTest::keyRelease(focus, Qt::Key_H, Qt::ControlModifier);
        QWidget* target = w.pcMain->childAt(c.at);
        if (!target)
            target = w.pcMain;
        QTest::mousePress(target, c.button, {}, target->mapFrom(w.pcMain, c.at));
        QTest::mouseRelease(target, c.button, {}, target->mapFrom(w.pcMain, c.at));
        if (c.holdCtrlH && !c.releaseH)
            QTest::keyRelease(focus, Qt::Key_H, Qt::ControlModifier);
        if (c.holdCtrlH)
            QTest::keyRelease(focus, Qt::Key_Control);
        EXPECT_FALSE(w.SummaryKeyDown());
        EXPECT_EQ(TabShown(w.tsSummary), c.toggles ? !before : before);
    }
    // The summary's visibility is not changed by a disconnect.
    const bool shown = TabShown(w.tsSummary);
    ASSERT_TRUE(DisconnectWindow());
    EXPECT_EQ(TabShown(w.tsSummary), shown);
}

TEST_F(MainWindow, TheSummaryGestureDoesNothingForADeviceThatIsNotExtended) {
    struct ModelCase {
        const char* model;
        const char* pcid;
        bool extended;
    };
    const ModelCase models[] = {{"T7310", "3", false},
                                {"T7310", "10", false},
                                {"T7310", "4", true},
                                {"PRM8310", "5", true}};
    for (const ModelCase& m : models) {
        SCOPED_TRACE(std::string(m.model) + " " + m.pcid);
        sim::Options options;
        options.model = m.model;
        options.pcid = m.pcid;
        StartGauge(options);
        TfmMain& w = Window();
        ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
        const bool before = TabShown(w.tsSummary);
        EXPECT_EQ(before, m.extended);
        QWidget* focus = w.pcMain->tabBar();
        QTest::keyPress(focus, Qt::Key_H, Qt::ControlModifier);
        QTest::mouseClick(w.pcMain->tabBar(), Qt::LeftButton, {},
                          w.pcMain->tabBar()->mapFrom(w.pcMain, QPoint(50, 10)));
        QTest::keyRelease(focus, Qt::Key_H, Qt::ControlModifier);
        EXPECT_EQ(TabShown(w.tsSummary), m.extended ? !before : before)
            << "toggled only for an extended device";
        // The next connect shows or hides the summary by the next model.
        ASSERT_TRUE(DisconnectWindow());
        Dialogs.Clear();
    }
}

TEST_F(MainWindow, ProgramSettingsAndAboutOpenModallyAndExitCloses) {
    TfmMain& w = Window();
    struct DialogCase {
        QAction* item;
        const char* caption;
        const char* button; // object name of the button that closes it
    };
    const DialogCase cases[] = {{w.miProgramSettings, "Settings", "Button2"},
                                {w.miAbout, "About...", "Button1"}};
    for (const DialogCase& c : cases) {
        SCOPED_TRACE(c.caption);
        QString seen;
        bool modal = false;
        // Closes the dialog from inside its own loop, as the user's click would.
        QTimer::singleShot(0, [&] {
            WaitUntilDone([] { return QApplication::activeModalWidget() != nullptr; }, 3000);
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog)
                return;
            seen = dialog->windowTitle();
            modal = dialog->isModal();
            if (auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(c.button)))
                QTest::mouseClick(button, Qt::LeftButton);
            else
                dialog->close();
        });
        ASSERT_TRUE(Choose(c.item));
        EXPECT_EQ(seen, QString::fromLatin1(c.caption));
        EXPECT_TRUE(modal);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }

    ASSERT_TRUE(Choose(w.miExit));
    EXPECT_FALSE(w.isVisible());
}
