// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The window's side of a write that never loses a setting: what Write All Settings will
// change shown before anything is sent, every write archived, read back, compared and
// journalled (each as the program settings say), Compare with Gauge, and the image the pages
// hold saved when the line drops before it was written.

#include "Archive.h"
#include "GaugeSession.h"

#include <QCoreApplication>
#include <QString>

#include <functional>
#include <memory>

class QWidget;
class T7310;
class TProgramSettings;

class TWriteSafety {
    Q_DECLARE_TR_FUNCTIONS(TWriteSafety)

public:
    // status shows a message in the window's status bar.
    TWriteSafety(QWidget* window, T7310& device, TProgramSettings* settings,
                 std::function<void(const QString&)> status,
                 std::unique_ptr<TArchive> archive = std::make_unique<TArchive>());

    enum class TOutcome {
        Written,   // sent, and (when verifying) read back as written
        Failed,    // not sent, or the series failed
        NotKept,   // the read-back failed or found differences; shown already
        Cancelled, // the user chose Cancel in the confirmation
    };
    // operation: the journal's name. confirm: ask first (when the program settings say so).
    TOutcome Run(const char* operation, const std::function<bool()>& series, bool confirm);

    // Reads the gauge into a fresh image (the pages' image untouched) and shows how it differs
    // from the image the pages hold. False when the gauge could not be read.
    bool CompareWithGauge();

    // When the pages' image holds what was not written (pending, or a control edited), saves
    // it to the archive and returns the lines that tell the user where it is and how to get
    // it back; an empty text when nothing needed saving.
    QString SaveUnwritten(bool controlsEdited);
    // Whether the image holds settings not yet written: a file loaded, or a write of gathered
    // entries that did not succeed.
    void SetPending(bool pending) { pending_ = pending; }
    bool Pending() const { return pending_; }

    TArchive& Archive() { return *archive_; }
    TGaugeSession& Session() { return session_; }

    // Functions, so they are translated once the translation is installed.
    static QString VerifyErrorText(); // "**ERROR** Verifying"
    static QString NotKeptHeading();  // "The gauge did not keep these settings"

private:
    bool Setting(const char* name) const;
    void ArchiveError(const QString& text);

    QWidget* window_;
    T7310& device_;
    TProgramSettings* settings_;
    std::function<void(const QString&)> status_;
    std::unique_ptr<TArchive> archive_;
    TGaugeSession session_;
    bool pending_ = false;
};
