// SPDX-License-Identifier: GPL-3.0-or-later
#include "Identity.h"

TIdentity SplitIdentity(const std::string& text) {
    TIdentity identity;
    const size_t space = text.find(' ');
    const size_t question = text.find('?');
    const size_t s = space == std::string::npos ? 0 : space + 1; // 1-based, 0 = absent
    const size_t q = question == std::string::npos ? 0 : question + 1;

    identity.DeviceName = s > 0 ? text.substr(0, s - 1) : std::string();
    const long versionLength = static_cast<long>(q) - static_cast<long>(s) - 1;
    identity.SoftwareVersion =
        versionLength > 0 ? text.substr(s, static_cast<size_t>(versionLength)) : std::string();
    identity.PcSoftwareId = text.substr(q);

    if (identity.DeviceName == "T8310") {
        identity.Is8310 = true;
    } else if (identity.DeviceName == "PRM8310") {
        identity.Is8310 = true;
        identity.HasFlowScaling = true;
    } else if (identity.DeviceName == "T7310" && identity.PcSoftwareId.compare("4") >= 0) {
        // Compared as text: "10" is below "4".
        identity.Is7310Extended = true;
    }
    return identity;
}
