// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One run of a t7310-cli command against one gauge: the device object, its session, the
// archive and the trace, with what each command prints. The commands are grouped by what they
// do: reading, writing, the table, the bus.

#include "Archive.h"
#include "CliCommands.h"
#include "CliOptions.h"
#include "CliOutput.h"
#include "GaugeSession.h"
#include "T7310.h"
#include "TrafficLog.h"

#include <QJsonObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Only the status command needs the live status poll; without it every other command's
// exchanges do not queue behind status requests. Connect still runs its first read.
constexpr int kNoPollInterval = 24 * 60 * 60 * 1000;
// Status replies are reported by the poll after the one that asked for them.
constexpr int kStatusPolls = 3;

struct TTarget {
    std::optional<std::string> DevicePath;
    int CommPort = 1;
    long BaudRate = 9600;
    uint8_t NodeId = 0;
    std::string User; // the journal's user of every write
    std::string Paper = "A4"; // the certificate's paper
};

class TCliSession {
public:
    TCliSession(const TCliOptions& options, TTarget target);

    int Run();

private:
    int Dispatch();

    // ---- naming what failed ----

    std::string Path();

    std::string Where() { return Path() + " node " + std::to_string(target_.NodeId); }

    void Fail(const std::string& text);

    void BeginOperation() { comms_error_ = false; }

    std::string GroupOf(uint8_t instruction);

    // The read that failed, as the device object's outcome names it.
    std::string FailedRead() { return GroupOf(device_.LastOutcome().Instruction); }

    int ReadFailure(const std::string& what);

    // "Table Data at row R of N" for a table transfer that failed at a row.
    std::string FailedAt(const TOutcome& outcome, const std::string& group);

    int TableReadFailure() { return ReadFailure(FailedAt(device_.LastOutcome(), FailedRead())); }

    int WriteFailure(const TOutcome& outcome);

    std::string OpenErrorText();

    // ---- files checked before the gauge is bothered ----

    bool CheckReadableFile(const std::string& fileName);

    bool CheckWritableTarget(const std::string& fileName);

    // ---- connecting ----

    // Opens the port, identifies the gauge and reads all settings; any failure ends the
    // command, since the status poll would only retry.
    int Connect(bool livePoll);

    // ---- output ----

    std::string ItemText(uint32_t id);

    std::string ItemLine(const std::string& name, const std::string& text);

    QJsonObject IdentityJson();

    std::string IdentityText();

    void PrintSettings(bool tableRead);

    void PrintDone(const std::string& text, const QJsonObject& json);

    // ---- writes that are archived, verified and journalled ----

    // Runs a write series: the gauge's settings as found are archived first (read first when
    // unknown), then the series, then (unless --no-verify) the read-back and its comparison,
    // the settings as left and the journal line. verifyAgain, when given, runs a second
    // read-back after a failed one (a new node ID the gauge did not take answers at the old).
    int GuardedWrite(const std::string& operation, const std::function<bool()>& series,
                     const std::function<void()>& beforeVerify = {},
                     const std::function<bool(TSafeWrite&)>& verifyAgain = {});

    // ---- commands ----

    int Identify();

    int Read();

    // Loads the file into the device object as a write does: the settings a load keeps
    // keep the gauge's values. Returns an exit status (success when loaded).
    int LoadSettingsFile(const std::string& fileName);

    // The file first (a missing one opens no port), then the gauge, then the file loaded
    // over what the gauge holds.
    int ConnectAndLoad();
    int ConnectAndLoadTemplate();

    int Write();

    int Diff();

    int Status();

    int TableRead();

    int TableWrite();

    int SetNode();

    int SetProtocol();

    // The report fields of a format-3 settings file, read through a device object of its own.
    bool LoadReportFields(const std::string& fileName, TReportFields& fields);

    int Report();

    int Certificate();

    int Scan();

    const TCliOptions& options_;
    TTarget target_;
    TProgress progress_;
    T7310 device_;
    // After the device object: it lets go of the link before the link goes.
    TTrafficRecorder trace_;
    TArchive archive_;
    TGaugeSession session_{device_, archive_};
    bool connected_ = false;
    bool comms_error_ = false;
    bool table_transfer_ = false; // progress shows the table's percentage
};
