// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimImage.h"

#include "SimBytes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sim {

using namespace layout;

namespace {

// Reads with a fixed span: the block is the whole reply; writes replace it as a whole.
constexpr BlockSpan kBlocks[] = {
    {0x11, 0xA1, kTankMin, kTankLimitSize, false},
    {0x12, 0xA2, kTankMax, kTankLimitSize, false},
    {0x13, 0xA3, kOutputOptions, kOutputOptionsSize, false},
    {0x14, 0xA4, kDisplayOptions, kDisplayOptionsSize, false},
    {0x16, 0xA6, kTankRecord, kTankRecordSize, false},
    {0x17, 0xA7, kCalibration + kAt4mA, 4, false},
    {0x20, 0x00, kCalibration + kInputAt4mA, 4, false},
    {0x18, 0xA8, kCalibration + kTestModeTimeout, 2, false},
    {0x1B, 0xA9, kRs485Id, 1, false},
    {0x1C, 0xAA, kTableSize, 1, false},
    {0x22, 0xAD, kDefaultProtocol, 1, false},
    {0x27, 0xB1, kExtended + kFlowFrequencyScaling, 2, true},
    {0x28, 0xB2, kExtended + kLcdDisplayResolution, 4, true},
    {0x29, 0xB3, kExtended + kSafeTankCapacity, 1, true},
    {0x2A, 0xB4, kExtended + kDisplayResolutionHysteresis, 1, true},
    {0x2B, 0x00, kExtended + kTankSafeCapacityLitres, 4, true},
};

// The .TLS settings file: where each of the gauge's blocks sits in it.
namespace settings_file {
constexpr size_t kFormatNumber = 0;
constexpr size_t kRs485Id = 4; // not taken: the gauge keeps its own node ID
constexpr size_t kAlarms = 5;
constexpr size_t kTankMin = 29;
constexpr size_t kTankMax = 35;
constexpr size_t kOutputOptions = 41;
constexpr size_t kDisplayOptions = 43;
constexpr size_t kTankDescription = 52;
constexpr size_t kTestModeTimeout = 96;
constexpr size_t kTable = 98; // size byte, then the rows
constexpr size_t kDefaultProtocol = 899;
constexpr size_t kFormat2Size = 900;
constexpr size_t kExtended = 900;
constexpr size_t kFormat3Size = 1236;

struct Span {
    size_t file;
    size_t image;
    size_t size;
};

constexpr Span kCommon[] = {
    {kAlarms, layout::kAlarms, kAlarmSize* kAlarmCount},
    {kTankMin, layout::kTankMin, kTankLimitSize},
    {kTankMax, layout::kTankMax, kTankLimitSize},
    {kOutputOptions, layout::kOutputOptions, kOutputOptionsSize},
    {kDisplayOptions, layout::kDisplayOptions, kDisplayOptionsSize},
    {kTankDescription, layout::kTankDescription, kTankDescriptionSize},
    {kTestModeTimeout, layout::kCalibration + layout::kTestModeTimeout, 2},
    {kTable, layout::kTableSize, 1 + kTableRowSize* kTableRowCount},
    {kDefaultProtocol, layout::kDefaultProtocol, 1},
};
constexpr Span kExtendedOnly[] = {{kExtended, layout::kExtended, kExtendedSize}};
} // namespace settings_file

double CubicMetresIn(uint8_t volumeUnit) {
    switch (volumeUnit) {
    case 1:
        return 1.0; // cubic metres
    case 3:
        return 219.969248; // gallons
    case 4:
        return 61023.7441; // cubic inches
    case 5:
        return 35.3146667; // cubic feet
    default:
        return 1000.0; // litres, also for a display without a unit
    }
}

void PutAlarm(DeviceImage& image, size_t index, uint16_t setpoint, uint8_t direction,
              uint16_t hysteresis) {
    uint8_t* alarm = image.At(kAlarms + index * kAlarmSize);
    PutBE16(alarm + kAlarmSetpoint, setpoint);
    alarm[kAlarmEnabled] = 1;
    alarm[kAlarmDirection] = direction;
    PutBE16(alarm + kAlarmHysteresis, hysteresis);
}

} // namespace

const BlockSpan* FindBlockByRead(uint8_t code) {
    for (const BlockSpan& block : kBlocks)
        if (block.read == code && code != 0)
            return &block;
    return nullptr;
}

const BlockSpan* FindBlockByWrite(uint8_t code) {
    for (const BlockSpan& block : kBlocks)
        if (block.write == code && code != 0)
            return &block;
    return nullptr;
}

DeviceImage::DeviceImage() = default;

DeviceImage DeviceImage::Default(uint8_t node, bool extended, bool flowScaling) {
    DeviceImage image;
    image.bytes_[kRs485Id] = node;

    PutAlarm(image, 0, 9000, kRisingEdge, 2000);  // Master: nearly full
    PutAlarm(image, 1, 7500, kRisingEdge, 1000);  // high
    PutAlarm(image, 2, 2500, kFallingEdge, 1000); // low
    PutAlarm(image, 3, 1000, kFallingEdge, 2000); // nearly empty

    PutBE32(image.At(kTankMin + kLimitHeight), 50);
    PutBE16(image.At(kTankMin + kLimitAdValue), 41);
    PutBE32(image.At(kTankMax + kLimitHeight), 2450);
    PutBE16(image.At(kTankMax + kLimitAdValue), 1002);

    image.bytes_[kOutputOptions] = 1; // 4-20 mA output on, input not mirrored

    uint8_t* display = image.At(kDisplayOptions);
    display[kDisplayEnabled] = 1;
    display[kSignificantFigures] = 4;
    display[kDisplayUom] = 2; // litres
    display[kContrast] = 128;
    display[kShowDecimalPoint] = 1;
    PutBE16(display + kDamping, 500);

    const char name[] = "DIESEL TANK1";
    image.SetTankName(reinterpret_cast<const uint8_t*>(name), sizeof name - 1);

    // A horizontal cylinder, 6 m long and 2.5 m across, with 0.4 m dished ends, in metres.
    uint8_t* tank = image.At(kTankRecord);
    tank[kTankType] = kTankCylinder2Endcaps;
    tank[kTankUom] = 0;
    PutBE16(tank + kTankSg, 840);
    PutBE32(tank + kTankLength, 6000);
    PutBE32(tank + kTankHeight, 2500);
    PutBE32(tank + kTankWidth, 2500);
    PutBE32(tank + kTankRadius, 1250);
    PutBE32(tank + kTankExtent, 400);

    uint8_t* calibration = image.At(kCalibration);
    PutBE16(calibration + kAt4mA, 800);
    PutBE16(calibration + kAt20mA, 4000);
    PutBE16(calibration + kInputAt4mA, 204);
    PutBE16(calibration + kInputAt20mA, 1020);
    PutBE16(calibration + kTestModeTimeout, 30000);

    // A short table taken from the tank's own shape, rising with height.
    constexpr size_t kRows = 5;
    image.bytes_[kTableSize] = kRows;
    for (size_t row = 0; row < kRows; ++row) {
        const double fraction = static_cast<double>(row) / (kRows - 1);
        uint8_t* entry = image.At(kTableRows + row * kTableRowSize);
        PutBE32(entry, static_cast<uint32_t>(std::lround(2500 * fraction)));
        PutBE32(entry + 4, static_cast<uint32_t>(std::llround(image.VolumeAt(fraction) * 1000)));
    }

    if (extended) {
        uint8_t* ext = image.At(kExtended);
        PutBE16(ext + kFlowFrequencyScaling, flowScaling ? 100 : 0);
        PutBE32(ext + kLcdDisplayResolution, 10);
        ext[kSafeTankCapacity] = 95;
        ext[kDisplayResolutionHysteresis] = 5;
        PutBE32(ext + kTankSafeCapacityLitres,
                static_cast<uint32_t>(std::lround(image.VolumeAt(1.0) * 0.95)));
    }
    return image;
}

std::vector<uint8_t> DeviceImage::Copy(size_t offset, size_t size) const {
    return std::vector<uint8_t>(bytes_.begin() + static_cast<std::ptrdiff_t>(offset),
                                bytes_.begin() + static_cast<std::ptrdiff_t>(offset + size));
}

void DeviceImage::Put(size_t offset, size_t size, const std::vector<uint8_t>& bytes) {
    std::copy_n(bytes.begin(), std::min(size, bytes.size()), At(offset));
}

void DeviceImage::SetTankName(const uint8_t* chars, size_t count) {
    uint8_t* name = At(kTankDescription);
    std::fill_n(name, kTankNameSize, uint8_t{0});
    for (size_t i = 0; i < std::min(count, kTankNameSize) && chars[i] != 0; ++i)
        name[i] = chars[i];
}

double DeviceImage::LengthInMetres(size_t field) const {
    double metresPerUnit = 1.0;
    switch (bytes_[kTankRecord + kTankUom]) {
    case 1:
        metresPerUnit = 0.0254;
        break; // inches
    case 2:
        metresPerUnit = 0.3048;
        break; // feet
    default:
        break;
    }
    return GetBE32(At(kTankRecord + field)) / 1000.0 * metresPerUnit;
}

double DeviceImage::TableVolumeAt(double fraction) const {
    const size_t rows = std::min<size_t>(bytes_[kTableSize], kTableRowCount);
    if (rows == 0)
        return 0.0;
    auto height = [&](size_t row) { return double(GetBE32(At(kTableRows + row * kTableRowSize))); };
    auto volume = [&](size_t row) {
        return double(GetBE32(At(kTableRows + row * kTableRowSize + 4)));
    };
    const double target = fraction * height(rows - 1);
    double result = volume(0);
    for (size_t row = 1; row < rows; ++row) {
        if (target <= height(row)) {
            const double span = height(row) - height(row - 1);
            const double part = span > 0 ? (target - height(row - 1)) / span : 1.0;
            result = volume(row - 1) + std::clamp(part, 0.0, 1.0) * (volume(row) - volume(row - 1));
            break;
        }
        result = volume(row);
    }
    return result / 1000.0;
}

double DeviceImage::VolumeAt(double fraction) const {
    fraction = std::clamp(fraction, 0.0, 1.0);
    const double pi = std::numbers::pi;
    const double length = LengthInMetres(kTankLength);
    const double height = LengthInMetres(kTankHeight);
    const double width = LengthInMetres(kTankWidth);
    const double radius = LengthInMetres(kTankRadius);
    const double extent = LengthInMetres(kTankExtent);
    double cubicMetres = 0.0;
    switch (bytes_[kTankRecord + kTankType]) {
    case kTankCylinder2Endcaps: {
        // Wetted share of a circular cross-section; the dished ends follow the same share.
        const double angle = 2.0 * std::acos(1.0 - 2.0 * fraction);
        const double share = (angle - std::sin(angle)) / (2.0 * pi);
        cubicMetres = share * pi * radius * radius * (length + 4.0 * extent / 3.0);
        break;
    }
    case kTankCuboid:
        cubicMetres = fraction * length * width * height;
        break;
    case kTankHemi:
    case kTankVerticalCylinder:
        cubicMetres = fraction * pi * radius * radius * height;
        break;
    case kTankNonStandard:
        return TableVolumeAt(fraction);
    default:
        return fraction * 1000.0; // no shape: a nominal thousand units
    }
    return cubicMetres * CubicMetresIn(bytes_[kDisplayOptions + kDisplayUom]);
}

uint8_t DeviceImage::AlarmOutputs(double percent) const {
    uint8_t bits = 0;
    for (size_t k = 0; k < kAlarmCount; ++k) {
        const uint8_t* alarm = At(kAlarms + k * kAlarmSize);
        if (alarm[kAlarmEnabled] == 0)
            continue;
        const double setpoint = GetBE16(alarm + kAlarmSetpoint) / 100.0;
        const bool rising = alarm[kAlarmDirection] == kRisingEdge;
        if (rising ? percent >= setpoint : percent <= setpoint)
            bits |= kAlarmOutputBits[k];
    }
    return bits;
}

bool DeviceImage::LoadSettingsFile(const std::vector<uint8_t>& file, std::string* error) {
    using namespace settings_file;
    auto fail = [&](std::string reason) {
        if (error)
            *error = std::move(reason);
        return false;
    };
    if (file.size() < kFormatNumber + 4)
        return fail("file too short to hold a format number (" + std::to_string(file.size()) +
                    " bytes)");
    const uint32_t format = GetLE32(file.data() + kFormatNumber);
    if (format != 2 && format != 3)
        return fail("unknown settings file format " + std::to_string(format));
    const size_t needed = format == 2 ? kFormat2Size : kFormat3Size;
    if (file.size() < needed)
        return fail("format " + std::to_string(format) + " needs " + std::to_string(needed) +
                    " bytes, the file has " + std::to_string(file.size()));
    for (const Span& span : kCommon)
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(span.file), span.size,
                    At(span.image));
    if (format == 3)
        for (const Span& span : kExtendedOnly)
            std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(span.file), span.size,
                        At(span.image));
    return true;
}

} // namespace sim
