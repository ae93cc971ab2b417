// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmMain.h"

#include "WindowText.h"

#include "ComPortMap.h"
#include "DialogService.h"
#include "EditHistory.h"
#include "FmAbout.h"
#include "FmAllSettings.h"
#include "FmHistory.h"
#include "FmProgramSettings.h"
#include "FmProvisionSite.h"
#include "FmScanBus.h"
#include "FmTrafficMonitor.h"
#include "Page.h"
#include "ProgramSettings.h"
#include "T7310.h"
#include "Values.h"
#include "WriteSafety.h"
#include "ZURSettings.h"
#include "ZurApplication.h"

#include <QAction>
#include <QShortcut>

#include <QFile>
#include <algorithm>

namespace {

const char* const kFileFilter = QT_TRANSLATE_NOOP("TfmMain", "Tank Linearisation Settings (*.TLS)");

const char* const kNodeIdRange =
    QT_TRANSLATE_NOOP("TfmMain", "The RS-485 node ID must be between 0 and 98");
const char* const kNodeIdWriteFailed =
    QT_TRANSLATE_NOOP("TfmMain", "An error occurred whilst writing the RS-485 ID.");

} // namespace

// ---------------------------------------------------------------------------------------------
// Commands

void TfmMain::Command(void (TfmMain::*command)()) {
    TZurApplication::Guard([this, command] { (this->*command)(); });
}

void TfmMain::miReadAllSettingsClick() {
    if (!Device_)
        return;
    if (!Device_->ReadAllSettings()) {
        ShowStatusText(tr("Error reading settings"), kStatusSeconds);
        return;
    }
    if (Safety_)
        Safety_->SetPending(false);
    MarkPagesShown();
}

bool TfmMain::GatherPages() {
    const TPageSlot order[] = {psDisplayOptions, psSensorParams, psTankTypes, psManualLin,
                               psAlarmSetpoints};
    for (TPageSlot slot : order) {
        if (!Pages[slot] || !Pages[slot]->HasGather())
            continue;
        if (slot == psManualLin && !SheetVisible(tsManualLin))
            continue;
        if (!Pages[slot]->Gather()) {
            SetActiveSheet(TabSheet(slot));
            return false;
        }
    }
    return true;
}

void TfmMain::miWriteAllSettingsClick() {
    if (!Device_)
        return;
    if (!GatherPages())
        return;
    if (!Safety_) {
        // Without the archive the write still goes through as it always has.
        if (Device_->WriteAllSettings()) {
            ShowStatusText(tr("Settings written successfully"), kStatusSeconds);
            Dialogs().Information(this, tr("Settings written successfully"));
        } else {
            ShowStatusText(tr("Error writing settings"), kStatusSeconds);
            Dialogs().Information(this, tr("An error occured whilst writing the settings"));
        }
        return;
    }
    // The gathered entries are in the image now, and stay unwritten until the write succeeds.
    Safety_->SetPending(true);
    switch (CheckedWrite(
        "write-all", [this] { return Device_->WriteAllSettings(); }, true)) {
    case TWriteSafety::TOutcome::Cancelled:
        return;
    case TWriteSafety::TOutcome::Written:
        Safety_->SetPending(false);
        MarkPagesShown();
        ShowStatusText(tr("Settings written successfully"), kStatusSeconds);
        Dialogs().Information(this, tr("Settings written successfully"));
        return;
    case TWriteSafety::TOutcome::NotKept:
        // The status bar keeps saying what went wrong: the verification.
        Dialogs().Information(this, tr("An error occured whilst writing the settings"));
        return;
    case TWriteSafety::TOutcome::Failed:
        ShowStatusText(tr("Error writing settings"), kStatusSeconds);
        Dialogs().Information(this, tr("An error occured whilst writing the settings"));
        return;
    }
}

void TfmMain::miCompareClick() {
    if (!Device_ || !Safety_ || !Device_->Connected())
        return;
    // The entries on the pages are part of what the configurator holds.
    if (!GatherPages())
        return;
    if (!Safety_->CompareWithGauge())
        ShowStatusText(tr("Error reading settings"), kStatusSeconds);
}

void TfmMain::miHistoryClick() {
    if (!Safety_)
        return;
    TfmHistory dialog(Safety_->Archive(), miOpen->isEnabled(), this);
    if (dialog.exec() != QDialog::Accepted || dialog.ChosenFile().isEmpty())
        return;
    if (Device_ && !Device_->Connected() && !OfflineEditsSettled())
        return;
    OpenSettingsFile(dialog.ChosenFile());
}

void TfmMain::miChangeNodeIDClick() {
    if (!Device_)
        return;
    TZURSetting* item = Device_->Settings().Find(item::Rs485Id);
    if (!item || !item->Raw())
        return;
    const uint32_t current = item->Value(Device_->Image);
    QString text = QString::number(current);
    if (!Dialogs().InputText(this, tr("Change Setting.."), tr("RS-485 Node ID"), text))
        return;
    int32_t nodeId = 0;
    try {
        nodeId = StrToInt(text);
    } catch (const TConvertError& e) {
        Dialogs().Information(this, Text(e.what()));
        return;
    }
    if (nodeId >= 0 && static_cast<uint32_t>(nodeId) == current)
        return;
    if (!TNodeId::Assignable(nodeId)) {
        Dialogs().Information(this, QCoreApplication::translate("TfmMain", kNodeIdRange));
        return;
    }
    item->SetValue(Device_->Image, static_cast<uint32_t>(nodeId));
    // On success the device object asks for the reconnect (OnNodeIdChanged).
    const auto write = [this] { return Device_->WriteGroup(instr::NodeIdWrite); };
    const bool written =
        Safety_ ? CheckedWrite("node-id", write, false) == TWriteSafety::TOutcome::Written
                : write();
    if (!written)
        Dialogs().Information(this, QCoreApplication::translate("TfmMain", kNodeIdWriteFailed));
}

void TfmMain::miDefaultProtocolClick() {
    if (!Device_)
        return;
    uint8_t& flag = Device_->Image.DefaultProtocol;
    flag = flag ? 0 : 1;
    const auto write = [this] { return Device_->WriteGroup(instr::DefaultProtocolWrite); };
    if (Safety_ ? CheckedWrite("protocol", write, false) == TWriteSafety::TOutcome::Written
                : write())
        miDefaultProtocol->setChecked(flag != 0);
    else
        Dialogs().Information(this, QCoreApplication::translate("TfmMain", kNodeIdWriteFailed));
}

void TfmMain::miOpenClick() {
    if (!Device_ || (!Device_->Connected() && !OfflineEditsSettled()))
        return;
    const QString name = Dialogs().OpenFileName(
        this, tr("Open"), QCoreApplication::translate("TfmMain", kFileFilter));
    if (name.isEmpty())
        return;
    OpenSettingsFile(name);
}

void TfmMain::OpenSettingsFile(const QString& name, std::optional<TGaugeFamily> family) {
    if (!Device_->Connected()) {
        OpenOfflineFile(name, family);
        return;
    }
    // A file that cannot be opened raises its error to the exception box.
    if (Device_->LoadFromFile(QFile::encodeName(name).toStdString())) {
        // The pages show the file now; it is not on the gauge until written.
        if (Safety_)
            Safety_->SetPending(true);
        MarkPagesShown();
        Dialogs().Information(this, tr("Settings loaded successfully.\nPlease select "
                                       "'Write All Settings' from the device menu to "
                                       "download the new settings."));
    } else {
        Dialogs().Error(this, tr("An error occured whilst opening the file"));
    }
}

void TfmMain::miSaveAsClick() {
    if (!Device_)
        return;
    if (Offline_.Active && !Device_->Connected()) {
        const QString name = Dialogs().SaveFileName(
            this, tr("Save As"), QCoreApplication::translate("TfmMain", kFileFilter));
        if (!name.isEmpty())
            SaveOfflineTo(name);
        return;
    }
    if (!Dialogs().Question(this, tr("All settings must be written to device before "
                                     "saving. \nDo you wish to continue?")))
        return;
    const QString name = Dialogs().SaveFileName(
        this, tr("Save As"), QCoreApplication::translate("TfmMain", kFileFilter));
    if (name.isEmpty())
        return;
    if (!Device_->SaveToFile(QFile::encodeName(name).toStdString()))
        Dialogs().Error(this, tr("An error occured whilst save the file"));
}

void TfmMain::miProgramSettingsClick() {
    // The store exists even when loading it failed; the dialog then shows what it holds.
    if (!ProgramSettings_)
        return;
    TfmProgramSettings dialog(*ProgramSettings_, this);
    dialog.exec();
}

void TfmMain::miAboutClick() {
    TfmAbout dialog(this);
    dialog.exec();
}

void TfmMain::miExitClick() {
    close();
}

void TfmMain::miScanBusClick() {
    if (!Device_ || Device_->Connected())
        return;
    TfmScanBus::TTarget target;
    target.CommPort = StoredInteger(kCommPort);
    target.BaudRate = StoredInteger(kBaudRate);
    target.DevicePath = Device_->Link().DevicePath;
    TfmScanBus dialog(target, this);
    if (dialog.exec() == QDialog::Accepted && dialog.ChosenNode() >= 0)
        ConnectToNode(QString::number(dialog.ChosenNode()));
}

// The window's own connection is closed first (the bus is the provisioner's for the run) and
// opened again to the same node afterwards.
void TfmMain::miProvisionSiteClick() {
    if (!Device_)
        return;
    TfmProvisionSite::TTarget target;
    const std::string& path = Device_->Link().DevicePath;
    target.DefaultDevice = !path.empty() ? QString::fromStdString(path)
                                         : ResolveCommPort(StoredInteger(kCommPort));
    target.BaudRate = StoredInteger(kBaudRate);
    target.Fast = Device_->Link().FastTransfers;
    target.ArchiveFolder = Safety_ ? Safety_->Archive().Folder() : QString();
    target.TemplateFolder = TemplateFolder;
    // The bus devices take the window's timing.
    T7310& own = *Device_;
    target.PrepareDevice = [dispatch = own.Link().ProcessMessageTimerInterval(),
                            silence = own.Link().ReadIntervalTimeout, base = own.BaseReplyTimeout,
                            check = own.WaitCheckInterval, connectWait = own.ConnectWait,
                            pause = own.DisconnectPause](T7310& device) {
        device.Link().SetProcessMessageTimerInterval(dispatch);
        device.Link().ReadIntervalTimeout = silence;
        device.BaseReplyTimeout = base;
        device.WaitCheckInterval = check;
        device.ConnectWait = connectWait;
        device.DisconnectPause = pause;
    };
    const bool wasConnected = Device_->Connected();
    const QString node = QString::number(Device_->NodeId);
    if (wasConnected) {
        // The pages are read again from the gauge afterwards: what they hold that was not
        // written yet is kept in the archive first, as when a line drops.
        const QString saved = Safety_ ? Safety_->SaveUnwritten(PagesEdited()) : QString();
        if (!saved.isEmpty())
            Dialogs().Information(this,
                                  tr("Provisioning a site closes this connection and reads the "
                                     "gauge again afterwards.") +
                                      saved);
        Device_->EndAlarmTest();
        Device_->Disconnect();
    }
    {
        TfmProvisionSite dialog(target, this);
        dialog.exec();
    }
    if (wasConnected)
        ConnectToNode(node);
}

void TfmMain::miTrafficMonitorClick() {
    if (!TrafficMonitor)
        return;
    const bool open = miTrafficMonitor->isChecked();
    // Closing: its height while it is still laid out. Opening: the stored height stays.
    TrafficMonitor->Remember(open, !open);
    if (open)
        ShowTrafficMonitorAtItsHeight();
    else
        TrafficMonitor->setVisible(false);
}

namespace {
constexpr int kAllSettingsWidth = 600;
} // namespace

void TfmMain::CreateAllSettings() {
    if (!Device_)
        return;
    AllSettings = new TfmAllSettings(*Device_, this);
    addDockWidget(Qt::RightDockWidgetArea, AllSettings);
    AllSettings->hide();
    TSettingsModel& model = AllSettings->Model();
    // One edit, one image: a value typed on a page shows in the list, one taken by the list
    // shows on its page, marked there as not yet written.
    model.EditedText = [this](const TZURSetting* setting) -> std::optional<QString> {
        for (TZURPage* page : Pages)
            if (page)
                if (auto text = page->EditedText(setting))
                    return text;
        return std::nullopt;
    };
    // The image's value and the page's control go back together on an undo.
    model.OnEditing = [this](const TZURSetting* setting) {
        History_->BeginSettingEdit(Device_->Image, setting);
    };
    model.OnEdited = [this](const TZURSetting* setting) {
        for (TZURPage* page : Pages)
            if (page)
                page->ShowSetting(setting);
        History_->EndSettingEdit();
    };
    model.OnRefused = [this](const QString& message) { Dialogs().Information(this, message); };
    for (TZURPage* page : Pages)
        if (page)
            connect(page, &TZURPage::EditedChanged, this,
                    [this] { AllSettings->Model().Refresh(); });
    connect(AllSettings, &TfmAllSettings::ShowSettingRequested, this,
            [this](const TZURSetting* setting) { ShowSettingOnItsPage(setting); });
    connect(AllSettings, &QDockWidget::visibilityChanged, miAllSettings, &QAction::setChecked);
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        miAllSettings->setChecked(true);
        AllSettings->FocusFilter();
    });
}

void TfmMain::miAllSettingsClick() {
    if (!AllSettings)
        return;
    if (miAllSettings->isChecked()) {
        AllSettings->FocusFilter();
        // Wide enough for its six columns; the pages keep their own width.
        resizeDocks({AllSettings}, {kAllSettingsWidth}, Qt::Horizontal);
        // The window grows for the dock; a window manager keeps it within the screen.
        resize(std::max(width(), minimumSizeHint().width() + kAllSettingsWidth), height());
    } else
        AllSettings->hide();
}

bool TfmMain::ShowSettingOnItsPage(const TZURSetting* setting) {
    for (int slot = 0; slot < psCount; ++slot) {
        TZURPage* page = Pages[slot];
        const TFieldBinding* row = page ? page->FieldFor(setting) : nullptr;
        if (!row || !SheetVisible(TabSheet(static_cast<TPageSlot>(slot))))
            continue;
        SetActiveSheet(TabSheet(static_cast<TPageSlot>(slot)));
        row->Control->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return false;
}
