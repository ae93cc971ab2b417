// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The archive of settings files and the journal of writes, kept for the user under the
// per-user data folder (~/.local/share/ZUR/Configurator on Linux): one folder per gauge
// ("T8310-node01") of .TLS files named by time, and journal.jsonl with one JSON object per
// write. Every file is written whole or not at all.

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class TArchive {
public:
    // The folder given, or the per-user data folder of the configurator.
    explicit TArchive(QString folder = DefaultFolder());

    // QStandardPaths' data location of organisation "ZUR", application "Configurator",
    // whatever names the running program was given.
    static QString DefaultFolder();
    // "T8310-node01": the gauge's device name (characters unfit for a file name replaced) and
    // its RS 485 ID.
    static QString GaugeFolderName(const std::string& deviceName, uint8_t node);

    static constexpr int kMaxFilesPerGauge = 200;

    QString Folder() const { return folder_; }
    QString JournalPath() const;

    // Saves bytes as <gauge>/<yyyyMMddTHHmmssZ>-<kind>.TLS ("-2", "-3" ... when the name is
    // taken), then drops the gauge's oldest files beyond kMaxFilesPerGauge. Returns the file's
    // absolute path, or an empty text with the reason in error.
    QString SaveImage(const QString& gauge, const QString& kind, const std::vector<uint8_t>& bytes,
                      const QDateTime& time, QString* error);

    // Appends one line (the object, compact) to the journal.
    bool AppendJournal(const QJsonObject& entry, QString* error);

    struct TJournal {
        QList<QJsonObject> Entries; // oldest first
        int BadLines = 0;           // lines that are not a JSON object
        QString Error;              // the journal exists but cannot be read
    };
    // No journal yet is an empty journal.
    TJournal ReadJournal() const;

private:
    void Prune(const QString& gaugeFolder) const;

    QString folder_;
};
