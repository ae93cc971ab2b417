// SPDX-License-Identifier: GPL-3.0-or-later
#include "ZURSettings.h"

#include "ByteOrder.h"
#include "NodeId.h"
#include "Values.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cmath>

TZURSetting* TZURSettings::Find(uint32_t id) const {
    for (const auto& item : items_)
        if (item->Id == id)
            return item.get();
    return nullptr;
}

TZURSetting* TZURSettings::Find(uint32_t id, const std::string& name) const {
    for (const auto& item : items_)
        if (item->Id == id && item->Name == name)
            return item.get();
    return nullptr;
}

std::string UnitText(TSettingUnit unit, const TDeviceImage& image) {
    switch (unit) {
    case TSettingUnit::None:
        return {};
    case TSettingUnit::Percent:
        return "%";
    case TSettingUnit::Milliseconds:
        return "ms";
    case TSettingUnit::Seconds:
        return "s";
    case TSettingUnit::TankLength:
        return LengthUnitText(image.TankUom());
    case TSettingUnit::Litres:
        return "Litres";
    case TSettingUnit::Milliamperes:
        return "mA";
    }
    return {};
}

uint32_t TZURSetting::Value(const TDeviceImage& image) const {
    return IsValue() && !Where.IsText() ? Where.Get(image) : 0;
}

void TZURSetting::SetValue(TDeviceImage& image, uint32_t raw) const {
    if (IsValue() && !Where.IsText())
        Where.Set(image, raw);
}

std::string TZURSetting::AsText(bool useHook, bool appendUnit) const {
    // A value item bound to nothing (a misbuilt catalogue) shows nothing rather than crash.
    if (!Image)
        return {};
    return AsText(*Image, useHook, appendUnit);
}

std::string TZURSetting::AsText(const TDeviceImage& image, bool useHook, bool appendUnit) const {
    // The number types share one path: hook text when asked for, else the decimal number.
    auto number = [&](int64_t value) {
        if (useHook && FormatHook)
            return FormatHook(value, appendUnit);
        return std::to_string(value);
    };
    switch (DataType) {
    case stGroup:
    case stTable:
        return {};
    case stText: {
        const std::string* text = Where.Text(image);
        return text ? *text : std::string();
    }
    default:
        break;
    }
    const uint8_t* raw = Where.Bytes(image);
    if (!raw)
        return {};
    switch (DataType) {
    case stByte:
        return number(raw[0]);
    case stOnOff:
        return OnOffText(raw[0]);
    case stWord:
        return number(GetBE16(raw));
    case stLong:
        return number(static_cast<int32_t>(GetBE32(raw)));
    case stDouble:
        return FormatFixed(GetBEDouble(raw), 15, 3, DecimalSeparator());
    case stEdge:
        return EdgeText(raw[0]);
    case stVolumeUnit:
        return VolumeUnitText(raw[0]);
    case stTankType:
        return TankTypeText(raw[0]);
    case stLengthUnit:
        return LengthUnitText(raw[0]);
    default:
        return {};
    }
}

std::string TZURSetting::EntryText(const TDeviceImage& image) const {
    if (DataType == stText) {
        const std::string* text = Where.Text(image);
        return text ? *text : std::string();
    }
    // As the pages have always written it (Qt's rounding), with the user's separator.
    std::string text = QString::number(Value(image) * Scale, 'f', Decimals).toStdString();
    std::replace(text.begin(), text.end(), '.', DecimalSeparator());
    return text;
}

TEntryCheck TZURSetting::Check() const {
    return {Name, Scale == 1.0 && Decimals == 0, static_cast<double>(Min) * Scale,
            static_cast<double>(Max) * Scale};
}

TEntryResult TZURSetting::FromText(const std::string& text, const TEntryCheck* check) const {
    const TEntryCheck own = Check();
    const TEntryCheck& rule = check ? *check : own;
    const TFieldCheckResult checked =
        rule.Whole ? CheckWholeNumberText(rule.Name, text, static_cast<int32_t>(rule.Lo),
                                          static_cast<int32_t>(rule.Hi))
                   : CheckRealNumberText(rule.Name, text, static_cast<float>(rule.Lo),
                                         static_cast<float>(rule.Hi));
    if (!checked.Ok)
        return {false, 0, checked.Message};
    int64_t raw = 0;
    if (rule.Whole) {
        // A whole entry is scaled without rounding: it is the count itself.
        raw = static_cast<int64_t>(std::llround(StrToInt(text) / Scale));
    } else {
        raw = ScaledRound(StrToFloat(text), 1.0 / Scale);
    }
    // A page's check may allow more than the gauge holds; the stored value never leaves the
    // item's bounds (nor its width).
    raw = std::clamp(raw, Min, Max);
    return {true, static_cast<uint32_t>(raw), {}};
}

namespace {

// 65025 x 65025 - 1: the largest length the gauge holds.
constexpr int64_t kMaxLength = 0xFC05FC00u;

// How an entry shows a value, where it is not the raw number itself.
struct TShown {
    double Scale = 1.0;
    int Decimals = 0;
    TSettingUnit Unit = TSettingUnit::None;
};
constexpr TShown kThousandths{0.001, 3};
constexpr TShown kLength{0.001, 3, TSettingUnit::TankLength};
constexpr TShown kMs{1.0, 0, TSettingUnit::Milliseconds};

TImageLocation At(TImageBlock block, size_t offset, size_t width, size_t index = 0) {
    return {block, static_cast<uint8_t>(index), static_cast<uint16_t>(offset),
            static_cast<uint16_t>(width)};
}

size_t WidthOf(TSettingDataType type) {
    switch (type) {
    case stWord:
        return 2;
    case stLong:
        return 4;
    case stDouble:
        return 8;
    case stTable:
        return img::TankTableSize;
    case stGroup:
    case stText:
        return 0;
    default:
        return 1;
    }
}

class TCatalogueBuilder {
public:
    explicit TCatalogueBuilder(TZURSettings& settings) : settings_(settings) {}

    void Group(uint32_t id, const std::string& name) {
        auto item = std::make_unique<TZURSetting>();
        item->Id = id;
        item->Name = name;
        item->DataType = stGroup;
        group_ = name;
        settings_.Add(std::move(item));
    }

    TZURSetting& Value(uint32_t id, const std::string& name, TSettingDataType type, int64_t min,
                       int64_t max, uint8_t read, uint8_t write, TImageBlock block,
                       size_t offset = 0, TFormatHook format = nullptr, TShown shown = {},
                       size_t index = 0) {
        auto item = std::make_unique<TZURSetting>();
        item->Id = id;
        item->Name = name;
        item->Group = group_;
        item->Where = At(block, offset, WidthOf(type), index);
        item->DataType = type;
        item->Min = min;
        item->Max = max;
        item->Scale = shown.Scale;
        item->Decimals = shown.Decimals;
        item->Unit = shown.Unit;
        // A value is on the gauges its read instruction goes to.
        if (const instr::TInstruction* row = instr::Find(read))
            item->Family = row->Family;
        item->ReadInstruction = read;
        item->WriteInstruction = write;
        item->FormatHook = format;
        TZURSetting& added = *item;
        settings_.Add(std::move(item));
        return added;
    }

    void Text(uint32_t id, const std::string& name, int64_t max, uint8_t read, uint8_t write,
              TImageBlock text) {
        Value(id, name, stText, 0, max, read, write, text);
    }

private:
    TZURSettings& settings_;
    std::string group_;
};

void BuildFacts(TZURSettings& settings) {
    using namespace instr;
    using B = TImageBlock;
    TCatalogueBuilder add(settings);

    static constexpr std::array<const char*, img::AlarmCount> headings{
        QT_TRANSLATE_NOOP("TZURSetting", "Master Alarm"), QT_TRANSLATE_NOOP("TZURSetting", "Alarm 1"),
        QT_TRANSLATE_NOOP("TZURSetting", "Alarm 2"), QT_TRANSLATE_NOOP("TZURSetting", "Alarm 3")};
    // The names composed below, as the window's translation knows them.
    [[maybe_unused]] static constexpr const char* kComposed[] = {
        QT_TRANSLATE_NOOP("TZURSetting", "Alarm M - Setpoint"),
        QT_TRANSLATE_NOOP("TZURSetting", "Alarm M - Enabled"),
        QT_TRANSLATE_NOOP("TZURSetting", "Alarm M - Direction"),
        QT_TRANSLATE_NOOP("TZURSetting", "Alarm M - Hysteresis"),
        QT_TRANSLATE_NOOP("TZURSetting", "Alarm 1 - Setpoint"),
        QT_TRANSLATE_NOOP("TZURSetting", "Alarm 1 - Enabled"),
        QT_TRANSLATE_NOOP("TZURSetting", "Alarm 1 - Direction"),
        QT_TRANSLATE_NOOP("TZURSetting", "Alarm 1 - Hysteresis"),
        QT_TRANSLATE_NOOP("TZURSetting", "Alarm 2 - Setpoint"),
        QT_TRANSLATE_NOOP("TZURSetting", "Alarm 2 - Enabled"),
        QT_TRANSLATE_NOOP("TZURSetting", "Alarm 2 - Direction"),
        QT_TRANSLATE_NOOP("TZURSetting", "Alarm 2 - Hysteresis"),
        QT_TRANSLATE_NOOP("TZURSetting", "Alarm 3 - Setpoint"),
        QT_TRANSLATE_NOOP("TZURSetting", "Alarm 3 - Enabled"),
        QT_TRANSLATE_NOOP("TZURSetting", "Alarm 3 - Direction"),
        QT_TRANSLATE_NOOP("TZURSetting", "Alarm 3 - Hysteresis"),
    };
    static constexpr std::array<const char*, img::AlarmCount> prefixes{"Alarm M - ", "Alarm 1 - ",
                                                                       "Alarm 2 - ", "Alarm 3 - "};
    for (size_t k = 0; k < img::AlarmCount; ++k) {
        const uint32_t id = static_cast<uint32_t>(k * 5);
        const std::string prefix = prefixes[k];
        add.Group(id, headings[k]);
        add.Value(id + 1, prefix + "Setpoint", stWord, 0, 10000, AlarmRead, AlarmWrite, B::Alarm,
                  img::AlarmSetpoint, PercentFormat, {0.01, 2, TSettingUnit::Percent}, k)
            .ParseHook = PercentParse;
        add.Value(id + 2, prefix + "Enabled", stOnOff, 0, 1, AlarmRead, AlarmWrite, B::Alarm,
                  img::AlarmEnabled, nullptr, {}, k);
        add.Value(id + 3, prefix + "Direction", stEdge, 1, 2, AlarmRead, AlarmWrite, B::Alarm,
                  img::AlarmDirection, nullptr, {}, k);
        add.Value(id + 4, prefix + "Hysteresis", stWord, 0, k == 3 ? 65025 : 65000, AlarmRead,
                  AlarmWrite, B::Alarm, img::AlarmHysteresis, MsFormat, kMs, k);
    }

    add.Group(20, QT_TRANSLATE_NOOP("TZURSetting", "Tank Min"));
    add.Value(21, QT_TRANSLATE_NOOP("TZURSetting", "Height"), stLong, 0, kMaxLength, TankMinRead, TankMinWrite, B::TankMin,
              img::TankPointHeight, nullptr, kLength);
    add.Value(22, QT_TRANSLATE_NOOP("TZURSetting", "AD Value"), stWord, 0, 1023, TankMinRead, TankMinWrite, B::TankMin,
              img::TankPointAdValue);
    add.Group(23, QT_TRANSLATE_NOOP("TZURSetting", "Tank Max"));
    add.Value(24, QT_TRANSLATE_NOOP("TZURSetting", "Height"), stLong, 0, kMaxLength, TankMaxRead, TankMaxWrite, B::TankMax,
              img::TankPointHeight, nullptr, kLength);
    add.Value(25, QT_TRANSLATE_NOOP("TZURSetting", "AD Value"), stWord, 0, 1023, TankMaxRead, TankMaxWrite, B::TankMax,
              img::TankPointAdValue);

    add.Group(26, QT_TRANSLATE_NOOP("TZURSetting", "Tank AD Output Options"));
    add.Value(27, QT_TRANSLATE_NOOP("TZURSetting", "Enable 4-20mA Output"), stOnOff, 0, 1, OutputOptionsRead, OutputOptionsWrite,
              B::OutputOptions, img::OutputEnable4to20);
    add.Value(28, QT_TRANSLATE_NOOP("TZURSetting", "Mirror 4-20mA Input"), stOnOff, 0, 1, OutputOptionsRead, OutputOptionsWrite,
              B::OutputOptions, img::OutputMirror4to20);

    add.Group(29, QT_TRANSLATE_NOOP("TZURSetting", "Display Options"));
    add.Value(30, QT_TRANSLATE_NOOP("TZURSetting", "Display Enabled"), stOnOff, 0, 1, DisplayOptionsRead, DisplayOptionsWrite,
              B::DisplayOptions, img::DisplayEnabled);
    add.Value(31, QT_TRANSLATE_NOOP("TZURSetting", "Significant Figures"), stByte, 1, 7, DisplayOptionsRead, DisplayOptionsWrite,
              B::DisplayOptions, img::DisplaySignificantFigures);
    add.Value(item::DisplayUom, QT_TRANSLATE_NOOP("TZURSetting", "Display UOM"), stVolumeUnit, 0, 254, DisplayOptionsRead,
              DisplayOptionsWrite, B::DisplayOptions, img::DisplayUom);
    add.Value(33, QT_TRANSLATE_NOOP("TZURSetting", "Contrast"), stByte, 0, 254, DisplayOptionsRead, DisplayOptionsWrite,
              B::DisplayOptions, img::DisplayContrast);
    add.Value(34, QT_TRANSLATE_NOOP("TZURSetting", "Show Decimal Point"), stOnOff, 0, 1, DisplayOptionsRead, DisplayOptionsWrite,
              B::DisplayOptions, img::DisplayShowDecimalPoint);
    add.Value(35, QT_TRANSLATE_NOOP("TZURSetting", "Damping"), stWord, 0, 65024, DisplayOptionsRead, DisplayOptionsWrite,
              B::DisplayOptions, img::DisplayDamping, MsFormat,
              {0.001, 2, TSettingUnit::Seconds});

    add.Group(36, QT_TRANSLATE_NOOP("TZURSetting", "Tank Description"));
    add.Text(37, QT_TRANSLATE_NOOP("TZURSetting", "Tank Name"), 12, TankNameRead, TankNameWrite, B::TankName);
    add.Value(38, QT_TRANSLATE_NOOP("TZURSetting", "Tank Type"), stTankType, 0, 255, TankDescriptionRead, TankDescriptionWrite,
              B::TankRecord, img::TankType);
    add.Value(39, QT_TRANSLATE_NOOP("TZURSetting", "Tank UOM"), stLengthUnit, 0, 255, TankDescriptionRead, TankDescriptionWrite,
              B::TankRecord, img::TankUom);
    add.Value(40, QT_TRANSLATE_NOOP("TZURSetting", "Tank SG"), stWord, 0, 65024, TankDescriptionRead, TankDescriptionWrite,
              B::TankRecord, img::TankSg, nullptr, kThousandths);
    const std::array<std::pair<const char*, size_t>, 5> dimensions{{{QT_TRANSLATE_NOOP("TZURSetting", "Length"), img::TankLength},
                                                                    {QT_TRANSLATE_NOOP("TZURSetting", "Height"), img::TankHeight},
                                                                    {QT_TRANSLATE_NOOP("TZURSetting", "Width"), img::TankWidth},
                                                                    {QT_TRANSLATE_NOOP("TZURSetting", "Radius"), img::TankRadius},
                                                                    {QT_TRANSLATE_NOOP("TZURSetting", "Extent"), img::TankExtent}}};
    for (size_t i = 0; i < dimensions.size(); ++i)
        add.Value(41 + static_cast<uint32_t>(i), dimensions[i].first, stLong, 0, kMaxLength,
                  TankDescriptionRead, TankDescriptionWrite, B::TankRecord, dimensions[i].second,
                  nullptr, kLength);

    add.Group(46, QT_TRANSLATE_NOOP("TZURSetting", "Tank Calibration"));
    add.Value(47, QT_TRANSLATE_NOOP("TZURSetting", "at 4mA"), stWord, 0, 65024, CalibrationRead, CalibrationWrite, B::Calibration,
              img::CalAt4mA);
    add.Value(47, QT_TRANSLATE_NOOP("TZURSetting", "at 20mA"), stWord, 0, 65024, CalibrationRead, CalibrationWrite, B::Calibration,
              img::CalAt20mA);
    add.Group(48, QT_TRANSLATE_NOOP("TZURSetting", "Other Settings"));
    add.Value(49, QT_TRANSLATE_NOOP("TZURSetting", "Test mode timeout"), stWord, 0, 65024, TestTimeoutRead, TestTimeoutWrite,
              B::Calibration, img::CalTestModeTimeout, MsFormat, kMs);
    add.Value(item::Rs485Id, QT_TRANSLATE_NOOP("TZURSetting", "RS 485 ID"), stByte, TNodeId::kLowest, TNodeId::kHighestAssignable, NodeIdRead, NodeIdWrite, B::Rs485Id);

    add.Text(item::DeviceName, QT_TRANSLATE_NOOP("TZURSetting", "Device Name"), 32, Identity, 0, B::DeviceName);
    add.Text(item::SoftwareVersion, QT_TRANSLATE_NOOP("TZURSetting", "Software Version"), 32, Identity, 0, B::SoftwareVersion);
    add.Text(item::PcSoftwareId, QT_TRANSLATE_NOOP("TZURSetting", "Device PC SoftwareID"), 32, Identity, 0, B::PcSoftwareId);
    add.Value(item::TankTable, QT_TRANSLATE_NOOP("TZURSetting", "Tank Table"), stTable, 0, 0, 0, 0, B::TankTable);

    add.Value(84, QT_TRANSLATE_NOOP("TZURSetting", "Flow Frequency Scaling"), stWord, 1, 65535, FlowScalingRead, FlowScalingWrite,
              B::Extended, img::ExtFlowFrequencyScaling);
    add.Value(85, QT_TRANSLATE_NOOP("TZURSetting", "LCD Display Resolution"), stLong, 1, 1000000, DisplayResolutionRead,
              DisplayResolutionWrite, B::Extended, img::ExtLcdDisplayResolution, nullptr,
              kThousandths);
    add.Value(85, QT_TRANSLATE_NOOP("TZURSetting", "Safe Tank Capacity"), stByte, 1, 100, SafeCapacityRead, SafeCapacityWrite,
              B::Extended, img::ExtSafeTankCapacity, nullptr, {1.0, 0, TSettingUnit::Percent});
    add.Value(86, QT_TRANSLATE_NOOP("TZURSetting", "Display Resolution Hysteresis"), stByte, 1, 99, ResolutionHysteresisRead,
              ResolutionHysteresisWrite, B::Extended, img::ExtDisplayResolutionHysteresis);
    add.Value(87, QT_TRANSLATE_NOOP("TZURSetting", "Tank Safe Capacity Litres"), stLong, 0, 1000000, SafeCapacityLitresRead, 0,
              B::Extended, img::ExtTankSafeCapacityLitres, nullptr,
              {1.0, 0, TSettingUnit::Litres});
}

} // namespace

void BuildCatalogue(TZURSettings& settings, TDeviceImage& image) {
    // Copies of the facts built once, not built again for every device object.
    const TZURSettings& facts = Catalogue();
    for (size_t i = 0; i < facts.Count(); ++i) {
        auto item = std::make_unique<TZURSetting>(facts.Item(i));
        item->Image = &image;
        settings.Add(std::move(item));
    }
}

const TZURSettings& Catalogue() {
    static const TZURSettings facts = [] {
        TZURSettings settings;
        BuildFacts(settings);
        return settings;
    }();
    return facts;
}
