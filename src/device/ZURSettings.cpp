#include "ZURSettings.h"

#include "ByteOrder.h"
#include "Values.h"

#include <array>

TZURSetting* TZURSettings::Find(uint32_t id) const {
    for (const auto& item : items_)
        if (item->Id == id)
            return item.get();
    return nullptr;
}

std::string TZURSetting::AsText(bool useHook, bool appendUnit) const {
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
    case stText:
        return Text ? *Text : std::string();
    default:
        break;
    }
    // A value item bound to nothing (a misbuilt catalogue) shows nothing rather than crash.
    if (!Raw)
        return {};
    switch (DataType) {
    case stByte:
        return number(Raw[0]);
    case stOnOff:
        return OnOffText(Raw[0]);
    case stWord:
        return number(GetBE16(Raw));
    case stLong:
        return number(static_cast<int32_t>(GetBE32(Raw)));
    case stDouble:
        return FormatFixed(GetBEDouble(Raw), 15, 3, DecimalSeparator());
    case stEdge:
        return EdgeText(Raw[0]);
    case stVolumeUnit:
        return VolumeUnitText(Raw[0]);
    case stTankType:
        return TankTypeText(Raw[0]);
    case stLengthUnit:
        return LengthUnitText(Raw[0]);
    default:
        return {};
    }
}

namespace {

// 65025 x 65025 - 1: the largest length the gauge holds.
constexpr int64_t kMaxLength = 0xFC05FC00u;

class TCatalogueBuilder {
public:
    explicit TCatalogueBuilder(TZURSettings& settings) : settings_(settings) {}

    void Group(uint32_t id, const std::string& name) {
        auto item = std::make_unique<TZURSetting>();
        item->Id = id;
        item->Name = name;
        item->DataType = stGroup;
        settings_.Add(std::move(item));
    }

    TZURSetting& Value(uint32_t id, const std::string& name, TSettingDataType type, int64_t min,
                       int64_t max, uint8_t read, uint8_t write, uint8_t* raw,
                       TFormatHook format = nullptr) {
        auto item = std::make_unique<TZURSetting>();
        item->Id = id;
        item->Name = name;
        item->DataType = type;
        item->Min = min;
        item->Max = max;
        item->ReadInstruction = read;
        item->WriteInstruction = write;
        item->Raw = raw;
        item->FormatHook = format;
        TZURSetting& added = *item;
        settings_.Add(std::move(item));
        return added;
    }

    void Text(uint32_t id, const std::string& name, int64_t max, uint8_t read, uint8_t write,
              std::string* text) {
        Value(id, name, stText, 0, max, read, write, nullptr).Text = text;
    }

private:
    TZURSettings& settings_;
};

} // namespace

void BuildCatalogue(TZURSettings& settings, TDeviceImage& image) {
    TCatalogueBuilder add(settings);

    static constexpr std::array<const char*, img::AlarmCount> headings{"Master Alarm", "Alarm 1",
                                                                       "Alarm 2", "Alarm 3"};
    static constexpr std::array<const char*, img::AlarmCount> prefixes{"Alarm M - ", "Alarm 1 - ",
                                                                       "Alarm 2 - ", "Alarm 3 - "};
    for (size_t k = 0; k < img::AlarmCount; ++k) {
        const uint32_t id = static_cast<uint32_t>(k * 5);
        const std::string prefix = prefixes[k];
        uint8_t* alarm = image.Alarms[k].data();
        add.Group(id, headings[k]);
        add.Value(id + 1, prefix + "Setpoint", stWord, 0, 10000, 0x10, 0xA0,
                  alarm + img::AlarmSetpoint, PercentFormat)
            .ParseHook = PercentParse;
        add.Value(id + 2, prefix + "Enabled", stOnOff, 0, 1, 0x10, 0xA0, alarm + img::AlarmEnabled);
        add.Value(id + 3, prefix + "Direction", stEdge, 1, 2, 0x10, 0xA0,
                  alarm + img::AlarmDirection);
        add.Value(id + 4, prefix + "Hysteresis", stWord, 0, k == 3 ? 65025 : 65000, 0x10, 0xA0,
                  alarm + img::AlarmHysteresis, MsFormat);
    }

    add.Group(20, "Tank Min");
    add.Value(21, "Height", stLong, 0, kMaxLength, 0x11, 0xA1,
              image.TankMin.data() + img::TankPointHeight);
    add.Value(22, "AD Value", stWord, 0, 1023, 0x11, 0xA1,
              image.TankMin.data() + img::TankPointAdValue);
    add.Group(23, "Tank Max");
    add.Value(24, "Height", stLong, 0, kMaxLength, 0x12, 0xA2,
              image.TankMax.data() + img::TankPointHeight);
    add.Value(25, "AD Value", stWord, 0, 1023, 0x12, 0xA2,
              image.TankMax.data() + img::TankPointAdValue);

    uint8_t* output = image.OutputOptions.data();
    add.Group(26, "Tank AD Output Options");
    add.Value(27, "Enable 4-20mA Output", stOnOff, 0, 1, 0x13, 0xA3,
              output + img::OutputEnable4to20);
    add.Value(28, "Mirror 4-20mA Input", stOnOff, 0, 1, 0x13, 0xA3,
              output + img::OutputMirror4to20);

    uint8_t* display = image.DisplayOptions.data();
    add.Group(29, "Display Options");
    add.Value(30, "Display Enabled", stOnOff, 0, 1, 0x14, 0xA4, display + img::DisplayEnabled);
    add.Value(31, "Significant Figures", stByte, 1, 7, 0x14, 0xA4,
              display + img::DisplaySignificantFigures);
    add.Value(item::DisplayUom, "Display UOM", stVolumeUnit, 0, 254, 0x14, 0xA4,
              display + img::DisplayUom);
    add.Value(33, "Contrast", stByte, 0, 254, 0x14, 0xA4, display + img::DisplayContrast);
    add.Value(34, "Show Decimal Point", stOnOff, 0, 1, 0x14, 0xA4,
              display + img::DisplayShowDecimalPoint);
    add.Value(35, "Damping", stWord, 0, 65024, 0x14, 0xA4, display + img::DisplayDamping, MsFormat);

    uint8_t* tank = image.TankRecord();
    add.Group(36, "Tank Description");
    add.Text(37, "Tank Name", 12, 0x15, 0xA5, &image.TankName);
    add.Value(38, "Tank Type", stTankType, 0, 255, 0x16, 0xA6, tank + img::TankType);
    add.Value(39, "Tank UOM", stLengthUnit, 0, 255, 0x16, 0xA6, tank + img::TankUom);
    add.Value(40, "Tank SG", stWord, 0, 65024, 0x16, 0xA6, tank + img::TankSg);
    add.Value(41, "Length", stLong, 0, kMaxLength, 0x16, 0xA6, tank + img::TankLength);
    add.Value(42, "Height", stLong, 0, kMaxLength, 0x16, 0xA6, tank + img::TankHeight);
    add.Value(43, "Width", stLong, 0, kMaxLength, 0x16, 0xA6, tank + img::TankWidth);
    add.Value(44, "Radius", stLong, 0, kMaxLength, 0x16, 0xA6, tank + img::TankRadius);
    add.Value(45, "Extent", stLong, 0, kMaxLength, 0x16, 0xA6, tank + img::TankExtent);

    uint8_t* calibration = image.Calibration.data();
    add.Group(46, "Tank Calibration");
    add.Value(47, "at 4mA", stWord, 0, 65024, 0x17, 0xA7, calibration + img::CalAt4mA);
    add.Value(47, "at 20mA", stWord, 0, 65024, 0x17, 0xA7, calibration + img::CalAt20mA);
    add.Group(48, "Other Settings");
    add.Value(49, "Test mode timeout", stWord, 0, 65024, 0x18, 0xA8,
              calibration + img::CalTestModeTimeout, MsFormat);
    add.Value(item::Rs485Id, "RS 485 ID", stByte, 0, 98, 0x1B, 0xA9, &image.Rs485Id);

    add.Text(item::DeviceName, "Device Name", 32, 0xDF, 0, &image.DeviceName);
    add.Text(item::SoftwareVersion, "Software Version", 32, 0xDF, 0, &image.SoftwareVersion);
    add.Text(item::PcSoftwareId, "Device PC SoftwareID", 32, 0xDF, 0, &image.DevicePcSoftwareId);
    add.Value(83, "Tank Table", stTable, 0, 0, 0, 0, image.TankTable.data());

    uint8_t* extended = image.Extended.data();
    add.Value(84, "Flow Frequency Scaling", stWord, 1, 65535, 0x27, 0xB1,
              extended + img::ExtFlowFrequencyScaling);
    add.Value(85, "LCD Display Resolution", stLong, 1, 1000000, 0x28, 0xB2,
              extended + img::ExtLcdDisplayResolution);
    add.Value(85, "Safe Tank Capacity", stByte, 1, 100, 0x29, 0xB3,
              extended + img::ExtSafeTankCapacity);
    add.Value(86, "Display Resolution Hysteresis", stByte, 1, 99, 0x2A, 0xB4,
              extended + img::ExtDisplayResolutionHysteresis);
    add.Value(87, "Tank Safe Capacity Litres", stLong, 0, 1000000, 0x2B, 0,
              extended + img::ExtTankSafeCapacityLitres);
}
