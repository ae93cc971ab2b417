// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmMain.h"

#include "WindowText.h"

#include "DialogService.h"
#include "Page.h"
#include "ProgramSettings.h"
#include "SerialPacket.h"
#include "SettingsFile.h"
#include "T7310.h"
#include "Values.h"
#include "WriteSafety.h"
#include "ZurApplication.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>

#include <sys/stat.h>

namespace {

const char* const kConnectPrompt = QT_TRANSLATE_NOOP(
    "TfmMain",
    "Please enter the RS-485 Node ID of the device you wish to connect to. (Note: ID 99 will "
    "connect to all devices)");
const char* const kBroadcastQuestion = QT_TRANSLATE_NOOP(
    "TfmMain",
    "You have selected ID 99. This is a broadcast address\nPlease ensure only one device is "
    "connected to the RS-485 bus before you continue.\nDo you wish to continue?");
const char* const kConnectIdRange =
    QT_TRANSLATE_NOOP("TfmMain", "The RS-485 node ID must be between 0 and 99");
const char* const kConnectFailed = QT_TRANSLATE_NOOP(
    "TfmMain",
    "An error occurred whilst connecting...\n\nPlease check to ensure the device is connected "
    "to the RS-485 bus,\nis powered up, and you have entered the correct RS-485 Node ID.");

// The device a path leads to now (the node it resolves to, and that node's inode and device
// number), or empty when there is none.
std::string DeviceIdentity(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return {};
    const QString node = QFileInfo(QFile::decodeName(path.c_str())).canonicalFilePath();
    return node.toStdString() + ":" + std::to_string(info.st_ino) + ":" +
           std::to_string(info.st_rdev);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Connection states

void TfmMain::SetFileCommandsEnabled(bool enabled) {
    // Without a gauge the file commands work on prepared settings.
    const bool connected = Device_ && Device_->Connected();
    const bool offline = Offline_.Active && !connected;
    miOpen->setEnabled(enabled || !connected);
    miSaveAs->setEnabled(enabled || offline);
    miSave->setEnabled(offline);
    miSaveAsTemplate->setEnabled(enabled || offline);
    miNewSettings->setEnabled(!connected);
    miCertificate->setEnabled(enabled || offline);
    miPrint->setEnabled(enabled || offline);
}

void TfmMain::SetConnectedCommandsEnabled(bool enabled) {
    miReadAllSettings->setEnabled(enabled);
    miWriteAllSettings->setEnabled(enabled);
    miChangeNodeID->setEnabled(enabled);
    miDefaultProtocol->setEnabled(enabled);
    miCompare->setEnabled(enabled);
    SetFileCommandsEnabled(enabled);
    // The scan opens the port itself: only while the device object does not hold it.
    miScanBus->setEnabled(!enabled);
}

void TfmMain::SetPagesEnabled(bool enabled, bool offline) {
    const TPageSlot order[] = {psManualLin,      psTankTypes,    psSensorParams, psAlarmSetpoints,
                               psDisplayOptions, psDeviceStatus, psSummary};
    for (TPageSlot slot : order)
        if (Pages[slot]) {
            Pages[slot]->SetOffline(offline);
            Pages[slot]->SetPageEnabled(enabled);
        }
}

void TfmMain::DeviceConnected() {
    // Prepared settings went aside when the connect began; the pages are the gauge's now.
    LeaveOffline();
    miConnect->setText(tr("&Disconnect"));
    SetConnectedCommandsEnabled(true);
    SetPagesEnabled(true);
    Panels[1]->setText(tr("CONNECTED"));
    lbFastTransfers->setVisible(Device_->Link().FastActive());
    ShowStatusText(tr("Connected"), kStatusSeconds);
    SetSheetVisible(tsSummary, Device_->IsExtended());
    // The pages now show what the gauge holds.
    if (Safety_)
        Safety_->SetPending(false);
    MarkPagesShown();
}

void TfmMain::DeviceDisconnected() {
    SetConnectedCommandsEnabled(false);
    Panels[1]->setText(tr("DISCONNECTED"));
    Panels[0]->setAccessibleDescription(tr("Status message"));
    Panels[1]->setAccessibleDescription(tr("Connection state"));
    lbFastTransfers->hide();
    SetPagesEnabled(false);
    miConnect->setText(tr("&Connect"));
    ShowStatusText(tr("Disconnected"), kStatusSeconds);
    LeaveOffline();
    SetFileCommandsEnabled(false);
}

void TfmMain::DeviceCommsError() {
    // The disconnect runs from the message loop, not from inside the link's event.
    SerialTimeoutTimer->SetEnabled(true);
}

void TfmMain::SerialTimeoutTimerTimer() {
    SerialTimeoutTimer->SetEnabled(false);
    // A line that failed under the port (the adapter pulled out), not a gauge that did not
    // answer: worth watching for it to come back.
    std::string lostPath;
    if (Device_ && Device_->Connected() && Device_->Link().ErrorCode() != PORT_OK) {
        TSerialPacket& link = Device_->Link();
        lostPath = link.OpenedPath();
        AdapterWatch.Port = link.CommPort;
        AdapterWatch.Baud = link.BaudRate;
        AdapterWatch.Node = Device_->NodeId;
    }
    // What was not written yet is saved before the disconnect, so nothing is lost.
    const QString saved = Safety_ ? Safety_->SaveUnwritten(PagesEdited()) : QString();
    if (Device_) {
        Device_->EndAlarmTest();
        Device_->Disconnect();
    }
    Dialogs().Information(this, tr("Device disconnected...") + saved);
    ShowStatusText(tr("Disconnected"), kStatusSeconds);
    if (!lostPath.empty() && ReconnectWhenAdapterReturns())
        StartAdapterWatch(lostPath);
}

// ---------------------------------------------------------------------------------------------
// The adapter coming back

bool TfmMain::ReconnectWhenAdapterReturns() const {
    const TProgramSetting* setting =
        ProgramSettings_ ? ProgramSettings_->Lookup(QString::fromLatin1(kReconnectOnReturn))
                         : nullptr;
    return setting ? setting->BooleanValue : true;
}

bool TfmMain::WatchingForAdapter() const {
    return AdapterWatchTimer && AdapterWatchTimer->Enabled();
}

void TfmMain::StartAdapterWatch(const std::string& path) {
    AdapterWatch.Path = path;
    AdapterWatch.Identity = DeviceIdentity(path);
    AdapterWatch.Gone = AdapterWatch.Identity.empty();
    AdapterWatch.Attempts = 0;
    if (!AdapterWatchTimer) {
        AdapterWatchTimer = std::make_unique<TMEKTimer>();
        AdapterWatchTimer->SetEnabled(false);
        AdapterWatchTimer->SetOnTimer([this](void*) { Command(&TfmMain::AdapterWatchTimerTimer); });
    }
    AdapterWatchTimer->SetInterval(AdapterWatchInterval);
    AdapterWatchTimer->SetEnabled(true);
}

void TfmMain::AdapterWatchTimerTimer() {
    // The user connected by hand in the meantime: nothing left to watch for.
    if (!Device_ || Device_->Connected()) {
        AdapterWatchTimer->SetEnabled(false);
        return;
    }
    // Back: the path names a device again after it was gone, or names another device than
    // the lost one (replugged before the watch saw it missing). The same node still standing
    // is the dead adapter.
    const std::string now = DeviceIdentity(AdapterWatch.Path);
    if (now.empty()) {
        AdapterWatch.Gone = true;
        return;
    }
    if (!AdapterWatch.Gone && now == AdapterWatch.Identity)
        return;
    // Off while connecting or asking: the connect runs the message loop.
    AdapterWatchTimer->SetEnabled(false);
    // A connect reads all settings over the entries the user has not written yet: asked first.
    if (PagesEdited() &&
        !Dialogs().Question(this, tr("The adapter is back.\nReconnecting reads all "
                                     "settings from the device over the changes "
                                     "not written yet.\nReconnect now?")))
        return;
    if (Device_->Connect(AdapterWatch.Port, AdapterWatch.Node, AdapterWatch.Baud)) {
        ShowStatusText(tr("Reconnected"), kStatusSeconds);
        return;
    }
    if (++AdapterWatch.Attempts < AdapterReconnectAttempts) {
        AdapterWatchTimer->SetEnabled(true);
        return;
    }
    ShowStatusText(tr("Reconnect failed"), kStatusSeconds);
}

void TfmMain::DeviceNonStandardTank(bool nonStandard) {
    SetSheetVisible(tsManualLin, nonStandard);
    // A loaded file brings its own table; only a tank found on the device reads it.
    if (nonStandard && Device_ && !Device_->ApplyingFile()) {
        // Not inside a checked write: its read-back waits, and a read started from the timer
        // inside that wait would end both. The table is read once the write is over.
        if (CheckedWrites > 0)
            TableReadHeld = true;
        else
            ReadTableTimer->SetEnabled(true);
    }
}

TWriteSafety::TOutcome TfmMain::CheckedWrite(const char* operation,
                                             const std::function<bool()>& series, bool confirm) {
    ++CheckedWrites;
    TWriteSafety::TOutcome outcome = TWriteSafety::TOutcome::Failed;
    try {
        outcome = Safety_->Run(operation, series, confirm);
    } catch (...) {
        --CheckedWrites;
        throw;
    }
    if (--CheckedWrites == 0 && TableReadHeld) {
        TableReadHeld = false;
        ReadTableTimer->SetEnabled(true);
    }
    return outcome;
}

void TfmMain::ReadTableTimerTimer() {
    ReadTableTimer->SetEnabled(false);
    if (Device_)
        Device_->ReadTankTable();
}

void TfmMain::DeviceDefaultProtocol(bool modbus) {
    miDefaultProtocol->setChecked(modbus);
}

void TfmMain::DeviceNodeIdChanged(uint8_t newId) {
    Device_->Disconnect();
    ApplyTransferMode();
    Device_->Connect(StoredInteger(kCommPort), newId, StoredInteger(kBaudRate));
}

void TfmMain::ApplyTransferMode() {
    const TProgramSetting* fast =
        ProgramSettings_ ? ProgramSettings_->Lookup(QString::fromLatin1(kFastTransfers)) : nullptr;
    Device_->Link().FastTransfers = fast && fast->BooleanValue;
}

QString TfmMain::StoredText(const char* name) const {
    const TProgramSetting* setting =
        ProgramSettings_ ? ProgramSettings_->Lookup(QString::fromLatin1(name)) : nullptr;
    return setting ? setting->TextValue : QString();
}

int TfmMain::StoredInteger(const char* name) const {
    const TProgramSetting* setting =
        ProgramSettings_ ? ProgramSettings_->Lookup(QString::fromLatin1(name)) : nullptr;
    return setting ? setting->IntegerValue : 0;
}

void TfmMain::miConnectClick() {
    if (!Device_)
        return;
    if (Device_->Connected()) {
        Device_->EndAlarmTest();
        Device_->Disconnect();
        return;
    }
    QString text = StoredText(kLastConnectId);
    if (!Dialogs().InputText(this, tr("Input Value"),
                             QCoreApplication::translate("TfmMain", kConnectPrompt), text))
        return;
    ConnectToNode(text);
}

void TfmMain::ConnectToNode(const QString& text) {
    if (!Device_ || Device_->Connected())
        return;
    int32_t nodeId = 0;
    try {
        nodeId = StrToInt(text);
    } catch (const TConvertError& e) {
        Dialogs().Error(this, Text(e.what()));
        return;
    }
    // Anything above 99 would reach the gauge only in its low 8 bits, that is another gauge.
    if (!TNodeId::Addressable(nodeId)) {
        Dialogs().Information(this, QCoreApplication::translate("TfmMain", kConnectIdRange));
        return;
    }
    if (TNodeId::IsBroadcast(nodeId) &&
        !Dialogs().Question(this, QCoreApplication::translate("TfmMain", kBroadcastQuestion)))
        return;
    // Remembered before the connection is tried, so a failed attempt keeps the ID too.
    if (ProgramSettings_) {
        if (TProgramSetting* last = ProgramSettings_->Lookup(QString::fromLatin1(kLastConnectId)))
            last->TextValue = text;
        ProgramSettings_->SaveAll();
    }
    // Settings prepared offline are what this connection offers to write: taken aside as a
    // file holds them, since the connect reads the gauge over the pages.
    std::optional<TPrepared> prepared;
    if (Offline_.Active) {
        if (!GatherForFile())
            return;
        prepared = TPrepared{
            EncodeSettingsFile(Device_->Image, Device_->Report, Device_->IsExtended()),
            FamilyOf(*Device_), Offline_.FileName, OfflineEdited()};
    }
    ApplyTransferMode();
    const TConnectResult connected =
        Safety_ ? Safety_->Session().Connect(StoredInteger(kCommPort), static_cast<uint8_t>(nodeId),
                                             StoredInteger(kBaudRate))
                : TConnectResult{};
    if (prepared && !Device_->Connected()) {
        // No gauge after all: the prepared settings are back as they were.
        TakeOfflineSettings(prepared->Family, &prepared->Bytes);
        EnterOffline(prepared->FileName, prepared->Unsaved);
    }
    // A gauge that answered but whose settings did not all arrive stays connected: the status
    // poll reads them again.
    if (connected.Failure != TConnectFailure::None && connected.Failure != TConnectFailure::ReadFailed)
        Dialogs().Information(this, QCoreApplication::translate("TfmMain", kConnectFailed) +
                                        (connected.Advice.empty()
                                             ? QString()
                                             : QStringLiteral("\n") + Text(connected.Advice)));
    if (prepared && Device_->Connected()) {
        if (connected.Ok())
            OfferPreparedSettings(*prepared);
        else
            Dialogs().Information(this, tr("The prepared settings were not offered: the gauge's "
                                           "settings could not all be read.") +
                                            KeepPreparedInArchive(*prepared));
    }
}
