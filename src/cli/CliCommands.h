// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The commands of t7310-cli, run over the same device object, settings store and settings
// file as the window. Everything the tool prints is decided here.

#include "CliOptions.h"

#include <QString>

#include <set>
#include <string>

class TProgramSettings;

enum TExitStatus {
    esSuccess = 0,
    esCommsFailure = 1, // the gauge did not answer or answered wrongly
    esUsage = 2,
    esRefused = 3,     // the gauge declared this tool incompatible
    esFileFailure = 4, // a file could not be read or written, or failed its checks
    esDiffers = 5,     // the gauge did not keep what was written; diff: gauge and file differ
};

// Runs one command; the settings hold the configurator's declared values (not yet loaded).
// Needs a QCoreApplication; processes events while it waits.
int RunCliCommand(const TCliOptions& options, TProgramSettings& settings);

// provision: the site file's gauges; defaultDevice is the bus of lines that name none, user
// the journal's user of its writes, paper that of the certificates of --certificates.
int RunProvision(const TCliOptions& options, const QString& defaultDevice, long baudRate,
                 const QString& user, const QString& paper);

// certificate --file: the certificate of a settings file, opening no port; paper: "A4" or
// "Letter".
int RunCertificateFile(const TCliOptions& options, const QString& technician,
                       const QString& paper);
// provision --certificates: a gauge's file in the folder ("T8310-node03-TAG.pdf"), never one
// already taken in this run.
struct TCertificate;
QString CertificateFileName(const QString& folder, const TCertificate& certificate,
                            const QString& tag, std::set<QString>& taken);

// Writes one "t7310-cli: ..." line to stderr, with any line breaks in the text folded.
void ReportError(const std::string& text);
