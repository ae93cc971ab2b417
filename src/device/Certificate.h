// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The commissioning certificate as data: every text it carries, built from the device object,
// the archive and the journal before anything is laid out, so that the window and t7310-cli
// print the same document. Widget-free; the layout lives with the PDF writer.

#include "TankTableCsv.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <array>
#include <optional>
#include <string>
#include <vector>

class T7310;
class TArchive;

// A caption and its value, as the header and the proof list them.
struct TCertificateLine {
    QString Caption;
    QString Value;
};

struct TCertificateSetting {
    QString Name;
    QString Found; // empty without a gauge
    QString Left;
    bool Changed = false;
};

struct TCertificateGroup {
    QString Name;
    std::vector<TCertificateSetting> Settings;
};

struct TCertificateAlarm {
    QString Title; // "Master", "Alarm 1" ...
    bool Enabled = false;
    QString Direction;
    QString Setpoint;   // with "%"
    QString Hysteresis; // with "ms"
};

struct TCertificateAlarmTest {
    QString Output;  // "Alarm 2"
    QString Started; // local time
    QString Ending;  // "completed after 5 s" ...
};

// An archive file the certificate names, with the SHA-256 of its bytes (empty when the file
// could not be read, Problem then says why).
struct TCertificateFile {
    QString Path;
    QString Sha256;
    QString Problem;
};

struct TCertificate {
    bool Offline = false;
    QString Title;
    std::vector<TCertificateLine> Header;
    // What every page's foot names ("T7310, node 1"), and who signs as technician.
    QString Gauge;
    QString Technician;
    std::string DeviceName;
    int Node = 0;

    // The settings as found (connected) and as left, by catalogue group.
    std::vector<TCertificateGroup> Groups;
    int ChangedCount = 0;

    // The tank: its type (1..4 have a drawing), its dimensions as "caption" -> "value unit"
    // in the drawing's own captions ("Length", "Diameter", "Extent", "Height", "Width").
    int TankType = 0;
    QString TankTypeName;
    std::vector<TCertificateLine> Dimensions;
    // A Non standard tank's table and the units of its two columns.
    bool NonStandard = false;
    TTableRows Table;
    QString HeightUnit;
    QString VolumeUnit;

    std::array<TCertificateAlarm, 4> Alarms;
    std::vector<TCertificateAlarmTest> AlarmTests;

    std::vector<TCertificateLine> Proof;
    // The two archive files (or, without a gauge, the settings file in AsLeft).
    std::optional<TCertificateFile> AsFound;
    std::optional<TCertificateFile> AsLeft;

    // SHA-256 of CertificateText: a later reader recomputes it with `t7310-cli certificate
    // --text` on the same data, or compares it with the copy kept in the archive.
    QString ContentSha256;
};

// What the certificate is made of besides the device object.
struct TCertificateSources {
    // The device object: connected, its GaugeImage is what the gauge holds; offline its Image
    // is what the pages hold.
    const T7310* Device = nullptr;
    bool Offline = false;
    QString Port;
    // Connected: the archive whose journal names the last write of this gauge.
    const TArchive* Archive = nullptr;
    // Offline: the settings file the pages were loaded from or saved to (may be empty).
    QString SettingsFile;
    QString Technician;
    QString Program;
    QString Version;
    QDateTime Made; // invalid: now
};

// The journal's last write of this gauge (device name and node), or none.
std::optional<QJsonObject> LastWriteOf(const TArchive& archive, const std::string& deviceName,
                                       int node);

TCertificate BuildCertificate(const TCertificateSources& sources);

// Every text of the certificate, one per line, in the order it is laid out (without its own
// hash): what ContentSha256 is taken of.
QString CertificateText(const TCertificate& certificate);

// The SHA-256 of a file's bytes as 64 lowercase hex digits; empty (with the reason) when the
// file cannot be read.
QString FileSha256(const QString& path, QString* problem = nullptr);

inline constexpr const char* kConfiguratorName = "T7310 / T8310 Configurator";

// Texts the layout adds around the data.
inline constexpr const char* kCertificateTitle = "Commissioning Certificate";
inline constexpr const char* kChangedMarker = "\u00BB"; // "»", before each changed setting
inline constexpr const char* kChangedLegend = "\u00BB changed by the last write";
inline constexpr const char* kOfflineNote =
    "Prepared without a gauge: the settings below were not read from or written to a gauge.";
