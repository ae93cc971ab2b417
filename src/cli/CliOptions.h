// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Command line of t7310-cli: global options, then one command with its arguments.

#include "ChartFit.h"
#include "NodeId.h"
#include "TankGeometry.h"

#include <optional>
#include <string>
#include <vector>

enum TCliCommand {
    ccIdentify,
    ccRead,
    ccWrite,
    ccStatus,
    ccTableRead,
    ccTableWrite,
    ccSetNode,
    ccSetProtocol,
    ccReport,
    ccScan,
    ccDiff,
    ccHistory,
    ccTableMake, // no port: a table from a tank's shape
    ccTableFit,  // no port: a table fitted to a strapping chart
    ccProvision, // every gauge of a site file, on every bus it names
    ccCertificate, // the commissioning certificate, of the gauge or (--file) of a settings file
};

struct TCliOptions {
    // Unset values come from the program settings store.
    std::optional<std::string> DevicePath;
    std::optional<int> CommPort;
    std::optional<int> BaudRate;
    std::optional<int> NodeId;
    bool Json = false;
    bool Trace = false; // every frame on stderr
    bool Fast = false;  // fast transfers: replies framed by length, no dispatch tick
    // Who writes and why, for the journal of every write; the user defaults to the stored
    // "Technician".
    std::optional<std::string> User;
    std::string Reason;

    TCliCommand Command = ccIdentify;
    std::string File; // read --save, write, table-read, table-write, report; empty when not given
    // write --template NAME: the template's settings file, and its family checked against the
    // gauge's; empty when a file is written.
    std::string Template;
    int NewNodeId = 0;
    bool Modbus = false;
    std::string Fields; // report --fields: a format-3 settings file; empty when not given
    int ScanFrom = 0;   // scan: the node range, ascending
    int ScanTo = 98;
    bool DryRun = false; // provision: read and compare only
    // provision --certificates DIR: one commissioning certificate per gauge written.
    std::string CertificatesDir;
    // certificate --file FILE.TLS: made of a settings file, no port opened; --family names
    // the family when the file's format and folder leave it open. File is then OUT.pdf.
    std::string SettingsSource;
    std::string Family;
    // write, set-node, set-protocol, table-write: read back and compare (--no-verify: not).
    bool Verify = true;
    // table-make and table-fit: File is OUT.csv ("-" for stdout).
    TShapeTableRequest ShapeRequest;
    std::string Chart; // table-fit: the strapping chart's CSV file
    TChartFitRequest FitRequest;
};

struct TCliParse {
    bool Ok = false;
    bool Help = false;    // --help: print the usage and succeed
    bool Version = false; // --version: print the program's version and succeed
    std::string Error;    // why the command line is not usable
    TCliOptions Options;
};

// Arguments without the program name.
TCliParse ParseCliOptions(const std::vector<std::string>& args);

// Highest node ID that can be addressed, and the broadcast ID that every gauge answers.
inline constexpr int kMaxNodeId = TNodeId::kBroadcast;
// Highest ID a gauge can be given.
inline constexpr int kMaxAssignableNodeId = TNodeId::kHighestAssignable;

// One line, for usage errors.
extern const char* const kUsageLine;
// The full help text.
extern const char* const kUsageText;

// table-make's and table-fit's own options and file names (the arguments after the command
// name); false with the reason when they do not describe a table to work out.
bool ParseTableOptions(TCliCommand command, const std::vector<std::string>& rest,
                       TCliOptions& options, std::string& error);

// A decimal integer (optional sign, digits only), within int range.
bool ParseDecimal(const std::string& text, int& value);
