// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The commands of t7310-cli, run over the same device object, settings store and settings
// file as the window. Everything the tool prints is decided here.

#include "CliOptions.h"

#include <QString>

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
// the journal's user of its writes.
int RunProvision(const TCliOptions& options, const QString& defaultDevice, long baudRate,
                 const QString& user);

// Writes one "t7310-cli: ..." line to stderr, with any line breaks in the text folded.
void ReportError(const std::string& text);
