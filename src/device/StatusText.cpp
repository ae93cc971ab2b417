// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusText.h"

#include "Values.h"
#include "Win32Port.h"

#include <QtGlobal>

#include <cstring>

// The window shows these translated (context StatusText); the tool prints them as they are.
std::string DeviceStateText(uint8_t state) {
    switch (state) {
    case 0:
        return QT_TRANSLATE_NOOP("StatusText", "Initialising");
    case 1:
        return QT_TRANSLATE_NOOP("StatusText", "Logo");
    case 2:
        return QT_TRANSLATE_NOOP("StatusText", "Startup Screen");
    case 3:
    case 5:
        return QT_TRANSLATE_NOOP("StatusText", "Running");
    case 4:
        return QT_TRANSLATE_NOOP("StatusText", "Status Screen");
    case 6:
    case 7:
        return QT_TRANSLATE_NOOP("StatusText", "Alarm Test");
    default:
        return QT_TRANSLATE_NOOP("StatusText", "unknown state");
    }
}

std::string AlarmOutputsText(uint8_t bits) {
    std::string text;
    for (const TAlarmOutput& output : kAlarmOutputs)
        if (bits & output.Bit)
            text += (text.empty() ? "" : ", ") + std::string(output.Name);
    return text.empty() ? "none" : text;
}

std::string VolumeUnitLabel(uint8_t code) {
    return code >= 1 && code <= 5 ? VolumeUnitText(code) : std::string();
}

std::string VolumeText(double volume, uint8_t unitCode, char separator) {
    return FormatFixed(volume, 18, 2, separator) + " " + VolumeUnitLabel(unitCode);
}

std::string FamilyText(bool is8310, bool hasFlowScaling, bool is7310Extended) {
    if (is8310)
        return hasFlowScaling ? "T8310 with flow scaling" : "T8310";
    return is7310Extended ? "T7310 extended" : "T7310";
}

std::string PortOpenErrorText(int errorCode, int systemError, long baudRate) {
    const std::string reason = systemError != 0 ? std::strerror(systemError) : std::string();
    switch (errorCode) {
    case PORT_NOT_FOUND:
        return reason.empty() ? "no such device" : reason;
    case PORT_IN_USE:
        return (reason.empty() ? std::string("in use") : reason) +
               " (held by another program, or no permission: is the user in the dialout group?)";
    case PORT_SYSTEM_ERROR:
        return reason.empty() ? "system error" : reason;
    default:
        return "the line settings were refused (baud rate " + std::to_string(baudRate) +
               ", error " + std::to_string(errorCode) + ")";
    }
}
