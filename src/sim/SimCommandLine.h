// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command line of t7310-sim, parsed apart from the program so that it can be tested and
// fuzzed without starting a gauge.

#include "GaugeSimulator.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct FaultSetting {
    uint8_t code = 0; // 0: every instruction
    Fault fault = Fault::None;
};

struct CommandLine {
    bool ok = false;
    bool help = false;
    bool version = false;
    std::string error; // why the command line is not usable
    // The short form's single gauge, and every gauge on the line: the --gauge ones, else that.
    Options options;
    std::vector<Options> gauges;
    std::string link;
    std::string image;
    std::vector<FaultSetting> faults;
};

extern const char* const kUsage;

// Arguments without the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// "CODE:MODE": CODE an instruction in hex (A4, 0x16) or "all", MODE a fault name.
bool ParseFaultSetting(const std::string& text, FaultSetting& setting);

} // namespace sim
