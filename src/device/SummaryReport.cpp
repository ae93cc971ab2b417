// SPDX-License-Identifier: GPL-3.0-or-later
#include "SummaryReport.h"

#include "ByteOrder.h"
#include "T7310.h"
#include "Values.h"

#include <QSaveFile>

namespace {

std::string Named(const std::initializer_list<const char*>& table, uint8_t code) {
    if (code < table.size())
        return table.begin()[code];
    return "unknown (" + std::to_string(code) + ")";
}

std::string Decimal(int64_t value) {
    return std::to_string(value);
}

const uint8_t* Alarm(const TDeviceImage& image, size_t index) {
    return image.Alarms[index].data();
}

} // namespace

std::string SummaryTankTypeName(uint8_t code) {
    return Named({"none", "Horz. Cylinder 2 Endcaps", "Cuboid", "Vert. Cyclinder 2 Endcaps",
                  "Vertical Cylinder", "Non standard"},
                 code);
}

std::string SummaryVolumeUnitName(uint8_t code) {
    return Named({"none", "Cubic Metres", "Litres", "Gallons", "Cubic Inches", "Cubic Feet"}, code);
}

std::string SummaryDirectionName(uint8_t code) {
    return Named({"None", "Rising Edge", "Falling Edge"}, code);
}

std::string FormatF3(double value) {
    return FormatFixed(value, 5, 3, DecimalSeparator());
}

std::string FormatX3(double value) {
    return FormatFixed(value, 18, 3, DecimalSeparator());
}

std::string FormatX2(double value) {
    return FormatFixed(value, 18, 2, DecimalSeparator());
}

int ContrastPercent(uint8_t contrast) {
    return contrast * 100 / 255;
}

std::string LevelText(const TDeviceImage& image, bool tankMax) {
    const uint8_t* pair = image.Calibration.data() + img::CalInputPair;
    const float a4 = GetBE16(pair);
    const float a20 = GetBE16(pair + 2);
    // Equal counts give no slope: there is no level to show.
    if (a20 == a4)
        return "n/a";
    const float slope = 16.0f / (a20 - a4);
    const float offset = 20.0f - slope * a20;
    const TTankPoint& point = tankMax ? image.TankMax : image.TankMin;
    const float ad = GetBE16(point.data() + img::TankPointAdValue);
    return FormatF3(slope * ad + offset);
}

std::string LevelHeightText(const TDeviceImage& image, bool tankMax) {
    const TTankPoint& point = tankMax ? image.TankMax : image.TankMin;
    const float height = static_cast<float>(GetBE32(point.data() + img::TankPointHeight));
    return FormatX3(height * 0.001f);
}

std::string LengthText(uint32_t raw, bool fromRadius) {
    const float length = static_cast<float>(raw) * (fromRadius ? 0.002f : 0.001f);
    return FormatF3(length);
}

std::string SetpointText(uint16_t raw) {
    return FormatF3(static_cast<float>(raw) * 0.01f);
}

std::array<TTankDimension, 3> TankDimensions(const TDeviceImage& image, int& count) {
    const uint8_t* tank = image.TankRecord();
    auto length = [&](size_t offset) { return LengthText(GetBE32(tank + offset)); };
    const std::string diameter = LengthText(GetBE32(tank + img::TankRadius), true);
    switch (tank[img::TankType]) {
    case 1:
        count = 3;
        return {{{"Tank Length", length(img::TankLength)},
                 {"Tank Diameter", diameter},
                 {"Tank Extent", length(img::TankExtent)}}};
    case 2:
        count = 3;
        return {{{"Tank Length", length(img::TankLength)},
                 {"Tank Height", length(img::TankHeight)},
                 {"Tank Width", length(img::TankWidth)}}};
    case 3:
        count = 3;
        return {{{"Tank Diameter", diameter},
                 {"Tank Height", length(img::TankHeight)},
                 {"Tank Extent", length(img::TankExtent)}}};
    case 4:
        count = 2;
        return {{{"Tank Diameter", diameter}, {"Tank Height", length(img::TankHeight)}, {}}};
    default:
        count = 0;
        return {};
    }
}

const char* AlarmTitle(size_t index) {
    static const char* const titles[] = {"Master", "Alarm 1", "Alarm 2", "Alarm 3"};
    return index < img::AlarmCount ? titles[index] : "";
}

TAlarmSummary AlarmSummary(const TDeviceImage& image, size_t index) {
    const uint8_t* alarm = Alarm(image, index);
    if (alarm[img::AlarmEnabled] == 0)
        return {"DISABLED", "DISABLED", "DISABLED"};
    return {SummaryDirectionName(alarm[img::AlarmDirection]),
            SetpointText(GetBE16(alarm + img::AlarmSetpoint)) + "%",
            Decimal(GetBE16(alarm + img::AlarmHysteresis)) + "ms"};
}

TSummaryEntries ShownEntries(const T7310& device) {
    const TReportFields& report = device.Report;
    const uint8_t* extended = device.Image.Extended.data();
    TSummaryEntries entries;
    entries.SerialNumber = report.SerialNumber;
    entries.SensorDistance = Decimal(report.SensorDistance);
    if (report.BundAlarm < kBundAlarmChoices.size())
        entries.BundAlarm = kBundAlarmChoices[report.BundAlarm];
    if (report.CommsType < kCommsTypeChoices.size())
        entries.CommsType = kCommsTypeChoices[report.CommsType];
    entries.CompletedDate = report.CompletedDate;
    entries.Name = report.Name;
    entries.SavedAs = report.SavedAs;
    if (device.HasFlowScaling)
        entries.FlowFreqScaling = Decimal(GetBE16(extended + img::ExtFlowFrequencyScaling));
    if (device.Is8310) {
        entries.SafeWorkingCapacity = Decimal(extended[img::ExtSafeTankCapacity]);
        entries.DisplayResolutionHysteresis =
            Decimal(extended[img::ExtDisplayResolutionHysteresis]);
    }
    return entries;
}

void CopyReportFields(const TReportFields& from, TReportFields& to) {
    to.BundAlarm = from.BundAlarm;
    to.CommsType = from.CommsType;
    to.SensorDistance = from.SensorDistance;
    to.SerialNumber = from.SerialNumber;
    to.Name = from.Name;
    to.CompletedDate = from.CompletedDate;
    to.SavedAs = from.SavedAs;
}

QByteArray SummaryReport(const T7310& device, const TSummaryEntries& entries) {
    const TDeviceImage& image = device.Image;
    const uint8_t* display = image.DisplayOptions.data();
    const uint8_t* extended = image.Extended.data();
    const uint8_t* tank = image.TankRecord();

    std::string text = "T8310 SUMMARY\r\n-------------";
    // Each line starts with the break that ends the one before it: none after the last.
    auto line = [&](const std::string& caption, const std::string& value = {}) {
        text += "\r\n" + caption + value;
    };
    auto heading = [&](const std::string& title) {
        line("");
        line(title);
        line(std::string(title.size(), '-'));
    };

    line("Unit Serial Number:    ", entries.SerialNumber);
    line("Software Version:      ", image.SoftwareVersion);

    heading("Display Options");
    line("Contrast Value:        ", Decimal(ContrastPercent(display[img::DisplayContrast])) + "%");
    line("Resolution:            ",
         FormatX3(GetBE32(extended + img::ExtLcdDisplayResolution) * 0.001));
    line("Units:                 ", SummaryVolumeUnitName(display[img::DisplayUom]));
    if (device.Is8310)
        line("Resolution Hysteresis: ", entries.DisplayResolutionHysteresis);
    line("Screen Damping:        ", FormatX2(GetBE16(display + img::DisplayDamping) * 0.001));
    if (device.HasFlowScaling)
        line("Totalisation pulses/litre: ",
             Decimal(GetBE16(extended + img::ExtFlowFrequencyScaling)));

    heading("Sensor Parameters");
    for (bool tankMax : {false, true})
        line(LevelText(image, tankMax) + " mA Level:           " + LevelHeightText(image, tankMax) +
             " Meters Water");
    line("Specific Gravity:      ",
         FormatF3(static_cast<float>(GetBE16(tank + img::TankSg)) * 0.001f));

    heading("Tank Settings");
    line("Tank Type:             ", SummaryTankTypeName(tank[img::TankType]));
    line("Tank Name:             ", image.TankName);
    int count = 0;
    const auto dimensions = TankDimensions(image, count);
    for (int i = 0; i < count; ++i) {
        const std::string caption = std::string(dimensions[i].Caption) + ":";
        line(caption + std::string(23 - caption.size(), ' '), dimensions[i].Value);
    }
    const uint8_t* outputs = image.OutputOptions.data();
    line("Enable 4-20mA Output:  ", outputs[img::OutputEnable4to20] ? "YES" : "NO");
    line("Mirror 4-20mA Input:   ", outputs[img::OutputMirror4to20] ? "YES" : "NO");
    line("Safe Working Capacity: ", entries.SafeWorkingCapacity + " %");
    line("4mA - 20mA = 0 to ",
         Decimal(GetBE32(extended + img::ExtTankSafeCapacityLitres)) + " litres");

    heading("Alarms");
    for (size_t k = 0; k < img::AlarmCount; ++k) {
        const TAlarmSummary alarm = AlarmSummary(image, k);
        const std::string title = AlarmTitle(k);
        // The captions line up at column 23; the hysteresis caption has no colon.
        auto pad = [&](const std::string& caption) {
            return caption + std::string(caption.size() < 23 ? 23 - caption.size() : 1, ' ');
        };
        line(pad(title + " - Direction:"), alarm.Direction);
        line(pad(title + " - Setpoint:"), alarm.Setpoint);
        line(pad(title + " - Hysteresis"), alarm.Hysteresis);
    }

    heading("General");
    line("Mount sensor " + entries.SensorDistance + "mm off bottom of tank");
    line("Bund Alarm Fitted:     ", entries.BundAlarm);
    line("Comms Type:            ", entries.CommsType);
    if (const TZURSetting* node = device.Settings().Find(50))
        line("Node Address:          ", node->AsText(false, false));
    line("Completed Date:        ", entries.CompletedDate);
    line("Name:                  ", entries.Name);
    line("File Saved As:         ", entries.SavedAs);
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

bool SaveSummaryReport(const QString& fileName, const QByteArray& report, QString* reason) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(report) != report.size() || !file.commit()) {
        if (reason)
            *reason = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}
