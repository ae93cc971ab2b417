// SPDX-License-Identifier: GPL-3.0-or-later
#include "WriteSafety.h"

#include "DialogService.h"
#include "ImageCompare.h"
#include "ProgramSettings.h"
#include "T7310.h"

#include <cstdio>
#include <utility>

QString TWriteSafety::VerifyErrorText() {
    return tr("**ERROR** Verifying");
}

QString TWriteSafety::NotKeptHeading() {
    return tr("The gauge did not keep these settings");
}

namespace {

const char* const kGaugeColumn = QT_TRANSLATE_NOOP("TWriteSafety", "On the gauge");

// A box of differences between the gauge (the left column) and what the configurator holds.
TDifferencesBox GaugeBox(const QString& caption, const QString& heading, const QString& toColumn,
                         const TDifferences& differences) {
    TDifferencesBox box;
    box.Caption = caption;
    box.Heading = heading;
    box.FromColumn = QCoreApplication::translate("TWriteSafety", kGaugeColumn);
    box.ToColumn = toColumn;
    box.Differences = differences;
    return box;
}

} // namespace

TWriteSafety::TWriteSafety(QWidget* window, T7310& device, TProgramSettings* settings,
                           std::function<void(const QString&)> status,
                           std::unique_ptr<TArchive> archive)
    : window_(window), device_(device), settings_(settings), status_(std::move(status)),
      archive_(std::move(archive)), session_(device, *archive_) {}

bool TWriteSafety::Setting(const char* name) const {
    const TProgramSetting* setting =
        settings_ ? settings_->Lookup(QString::fromLatin1(name)) : nullptr;
    // Both default to on; a store that could not be read keeps the safe choice.
    return !setting || setting->BooleanValue;
}

void TWriteSafety::ArchiveError(const QString& text) {
    // Never a reason to stop the write: the user is told, and the write goes on.
    status_(text);
    std::fprintf(stderr, "t7310-configurator: %s\n", qPrintable(text));
}

TWriteSafety::TOutcome TWriteSafety::Run(const char* operation, const std::function<bool()>& series,
                                         bool confirm) {
    TWriteHooks hooks;
    hooks.ArchiveError = [this](const QString& text) { ArchiveError(text); };
    hooks.User = settings_ ? TechnicianName(*settings_) : SystemUserName();
    QString reason; // typed in the confirmation, when it asks
    hooks.Reason = [&reason] { return reason; };
    size_t kept = 0; // settings the user chose to leave as the gauge has them
    if (confirm && Setting(kConfirmChanges)) {
        hooks.Confirms = WriteAllInstructions(device_);
        hooks.Confirm = [this, &kept, &reason](const TDifferences& changes) {
            TDifferencesBox box = GaugeBox(tr("Write All Settings"),
                                           tr("Writing will change these settings on the gauge"),
                                           tr("To be written"), changes);
            box.EmptyText = tr("The gauge already holds every setting to be written.");
            box.AcceptText = tr("&Write");
            std::vector<bool> chosen(changes.Settings.size(), true);
            box.Chosen = &chosen;
            box.Reason = &reason;
            if (!Dialogs().Differences(window_, box))
                return false;
            kept = KeepGaugeValues(device_, changes, chosen);
            return true;
        };
    }
    // A write that ended the connection (a new node ID not answered) cannot be read back.
    hooks.Verify = [this] { return Setting(kVerifyWrites) && device_.Connected(); };
    const TCheckedWriteOutcome written = session_.CheckedWrite(operation, series, hooks);
    // The pages show what was written, the gauge's values where the user kept them.
    if (kept > 0)
        device_.NotifyAll();
    switch (written.Result) {
    case TCheckedWrite::Written:
        return TOutcome::Written;
    case TCheckedWrite::Cancelled:
        return TOutcome::Cancelled;
    case TCheckedWrite::NotRead:
    case TCheckedWrite::Failed:
        return TOutcome::Failed;
    case TCheckedWrite::NotKept: {
        Dialogs().Differences(window_, GaugeBox(tr("Verify after writing"), NotKeptHeading(),
                                                tr("Written"), written.NotKept));
        status_(VerifyErrorText());
        return TOutcome::NotKept;
    }
    case TCheckedWrite::ReadBackFailed:
        status_(VerifyErrorText());
        return TOutcome::NotKept;
    }
    return TOutcome::Failed;
}

bool TWriteSafety::CompareWithGauge() {
    const bool table = TableMatters(device_.GaugeImage, device_.Image);
    TDeviceImage gauge;
    if (!device_.ReadGaugeImage(gauge, table))
        return false;
    TCompareScope scope;
    scope.Table = TableMatters(gauge, device_.Image);
    TDifferencesBox box = GaugeBox(
        tr("Compare with Gauge"), tr("The gauge and the configurator differ in these settings"),
        tr("In the configurator"), CompareImages(gauge, device_.Image, scope));
    box.EmptyText = tr("The gauge holds the settings the configurator shows.");
    Dialogs().Differences(window_, box);
    return true;
}

QString TWriteSafety::SaveUnwritten(bool controlsEdited) {
    if (!device_.SettingsRead() || !(pending_ || controlsEdited))
        return {};
    QString error;
    const QString path = ArchiveUnwritten(device_, *archive_, &error);
    if (path.isEmpty()) {
        ArchiveError(tr("The archive could not be written: ") + error);
        return tr("\n\nThe settings not yet written could not be saved: ") + error;
    }
    return tr("\n\nThe settings not yet written were saved to\n") + path +
           tr("\nTo get them back, connect and open that file with File > Open.");
}
