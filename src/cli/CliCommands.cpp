// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommands.h"

#include "Archive.h"
#include "CliOutput.h"
#include "CliSession.h"
#include "CliTables.h"
#include "ComPortMap.h"
#include "ProgramSettings.h"
#include "Values.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cerrno>
#include <cstring>

namespace {

std::string JsonText(const QJsonValue& value) {
    return value.isString() ? Printable(value.toString().toStdString()) : std::string("-");
}

// The journal, newest last; opens no port.
int RunHistory(const TCliOptions& options) {
    const TArchive archive;
    const TArchive::TJournal journal = archive.ReadJournal();
    if (!journal.Error.isEmpty()) {
        ReportError(journal.Error.toStdString());
        return esFileFailure;
    }
    if (options.Json) {
        QJsonArray entries;
        for (const QJsonObject& entry : journal.Entries)
            entries.append(entry);
        Out(QJsonDocument(entries).toJson(QJsonDocument::Indented).toStdString());
    } else {
        std::string text;
        for (const QJsonObject& entry : journal.Entries) {
            const QJsonObject identity = entry["identity"].toObject();
            text += JsonText(entry["time"]) + "  " + JsonText(identity["name"]) + " node " +
                    std::to_string(entry["node"].toInt()) + " on " + JsonText(entry["device"]) +
                    "  " + JsonText(entry["operation"]) + ": " + JsonText(entry["result"]) + "\n";
            for (const QJsonValue& change : entry["changes"].toArray()) {
                const QJsonObject c = change.toObject();
                text += "    " + JsonText(c["group"]) + " / " + JsonText(c["name"]) + ": " +
                        JsonText(c["from"]) + " -> " + JsonText(c["to"]) + "\n";
            }
            text += "    by: " + JsonText(entry["user"]) + ", reason: " + JsonText(entry["reason"]) +
                    "\n";
            text += "    as found: " + JsonText(entry["as_found"]) + "\n";
            text += "    as left:  " + JsonText(entry["as_left"]) + "\n";
        }
        Out(text);
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        ReportError(std::string("cannot write the output: ") + std::strerror(errno));
        return esFileFailure;
    }
    if (journal.BadLines > 0) {
        ReportError(std::to_string(journal.BadLines) + " line(s) of " +
                    archive.JournalPath().toStdString() + " are not journal entries; left out");
        return esFileFailure;
    }
    return esSuccess;
}

} // namespace

int RunCliCommand(const TCliOptions& options, TProgramSettings& settings) {
    if (options.Command == ccHistory)
        return RunHistory(options);
    if (options.Command == ccTableMake)
        return RunTableMake(options);
    if (options.Command == ccTableFit)
        return RunTableFit(options);
    // The store is only consulted for what the command line leaves out.
    const bool writes = options.Command == ccWrite || options.Command == ccSetNode ||
                        options.Command == ccSetProtocol || options.Command == ccTableWrite ||
                        options.Command == ccProvision;
    // A certificate names the technician and takes the stored paper.
    const bool needStore = !options.NodeId || !options.BaudRate ||
                           (!options.DevicePath && !options.CommPort) ||
                           (writes && !options.User) || options.Command == ccCertificate ||
                           !options.CertificatesDir.empty();
    if (needStore) {
        try {
            settings.LoadAll();
        } catch (const std::exception& error) {
            ReportError(std::string("Error accessing program settings: ") + error.what());
        }
    }
    auto stored = [&](const char* name) { return settings.Lookup(QString::fromLatin1(name)); };
    const QString user =
        options.User ? QString::fromStdString(*options.User) : TechnicianName(settings);
    if (options.Command == ccCertificate && !options.SettingsSource.empty())
        return RunCertificateFile(options, user, PaperSizeName(settings));

    TTarget target;
    target.DevicePath = options.DevicePath;
    if (options.CommPort) {
        target.CommPort = *options.CommPort;
    } else if (const TProgramSetting* port = stored(kCommPort)) {
        target.CommPort = port->IntegerValue;
    }
    if (options.BaudRate) {
        target.BaudRate = *options.BaudRate;
    } else if (const TProgramSetting* baud = stored(kBaudRate)) {
        target.BaudRate = baud->IntegerValue;
    }
    if (options.NodeId) {
        target.NodeId = static_cast<uint8_t>(*options.NodeId);
    } else if (options.Command != ccScan && options.Command != ccProvision) {
        const TProgramSetting* last = stored(kLastConnectId);
        const std::string text = last ? last->TextValue.toStdString() : std::string();
        int32_t node = -1;
        if (!TryStrToInt(text, node) || node < 0 || node > kMaxNodeId) {
            ReportError("no node ID: give --node ID (the stored \"Last Connect ID\" is \"" + text +
                        "\")");
            std::fprintf(stderr, "%s\n", kUsageLine);
            return esUsage;
        }
        target.NodeId = static_cast<uint8_t>(node);
    }
    target.User = user.toStdString();
    target.Paper = PaperSizeName(settings).toStdString();
    if (target.BaudRate <= 0) {
        ReportError("no baud rate: give --baud RATE (the stored \"Baud Rate\" is " +
                    std::to_string(target.BaudRate) + ")");
        std::fprintf(stderr, "%s\n", kUsageLine);
        return esUsage;
    }

    if (options.Command == ccProvision) {
        const QString device = target.DevicePath ? QString::fromStdString(*target.DevicePath)
                                                 : ResolveCommPort(target.CommPort);
        return RunProvision(options, device, target.BaudRate, user, PaperSizeName(settings));
    }
    TCliSession session(options, std::move(target));
    return session.Run();
}
