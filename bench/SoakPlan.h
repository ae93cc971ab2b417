// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a soak cycle risks, shared by the soak benchmark and the soak test: the instructions a
// cycle sends, and every fault the simulator can put on one of them.

#include "GaugeSimulator.h"

#include <cstdint>
#include <random>
#include <string>

namespace soak {

inline constexpr uint8_t kInstructions[] = {0xDF, 0x11, 0x12, 0x10, 0x13, 0x14, 0x15,
                                            0x16, 0x17, 0x20, 0x18, 0x22, 0x1B, 0x28,
                                            0x29, 0x2A, 0x2B, 0xA4, 0xB2, 0xC6, 0xAA,
                                            0xAB, 0x1C, 0x1D, 0x1E, 0x19, 0x1A};

// A random fault (never "none") on a random instruction of the cycle, set on the gauge;
// returns "split on 17" and the like.
inline std::string SetRandomFault(sim::GaugeSimulator& gauge, std::mt19937& random) {
    const uint8_t code = kInstructions[random() % std::size(kInstructions)];
    const std::vector<sim::FaultName>& faults = sim::FaultNames();
    const sim::FaultName& fault = faults[1 + random() % (faults.size() - 1)];
    gauge.SetFault(code, fault.fault);
    static const char digits[] = "0123456789ABCDEF";
    return std::string(fault.name) + " on " + digits[code >> 4] + digits[code & 0x0F];
}

} // namespace soak
