// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every byte and text of a device image in one string, so that two images can be compared.

#include "DeviceImage.h"

#include <string>

inline std::string ImageSnapshot(const TDeviceImage& image) {
    std::string out;
    auto bytes = [&](const auto& block) {
        out.append(reinterpret_cast<const char*>(block.data()), block.size());
    };
    auto text = [&](const std::string& s) { out += std::to_string(s.size()) + ":" + s; };
    for (const auto& alarm : image.Alarms)
        bytes(alarm);
    bytes(image.TankMin);
    bytes(image.TankMax);
    bytes(image.OutputOptions);
    bytes(image.DisplayOptions);
    bytes(image.TankDescription);
    text(image.TankName);
    bytes(image.Calibration);
    bytes(image.Extended);
    bytes(image.TankTable);
    out += static_cast<char>(image.Rs485Id);
    out += static_cast<char>(image.DefaultProtocol);
    out += static_cast<char>(image.DeviceState);
    out += static_cast<char>(image.AlarmOutputs);
    bytes(image.Volume);
    text(image.DeviceName);
    text(image.SoftwareVersion);
    text(image.DevicePcSoftwareId);
    return out;
}
