// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The gauge's identity text (the DF reply): name, one space, software version, "?", PC software
// ID; and the device family it implies. Shared by the device object and the bus scan.

#include <string>

struct TIdentity {
    std::string DeviceName;
    std::string SoftwareVersion;
    std::string PcSoftwareId;
    bool Is8310 = false;
    bool HasFlowScaling = false;
    bool Is7310Extended = false;
};

TIdentity SplitIdentity(const std::string& text);
