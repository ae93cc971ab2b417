// SPDX-License-Identifier: GPL-3.0-or-later
#include "DeviceImage.h"

#include "ByteOrder.h"

#include <array>
#include <type_traits>

namespace {

template <typename Image> auto* BlockStart(Image& image, const TImageLocation& where) {
    using Byte = std::conditional_t<std::is_const_v<Image>, const uint8_t, uint8_t>;
    Byte* none = nullptr;
    switch (where.Block) {
    case TImageBlock::Alarm:
        return where.Index < img::AlarmCount ? image.Alarms[where.Index].data() : none;
    case TImageBlock::TankMin:
        return image.TankMin.data();
    case TImageBlock::TankMax:
        return image.TankMax.data();
    case TImageBlock::OutputOptions:
        return image.OutputOptions.data();
    case TImageBlock::DisplayOptions:
        return image.DisplayOptions.data();
    case TImageBlock::TankDescription:
        return image.TankDescription.data();
    case TImageBlock::TankRecord:
        return image.TankRecord();
    case TImageBlock::Calibration:
        return image.Calibration.data();
    case TImageBlock::Extended:
        return image.Extended.data();
    case TImageBlock::TankTable:
        return image.TankTable.data();
    case TImageBlock::Rs485Id:
        return &image.Rs485Id;
    case TImageBlock::DefaultProtocol:
        return &image.DefaultProtocol;
    case TImageBlock::DeviceState:
        return &image.DeviceState;
    case TImageBlock::AlarmOutputs:
        return &image.AlarmOutputs;
    case TImageBlock::Volume:
        return image.Volume.data();
    default:
        return none;
    }
}

// The text variables, in the order of their blocks from TankName on.
constexpr std::array<std::string TDeviceImage::*, 4> kTexts = {
    &TDeviceImage::TankName, &TDeviceImage::DeviceName, &TDeviceImage::SoftwareVersion,
    &TDeviceImage::DevicePcSoftwareId};

template <typename Image> auto* TextOf(Image& image, TImageBlock block) {
    const size_t index = static_cast<size_t>(block) - static_cast<size_t>(TImageBlock::TankName);
    return block >= TImageBlock::TankName && index < kTexts.size() ? &(image.*kTexts[index])
                                                                    : nullptr;
}

} // namespace

uint8_t* TImageLocation::Bytes(TDeviceImage& image) const {
    uint8_t* start = BlockStart(image, *this);
    return start ? start + Offset : nullptr;
}

const uint8_t* TImageLocation::Bytes(const TDeviceImage& image) const {
    const uint8_t* start = BlockStart(image, *this);
    return start ? start + Offset : nullptr;
}

std::string* TImageLocation::Text(TDeviceImage& image) const {
    return TextOf(image, Block);
}

const std::string* TImageLocation::Text(const TDeviceImage& image) const {
    return TextOf(image, Block);
}

uint32_t TImageLocation::Get(const TDeviceImage& image) const {
    const uint8_t* p = Bytes(image);
    if (!p)
        return 0;
    switch (Width) {
    case 1:
        return *p;
    case 2:
        return GetBE16(p);
    case 4:
        return GetBE32(p);
    default:
        return 0;
    }
}

void TImageLocation::Set(TDeviceImage& image, uint32_t value) const {
    uint8_t* p = Bytes(image);
    if (!p)
        return;
    switch (Width) {
    case 1:
        *p = static_cast<uint8_t>(value);
        break;
    case 2:
        PutBE16(p, static_cast<uint16_t>(value));
        break;
    case 4:
        PutBE32(p, value);
        break;
    default:
        break;
    }
}

uint16_t TDeviceImage::InputCountAt4mA() const {
    return GetBE16(Calibration.data() + img::CalInputPair);
}

uint16_t TDeviceImage::InputCountAt20mA() const {
    return GetBE16(Calibration.data() + img::CalInputPair + 2);
}
