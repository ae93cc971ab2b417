// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The device image: the gauge's settings as the gauge sends them, one fixed block per
// read/write instruction, copied verbatim to and from payloads and the settings file.
// Every multi-byte number inside a block is big-endian (see ByteOrder.h).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace img {

// Alarm record (4 of them: Master, 1, 2, 3).
inline constexpr size_t AlarmRecordSize = 6;
inline constexpr size_t AlarmCount = 4;
inline constexpr size_t AlarmSetpoint = 0;   // 2, hundredths of a percent
inline constexpr size_t AlarmEnabled = 2;    // 1, 0/1
inline constexpr size_t AlarmDirection = 3;  // 1, 1 = rising, else falling
inline constexpr size_t AlarmHysteresis = 4; // 2, ms

// Tank min and tank max records: the two calibration points of the level sensor.
inline constexpr size_t TankPointSize = 6;
inline constexpr size_t TankPointHeight = 0;  // 4, thousandths of the tank unit
inline constexpr size_t TankPointAdValue = 4; // 2, 0..1023

// Output options.
inline constexpr size_t OutputOptionsSize = 2;
inline constexpr size_t OutputEnable4to20 = 0;
inline constexpr size_t OutputMirror4to20 = 1;

// Display options.
inline constexpr size_t DisplayOptionsSize = 9;
inline constexpr size_t DisplayEnabled = 0;
inline constexpr size_t DisplaySignificantFigures = 1;
inline constexpr size_t DisplayUom = 2;
inline constexpr size_t DisplayUncatalogued = 3; // 2 bytes, sent back as received
inline constexpr size_t DisplayContrast = 5;
inline constexpr size_t DisplayShowDecimalPoint = 6;
inline constexpr size_t DisplayDamping = 7; // 2, ms

// Tank description: 12 name bytes, then the 24-byte tank record.
inline constexpr size_t TankNameBytes = 12;
inline constexpr size_t TankRecordOffset = 12;
inline constexpr size_t TankRecordSize = 24;
inline constexpr size_t TankDescriptionSize = TankRecordOffset + TankRecordSize;
// Offsets inside the tank record.
inline constexpr size_t TankType = 0;
inline constexpr size_t TankUom = 1;
inline constexpr size_t TankSg = 2;     // 2, thousandths
inline constexpr size_t TankLength = 4; // 4 each, thousandths of the tank unit
inline constexpr size_t TankHeight = 8;
inline constexpr size_t TankWidth = 12;
inline constexpr size_t TankRadius = 16;
inline constexpr size_t TankExtent = 20;
inline constexpr uint8_t TankTypeNonStandard = 5;
inline constexpr size_t TankNameMaxLength = 12;

// Calibration block.
inline constexpr size_t CalibrationSize = 10;
inline constexpr size_t CalAt4mA = 0;     // 2
inline constexpr size_t CalAt20mA = 2;    // 2
inline constexpr size_t CalInputPair = 4; // 4: A/D count at 4 mA, then at 20 mA
inline constexpr size_t CalInputPairSize = 4;
inline constexpr size_t CalTestModeTimeout = 8; // 2, ms

// Extended block (extended devices only).
inline constexpr size_t ExtendedSize = 12;
inline constexpr size_t ExtFlowFrequencyScaling = 0;        // 2
inline constexpr size_t ExtLcdDisplayResolution = 2;        // 4
inline constexpr size_t ExtSafeTankCapacity = 6;            // 1
inline constexpr size_t ExtDisplayResolutionHysteresis = 7; // 1
inline constexpr size_t ExtTankSafeCapacityLitres = 8;      // 4, read-only

// Tank table: size byte then 100 rows of (height, volume), each 32-bit big-endian.
inline constexpr size_t TableRows = 100;
inline constexpr size_t TableRowSize = 8;
inline constexpr size_t TableSizeOffset = 0;
inline constexpr size_t TableRowsOffset = 1;
inline constexpr size_t TableRowHeight = 0;
inline constexpr size_t TableRowVolume = 4;
inline constexpr size_t TankTableSize = 1 + TableRows * TableRowSize;

inline constexpr size_t VolumeSize = 8; // IEEE double, most significant byte first

} // namespace img

using TAlarmRecord = std::array<uint8_t, img::AlarmRecordSize>;
using TTankPoint = std::array<uint8_t, img::TankPointSize>;
using TOutputOptions = std::array<uint8_t, img::OutputOptionsSize>;
using TDisplayOptions = std::array<uint8_t, img::DisplayOptionsSize>;
using TTankDescription = std::array<uint8_t, img::TankDescriptionSize>;
using TCalibration = std::array<uint8_t, img::CalibrationSize>;
using TExtended = std::array<uint8_t, img::ExtendedSize>;
using TTankTable = std::array<uint8_t, img::TankTableSize>;

// References to the four alarm records, handed to the alarm events.
using TAlarmRefs = std::array<TAlarmRecord*, img::AlarmCount>;

static_assert(sizeof(TAlarmRecord) == 6 && sizeof(TDisplayOptions) == 9);
static_assert(sizeof(TTankPoint) == 6 && sizeof(TOutputOptions) == 2);
static_assert(sizeof(TTankDescription) == 36 && sizeof(TTankTable) == 801);
static_assert(sizeof(TCalibration) == 10 && sizeof(TExtended) == 12);
// The last field of each block ends exactly at the block's end.
static_assert(img::AlarmHysteresis + 2 == img::AlarmRecordSize);
static_assert(img::TankPointAdValue + 2 == img::TankPointSize);
static_assert(img::OutputMirror4to20 + 1 == img::OutputOptionsSize);
static_assert(img::DisplayUncatalogued + 2 == img::DisplayContrast);
static_assert(img::DisplayDamping + 2 == img::DisplayOptionsSize);
static_assert(img::TankNameBytes == img::TankRecordOffset);
static_assert(img::TankExtent + 4 == img::TankRecordSize);
static_assert(img::CalInputPair + img::CalInputPairSize == img::CalTestModeTimeout);
static_assert(img::CalTestModeTimeout + 2 == img::CalibrationSize);
static_assert(img::ExtTankSafeCapacityLitres + 4 == img::ExtendedSize);
static_assert(img::TableRowVolume + 4 == img::TableRowSize);

struct TDeviceImage {
    std::array<TAlarmRecord, img::AlarmCount> Alarms{};
    TTankPoint TankMin{};
    TTankPoint TankMax{};
    TOutputOptions OutputOptions{};
    TDisplayOptions DisplayOptions{};
    TTankDescription TankDescription{};
    std::string TankName; // up to 12 characters; what 0xA5 sends
    TCalibration Calibration{};
    TExtended Extended{};
    TTankTable TankTable{};
    uint8_t Rs485Id = 0;
    uint8_t DefaultProtocol = 0; // nonzero: Modbus by default
    uint8_t DeviceState = 0;
    uint8_t AlarmOutputs = 0;
    std::array<uint8_t, img::VolumeSize> Volume{};
    std::string DeviceName;
    std::string SoftwareVersion;
    std::string DevicePcSoftwareId;

    // Questions asked of an image.
    uint8_t TankType() const { return TankRecord()[img::TankType]; }
    // A Non standard tank is measured by its table, which must then be read and written too.
    bool IsNonStandardTank() const { return TankType() == img::TankTypeNonStandard; }
    uint8_t TankUom() const { return TankRecord()[img::TankUom]; }
    uint8_t DisplayUom() const { return DisplayOptions[img::DisplayUom]; }
    // The input calibration pair: the A/D counts read at 4 mA and at 20 mA.
    uint16_t InputCountAt4mA() const;
    uint16_t InputCountAt20mA() const;

    uint8_t* TankRecord() { return TankDescription.data() + img::TankRecordOffset; }
    const uint8_t* TankRecord() const { return TankDescription.data() + img::TankRecordOffset; }
    uint8_t TableSize() const { return TankTable[img::TableSizeOffset]; }
    uint8_t* TableRow(size_t row) {
        return TankTable.data() + img::TableRowsOffset + row * img::TableRowSize;
    }
    const uint8_t* TableRow(size_t row) const {
        return TankTable.data() + img::TableRowsOffset + row * img::TableRowSize;
    }
};

// Which part of the device image a value lives in.
enum class TImageBlock : uint8_t {
    None,
    Alarm, // the alarm record of the location's Index
    TankMin,
    TankMax,
    OutputOptions,
    DisplayOptions,
    TankDescription, // name bytes, then the tank record
    TankRecord,
    Calibration,
    Extended,
    TankTable, // size byte, then the rows
    Rs485Id,
    DefaultProtocol,
    DeviceState,
    AlarmOutputs,
    Volume,
    // Texts
    TankName,
    DeviceName,
    SoftwareVersion,
    PcSoftwareId,
};

// Where a value lives: Width bytes at Offset in a block (for a text block, the text itself).
// The one description of a location, used by the catalogue and the instruction table alike.
struct TImageLocation {
    TImageBlock Block = TImageBlock::None;
    uint8_t Index = 0; // the alarm record
    uint16_t Offset = 0;
    uint16_t Width = 0;

    bool IsText() const { return Block >= TImageBlock::TankName; }
    // The first byte, or null for none or a text.
    uint8_t* Bytes(TDeviceImage& image) const;
    const uint8_t* Bytes(const TDeviceImage& image) const;
    // The text variable of a text block, or null.
    std::string* Text(TDeviceImage& image) const;
    const std::string* Text(const TDeviceImage& image) const;
    // Width 1, 2 or 4, big-endian; 0 for anything else.
    uint32_t Get(const TDeviceImage& image) const;
    void Set(TDeviceImage& image, uint32_t value) const;
};

// Values kept for the summary report; never sent to the gauge, saved in format 3 files.
struct TReportFields {
    std::array<uint8_t, 4> Reserved{};
    uint8_t BundAlarm = 0;      // 0 "No", 1 "Yes"
    uint8_t CommsType = 0;      // 0 "Modbus", 1 "Standard"
    int32_t SensorDistance = 0; // millimetres off the bottom of the tank
    std::string SerialNumber;   // at most 10 characters are saved
    std::string Name;           // at most 100
    std::string CompletedDate;  // at most 100
    std::string SavedAs;        // at most 100
};
