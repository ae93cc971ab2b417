// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Layout of the .TLS settings file: a format number, then the device image blocks copied byte
// for byte (so big-endian inside), then for extended devices the extended block and the
// summary report fields. The format number and the sensor distance are little-endian.
// T7310::SaveToFile, LoadFromFile and NotifyAll are defined in SettingsFile.cpp.

#include "DeviceImage.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <stdexcept>
#include <vector>

namespace tls {

inline constexpr uint32_t Format2 = 2; // devices that are not extended
inline constexpr uint32_t Format3 = 3; // extended devices

inline constexpr size_t FormatNumber = 0; // 4, little-endian
inline constexpr size_t FormatNumberSize = 4;
inline constexpr size_t Rs485Id = 4; // 1, never taken on load
inline constexpr size_t Alarms = 5;  // 4 alarm records
inline constexpr size_t TankMin = 29;
inline constexpr size_t TankMax = 35;
inline constexpr size_t OutputOptions = 41;
inline constexpr size_t DisplayOptions = 43;
inline constexpr size_t TankDescription = 52; // 12 name bytes, then the tank record
inline constexpr size_t Unused = 88;          // 8 bytes without content
inline constexpr size_t UnusedSize = 8;
inline constexpr size_t TestModeTimeout = 96; // calibration block bytes 8-9, never taken on load
inline constexpr size_t TestModeTimeoutSize = 2;
inline constexpr size_t TankTable = 98; // size byte, then the 100 rows
inline constexpr size_t DefaultProtocol = 899;
inline constexpr size_t Format2Size = 900;

inline constexpr size_t Extended = 900; // the whole extended block
inline constexpr size_t ReportReserved = 912;
inline constexpr size_t ReportReservedSize = 4;
inline constexpr size_t BundAlarm = 916;
inline constexpr size_t CommsType = 917;
inline constexpr size_t SensorDistance = 918; // 4, signed, little-endian
inline constexpr size_t SensorDistanceSize = 4;
// Each text: a length byte, then an area of fixed size holding that many characters.
inline constexpr size_t SerialNumberLength = 922;
inline constexpr size_t SerialNumberArea = 10;
inline constexpr size_t NameLength = 933;
inline constexpr size_t CompletedDateLength = 1034;
inline constexpr size_t SavedAsLength = 1135;
inline constexpr size_t TextArea = 100;
inline constexpr size_t Format3Size = 1236;

// The largest table size a gauge holds.
inline constexpr uint8_t MaxTableSize = static_cast<uint8_t>(img::TableRows);

static_assert(Alarms == Rs485Id + 1);
static_assert(TankMin == Alarms + img::AlarmCount * img::AlarmRecordSize);
static_assert(TankMax == TankMin + img::TankPointSize);
static_assert(OutputOptions == TankMax + img::TankPointSize);
static_assert(DisplayOptions == OutputOptions + img::OutputOptionsSize);
static_assert(TankDescription == DisplayOptions + img::DisplayOptionsSize);
static_assert(Unused == TankDescription + img::TankDescriptionSize);
static_assert(TestModeTimeout == Unused + UnusedSize);
static_assert(TankTable == TestModeTimeout + TestModeTimeoutSize);
static_assert(DefaultProtocol == TankTable + img::TankTableSize);
static_assert(Format2Size == DefaultProtocol + 1);
static_assert(ReportReserved == Extended + img::ExtendedSize);
static_assert(BundAlarm == ReportReserved + ReportReservedSize);
static_assert(SensorDistance == CommsType + 1 && CommsType == BundAlarm + 1);
static_assert(SerialNumberLength == SensorDistance + SensorDistanceSize);
static_assert(NameLength == SerialNumberLength + 1 + SerialNumberArea);
static_assert(CompletedDateLength == NameLength + 1 + TextArea);
static_assert(SavedAsLength == CompletedDateLength + 1 + TextArea);
static_assert(Format3Size == SavedAsLength + 1 + TextArea);

} // namespace tls

// A settings file that cannot be created or opened; what() names the file and gives the
// system's reason.
class TSettingsFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes Save As writes for this image and these report fields (format 3 when extended).
std::vector<uint8_t> EncodeSettingsFile(const TDeviceImage& image, const TReportFields& report,
                                        bool extended);

// The format number of a settings file (2 or 3) when it is one of a known format and its full
// size; none otherwise. Throws TSettingsFileError when the file cannot be opened.
std::optional<uint32_t> SettingsFileFormat(const std::string& fileName);
