// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// The tool's model of one gauge: owns the packet link, the wait and poll timers, the
// catalogue and the device image; reads and writes the image block by block.
// Shows nothing itself: everything is reported through the events below.

#include "DeviceImage.h"
#include "Event.h"
#include "Instructions.h"
#include "NodeId.h"
#include "ZURSettings.h"

#include <QDateTime>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class TSerialPacket;
class TMEKTimer;
struct TPacket;

// Why a request failed.
enum class TFailure : uint8_t {
    None,
    NoReply,     // no reply within the time-out
    Refused,     // a negative acknowledgement
    BadChecksum, // a reply whose checksum did not match
    WrongReply,  // another node's, a malformed or an unexpected reply
    NotSent,     // the request could not be built (rows out of range)
    Interrupted, // another wait began inside this one
    Stopped,     // a read not begun, since StopReads was set
};

// The test output bit of each alarm (Master, Alarm 1, Alarm 2, Alarm 3).
inline constexpr std::array<uint8_t, 4> kAlarmTestMasks = {0x80, 0x40, 0x20, 0x10};

// One alarm test: which outputs it switched on, when, and how it ended (empty while it runs:
// "completed", "ended early", or what failed).
struct TAlarmTestRun {
    uint8_t Outputs = 0;
    QDateTime Started; // UTC
    QDateTime Ended;   // UTC; invalid while it runs or when it never started
    std::string Ending;
};

// How the last operation ended: success, or which request failed, why, and for a table
// transfer at which row.
struct TOutcome {
    bool Ok = true;
    uint8_t Instruction = 0;
    int Row = 0;  // 1.. the table row that failed; 0 for none
    int Rows = 0; // the rows of that table
    TFailure Failure = TFailure::None;
};

class T7310 {
public:
    T7310();
    ~T7310();
    Q_DISABLE_COPY(T7310)

    // ---- state ----
    uint8_t NodeId = 0;
    bool Busy = false;
    // When set and true, a read request is not sent (TFailure::Stopped): a stopped run ends at
    // the end of the exchange in flight. Writes never look at it, so a write series is never
    // cut in the middle. Set from another thread; the device object only reads it.
    const std::atomic<bool>* StopReads = nullptr;
    bool AlarmTestActive = false;
    // The alarm tests of this connection, oldest first (a connect clears them).
    std::vector<TAlarmTestRun> AlarmTests;
    bool Is8310 = false;
    bool HasFlowScaling = false;
    bool Is7310Extended = false;
    int32_t ProgramSoftwareId = 0;
    int32_t BaseReplyTimeout = 750;

    // Timing that tests shorten; the defaults are the protocol's own.
    int PollInterval = 1500;     // status poll period
    int WaitCheckInterval = 100; // longest time the wait loop goes without checking
    int ConnectWait = 750;       // wait for the port's connect notification
    int DisconnectPause = 750;   // pause in Disconnect

    bool Connected() const { return connected_; }
    // The compatibility rule applied to the identity last read: the gauge's PC software ID
    // (text that is not a whole number counts as -1) is not below ProgramSoftwareId.
    bool AcceptsIdentity() const;
    bool IsExtended() const { return Is8310 || Is7310Extended; }
    // Whether this gauge's family has what a family condition names.
    bool AppliesTo(instr::TFamily family) const;
    bool ApplyingFile() const { return applying_file_; }
    bool SettingsRead() const { return settings_read_; }
    // Whether GaugeImage holds every setting (a read of all settings, with nothing written
    // since), and the table (read this session, not written since).
    bool GaugeImageKnown() const { return gauge_known_; }
    bool GaugeTableKnown() const { return gauge_table_known_; }

    TDeviceImage Image;
    // What the gauge is known to hold: every read reply lands here too, and a verified write
    // leaves what was read back. The pages never edit it.
    TDeviceImage GaugeImage;
    TReportFields Report;
    TAlarmRefs AlarmRefs{};
    // The catalogue over Image, built on first use: many device objects (a bus scan, a
    // provisioning run, each fuzz input) never show a setting.
    TZURSettings& Settings() { return BuiltCatalogue(); }
    const TZURSettings& Settings() const { return BuiltCatalogue(); }
    TSerialPacket& Link() { return *link_; }

    // ---- events, in declaration order ----
    TEvent<T7310*> OnConnected;
    TEvent<T7310*> OnDisconnected;
    TEvent<T7310*, uint8_t> OnCommsError;
    TEvent<T7310*, const std::string&> OnWritingSetting;
    TEvent<T7310*, const std::string&> OnSettingWritten;
    TEvent<T7310*, const std::string&> OnSettingWriteError;
    TEvent<T7310*> OnReadAllStart;
    TEvent<T7310*> OnReadAllDone;
    TEvent<T7310*, const std::string&> OnReadingSetting;
    TEvent<T7310*, const TTankDescription&> OnTankShape;
    TEvent<T7310*, const TAlarmRefs&, const uint8_t*> OnSensorSettings;
    TEvent<T7310*, const TAlarmRefs&> OnAlarms;
    TEvent<T7310*, const TDisplayOptions&> OnDisplayOptions;
    TEvent<T7310*, uint8_t> OnDeviceState;
    TEvent<T7310*, uint8_t> OnAlarmOutputs;
    TEvent<T7310*, float> OnVolume;
    TEvent<T7310*, const TOutputOptions&> OnOutputOptions;
    TEvent<T7310*> OnSettingsRead;
    TEvent<T7310*, bool> OnNonStandardTank;
    TEvent<T7310*, bool> OnDefaultProtocol;
    TEvent<T7310*, uint8_t> OnNodeIdChanged;
    TEvent<T7310*, bool> OnAlarmTestMode;
    TEvent<T7310*, int> OnTableProgress;
    TEvent<T7310*, const TTankTable&, const TTankDescription&> OnTankTable;
    // The gauge declared this tool incompatible: the GUI shows the text in an error box,
    // the command-line tool prints it.
    TEvent<T7310*, const std::string&> OnIncompatible;
    // Fast transfers found that this gauge takes table rows one at a time (raised once a
    // connection, with kRowByRowText): the GUI shows it in the status bar, the tool on stderr.
    TEvent<T7310*, const std::string&> OnTableRowByRow;

    // The outcome of the operation that ran last (a series ends at its first failure).
    const TOutcome& LastOutcome() const { return outcome_; }

    // ---- operations ----
    // When not empty, the link opens this device instead of resolving the port number.
    void SetDevicePath(const std::string& path);
    bool Connect(int commPort, uint8_t nodeId, long baudRate);
    // Another gauge on the line already open, as Connect goes on once the port is open:
    // identity, compatibility, the first read. Saves closing and opening the port (and its
    // settling) between the gauges of one bus. Closes the line when the gauge fails to
    // identify or refuses, as Connect does.
    bool Readdress(uint8_t nodeId);
    bool Disconnect();
    bool ReadAllSettings();
    bool WriteAllSettings();
    bool ReadGroup(uint8_t instruction);
    bool ReadAlarm(uint8_t index);
    bool ReadTableRows(uint8_t start, uint8_t count);
    bool WriteGroup(uint8_t instruction);
    bool WriteAlarm(uint8_t index);
    bool WriteTableRows(uint8_t start, uint8_t count);
    bool ReadTankTable();
    bool WriteTankTable();
    bool SetAlarmTestMode(bool on);
    bool SetAlarmTestOutputs(uint8_t bits);
    // Before a session ends (disconnect, comms error, close): switches the test outputs off
    // and leaves alarm test mode when a test is on and the link still answers, so no output
    // is left driven on site. A failure here is not reported as a comms error.
    bool EndAlarmTest();
    void PreviewContrast(uint8_t contrast);
    void PollStatus();

    // Page-level write series; each stops at the first failure.
    bool WriteAlarms();
    bool WriteTankSettings();
    bool WriteSensorParameters();
    bool WriteDisplayOptions();
    bool WriteNodeId();
    bool WriteDefaultProtocol();
    bool WriteSummary();

    // Reads every setting of the gauge (the reads of a read of all settings but the identity)
    // into `into`, which starts as GaugeImage, and the table when asked. Image and the pages
    // are left alone; only progress events are raised. On success GaugeImage becomes `into`.
    bool ReadGaugeImage(TDeviceImage& into, bool withTable);
    // Reads back what the given write instructions sent (each one's read, in the order of a
    // read of all settings, and the table for a table write) into `into`, which starts as
    // GaugeImage; the rest is what the gauge was known to hold. Image and the pages are left
    // alone. On success GaugeImage becomes `into`, known again when it was known when the
    // write log started.
    bool ReadGaugeBack(TDeviceImage& into, const std::set<uint8_t>& writes);
    // Reads only the table, into GaugeImage (Image and the pages are left alone).
    bool ReadGaugeTable();
    // The write instructions sent since StartWriteLog, in order (table rows once each).
    void StartWriteLog() {
        write_log_.clear();
        known_at_log_start_ = gauge_known_;
    }
    const std::vector<uint8_t>& WriteLog() const { return write_log_; }

    // Settings file (.TLS), format 2 or 3 by the family flags.
    bool SaveToFile(const std::string& fileName);
    bool LoadFromFile(const std::string& fileName);
    // A file with no gauge behind it: the RS 485 ID, test mode timeout and "Display Enabled"
    // come from the file too, so saving it again gives the same bytes.
    bool LoadWholeFile(const std::string& fileName);
    // The bytes of a settings file of this family (as LoadFromFile reads them); false, with
    // the image untouched, when they are not one.
    bool LoadSettings(const std::vector<uint8_t>& bytes, bool whole);
    void NotifyAll();

    static constexpr const char* kIncompatibleText =
        "This device has been programmed not to communicate with this version of VI Rizedorered "
        "software\n\nThere are 3 reasons why you may be seeing this message:\n1) This PC software "
        "has been superceeded, in which case please check with your supplier for a copy of the "
        "latest software.\n2) The device firmware is old and has been superceeded\n3) Either the "
        "PC software, or device firmware is a prototype release.\n";

    static constexpr const char* kRowByRowText = "This gauge transfers the table one row at a time";

    // How a table transfer of this connection moves rows: one per request in standard mode;
    // with fast transfers blocks of up to this many, once the gauge has shown it honours
    // the row count.
    static constexpr size_t kTableBlockRows = instr::MaxRowsPerFrame;
    enum class TRowBlocks : uint8_t { Untried, Blocks, SingleRows };
    TRowBlocks TableReadBlocks() const { return block_reads_; }
    TRowBlocks TableWriteBlocks() const { return block_writes_; }

    // The node ID that addresses every gauge; a reply from any node is accepted then.
    static constexpr uint8_t kBroadcastNode = TNodeId::kBroadcast;

private:
    // Link handlers.
    void LinkConnected();
    void LinkDisconnected();
    void LinkError(uint8_t instruction, TFailure failure);
    void PacketRx(const TPacket& packet);
    bool StoreReply(const instr::TInstruction& row, const uint8_t* payload, size_t length);
    bool StoreInto(TDeviceImage& image, const instr::TInstruction& row, const uint8_t* payload,
                   size_t length);
    // The reads of a read of all settings, with or without the identity; no page events.
    // Every setting block of this family (the identity too, when asked), or only those named.
    bool ReadSettingBlocks(bool identity, const std::set<uint8_t>* only = nullptr);
    // Reads into a copy of GaugeImage the blocks named (all: null) and the table when asked;
    // only a complete read becomes GaugeImage and `into`, and whether GaugeImage then holds
    // every setting is knownAfter.
    bool ReadIntoGaugeImage(TDeviceImage& into, const std::set<uint8_t>* only, bool table,
                            bool knownAfter);
    // The table size and rows, into whatever the replies go to now (target is that image).
    bool ReadTableBlocks(const TDeviceImage& target);
    void SplitIdentity(const std::string& text);

    // Runs the message loop until flag == expected, the abort flag or the time-out; a wait
    // entered while another runs fails at once and aborts the outer one.
    bool WaitFor(const bool& flag, bool expected, int timeout);
    // Node byte, the row's argument bytes, then (for a write) its block; false when it
    // cannot be built. Queues the request with the row's time-out.
    bool Request(const instr::TInstruction& row, const instr::TCursor& cursor,
                 uint8_t argument = 0);
    // Clears flag, sends, and waits for flag by the row's wait (none: true once queued).
    bool Exchange(const instr::TInstruction& row, bool& flag, const instr::TCursor& cursor,
                  uint8_t argument = 0);
    bool WriteSeries(std::initializer_list<uint8_t> codes);
    void RaiseProgress(int percent);
    // The rows of a table after its size (sized: that went through), a block of rows (one
    // row in standard mode) per request, with a progress event per block and at the end.
    bool TransferTable(uint8_t rowsCode, bool sized, const TDeviceImage& table, bool write);
    // What became of one block of rows; failedRow names the row a failure stopped at.
    enum class TBlockResult : uint8_t { Done, Failed, Restart };
    TBlockResult ReadRowBlock(size_t start, size_t count, size_t& failedRow);
    TBlockResult WriteRowBlock(size_t start, size_t count, size_t& failedRow);
    // Rows one request each, stopping at the first failure.
    bool ReadRowsSingly(size_t start, size_t count, size_t& failedRow);
    size_t BlockRows(TRowBlocks blocks) const;
    // Whether a failed first block may mean a gauge that takes one row only.
    static bool MayBeSingleRowGauge(TFailure failure);
    void SayRowByRow();
    // Names the row of a table transfer that failed in the outcome.
    void TableRowFailed(uint8_t instruction, size_t row, size_t rows);
    void WrongReply();
    // Records a request that could not be built or sent; false.
    bool NotSent(uint8_t instruction);

    TOutcome outcome_;
    TFailure failure_ = TFailure::None; // what ended the wait under way
    bool abort_ = false;
    bool ack_ = false;
    bool writing_ = false;
    bool in_wait_ = false;
    bool never_ = false; // what the pause in Disconnect waits for
    // Per code: its reply has been stored (status codes: arrived since the last poll).
    std::array<bool, 256> replied_{};
    instr::TCursor read_cursor_;  // alarm and rows of the last read request
    instr::TCursor write_cursor_; // alarm and rows of the write being built
    bool connected_ = false;
    bool applying_file_ = false;
    bool settings_read_ = false;
    bool gauge_known_ = false;
    bool gauge_table_known_ = false;
    TRowBlocks block_reads_ = TRowBlocks::Untried;
    TRowBlocks block_writes_ = TRowBlocks::Untried;
    bool row_by_row_said_ = false;
    // During a table write: the rows the gauge was known to hold before it, if known. A probe
    // whose rows after the first held those values already cannot tell how the gauge took it.
    std::optional<TTankTable> rows_before_;
    // Where read replies go: Image (and GaugeImage with it), or a read-back image.
    TDeviceImage* read_target_ = nullptr;
    std::vector<uint8_t> write_log_;
    bool known_at_log_start_ = false;
    std::unique_ptr<TSerialPacket> link_;
    std::unique_ptr<TMEKTimer> wait_timer_;
    TZURSettings& BuiltCatalogue() const;
    // Connect's and Readdress's common parts.
    void ForgetGauge(uint8_t nodeId);
    bool IdentifyAndRead();
    mutable std::unique_ptr<TZURSettings> settings_;
    std::unique_ptr<TMEKTimer> poll_timer_;
};
