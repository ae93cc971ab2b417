#pragma once

// The catalogue of named settings: each item names one value inside the device image.

#include "DeviceImage.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum TSettingDataType : uint8_t {
    stByte = 0,
    stOnOff = 1,
    stWord = 2,
    stLong = 3,
    stDouble = 4,
    stGroup = 5,
    stEdge = 6,
    stText = 7,
    stVolumeUnit = 8,
    stTankType = 9,
    stLengthUnit = 10,
    stTable = 11,
};

// Raw number in, text out (append-unit flag adds the unit suffix).
using TFormatHook = std::string (*)(int64_t raw, bool appendUnit);
// Text in, raw number out; throws TConvertError when the text is not a number.
using TParseHook = int64_t (*)(const std::string& text);

struct TZURSetting {
    uint32_t Id = 0;
    std::string Name;
    // The item's bytes in the device image (none for a heading or a text).
    uint8_t* Raw = nullptr;
    // The text variable of a text item.
    std::string* Text = nullptr;
    TSettingDataType DataType = stGroup;
    int64_t Min = 0;
    int64_t Max = 0; // declarative only; nothing enforces it
    uint8_t ReadInstruction = 0;
    uint8_t WriteInstruction = 0;
    TFormatHook FormatHook = nullptr;
    TParseHook ParseHook = nullptr;

    std::string AsText(bool useHook, bool appendUnit) const;
};

class TZURSettings {
public:
    void Add(std::unique_ptr<TZURSetting> item) { items_.push_back(std::move(item)); }
    // First item in list order with that number, or null.
    TZURSetting* Find(uint32_t id) const;
    size_t Count() const { return items_.size(); }
    TZURSetting& Item(size_t index) const { return *items_[index]; }

private:
    std::vector<std::unique_ptr<TZURSetting>> items_;
};

// Catalogue numbers that the window, the pages and the command-line tool look up.
namespace item {
inline constexpr uint32_t DisplayUom = 32;
inline constexpr uint32_t Rs485Id = 50;
inline constexpr uint32_t DeviceName = 80;
inline constexpr uint32_t SoftwareVersion = 81;
inline constexpr uint32_t PcSoftwareId = 82;
} // namespace item

// Appends the whole catalogue, in list order, bound to the given device image.
void BuildCatalogue(TZURSettings& settings, TDeviceImage& image);
