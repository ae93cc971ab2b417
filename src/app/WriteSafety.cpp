#include "WriteSafety.h"

#include "DialogService.h"
#include "ImageCompare.h"
#include "ProgramSettings.h"
#include "SafeWrite.h"
#include "T7310.h"

#include <cstdio>
#include <utility>

const QString TWriteSafety::kVerifyError = QStringLiteral("**ERROR** Verifying");
const QString TWriteSafety::kNotKeptHeading =
    QStringLiteral("The gauge did not keep these settings");

namespace {

const char* const kGaugeColumn = "On the gauge";

} // namespace

TWriteSafety::TWriteSafety(QWidget* window, T7310& device, TProgramSettings* settings,
                           std::function<void(const QString&)> status,
                           std::unique_ptr<TArchive> archive)
    : window_(window), device_(device), settings_(settings), status_(std::move(status)),
      archive_(std::move(archive)) {}

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
    TSafeWrite write(device_, *archive_, operation);
    write.OnArchiveError = [this](const QString& text) { ArchiveError(text); };
    if (!write.Prepare())
        return TOutcome::Failed;
    if (confirm && Setting(kConfirmChanges)) {
        TDifferencesBox box;
        box.Caption = QStringLiteral("Write All Settings");
        box.Heading = QStringLiteral("Writing will change these settings on the gauge");
        box.FromColumn = QString::fromLatin1(kGaugeColumn);
        box.ToColumn = QStringLiteral("To be written");
        box.EmptyText = QStringLiteral("The gauge already holds every setting to be written.");
        box.AcceptText = QStringLiteral("&Write");
        box.Differences = CompareImages(device_.GaugeImage, device_.Image,
                                        ScopeOf(WriteAllInstructions(device_)));
        if (!Dialogs().Differences(window_, box))
            return TOutcome::Cancelled;
    }
    write.Begin();
    const bool written = series();
    TOutcome outcome = written ? TOutcome::Written : TOutcome::Failed;
    // A write that ended the connection (a new node ID not answered) cannot be read back.
    if (written && Setting(kVerifyWrites) && device_.Connected()) {
        // The read-back leaves the status bar saying what was written; only a failure shows.
        auto reading = std::exchange(device_.OnReadingSetting, nullptr);
        const bool readBack = write.Verify();
        device_.OnReadingSetting = std::move(reading);
        if (!readBack) {
            outcome = TOutcome::NotKept;
        } else if (!write.NotKept().Empty()) {
            outcome = TOutcome::NotKept;
            TDifferencesBox box;
            box.Caption = QStringLiteral("Verify after writing");
            box.Heading = kNotKeptHeading;
            box.FromColumn = QString::fromLatin1(kGaugeColumn);
            box.ToColumn = QStringLiteral("Written");
            box.Differences = write.NotKept();
            Dialogs().Differences(window_, box);
        }
        if (outcome == TOutcome::NotKept)
            status_(kVerifyError);
    }
    write.Record(written);
    return outcome;
}

bool TWriteSafety::CompareWithGauge() {
    const bool table = TableMatters(device_.GaugeImage, device_.Image);
    TDeviceImage gauge;
    if (!device_.ReadGaugeImage(gauge, table))
        return false;
    TCompareScope scope;
    scope.Table = TableMatters(gauge, device_.Image);
    TDifferencesBox box;
    box.Caption = QStringLiteral("Compare with Gauge");
    box.Heading = QStringLiteral("The gauge and the configurator differ in these settings");
    box.FromColumn = QString::fromLatin1(kGaugeColumn);
    box.ToColumn = QStringLiteral("In the configurator");
    box.EmptyText = QStringLiteral("The gauge holds the settings the configurator shows.");
    box.Differences = CompareImages(gauge, device_.Image, scope);
    Dialogs().Differences(window_, box);
    return true;
}

QString TWriteSafety::SaveUnwritten(bool controlsEdited) {
    if (!device_.SettingsRead() || !(pending_ || controlsEdited))
        return {};
    QString error;
    const QString path = ArchiveUnwritten(device_, *archive_, &error);
    if (path.isEmpty()) {
        ArchiveError(QStringLiteral("The archive could not be written: ") + error);
        return QStringLiteral("\n\nThe settings not yet written could not be saved: ") + error;
    }
    return QStringLiteral("\n\nThe settings not yet written were saved to\n") + path +
           QStringLiteral("\nTo get them back, connect and open that file with File > Open.");
}
