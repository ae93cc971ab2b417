// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The values the program keeps between runs (serial port, baud rate, last node ID), held in
// memory as a list of settings and persisted in the per-user store, one key path each.

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

// A store operation that failed: a key that cannot be opened or written, or a value of the
// wrong type. what() names the value and the key.
class TSettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TProgramSetting {
    enum TKind : uint8_t { pkBoolean = 0, pkInteger = 1, pkText = 2, pkReal = 3 };

    QString ValueName; // also the name Lookup finds it by
    QString KeyPath;   // BasePath + section + "\"
    TKind Kind = pkInteger;
    QString TextValue;
    QString TextDefault;
    int32_t IntegerValue = 0;
    int32_t IntegerDefault = 0;
    bool BooleanValue = false;
    bool BooleanDefault = false;
    float RealValue = 0;
    float RealDefault = 0;
};

class TProgramSettings {
public:
    TProgramSettings();

    QString BasePath;

    void AddBoolean(const QString& section, const QString& valueName, bool defaultValue);
    void AddInteger(const QString& section, const QString& valueName, int32_t defaultValue);
    void AddText(const QString& section, const QString& valueName, const QString& defaultValue);
    void AddReal(const QString& section, const QString& valueName, float defaultValue);

    // Loads every setting in list order; a missing value takes its default, which is written
    // back so the store holds every declared value. Throws TSettingsError at the first
    // failure; the settings after it keep their unloaded values.
    void LoadAll();
    // Writes every current value in list order. Throws TSettingsError at the first failure.
    void SaveAll();

    // The first setting with exactly this value name (case-sensitive), or null.
    TProgramSetting* Lookup(const QString& valueName);
    const TProgramSetting* Lookup(const QString& valueName) const;

    const std::vector<TProgramSetting>& Items() const { return items_; }

private:
    TProgramSetting& Append(const QString& section, const QString& valueName,
                            TProgramSetting::TKind kind);

    std::vector<TProgramSetting> items_;
};

// The program's own settings, all in section "Configurator".
inline constexpr const char* kConfiguratorSection = "Configurator";
inline constexpr const char* kLastConnectId = "Last Connect ID"; // text, default empty
inline constexpr const char* kCommPort = "Comm Port";            // integer, default 1
inline constexpr const char* kBaudRate = "Baud Rate";            // integer, default 9600
// -- adapter replug --
// Boolean, default on: a connection lost with its adapter comes back when the adapter does.
// The settings file's key; the dialog shows it translated.
inline constexpr const char* kReconnectOnReturn =
    QT_TRANSLATE_NOOP("TfmProgramSettings", "Reconnect when the adapter returns");
// -- end adapter replug --

// ---- fast transfers ----
// Boolean, default off: replies framed by their length and requests sent without the dispatch
// tick, from the next connect on.
inline constexpr const char* kFastTransfers = "Fast Transfers";
// ---- end of fast transfers ----

// ---- settings of the checked write (after the three above) ----
inline constexpr const char* kConfirmChanges = "Confirm changes before writing"; // boolean, on
inline constexpr const char* kVerifyWrites = "Verify after writing";             // boolean, on
// ---- end of the checked write's settings ----

// ---- who writes ----
// Text, default the login's full name (SystemUserName): the journal's user of every write, and
// the name a commissioning document gives the technician.
inline constexpr const char* kTechnician = "Technician";
// The login's full name from the system's user database, else the login name, else empty.
QString SystemUserName();
// Who writes: the stored Technician, or SystemUserName when none is stored.
QString TechnicianName(const TProgramSettings& settings);
// ---- end of who writes ----

// ---- paper ----
// Text, "A4" or "Letter": the paper the commissioning certificate is laid out on; at first
// the one the locale uses (Letter where it measures in US units).
inline constexpr const char* kPaperSize = "Paper Size";
QString LocalePaperSizeName();
// The stored paper, or the locale's when none (or an unknown one) is stored.
QString PaperSizeName(const TProgramSettings& settings);
// Boolean, default on: a saved certificate opens in the desktop's PDF viewer.
inline constexpr const char* kOpenCertificate = "Open certificate after saving";
// ---- end of paper ----

// Declares the settings above, in that order (the window and the command-line tool share one
// declaration).
void DeclareConfiguratorSettings(TProgramSettings& settings);

// ---- Traffic monitor dock (View > Traffic Monitor) ----
// Kept in a section of their own, saved by the dock itself whenever it is shown, hidden or
// resized, so that they never touch the three values above.
inline constexpr const char* kTrafficMonitorSection = "TrafficMonitor";
inline constexpr const char* kTrafficMonitorVisible = "Visible"; // boolean, default false
inline constexpr const char* kTrafficMonitorHeight = "Height";   // integer, pixels, default 180
void DeclareTrafficMonitorSettings(TProgramSettings& settings);
// ---- end of traffic monitor dock ----

// The running program's version as "%d.%d.%d.%d" from the version compiled in, or
// "Could not access version info" for a build without one.
QString ReadFileVersion();
// The formatting step of ReadFileVersion: the four parts, most significant first, or the
// failure text when there is no version.
QString FormatFileVersion(const std::optional<std::array<int, 4>>& version);
