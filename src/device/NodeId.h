// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The RS-485 node ID rules, for the window, the tool and the bus scan alike: a gauge has an ID
// of 0 to 98, and 99 addresses every gauge on the bus (each answers it).

#include <cstdint>
#include <optional>
#include <string>

struct TNodeId {
    static constexpr int kLowest = 0;
    static constexpr int kHighestAssignable = 98;
    static constexpr int kBroadcast = 99;

    // An ID a gauge can be given.
    static constexpr bool Assignable(int id) { return id >= kLowest && id <= kHighestAssignable; }
    // An ID a request can be sent to: a gauge's own, or the broadcast.
    static constexpr bool Addressable(int id) { return id >= kLowest && id <= kBroadcast; }
    static constexpr bool IsBroadcast(int id) { return id == kBroadcast; }
};
