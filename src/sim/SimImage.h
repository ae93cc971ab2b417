// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The simulated gauge's memory: every block that the instruction set reads and writes, laid out
// back to back in one buffer with named offsets. Each block keeps the byte layout that goes on
// the wire, so a read reply is a plain copy of a span of this buffer.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

namespace layout {
// Blocks, in buffer order.
constexpr size_t kRs485Id = 0;
constexpr size_t kAlarms = kRs485Id + 1;
constexpr size_t kAlarmSize = 6;
constexpr size_t kAlarmCount = 4;
constexpr size_t kTankMin = kAlarms + kAlarmSize * kAlarmCount;
constexpr size_t kTankLimitSize = 6;
constexpr size_t kTankMax = kTankMin + kTankLimitSize;
constexpr size_t kOutputOptions = kTankMax + kTankLimitSize;
constexpr size_t kOutputOptionsSize = 2;
constexpr size_t kDisplayOptions = kOutputOptions + kOutputOptionsSize;
constexpr size_t kDisplayOptionsSize = 9;
constexpr size_t kTankDescription = kDisplayOptions + kDisplayOptionsSize; // name, then record
constexpr size_t kTankNameSize = 12;
constexpr size_t kTankRecord = kTankDescription + kTankNameSize;
constexpr size_t kTankRecordSize = 24;
constexpr size_t kTankDescriptionSize = kTankNameSize + kTankRecordSize;
constexpr size_t kCalibration = kTankRecord + kTankRecordSize;
constexpr size_t kCalibrationSize = 10;
constexpr size_t kDefaultProtocol = kCalibration + kCalibrationSize;
constexpr size_t kTableSize = kDefaultProtocol + 1;
constexpr size_t kTableRows = kTableSize + 1;
constexpr size_t kTableRowSize = 8;
constexpr size_t kTableRowCount = 100;
constexpr size_t kExtended = kTableRows + kTableRowSize * kTableRowCount;
constexpr size_t kExtendedSize = 12;
constexpr size_t kImageSize = kExtended + kExtendedSize;

// Fields inside an alarm record.
constexpr size_t kAlarmSetpoint = 0;
constexpr size_t kAlarmEnabled = 2;
constexpr size_t kAlarmDirection = 3;
constexpr size_t kAlarmHysteresis = 4;
constexpr uint8_t kRisingEdge = 1;
constexpr uint8_t kFallingEdge = 2;

// Fields inside a tank min or max record.
constexpr size_t kLimitHeight = 0;
constexpr size_t kLimitAdValue = 4;

// Fields inside the display options record.
constexpr size_t kDisplayEnabled = 0;
constexpr size_t kSignificantFigures = 1;
constexpr size_t kDisplayUom = 2;
constexpr size_t kContrast = 5;
constexpr size_t kShowDecimalPoint = 6;
constexpr size_t kDamping = 7;

// Fields inside the tank record.
constexpr size_t kTankType = 0;
constexpr size_t kTankUom = 1;
constexpr size_t kTankSg = 2;
constexpr size_t kTankLength = 4;
constexpr size_t kTankHeight = 8;
constexpr size_t kTankWidth = 12;
constexpr size_t kTankRadius = 16;
constexpr size_t kTankExtent = 20;

// Fields inside the calibration block.
constexpr size_t kAt4mA = 0;
constexpr size_t kAt20mA = 2;
constexpr size_t kInputAt4mA = 4;
constexpr size_t kInputAt20mA = 6;
constexpr size_t kTestModeTimeout = 8;

// Fields inside the extended block.
constexpr size_t kFlowFrequencyScaling = 0;
constexpr size_t kLcdDisplayResolution = 2;
constexpr size_t kSafeTankCapacity = 6;
constexpr size_t kDisplayResolutionHysteresis = 7;
constexpr size_t kTankSafeCapacityLitres = 8;
} // namespace layout

// Codes the gauge knows for the values it uses itself.
constexpr uint8_t kTankCylinder2Endcaps = 1;
constexpr uint8_t kTankCuboid = 2;
constexpr uint8_t kTankHemi = 3;
constexpr uint8_t kTankVerticalCylinder = 4;
constexpr uint8_t kTankNonStandard = 5;
constexpr uint8_t kHighestNode = 98;
constexpr uint8_t kBroadcastNode = 99;

// A block that one read instruction returns and one write instruction replaces as a whole.
struct BlockSpan {
    uint8_t read;  // 0: not readable on its own
    uint8_t write; // 0: read-only
    size_t offset;
    size_t size;
    bool extended; // only an extended gauge knows it
};

const BlockSpan* FindBlockByRead(uint8_t code);
const BlockSpan* FindBlockByWrite(uint8_t code);

class DeviceImage {
public:
    DeviceImage();

    // A plausible gauge: a horizontal diesel tank with alarms, calibration and a short table.
    static DeviceImage Default(uint8_t node, bool extended, bool flowScaling);

    uint8_t* At(size_t offset) { return bytes_.data() + offset; }
    const uint8_t* At(size_t offset) const { return bytes_.data() + offset; }
    std::vector<uint8_t> Copy(size_t offset, size_t size) const;
    // Writes up to size bytes (fewer if bytes is shorter).
    void Put(size_t offset, size_t size, const std::vector<uint8_t>& bytes);

    // The tank name as the gauge sends it: 12 bytes, zero-padded.
    std::vector<uint8_t> TankName() const {
        return Copy(layout::kTankDescription, layout::kTankNameSize);
    }
    // Takes characters up to the first zero byte, at most 12.
    void SetTankName(const uint8_t* chars, size_t count);

    // Volume in the display unit when the tank is filled to the given fraction of its height.
    double VolumeAt(double fraction) const;
    // Alarm output bits for a contents of percent of capacity.
    uint8_t AlarmOutputs(double percent) const;

    // Replaces the settings that a .TLS file holds, except the node ID. False with a reason for a
    // file that is too short or of an unknown format; the image is then unchanged.
    bool LoadSettingsFile(const std::vector<uint8_t>& file, std::string* error);

private:
    double LengthInMetres(size_t field) const;
    double TableVolumeAt(double fraction) const;

    std::array<uint8_t, layout::kImageSize> bytes_{};
};

// Alarm output bits of the status reply, Master first.
constexpr uint8_t kAlarmOutputBits[layout::kAlarmCount] = {0x10, 0x20, 0x40, 0x80};

} // namespace sim
