// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmMain.h"

#include "DialogService.h"
#include "FmTrafficMonitor.h"
#include "Page.h"
#include "T7310.h"
#include "ZurApplication.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabBar>
#include <QTabWidget>

namespace {

// The area of the first tab's label in page control coordinates.
const QRect kSummaryGestureArea(QPoint(2, 3), QPoint(98, 20));

} // namespace

// ---------------------------------------------------------------------------------------------
// Tabs, alarm test mode and the summary gesture

void TfmMain::SetActiveSheet(QWidget* sheet) {
    ++ProgramTabChange;
    pcMain->setCurrentWidget(sheet);
    --ProgramTabChange;
}

void TfmMain::SetSheetVisible(QWidget* sheet, bool visible) {
    ++ProgramTabChange;
    pcMain->setTabVisible(pcMain->indexOf(sheet), visible);
    --ProgramTabChange;
}

bool TfmMain::SheetVisible(QWidget* sheet) const {
    return pcMain->isTabVisible(pcMain->indexOf(sheet));
}

void TfmMain::LeaveAlarmTestMode() {
    if (!Device_ || !Device_->AlarmTestActive)
        return;
    Device_->EndAlarmTest();
    Dialogs().Information(this, tr("Alarm Test Mode Deactivated"));
}

void TfmMain::pcMainChange() {
    LeaveAlarmTestMode();
}

void TfmMain::closeEvent(QCloseEvent* event) {
    bool settled = true;
    TZurApplication::Guard([this, &settled] { settled = OfflineEditsSettled(); });
    if (!settled) {
        event->ignore();
        return;
    }
    TZurApplication::Guard([this] { LeaveAlarmTestMode(); });
    // Keeps the dock's height as the user left it.
    if (TrafficMonitor && !TrafficMonitor->isHidden())
        TrafficMonitor->Remember(true, true);
    event->accept();
}

void TfmMain::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_H && (modifiers & Qt::ControlModifier))
        SummaryKey = true;
}

void TfmMain::FormKeyUp(int key) {
    if (key == Qt::Key_H)
        SummaryKey = false;
}

void TfmMain::pcMainMouseDown(const QPoint& pcMainPos) {
    if (!kSummaryGestureArea.contains(pcMainPos))
        return;
    if (!Device_ || !Device_->IsExtended() || !SummaryKey)
        return;
    if (pcMain->currentWidget() != tsDeviceStatus)
        return;
    SetSheetVisible(tsSummary, !SheetVisible(tsSummary));
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // Ctrl+Z in a page's box is the window's undo, which knows every page's edits, not the
        // box's own; a table cell's open editor keeps its own.
        auto* widget = qobject_cast<QWidget*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool undoKey =
            key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            key->keyCombination() == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z);
        if (undoKey && widget && widget->window() == this &&
            !qobject_cast<QAbstractItemView*>(
                widget->parentWidget() ? widget->parentWidget()->parentWidget() : nullptr))
            return true;
        break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // Every key meant for this window or one of its controls, before the control sees it.
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (event->type() == QEvent::KeyPress)
                FormKeyDown(key->key(), key->modifiers());
            else if (!key->isAutoRepeat())
                FormKeyUp(key->key());
        }
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        QTabBar* bar = pcMain ? pcMain->tabBar() : nullptr;
        if (watched != pcMain && watched != bar)
            break;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint pos =
            static_cast<QWidget*>(watched)->mapTo(pcMain, mouse->position().toPoint());
        // A press the tab bar passes on reaches the page control as well; count it once.
        if (watched == pcMain && bar->geometry().contains(pos))
            break;
        TZurApplication::Guard([this, pos] { pcMainMouseDown(pos); });
        break;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
