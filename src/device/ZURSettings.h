// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The catalogue of named settings: each item names one value inside the device image.

#include "DeviceImage.h"
#include "Instructions.h"

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

// The unit a value is shown in where it is entered (the pages, the settings list).
enum class TSettingUnit : uint8_t {
    None,
    Percent,
    Milliseconds,
    Seconds,
    TankLength, // the length unit of the tank record (Tank UOM)
    Litres,
    Milliamperes,
};
// "%", "ms", "s", the tank's length unit ("Metres" ...), "Litres", "mA"; empty for none.
std::string UnitText(TSettingUnit unit, const TDeviceImage& image);

// How an entry is checked before it is stored: its name in the message, a whole number or a
// real one, and the inclusive bounds in the unit it is entered in.
struct TEntryCheck {
    std::string Name;
    bool Whole = false;
    double Lo = 0;
    double Hi = 0;
};

// An entry taken: the raw value to store, or the message that says what is wrong with it.
struct TEntryResult {
    bool Ok = false;
    uint32_t Raw = 0;
    std::string Message;
};

class TZURSettings;

struct TZURSetting {
    uint32_t Id = 0;
    std::string Name;
    // The group heading the item stands under (empty for a heading or an item before any).
    std::string Group;
    // Where the value lives in a device image: bytes, or a text for a text item.
    TImageLocation Where{};
    TSettingDataType DataType = stGroup;
    // The raw value's bounds, which FromText enforces.
    int64_t Min = 0;
    int64_t Max = 0;
    // How an entry shows the value: raw x Scale with Decimals decimals, in Unit.
    double Scale = 1.0;
    int Decimals = 0;
    TSettingUnit Unit = TSettingUnit::None;
    // The gauges that have the value (those the read instruction goes to).
    instr::TFamily Family = instr::TFamily::Any;
    uint8_t ReadInstruction = 0;
    uint8_t WriteInstruction = 0;
    TFormatHook FormatHook = nullptr;
    TParseHook ParseHook = nullptr;
    // The image the catalogue was built over (the device object's); null for a free item.
    TDeviceImage* Image = nullptr;

    bool IsValue() const { return DataType != stGroup && DataType != stTable; }
    bool Writable() const { return IsValue() && WriteInstruction != 0; }

    // The value in the catalogue's own image: its first byte, or its text variable.
    uint8_t* Raw() const { return Image && !Where.IsText() ? Where.Bytes(*Image) : nullptr; }
    std::string* Text() const { return Image ? Where.Text(*Image) : nullptr; }

    // The raw number in any image (0 for a heading, a text or the table).
    uint32_t Value(const TDeviceImage& image) const;
    void SetValue(TDeviceImage& image, uint32_t raw) const;

    // The text form of the value (Part of every listing: `read`, the comparison, the journal).
    std::string AsText(bool useHook, bool appendUnit) const;
    std::string AsText(const TDeviceImage& image, bool useHook, bool appendUnit) const;

    // The value as an entry shows it: raw x Scale, Decimals decimals, the user's separator.
    std::string EntryText(const TDeviceImage& image) const;
    // The catalogue's own check: the item's name, its bounds in the entry's unit.
    TEntryCheck Check() const;
    // An entry to the raw value: checked (by `check` when given, else the catalogue's own),
    // then scaled by multiplying, adding 0.5 and dropping the fraction, and kept within the
    // item's bounds, so nothing out of range ever reaches the image.
    TEntryResult FromText(const std::string& text, const TEntryCheck* check = nullptr) const;
};

class TZURSettings {
public:
    void Add(std::unique_ptr<TZURSetting> item) { items_.push_back(std::move(item)); }
    // First item in list order with that number, or null.
    TZURSetting* Find(uint32_t id) const;
    // The item with that number and name (numbers alone are not unique), or null.
    TZURSetting* Find(uint32_t id, const std::string& name) const;
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
inline constexpr uint32_t TankTable = 83;
} // namespace item

// The translation context of the names and groups above: the window shows them in the user's
// language (QCoreApplication::translate); files and t7310-cli keep them as they are.
inline constexpr const char* kSettingTextContext = "TZURSetting";

// Appends the whole catalogue, in list order, bound to the given device image.
void BuildCatalogue(TZURSettings& settings, TDeviceImage& image);
// The catalogue as facts alone, bound to no image: for reading any image (comparisons,
// listings of files).
const TZURSettings& Catalogue();
