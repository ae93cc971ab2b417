#include "CliCommands.h"

#include "Archive.h"
#include "BusScan.h"
#include "ComPortMap.h"
#include "ConnectionDoctor.h"
#include "ImageCompare.h"
#include "ProgramSettings.h"
#include "GaugeSession.h"
#include "SafeWrite.h"
#include "SerialPacket.h"
#include "SettingsFile.h"
#include "StatusText.h"
#include "SummaryReport.h"
#include "T7310.h"
#include "TankTableCsv.h"
#include "TrafficLog.h"
#include "Values.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>

namespace {

// Only the status command needs the live status poll; without it every other command's
// exchanges do not queue behind status requests. Connect still runs its first read.
constexpr int kNoPollInterval = 24 * 60 * 60 * 1000;
// Status replies are reported by the poll after the one that asked for them.
constexpr int kStatusPolls = 3;

std::string Fold(const std::string& text) {
    std::string folded;
    bool pendingSpace = false;
    for (char c : text) {
        if (c == '\n' || c == '\r') {
            pendingSpace = !folded.empty();
            continue;
        }
        if (pendingSpace && c != ' ')
            folded += ' ';
        pendingSpace = false;
        folded += c;
    }
    return folded;
}

// Texts from a gauge may hold anything; keep control characters away from a terminal.
std::string Printable(const std::string& text) {
    std::string clean = text;
    for (char& c : clean)
        if (static_cast<unsigned char>(c) < ' ' || c == '\x7f')
            c = '?';
    return clean;
}

void Out(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void OutJson(const QJsonObject& object) {
    Out(QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString());
}

QString Latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The shortest decimal form of a single-precision value, so 0.1f prints as 0.1.
double ShortestDouble(float value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    double wide = value;
    std::from_chars(buffer, result.ptr, wide);
    return wide;
}

std::string FamilyText(const T7310& device) {
    return ::FamilyText(device.Is8310, device.HasFlowScaling, device.Is7310Extended);
}

QJsonValue RowJson(const std::optional<TTableRowText>& row) {
    if (!row)
        return QJsonValue();
    return QJsonArray{Latin1(row->Height), Latin1(row->Volume)};
}

// The differences as {"differences": [...], "table": [...]}, the two sides under fromKey and
// toKey ("gauge" and "file", or "gauge" and "written").
QJsonObject DifferencesJson(const TDifferences& differences, const QString& fromKey,
                            const QString& toKey) {
    QJsonArray settings;
    for (const TSettingDifference& d : differences.Settings)
        settings.append(QJsonObject{{"id", d.Id >= 0 ? QJsonValue(d.Id) : QJsonValue()},
                                    {"group", Latin1(d.Group)},
                                    {"name", Latin1(d.Name)},
                                    {fromKey, Latin1(d.From)},
                                    {toKey, Latin1(d.To)}});
    QJsonArray table;
    for (const TRowDifference& row : differences.Table)
        table.append(
            QJsonObject{{"row", row.Row}, {fromKey, RowJson(row.From)}, {toKey, RowJson(row.To)}});
    return {{"differences", settings}, {"table", table}};
}

std::string DifferencesText(const TDifferences& differences) {
    std::string text;
    for (const TSettingDifference& d : differences.Settings)
        text += Printable(DifferenceLine(d)) + "\n";
    for (const TRowDifference& row : differences.Table)
        text += DifferenceLine(row) + "\n";
    return text;
}

// Waits for a condition while the event loop runs; false at the deadline.
bool WaitUntil(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        const qint64 left = milliseconds - clock.elapsed();
        if (left <= 0)
            return false;
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(std::min<qint64>(left, 50)), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Progress for a person watching: overwritten in place on a terminal, never written to a pipe.
class TProgress {
public:
    // Off while a trace writes its lines to the same stream.
    explicit TProgress(bool allowed) : enabled_(allowed && isatty(STDERR_FILENO) == 1) {}
    ~TProgress() { Clear(); }

    void Show(const std::string& text) {
        if (!enabled_)
            return;
        std::fprintf(stderr, "\r%-72.72s", Printable(text).c_str());
        std::fflush(stderr);
        shown_ = true;
    }
    void Clear() {
        if (!shown_)
            return;
        std::fprintf(stderr, "\r%72s\r", "");
        std::fflush(stderr);
        shown_ = false;
    }

private:
    bool enabled_;
    bool shown_ = false;
};

struct TTarget {
    std::optional<std::string> DevicePath;
    int CommPort = 1;
    long BaudRate = 9600;
    uint8_t NodeId = 0;
};

class TCliSession {
public:
    TCliSession(const TCliOptions& options, TTarget target)
        : options_(options), target_(std::move(target)), progress_(!options.Trace) {
        trace_.OnLine = [](const TTrafficLine& line) {
            const std::string text = TraceText(line) + "\n";
            std::fwrite(text.data(), 1, text.size(), stderr);
            std::fflush(stderr);
        };
    }

    int Run() {
        const int status = Dispatch();
        if (connected_) {
            progress_.Clear();
            device_.Disconnect();
        }
        progress_.Clear();
        // Output that never arrived (a full disk, a closed pipe) is not a success.
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            ReportError(std::string("cannot write the output: ") + std::strerror(errno));
            return status == esSuccess ? esFileFailure : status;
        }
        return status;
    }

private:
    int Dispatch() {
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
        case ccHistory:
            break; // runs without a session
        }
        return esUsage;
    }

    // ---- naming what failed ----

    std::string Path() {
        const std::string& opened = device_.Link().OpenedPath();
        if (!opened.empty())
            return opened;
        if (target_.DevicePath)
            return *target_.DevicePath;
        const QString resolved = ResolveCommPort(target_.CommPort);
        return resolved.isEmpty() ? "COM " + std::to_string(target_.CommPort)
                                  : resolved.toStdString();
    }

    std::string Where() { return Path() + " node " + std::to_string(target_.NodeId); }

    void Fail(const std::string& text) {
        progress_.Clear();
        ReportError(text);
    }

    void BeginOperation() { comms_error_ = false; }

    std::string GroupOf(uint8_t instruction) {
        if (instruction == instr::Identity)
            return "the identity";
        if (instruction == instr::InputCalibrationRead)
            return "the input calibration";
        return instr::GroupName(instruction);
    }

    // The read that failed, as the device object's outcome names it.
    std::string FailedRead() { return GroupOf(device_.LastOutcome().Instruction); }

    int ReadFailure(const std::string& what) {
        Fail(Where() + ": reading " + what + " failed (no answer, or a wrong one)");
        return esCommsFailure;
    }

    // "Table Data at row R of N" for a table transfer that failed at a row.
    std::string FailedAt(const TOutcome& outcome, const std::string& group) {
        if (outcome.Row <= 0)
            return group;
        return group + " at row " + std::to_string(outcome.Row) + " of " +
               std::to_string(outcome.Rows);
    }

    int TableReadFailure() { return ReadFailure(FailedAt(device_.LastOutcome(), FailedRead())); }

    int WriteFailure(const TOutcome& outcome) {
        const std::string group =
            outcome.Instruction ? instr::GroupName(outcome.Instruction) : "the settings";
        Fail(Where() + ": writing " + FailedAt(outcome, group) + " failed (no acknowledgement)");
        return esCommsFailure;
    }

    std::string OpenErrorText() {
        TSerialPacket& link = device_.Link();
        return PortOpenErrorText(link.ErrorCode(), link.LastSystemError(), target_.BaudRate);
    }

    // ---- files checked before the gauge is bothered ----

    bool CheckReadableFile(const std::string& fileName) {
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

    bool CheckWritableTarget(const std::string& fileName) {
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

    // ---- connecting ----

    // Opens the port, identifies the gauge and reads all settings; any failure ends the
    // command, since the status poll would only retry.
    int Connect(bool livePoll) {
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

    // ---- output ----

    std::string ItemText(uint32_t id) {
        const TZURSetting* item = device_.Settings().Find(id);
        return item ? item->AsText(true, true) : std::string();
    }

    std::string ItemLine(const std::string& name, const std::string& text) {
        return Printable(name) + ":" + (text.empty() ? "" : " " + Printable(text)) + "\n";
    }

    QJsonObject IdentityJson() {
        QJsonObject identity;
        identity["device_name"] = Latin1(ItemText(item::DeviceName));
        identity["software_version"] = Latin1(ItemText(item::SoftwareVersion));
        identity["pc_software_id"] = Latin1(ItemText(item::PcSoftwareId));
        identity["is8310"] = device_.Is8310;
        identity["has_flow_scaling"] = device_.HasFlowScaling;
        identity["is7310_extended"] = device_.Is7310Extended;
        return identity;
    }

    std::string IdentityText() {
        std::string text;
        for (uint32_t id : {item::DeviceName, item::SoftwareVersion, item::PcSoftwareId}) {
            if (const TZURSetting* item = device_.Settings().Find(id))
                text += ItemLine(item->Name, item->AsText(true, true));
        }
        return text + ItemLine("Device family", FamilyText(device_));
    }

    void PrintSettings(bool tableRead) {
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

    void PrintDone(const std::string& text, const QJsonObject& json) {
        if (options_.Json)
            OutJson(json);
        else
            Out(text + "\n");
    }

    // ---- writes that are archived, verified and journalled ----

    // Runs a write series: the gauge's settings as found are archived first (read first when
    // unknown), then the series, then (unless --no-verify) the read-back and its comparison,
    // the settings as left and the journal line. verifyAgain, when given, runs a second
    // read-back after a failed one (a new node ID the gauge did not take answers at the old).
    int GuardedWrite(const std::string& operation, const std::function<bool()>& series,
                     const std::function<void()>& beforeVerify = {},
                     const std::function<bool(TSafeWrite&)>& verifyAgain = {}) {
        TWriteHooks hooks;
        // Losing the archive never stops a write; the user is told.
        hooks.ArchiveError = [this](const QString& text) { Fail(text.toStdString()); };
        hooks.Verify = [this] {
            BeginOperation();
            return options_.Verify;
        };
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

    // ---- commands ----

    int Identify() {
        if (const int status = Connect(false))
            return status;
        if (options_.Json)
            OutJson(IdentityJson());
        else
            Out(IdentityText());
        return esSuccess;
    }

    int Read() {
        if (!options_.File.empty() && !CheckWritableTarget(options_.File))
            return esFileFailure;
        if (const int status = Connect(false))
            return status;
        // As the window does, a Non standard tank's table is read after the settings.
        bool tableRead = false;
        if (device_.Image.IsNonStandardTank()) {
            BeginOperation();
            if (!device_.ReadTankTable())
                return TableReadFailure();
            tableRead = true;
        }
        progress_.Clear();
        if (!options_.File.empty()) {
            try {
                if (!device_.SaveToFile(options_.File)) {
                    Fail("cannot write " + options_.File + ": the settings file was cut short");
                    return esFileFailure;
                }
            } catch (const std::exception& error) {
                Fail(error.what());
                return esFileFailure;
            }
        }
        PrintSettings(tableRead);
        return esSuccess;
    }

    // Loads the file into the device object as a write does: the settings a load keeps
    // keep the gauge's values. Returns an exit status (success when loaded).
    int LoadSettingsFile() {
        try {
            if (!device_.LoadFromFile(options_.File)) {
                const bool extended = device_.IsExtended();
                Fail(options_.File + ": not a settings file for a " + FamilyText(device_) +
                     " (a format " + std::to_string(extended ? tls::Format3 : tls::Format2) +
                     " file of " + std::to_string(extended ? tls::Format3Size : tls::Format2Size) +
                     " bytes)");
                return esFileFailure;
            }
        } catch (const std::exception& error) {
            Fail(error.what());
            return esFileFailure;
        }
        return esSuccess;
    }

    // The file first (a missing one opens no port), then the gauge, then the file loaded
    // over what the gauge holds.
    int ConnectAndLoad() {
        if (!CheckReadableFile(options_.File))
            return esFileFailure;
        if (const int status = Connect(false))
            return status;
        return LoadSettingsFile();
    }

    int Write() {
        if (const int status = ConnectAndLoad())
            return status;
        const int status = GuardedWrite("write-all", [this] { return session_.WriteFileSeries(); });
        if (status != esSuccess)
            return status;
        progress_.Clear();
        PrintDone("Settings of " + options_.File + " written to " + Where() +
                      (options_.Verify ? " and read back" : ""),
                  {{"file", QString::fromStdString(options_.File)},
                   {"written", true},
                   {"verified", options_.Verify}});
        return esSuccess;
    }

    int Diff() {
        if (const int status = ConnectAndLoad())
            return status;
        TCompareScope scope;
        scope.Writes = FileWriteInstructions(device_);
        scope.Table = TableMatters(device_.GaugeImage, device_.Image);
        if (scope.Table && !device_.GaugeTableKnown()) {
            BeginOperation();
            if (!device_.ReadGaugeTable())
                return TableReadFailure();
        }
        progress_.Clear();
        const TDifferences differences = CompareImages(device_.GaugeImage, device_.Image, scope);
        if (options_.Json)
            OutJson(DifferencesJson(differences, QStringLiteral("gauge"), QStringLiteral("file")));
        else
            Out(DifferencesText(differences) + std::to_string(differences.Count()) +
                " differences\n");
        return differences.Empty() ? esSuccess : esDiffers;
    }

    int Status() {
        if (const int status = Connect(true))
            return status;
        bool state = false;
        bool outputs = false;
        bool volume = false;
        float volumeValue = 0;
        device_.OnDeviceState = [&](T7310*, uint8_t) { state = true; };
        device_.OnAlarmOutputs = [&](T7310*, uint8_t) { outputs = true; };
        device_.OnVolume = [&](T7310*, float value) {
            volume = true;
            volumeValue = value;
        };
        BeginOperation();
        device_.PollStatus();
        const bool arrived = WaitUntil([&] { return (state && outputs && volume) || comms_error_; },
                                       kStatusPolls * device_.PollInterval + 1000);
        device_.OnDeviceState = nullptr;
        device_.OnAlarmOutputs = nullptr;
        device_.OnVolume = nullptr;
        if (!arrived || !(state && outputs && volume)) {
            Fail(Where() + ": reading the status failed (no answer, or a wrong one)");
            return esCommsFailure;
        }

        const uint8_t code = device_.Image.DeviceState;
        const uint8_t bits = device_.Image.AlarmOutputs;
        const TZURSetting* uom = device_.Settings().Find(item::DisplayUom);
        const std::string unit = uom && uom->Raw() ? VolumeUnitLabel(uom->Raw()[0]) : std::string();
        if (options_.Json) {
            OutJson({{"state", code},
                     {"state_text", Latin1(DeviceStateText(code))},
                     {"alarm_outputs", bits},
                     {"volume", ShortestDouble(volumeValue)}});
            return esSuccess;
        }
        const std::string volumeText = FormatFixed(volumeValue, 18, 2, '.');
        Out(ItemLine("Device State", DeviceStateText(code)) +
            ItemLine("Tank Volume", volumeText + (unit.empty() ? "" : " " + unit)) +
            ItemLine("Alarm Outputs", AlarmOutputsText(bits)));
        return esSuccess;
    }

    int TableRead() {
        if (!CheckWritableTarget(options_.File))
            return esFileFailure;
        if (const int status = Connect(false))
            return status;
        BeginOperation();
        if (!device_.ReadTankTable())
            return TableReadFailure();
        progress_.Clear();
        const TTableRows points = LoadTable(device_.Image.TankTable);
        TTableFault fault;
        if (!ExportCsv(options_.File, points, &fault)) {
            if (fault.FileError)
                Fail("cannot write " + options_.File + ": " + fault.Message);
            else
                Fail("the tank table of " + Where() + " cannot be exported to " + options_.File +
                     ": " + fault.Message);
            return esFileFailure;
        }
        PrintDone("Tank table of " + Where() + " (" + std::to_string(points.size()) +
                      " points) exported to " + options_.File,
                  {{"file", QString::fromStdString(options_.File)},
                   {"points", static_cast<int>(points.size())}});
        return esSuccess;
    }

    int TableWrite() {
        const TCsvImport imported = ImportCsv(options_.File);
        if (!imported.Ok) {
            if (imported.Fault.FileError)
                Fail("cannot read " + options_.File + ": " + imported.Fault.Message);
            else
                Fail(options_.File + ": " + imported.Fault.Message);
            return esFileFailure;
        }
        // The checks the grid makes before a table is written.
        TTankTable checked{};
        TTableFault fault;
        if (!StoreTable(imported.Rows, checked, &fault)) {
            std::string text = options_.File + ": " + fault.Message;
            if (fault.Row > 0)
                text += " (line " + std::to_string(imported.FirstLine + fault.Row - 1) + ")";
            Fail(text);
            return esFileFailure;
        }
        if (const int status = Connect(false))
            return status;
        StoreTable(imported.Rows, device_.Image.TankTable);
        if (const int status =
                GuardedWrite("tank-table", [this] { return device_.WriteTankTable(); }))
            return status;
        progress_.Clear();
        PrintDone("Tank table of " + options_.File + " (" + std::to_string(imported.Rows.size()) +
                      " points) written to " + Where(),
                  {{"file", QString::fromStdString(options_.File)},
                   {"points", static_cast<int>(imported.Rows.size())}});
        return esSuccess;
    }

    int SetNode() {
        if (const int status = Connect(false))
            return status;
        TZURSetting* id = device_.Settings().Find(item::Rs485Id);
        if (!id || !id->Raw()) {
            Fail("the catalogue has no RS 485 ID");
            return esCommsFailure;
        }
        const uint8_t wanted = static_cast<uint8_t>(options_.NewNodeId);
        const bool unchanged = id->Raw()[0] == wanted;
        // As in the window, the ID the gauge already has is not written again.
        if (!unchanged) {
            const uint8_t previous = id->Raw()[0];
            const uint8_t addressed = device_.NodeId;
            id->Raw()[0] = wanted;
            // The gauge answers at its new ID from the next request on; a gauge that did not
            // take it still answers at the old one, which tells the two apart.
            const bool broadcast = TNodeId::IsBroadcast(addressed);
            const int status = GuardedWrite(
                "node-id", [this] { return device_.WriteNodeId(); },
                [this, broadcast, wanted] {
                    if (!broadcast)
                        device_.NodeId = wanted;
                },
                [this, broadcast, previous](TSafeWrite& write) {
                    if (broadcast)
                        return false;
                    device_.NodeId = previous;
                    BeginOperation();
                    return write.Verify();
                });
            if (status != esSuccess)
                return status;
        }
        PrintDone(id->Name + ": " + std::to_string(wanted) + (unchanged ? " (unchanged)" : ""),
                  {{"rs485_id", wanted}, {"written", !unchanged}});
        return esSuccess;
    }

    int SetProtocol() {
        if (const int status = Connect(false))
            return status;
        device_.Image.DefaultProtocol = options_.Modbus ? 1 : 0;
        if (const int status =
                GuardedWrite("protocol", [this] { return device_.WriteDefaultProtocol(); }))
            return status;
        const char* name = options_.Modbus ? "modbus" : "standard";
        PrintDone(std::string("Default Protocol: ") + (options_.Modbus ? "Modbus" : "Standard"),
                  {{"default_protocol", name}});
        return esSuccess;
    }

    // The report fields of a format-3 settings file, read through a device object of its own.
    bool LoadReportFields(const std::string& fileName, TReportFields& fields) {
        T7310 scratch;
        scratch.Is7310Extended = true; // an extended device takes format 3 files only
        try {
            if (!scratch.LoadFromFile(fileName)) {
                Fail(fileName + ": not a format 3 settings file of " +
                     std::to_string(tls::Format3Size) + " bytes (the report fields are kept " +
                     "only in the settings files of extended gauges)");
                return false;
            }
        } catch (const std::exception& error) {
            Fail(error.what());
            return false;
        }
        fields = scratch.Report;
        return true;
    }

    int Report() {
        const bool toStdout = options_.File == "-";
        if (!toStdout && !CheckWritableTarget(options_.File))
            return esFileFailure;
        TReportFields fields;
        if (!options_.Fields.empty() &&
            (!CheckReadableFile(options_.Fields) || !LoadReportFields(options_.Fields, fields)))
            return esFileFailure;
        if (const int status = Connect(false))
            return status;
        if (!device_.IsExtended()) {
            Fail("report: the gauge is not an extended gauge (T8310, or T7310 with PC software "
                 "ID 4 or more)");
            return esUsage;
        }
        CopyReportFields(fields, device_.Report);
        const QByteArray report = SummaryReport(device_, ShownEntries(device_));
        if (toStdout) {
            std::fwrite(report.constData(), 1, static_cast<size_t>(report.size()), stdout);
            return esSuccess;
        }
        QString reason;
        if (!SaveSummaryReport(QString::fromStdString(options_.File), report, &reason)) {
            Fail("cannot write " + options_.File + ": " + reason.toStdString());
            return esFileFailure;
        }
        PrintDone("Summary report of " + Where() + " written to " + options_.File,
                  {{"file", QString::fromStdString(options_.File)}, {"written", true}});
        return esSuccess;
    }

    int Scan() {
        TBusScan scan;
        if (target_.DevicePath)
            scan.DevicePath = *target_.DevicePath;
        if (options_.Trace)
            trace_.Attach(scan.Link());
        scan.OnProbe = [this](int node, int asked, int total) {
            progress_.Show("Scanning node " + std::to_string(node) + " (" +
                           std::to_string(asked + 1) + " of " + std::to_string(total) + ")");
        };
        const bool ran =
            scan.Run(target_.CommPort, target_.BaudRate, options_.ScanFrom, options_.ScanTo);
        trace_.Detach();
        progress_.Clear();
        if (!ran) {
            const std::string& opened = scan.Link().OpenedPath();
            const std::string path = !opened.empty() ? opened : Path();
            TSerialPacket& link = scan.Link();
            Fail("cannot open " + path + ": " +
                 PortOpenErrorText(link.ErrorCode(), link.LastSystemError(), target_.BaudRate));
            return esCommsFailure;
        }
        const int found = scan.GaugesFound();
        if (options_.Json) {
            QJsonArray gauges;
            QJsonArray errors;
            for (const TScanEntry& entry : scan.Entries()) {
                if (entry.Ok)
                    gauges.append(QJsonObject{{"node", entry.Node},
                                              {"name", Latin1(entry.Identity.DeviceName)},
                                              {"version", Latin1(entry.Identity.SoftwareVersion)},
                                              {"pcid", Latin1(entry.Identity.PcSoftwareId)},
                                              {"family", Latin1(entry.Family)}});
                else
                    errors.append(
                        QJsonObject{{"node", entry.Node}, {"error", Latin1(entry.Error)}});
            }
            OutJson({{"gauges", gauges}, {"errors", errors}});
        } else {
            std::string text;
            for (const TScanEntry& entry : scan.Entries()) {
                text += "Node " + std::to_string(entry.Node) + ": ";
                if (entry.Ok)
                    text += Printable(entry.Identity.DeviceName) + " version " +
                            Printable(entry.Identity.SoftwareVersion) + ", PC software ID " +
                            Printable(entry.Identity.PcSoftwareId) + " (" + entry.Family + ")\n";
                else
                    text += entry.Error + "\n";
            }
            text += std::to_string(found) + (found == 1 ? " gauge\n" : " gauges\n");
            Out(text);
        }
        return found > 0 ? esSuccess : esCommsFailure;
    }

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

} // namespace

void ReportError(const std::string& text) {
    const std::string line = "t7310-cli: " + Fold(text) + "\n";
    std::fflush(stdout);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

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
    // The store is only consulted for what the command line leaves out.
    const bool needStore =
        !options.NodeId || !options.BaudRate || (!options.DevicePath && !options.CommPort);
    if (needStore) {
        try {
            settings.LoadAll();
        } catch (const std::exception& error) {
            ReportError(std::string("Error accessing program settings: ") + error.what());
        }
    }
    auto stored = [&](const char* name) { return settings.Lookup(QString::fromLatin1(name)); };

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
    } else if (options.Command != ccScan) {
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
    if (target.BaudRate <= 0) {
        ReportError("no baud rate: give --baud RATE (the stored \"Baud Rate\" is " +
                    std::to_string(target.BaudRate) + ")");
        std::fprintf(stderr, "%s\n", kUsageLine);
        return esUsage;
    }

    TCliSession session(options, std::move(target));
    return session.Run();
}
