#pragma once

// The gauge's identity text (the DF reply): name, one space, software version, "?", PC software
// ID; and the device family it implies. Shared by the device object, the bus scan and the
// command-line tool.

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

// "T8310 with flow scaling", "T8310", "T7310 extended" or "T7310".
std::string FamilyText(bool is8310, bool hasFlowScaling, bool is7310Extended);
