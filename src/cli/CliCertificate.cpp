// SPDX-License-Identifier: GPL-3.0-or-later
// t7310-cli certificate: the commissioning certificate of the connected gauge, or of a settings
// file prepared without one; and the certificates provision writes.

#include "Archive.h"
#include "Certificate.h"
#include "CertificatePdf.h"
#include "CliCommands.h"
#include "CliOutput.h"
#include "CliSession.h"
#include "GaugeFamily.h"
#include "ProgramSettings.h"
#include "SettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

namespace {

QJsonValue FileJson(const std::optional<TCertificateFile>& file) {
    if (!file)
        return QJsonValue();
    return QJsonObject{{"path", file->Path},
                       {"sha256", file->Sha256.isEmpty() ? QJsonValue() : QJsonValue(file->Sha256)}};
}

std::string FileText(const char* caption, const std::optional<TCertificateFile>& file) {
    if (!file)
        return {};
    return std::string(caption) + Printable(file->Path.toStdString()) + "\n    SHA-256 " +
           (file->Sha256.isEmpty() ? "not read: " + file->Problem.toStdString()
                                   : file->Sha256.toStdString()) +
           "\n";
}

// Saves and says so; an exit status.
int Save(const TCertificate& certificate, const TCliOptions& options, const QString& paper,
         const std::string& of) {
    QString reason;
    if (!SaveCertificatePdf(QString::fromStdString(options.File), certificate,
                            PaperSizeNamed(paper), &reason)) {
        ReportError("cannot write " + options.File + ": " + reason.toStdString());
        return esFileFailure;
    }
    if (options.Json) {
        OutJson({{"file", QString::fromStdString(options.File)},
                 {"content_sha256", certificate.ContentSha256},
                 {"changed", certificate.ChangedCount},
                 {"as_found", FileJson(certificate.AsFound)},
                 {"as_left", FileJson(certificate.AsLeft)}});
    } else {
        Out("Commissioning certificate of " + of + " written to " + options.File + "\n" +
            "content SHA-256 " + certificate.ContentSha256.toStdString() + "\n" +
            FileText(certificate.Offline ? "settings file: " : "as found: ", certificate.AsFound) +
            FileText(certificate.Offline ? "settings file: " : "as left:  ", certificate.AsLeft));
    }
    return esSuccess;
}

// The family of a settings file: its format, its archive folder, or --family.
std::optional<TGaugeFamily> FileFamily(const TCliOptions& options, std::string& error) {
    std::optional<uint32_t> format;
    try {
        format = SettingsFileFormat(options.SettingsSource);
    } catch (const std::exception& failure) {
        error = failure.what();
        return std::nullopt;
    }
    if (!format) {
        error = options.SettingsSource + ": not a settings file";
        return std::nullopt;
    }
    const std::vector<TGaugeFamily> families = FamiliesForFormat(*format);
    if (!options.Family.empty()) {
        const std::optional<TGaugeFamily> named = FamilyNamed(options.Family);
        if (!named) {
            error = "certificate --family " + options.Family + ": not a gauge family";
            return std::nullopt;
        }
        if (std::find(families.begin(), families.end(), *named) == families.end()) {
            error = options.SettingsSource + " is not a settings file for a " + options.Family;
            return std::nullopt;
        }
        return named;
    }
    const QString folder =
        QFileInfo(QString::fromStdString(options.SettingsSource)).absoluteDir().dirName();
    if (const auto archived = FamilyOfArchiveFolder(folder, *format))
        return archived;
    if (families.size() == 1)
        return families.front();
    error = options.SettingsSource + " can be for several families: give --family NAME";
    return std::nullopt;
}

} // namespace

int RunCertificateFile(const TCliOptions& options, const QString& technician,
                       const QString& paper) {
    std::string error;
    const std::optional<TGaugeFamily> family = FileFamily(options, error);
    if (!family) {
        ReportError(error);
        return esFileFailure;
    }
    T7310 device;
    TakeFamily(device, *family);
    try {
        if (!device.LoadWholeFile(options.SettingsSource)) {
            ReportError(options.SettingsSource + ": not a settings file for a " +
                        FamilyFacts(*family).Name);
            return esFileFailure;
        }
    } catch (const std::exception& failure) {
        ReportError(failure.what());
        return esFileFailure;
    }
    TCertificateSources sources;
    sources.Device = &device;
    sources.Offline = true;
    sources.SettingsFile = QFileInfo(QString::fromStdString(options.SettingsSource)).absoluteFilePath();
    sources.Technician = technician;
    sources.Program = QString::fromLatin1(kConfiguratorName);
    sources.Version = ReadFileVersion();
    return Save(BuildCertificate(sources), options, paper, options.SettingsSource);
}

int TCliSession::Certificate() {
    if (!CheckWritableTarget(options_.File))
        return esFileFailure;
    if (const int status = Connect(false))
        return status;
    // The table is part of the certificate of a Non standard tank.
    if (device_.GaugeImage.IsNonStandardTank() && !device_.GaugeTableKnown()) {
        BeginOperation();
        if (!device_.ReadTankTable())
            return TableReadFailure();
    }
    progress_.Clear();
    TCertificateSources sources;
    sources.Device = &device_;
    sources.Port = QString::fromStdString(device_.Link().OpenedPath());
    sources.Archive = &archive_;
    sources.Technician = QString::fromStdString(target_.User);
    sources.Program = QString::fromLatin1(kConfiguratorName);
    sources.Version = ReadFileVersion();
    return Save(BuildCertificate(sources), options_, QString::fromStdString(target_.Paper),
                Where());
}

QString CertificateFileName(const QString& folder, const TCertificate& certificate,
                            const QString& tag, std::set<QString>& taken) {
    QString base = TArchive::GaugeFolderName(certificate.DeviceName,
                                             static_cast<uint8_t>(certificate.Node));
    if (!tag.isEmpty())
        base += u'-' + tag;
    // A file name of letters, digits and a few marks, whatever a tag holds.
    for (QChar& c : base)
        if (!c.isLetterOrNumber() && c != u'-' && c != u'_' && c != u'.')
            c = u'_';
    QString name = QDir(folder).filePath(base + QStringLiteral(".pdf"));
    for (int n = 2; taken.count(name) > 0; ++n)
        name = QDir(folder).filePath(base + QStringLiteral("-%1.pdf").arg(n));
    taken.insert(name);
    return name;
}
