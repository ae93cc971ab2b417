// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The summary of an extended gauge: the texts and numbers the Summary page shows, and the plain
// text report ("T8310 Settings") that the page exports and t7310-cli writes. Both build it here
// from the device object and the texts of the page's boxes, so they write the same bytes.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <string>

class T7310;
struct TDeviceImage;
struct TReportFields;

// ---- name tables; a code past the end of a table reads "unknown (N)" ----
std::string SummaryTankTypeName(uint8_t code);
std::string SummaryVolumeUnitName(uint8_t code);
std::string SummaryDirectionName(uint8_t code);
inline constexpr std::array<const char*, 2> kBundAlarmChoices = {"No", "Yes"};
inline constexpr std::array<const char*, 2> kCommsTypeChoices = {"Modbus", "Standard"};

// ---- number formats, with the user's decimal separator ----
// 3 decimals after rounding to 5 significant digits.
std::string FormatF3(double value);
// 3 and 2 decimals, no significant-digit limit below 18.
std::string FormatX3(double value);
std::string FormatX2(double value);

// The contrast byte as a whole percentage (truncated).
int ContrastPercent(uint8_t contrast);
// The level in mA of the tank min (false) or tank max (true) record through the input
// calibration pair; "n/a" when the pair's two counts are equal.
std::string LevelText(const TDeviceImage& image, bool tankMax);
// The record's height in metres water.
std::string LevelHeightText(const TDeviceImage& image, bool tankMax);
// A tank length in thousandths of the tank unit; a diameter is twice the stored radius.
std::string LengthText(uint32_t raw, bool fromRadius = false);
// A setpoint in hundredths of a percent, without the "%".
std::string SetpointText(uint16_t raw);

// One dimension line of the tank: caption ("Tank Length") and value.
struct TTankDimension {
    const char* Caption = nullptr;
    std::string Value;
};
// The dimensions the summary shows for the image's tank type (none for types 0, 5 and above).
std::array<TTankDimension, 3> TankDimensions(const TDeviceImage& image, int& count);

// One alarm as the summary shows it; all three "DISABLED" for a disabled alarm.
struct TAlarmSummary {
    std::string Direction;
    std::string Setpoint;   // with "%"
    std::string Hysteresis; // with "ms"
};
TAlarmSummary AlarmSummary(const TDeviceImage& image, size_t index);
// "Master", "Alarm 1", "Alarm 2", "Alarm 3".
const char* AlarmTitle(size_t index);

// The texts of the page's boxes that the report takes as they stand.
struct TSummaryEntries {
    std::string SerialNumber;
    std::string DisplayResolutionHysteresis;
    std::string FlowFreqScaling;
    std::string SafeWorkingCapacity;
    std::string SensorDistance;
    std::string BundAlarm; // the chosen item's text, empty when none is chosen
    std::string CommsType;
    std::string CompletedDate;
    std::string Name;
    std::string SavedAs;
};

// The boxes as the page fills them after a read of all settings: the report fields, and the
// second model's two settings only on a second-model gauge (empty otherwise, as the hidden
// boxes stay); a choice index past its list chooses nothing.
TSummaryEntries ShownEntries(const T7310& device);

// Copies into `to` the report fields a person enters on the page (everything but the
// reserved bytes).
void CopyReportFields(const TReportFields& from, TReportFields& to);

// The report: 8-bit text, lines ended by CR LF, none after the last.
QByteArray SummaryReport(const T7310& device, const TSummaryEntries& entries);

inline constexpr const char* kSummaryReportFileName = "T8310 Settings";

// Writes the report whole to a temporary file beside fileName, then renames it over fileName:
// a failed write leaves the old file as it was. False with the system's reason on failure.
bool SaveSummaryReport(const QString& fileName, const QByteArray& report,
                       QString* reason = nullptr);
