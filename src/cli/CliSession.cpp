// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliSession.h"

#include "ComPortMap.h"
#include "SerialPacket.h"
#include "StatusText.h"
#include "TankTableCsv.h"
#include "Values.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

#include <cerrno>
#include <cstring>

TCliSession::TCliSession(const TCliOptions& options, TTarget target)
    : options_(options), target_(std::move(target)), progress_(!options.Trace) {
    trace_.OnLine = [](const TTrafficLine& line) {
        const std::string text = TraceText(line) + "\n";
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    };
}

int TCliSession::Run() {
    const int status = Dispatch();
    if (connected_) {
        progress_.Clear();
        device_.Disconnect();
    }
    progress_.Clear();
    if (options_.Trace) {
        const std::string counts = "trace: " + CountsText(trace_.Counts()) + "\n";
        std::fwrite(counts.data(), 1, counts.size(), stderr);
    }
    // Output that never arrived (a full disk, a closed pipe) is not a success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        ReportError(std::string("cannot write the output: ") + std::strerror(errno));
        return status == esSuccess ? esFileFailure : status;
    }
    return status;
}

int TCliSession::Dispatch() {
    switch (options_.Command) {
    case ccIdentify:
        return Identify();
    case ccRead:
        return Read();
    case ccWrite:
        return Write();
    case ccStatus:
        return Status();
    case ccTableRead:
        return TableRead();
    case ccTableWrite:
        return TableWrite();
    case ccSetNode:
        return SetNode();
    case ccSetProtocol:
        return SetProtocol();
    case ccReport:
        return Report();
    case ccScan:
        return Scan();
    case ccDiff:
        return Diff();
    case ccCertificate:
        return Certificate();
    case ccHistory:
    case ccTableMake:
    case ccTableFit:
    case ccProvision:
        break; // run without a session
    }
    return esUsage;
}

std::string TCliSession::Path() {
    const std::string& opened = device_.Link().OpenedPath();
    if (!opened.empty())
        return opened;
    if (target_.DevicePath)
        return *target_.DevicePath;
    const QString resolved = ResolveCommPort(target_.CommPort);
    return resolved.isEmpty() ? "COM " + std::to_string(target_.CommPort)
                              : resolved.toStdString();
}

void TCliSession::Fail(const std::string& text) {
    progress_.Clear();
    ReportError(text);
}

std::string TCliSession::GroupOf(uint8_t instruction) {
    if (instruction == instr::Identity)
        return "the identity";
    if (instruction == instr::InputCalibrationRead)
        return "the input calibration";
    return instr::GroupName(instruction);
}

int TCliSession::ReadFailure(const std::string& what) {
    Fail(Where() + ": reading " + what + " failed (no answer, or a wrong one)");
    return esCommsFailure;
}

// "Table Data at row R of N" for a table transfer that failed at a row.
std::string TCliSession::FailedAt(const TOutcome& outcome, const std::string& group) {
    if (outcome.Row <= 0)
        return group;
    return group + " at row " + std::to_string(outcome.Row) + " of " +
           std::to_string(outcome.Rows);
}

int TCliSession::WriteFailure(const TOutcome& outcome) {
    const std::string group =
        outcome.Instruction ? instr::GroupName(outcome.Instruction) : "the settings";
    Fail(Where() + ": writing " + FailedAt(outcome, group) + " failed (no acknowledgement)");
    return esCommsFailure;
}

std::string TCliSession::OpenErrorText() {
    TSerialPacket& link = device_.Link();
    return PortOpenErrorText(link.ErrorCode(), link.LastSystemError(), target_.BaudRate);
}

bool TCliSession::CheckReadableFile(const std::string& fileName) {
    const QFileInfo info(QString::fromStdString(fileName));
    std::string reason;
    if (!info.exists()) {
        reason = "No such file or directory";
    } else if (!info.isFile()) {
        reason = "not a regular file";
    } else {
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly))
            reason = file.errorString().toStdString();
    }
    if (reason.empty())
        return true;
    Fail("cannot read " + fileName + ": " + reason);
    return false;
}

bool TCliSession::CheckWritableTarget(const std::string& fileName) {
    const QFileInfo info(QString::fromStdString(fileName));
    const QFileInfo folder(info.absolutePath());
    std::string reason;
    if (info.exists() && !info.isFile())
        reason = "not a regular file";
    else if (!folder.isDir())
        reason = "the folder " + folder.filePath().toStdString() + " does not exist";
    else if (!folder.isWritable())
        reason = "the folder " + folder.filePath().toStdString() + " is not writable";
    if (reason.empty())
        return true;
    Fail("cannot create " + fileName + ": " + reason);
    return false;
}

// Opens the port, identifies the gauge and reads all settings; any failure ends the
// command, since the status poll would only retry.
int TCliSession::Connect(bool livePoll) {
    if (!livePoll)
        device_.PollInterval = kNoPollInterval;
    if (target_.DevicePath)
        device_.SetDevicePath(*target_.DevicePath);
    device_.Link().FastTransfers = options_.Fast;
    device_.OnCommsError = [this](T7310*, uint8_t) { comms_error_ = true; };
    device_.OnReadingSetting = [this](T7310*, const std::string& group) {
        progress_.Show("Reading Setting - " + group);
    };
    // A table transfer shows its percentage instead of a line per row.
    device_.OnWritingSetting = [this](T7310*, const std::string& group) {
        if (!table_transfer_)
            progress_.Show("Writing Setting - " + group);
    };
    device_.OnTableRowByRow = [this](T7310*, const std::string& text) {
        progress_.Clear();
        const std::string line = text + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fflush(stderr);
    };
    device_.OnTableProgress = [this](T7310*, int percent) {
        table_transfer_ = true;
        progress_.Show("Tank table " + std::to_string(percent) + "%");
    };

    if (options_.Trace)
        trace_.Attach(device_.Link());
    BeginOperation();
    const TConnectResult result =
        session_.Connect(target_.CommPort, target_.NodeId, target_.BaudRate);
    switch (result.Failure) {
    case TConnectFailure::None:
        break;
    case TConnectFailure::Incompatible:
        Fail(Where() + ": " + result.IncompatibleText);
        return esRefused;
    case TConnectFailure::PortNotOpened:
        Fail("cannot open " + Path() + ": " + OpenErrorText() +
             (result.Advice.empty() ? "" : " - " + result.Advice));
        return esCommsFailure;
    case TConnectFailure::NoIdentity:
        Fail(Where() + ": the gauge did not identify itself (no answer, or a wrong one)");
        return esCommsFailure;
    case TConnectFailure::ReadFailed:
        connected_ = true;
        return ReadFailure(FailedRead());
    }
    connected_ = true;
    progress_.Clear();
    return esSuccess;
}

std::string TCliSession::ItemText(uint32_t id) {
    const TZURSetting* item = device_.Settings().Find(id);
    return item ? item->AsText(true, true) : std::string();
}

std::string TCliSession::ItemLine(const std::string& name, const std::string& text) {
    return Printable(name) + ":" + (text.empty() ? "" : " " + Printable(text)) + "\n";
}

QJsonObject TCliSession::IdentityJson() {
    QJsonObject identity;
    identity["device_name"] = Latin1(ItemText(item::DeviceName));
    identity["software_version"] = Latin1(ItemText(item::SoftwareVersion));
    identity["pc_software_id"] = Latin1(ItemText(item::PcSoftwareId));
    identity["is8310"] = device_.Is8310;
    identity["has_flow_scaling"] = device_.HasFlowScaling;
    identity["is7310_extended"] = device_.Is7310Extended;
    return identity;
}

std::string TCliSession::IdentityText() {
    std::string text;
    for (uint32_t id : {item::DeviceName, item::SoftwareVersion, item::PcSoftwareId}) {
        if (const TZURSetting* item = device_.Settings().Find(id))
            text += ItemLine(item->Name, item->AsText(true, true));
    }
    return text + ItemLine("Device family", FamilyText(device_));
}

void TCliSession::PrintSettings(bool tableRead) {
    const TZURSettings& settings = device_.Settings();
    const TTableRows points = tableRead ? LoadTable(device_.Image.TankTable) : TTableRows{};
    if (options_.Json) {
        QJsonArray list;
        std::string group;
        for (size_t i = 0; i < settings.Count(); ++i) {
            const TZURSetting& item = settings.Item(i);
            if (item.DataType == stGroup) {
                group = item.Name;
                continue;
            }
            QJsonObject entry;
            entry["id"] = static_cast<qint64>(item.Id);
            entry["group"] = Latin1(group);
            entry["name"] = Latin1(item.Name);
            entry["text"] = Latin1(item.AsText(true, true));
            list.append(entry);
        }
        QJsonObject root;
        root["identity"] = IdentityJson();
        root["settings"] = list;
        if (tableRead) {
            QJsonArray table;
            for (const TTableRow& point : points)
                table.append(QJsonObject{{"height", Latin1(point.Height)},
                                         {"volume", Latin1(point.Volume)}});
            root["tank_table"] = table;
        }
        OutJson(root);
        return;
    }
    std::string text = ItemLine("Device family", FamilyText(device_));
    for (size_t i = 0; i < settings.Count(); ++i) {
        const TZURSetting& item = settings.Item(i);
        if (item.DataType == stGroup) {
            text += "\n" + Printable(item.Name) + "\n";
            continue;
        }
        text += "  " + ItemLine(item.Name, item.AsText(true, true));
        if (item.DataType == stTable)
            for (const TTableRow& point : points)
                text += "    " + point.Height + "," + point.Volume + "\n";
    }
    Out(text);
}

void TCliSession::PrintDone(const std::string& text, const QJsonObject& json) {
    if (options_.Json)
        OutJson(json);
    else
        Out(text + "\n");
}

// Runs a write series: the gauge's settings as found are archived first (read first when
// unknown), then the series, then (unless --no-verify) the read-back and its comparison,
// the settings as left and the journal line. verifyAgain, when given, runs a second
// read-back after a failed one (a new node ID the gauge did not take answers at the old).
int TCliSession::GuardedWrite(const std::string& operation, const std::function<bool()>& series,
                 const std::function<void()>& beforeVerify,
                 const std::function<bool(TSafeWrite&)>& verifyAgain) {
    TWriteHooks hooks;
    // Losing the archive never stops a write; the user is told.
    hooks.ArchiveError = [this](const QString& text) { Fail(text.toStdString()); };
    hooks.Verify = [this] {
        BeginOperation();
        return options_.Verify;
    };
    hooks.User = QString::fromStdString(target_.User);
    hooks.Reason = [this] { return QString::fromStdString(options_.Reason); };
    hooks.BeforeVerify = beforeVerify;
    hooks.VerifyAgain = verifyAgain;
    BeginOperation();
    table_transfer_ = false;
    const TCheckedWriteOutcome written = session_.CheckedWrite(operation, series, hooks);
    table_transfer_ = false;
    switch (written.Result) {
    case TCheckedWrite::Written:
        return esSuccess;
    case TCheckedWrite::Cancelled: // the tool never asks
    case TCheckedWrite::NotRead:
        return ReadFailure(FailedRead());
    case TCheckedWrite::Failed:
        return WriteFailure(written.Outcome);
    case TCheckedWrite::ReadBackFailed:
        return ReadFailure("back " + FailedRead() + " after the write");
    case TCheckedWrite::NotKept:
        break;
    }
    progress_.Clear();
    if (options_.Json) {
        QJsonObject json = DifferencesJson(written.NotKept, QStringLiteral("gauge"),
                                           QStringLiteral("written"));
        json["written"] = true;
        json["kept"] = false;
        OutJson(json);
    } else {
        Out("the gauge did not keep:\n" + DifferencesText(written.NotKept));
    }
    return esDiffers;
}
