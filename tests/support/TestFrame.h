// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A wire frame as the gauge (or the tool) would build it, for tests: written apart from the
// link's and the simulator's own frame code, so a fault in theirs is not repeated here.

#include <cstdint>
#include <vector>

inline std::vector<uint8_t> BuildTestFrame(uint8_t flags, uint8_t instruction,
                                           const std::vector<uint8_t>& data) {
    std::vector<uint8_t> frame;
    frame.reserve(data.size() + 4);
    frame.push_back(flags);
    frame.push_back(static_cast<uint8_t>(data.size()));
    frame.push_back(instruction);
    frame.insert(frame.end(), data.begin(), data.end());
    uint8_t sum = 0;
    for (const uint8_t b : frame)
        sum ^= b;
    frame.push_back(sum);
    return frame;
}
