// SPDX-License-Identifier: GPL-3.0-or-later
// File > Commissioning Certificate... and File > Print...: the certificate of the connected
// gauge (as found and as left from the journal's last write of it) or of the settings prepared
// without one, built below the window exactly as t7310-cli builds it.

#include "FmMain.h"

#include "Archive.h"
#include "Certificate.h"
#include "CertificatePdf.h"
#include "DialogService.h"
#include "FmCertificate.h"
#include "ProgramSettings.h"
#include "SerialPacket.h"
#include "T7310.h"
#include "WriteSafety.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QStandardPaths>

TCertificate TfmMain::MakeCertificate() const {
    const bool connected = Device_->Connected();
    TCertificateSources sources;
    sources.Device = Device_.get();
    sources.Offline = !connected;
    if (connected) {
        sources.Port = QString::fromStdString(Device_->Link().OpenedPath());
        sources.Archive = Safety_ ? &Safety_->Archive() : nullptr;
    } else if (!Offline_.Unsaved && !OfflineEdited()) {
        // Only a file that holds what the pages show is named, with its hash.
        sources.SettingsFile = Offline_.FileName;
    }
    sources.Technician = TechnicianName(*ProgramSettings_);
    sources.Program = QString::fromLatin1(kConfiguratorName);
    sources.Version = ReadFileVersion();
    return BuildCertificate(sources);
}

bool TfmMain::CertificateAvailable() const {
    return Device_ && ProgramSettings_ &&
           ((Device_->Connected() && Device_->SettingsRead()) || Offline_.Active);
}

void TfmMain::miCertificateClick() {
    // Offline, the entries on the pages are what the certificate describes.
    if (!CertificateAvailable() || (!Device_->Connected() && !GatherForFile()))
        return;
    const TCertificate certificate = MakeCertificate();
    // Beside the settings file it describes, else among the user's documents.
    QString suggested;
    if (certificate.Offline && !Offline_.FileName.isEmpty()) {
        const QFileInfo file(Offline_.FileName);
        suggested = file.dir().filePath(file.completeBaseName() + QStringLiteral(".pdf"));
    } else {
        suggested = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                        .filePath(TArchive::GaugeFolderName(certificate.DeviceName,
                                                            static_cast<uint8_t>(certificate.Node)) +
                                  QDateTime::currentDateTime().toString(
                                      QStringLiteral("-yyyyMMdd-HHmm")) +
                                  QStringLiteral(".pdf"));
    }
    TProgramSetting* open = ProgramSettings_->Lookup(QString::fromLatin1(kOpenCertificate));
    TfmCertificate dialog(certificate, PaperSizeNamed(PaperSizeName(*ProgramSettings_)), suggested,
                          !open || open->BooleanValue, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (open && open->BooleanValue != dialog.OpenAfterSaving()) {
        open->BooleanValue = dialog.OpenAfterSaving();
        try {
            ProgramSettings_->SaveAll();
        } catch (const TSettingsError&) {
            // Only the tick is not remembered; the certificate is saved.
        }
    }
    ShowStatusText(tr("Certificate saved as ") +
                       QDir::toNativeSeparators(dialog.SavedFile()),
                   kStatusSeconds);
    if (dialog.OpenAfterSaving() && !Dialogs().OpenDocument(dialog.SavedFile()))
        Dialogs().Information(this, tr("The certificate was saved as \"%1\"; no program to "
                                        "show PDF files was found.")
                                        .arg(QDir::toNativeSeparators(dialog.SavedFile())));
}

void TfmMain::miPrintClick() {
    if (!CertificateAvailable() || (!Device_->Connected() && !GatherForFile()))
        return;
    const TCertificate certificate = MakeCertificate();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(PaperSizeNamed(PaperSizeName(*ProgramSettings_))));
    printer.setDocName(certificate.Title + QStringLiteral(" - ") + certificate.Gauge);
    if (!Dialogs().Print(this, printer))
        return;
    if (!PaintCertificate(certificate, printer))
        Dialogs().Error(this, tr("The certificate could not be printed: the printer could "
                                 "not be started."));
}
