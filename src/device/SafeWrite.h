// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A write that never loses a setting. Around any write series of the device object (window or
// command-line tool): make sure what the gauge holds is known (reading it first when a write
// or a new session left it unknown, with a Non standard tank's table), archive that image as
// found, run the series, read back what was written and compare it, archive the image as
// left, and append a line to the journal. Archive failures are reported, never a reason to
// stop the write.

#include "Archive.h"
#include "DeviceImage.h"
#include "ImageCompare.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <functional>
#include <set>
#include <string>

class T7310;

enum class TWriteResult { Ok, Failed, NotKept };
// "ok", "failed", "not-kept": the journal's words.
const char* WriteResultText(TWriteResult result);

// The comparison scope of a series of write instructions: their settings, and the table when
// they include a table write.
TCompareScope ScopeOf(const std::set<uint8_t>& writes);

class TSafeWrite {
public:
    // operation: the journal's name for it ("write-all", "display-options", "node-id" ...).
    TSafeWrite(T7310& device, TArchive& archive, std::string operation);

    // Makes the gauge image known; false when the gauge could not be read (nothing written).
    bool Prepare();
    // Archives the gauge image as found and starts the device's write log. Call just before
    // the first write request.
    void Begin();
    // Reads the gauge back, compares what the series wrote, archives the image as left.
    // False when the read-back failed (NotKept() is then empty).
    bool Verify();
    // Appends the journal line; written: the series reported success. A write whose read-back
    // failed counts as failed.
    TWriteResult Record(bool written);

    // The settings the series meant to change (as found -> written), known after Record.
    const TDifferences& Changes() const { return changes_; }
    // The settings the read-back found different (gauge -> written), known after Verify.
    const TDifferences& NotKept() const { return not_kept_; }
    bool Verified() const { return verified_; }
    QString AsFound() const { return as_found_; }
    QString AsLeft() const { return as_left_; }

    // Each archive or journal failure, as it happens.
    std::function<void(const QString& text)> OnArchiveError;
    // Who wrote and why, for the journal line (null there when empty).
    QString User;
    QString Reason;

private:
    void ArchiveError(const QString& text);
    QString Save(const TDeviceImage& image, const QString& kind);
    std::set<uint8_t> Sent() const;

    T7310& device_;
    TArchive& archive_;
    std::string operation_;
    QDateTime started_;
    TDeviceImage as_found_image_;
    QString gauge_folder_;
    QString as_found_;
    QString as_left_;
    bool verified_ = false;
    bool verify_failed_ = false; // a read-back was tried and failed
    TDifferences changes_;
    TDifferences not_kept_;
};

// Saves the image the pages hold (not yet written) in the gauge's archive folder as
// "<time>-unwritten.TLS"; the file's path, or empty with the reason in error.
QString ArchiveUnwritten(T7310& device, TArchive& archive, QString* error);
// The journal's "changes" list, table rows as "Tank Table" / "row R".
QJsonArray ChangesJson(const TDifferences& differences);
