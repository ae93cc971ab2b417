// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Texts for what the gauge reports while it runs (state, alarm outputs, volume unit), for the
// family it belongs to and for a port that would not open. The status page and the
// command-line tool both print these, so they say the same words.

#include <array>
#include <cstdint>
#include <string>

// State code of the status reply: 3 and 5 are both "Running", 6 and 7 "Alarm Test", any code
// outside 0..7 "unknown state".
std::string DeviceStateText(uint8_t state);

// One alarm output of the status reply; the low four bits carry no output.
struct TAlarmOutput {
    uint8_t Bit;
    const char* Name;
};
inline constexpr std::array<TAlarmOutput, 4> kAlarmOutputs{{
    {0x10, "Master"},
    {0x20, "Alarm 1"},
    {0x40, "Alarm 2"},
    {0x80, "Alarm 3"},
}};
// The active outputs by name, comma-separated; "none" when no output is active.
std::string AlarmOutputsText(uint8_t bits);

// The unit shown beside the volume: the volume unit's text for codes 1..5, else empty (0 is
// "none" in the unit list, but the volume then has no unit).
std::string VolumeUnitLabel(uint8_t code);
// The volume with 2 decimals, a space and the unit label (the text ends in the space when
// there is no unit), written with the given decimal separator.
std::string VolumeText(double volume, uint8_t unitCode, char separator);

// "T7310", "T7310 extended", "T8310" or "T8310 with flow scaling".
std::string FamilyText(bool is8310, bool hasFlowScaling, bool is7310Extended);

// Why a port did not open, from the port's error code and the system's error number (0 when
// none is known); baudRate names the refused line settings.
std::string PortOpenErrorText(int errorCode, int systemError, long baudRate);
