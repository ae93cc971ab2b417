// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the window and t7310-cli both do with one gauge: connect with its result and the
// connection doctor's advice, the write series of a settings file for the gauge's family, and
// the write that never loses a setting (archived as found, read back, compared, archived as
// left, journalled). The front ends add their dialogs, menus and printing through hooks.

#include "Archive.h"
#include "GaugeFamily.h"
#include "ImageCompare.h"
#include "NodeId.h"
#include "SafeWrite.h"
#include "T7310.h"

#include <QString>

#include <functional>
#include <set>
#include <string>
#include <vector>

// How a connect ended.
enum class TConnectFailure : uint8_t {
    None,
    PortNotOpened, // the port could not be opened (Advice says why, when it can)
    NoIdentity,    // opened, but the gauge did not identify itself
    Incompatible,  // the gauge declared this program incompatible (IncompatibleText)
    ReadFailed,    // identified, but the read of all settings failed (Outcome says where)
};

struct TConnectResult {
    TConnectFailure Failure = TConnectFailure::None;
    // For a port that would not open: what the system said and what to do about it.
    std::string Advice;
    std::string IncompatibleText;
    TOutcome Outcome;

    bool Ok() const { return Failure == TConnectFailure::None; }
};

// How a checked write ended.
enum class TCheckedWrite : uint8_t {
    Written,        // sent, and (when verifying) read back as written
    Cancelled,      // the confirmation said no; nothing was sent
    NotRead,        // what the gauge holds could not be read first; nothing was sent
    Failed,         // the series failed (Outcome says where)
    ReadBackFailed, // sent, but the read-back failed (Outcome says where)
    NotKept,        // sent and read back, and the gauge did not keep NotKept
};

struct TCheckedWriteOutcome {
    TCheckedWrite Result = TCheckedWrite::Failed;
    TOutcome Outcome;
    TDifferences NotKept;
    QString AsFound;
    QString AsLeft;
};

// What differs between the front ends around a checked write.
struct TWriteHooks {
    // Shown what the write will change (the settings of Confirms); false cancels the write.
    std::function<bool(const TDifferences& changes)> Confirm;
    std::set<uint8_t> Confirms;
    // Whether to read back after a successful series (asked once the series has run).
    std::function<bool()> Verify;
    // Runs just before the read-back (a new node ID is addressed from here on).
    std::function<void()> BeforeVerify;
    // A second read-back after a failed one (a gauge that did not take a new ID).
    std::function<bool(TSafeWrite& write)> VerifyAgain;
    // Each archive or journal failure; the write goes on.
    std::function<void(const QString& text)> ArchiveError;
    // Who writes (the journal's user), and why: asked once Confirm has been answered, so a
    // reason typed in the confirmation counts. Either may be empty.
    QString User;
    std::function<QString()> Reason;
};

// The write series of a settings file for the device's family, in the order it is sent: Write
// All Settings (with the table's two instructions where the tank is Non standard), then what a
// file also carries for the family (display resolution, the summary's values).
std::vector<uint8_t> FileWriteSeries(const T7310& device);
std::set<uint8_t> FileWriteInstructions(const T7310& device);

// Puts back into the device's image the gauge's value of each setting difference not chosen
// (one flag per setting of changes), so a write sends what the gauge already holds for it; the
// records are still written whole. The number of settings put back.
size_t KeepGaugeValues(T7310& device, const TDifferences& changes,
                       const std::vector<bool>& chosen);

class TGaugeSession {
public:
    // The program's compatibility number, which the gauge compares with its own.
    static constexpr int32_t kProgramSoftwareId = 3;

    TGaugeSession(T7310& device, TArchive& archive);

    T7310& Device() { return device_; }
    TArchive& Archive() { return archive_; }

    // Opens the port, identifies the gauge, applies the compatibility rule and reads all
    // settings. A failed read of all settings leaves the connection open.
    TConnectResult Connect(int commPort, uint8_t nodeId, long baudRate);
    // The same for another gauge of the line while the port is still open (opened when not).
    TConnectResult ConnectOnLine(int commPort, uint8_t nodeId, long baudRate);

    // Sends FileWriteSeries, stopping at the first failure.
    bool WriteFileSeries();
    // What a write of the loaded file would change on the gauge (gauge -> file), in the file
    // series' scope; reads the gauge's table first when a Non standard tank makes it matter
    // and it is not known. False when that read failed (the device's outcome says where).
    bool FileDifferences(TDifferences& differences);

    // Runs a write series the safe way; operation is the journal's name for it.
    TCheckedWriteOutcome CheckedWrite(const std::string& operation,
                                      const std::function<bool()>& series,
                                      const TWriteHooks& hooks);
    // Why settings prepared for a family must not be written to the connected gauge, or empty
    // when they may: its family is another one, and the settings one side has and the other
    // cannot hold are named. Checked before anything is written.
    std::string PreparedFamilyRefusal(TGaugeFamily prepared) const;

    // Whether a checked write is reading the gauge back now (its progress is not the user's).
    bool Verifying() const { return verifying_; }

private:
    TConnectResult Connected(const std::function<bool()>& connect);

    T7310& device_;
    TArchive& archive_;
    bool verifying_ = false;
};
