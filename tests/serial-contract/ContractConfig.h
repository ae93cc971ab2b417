// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the run script tells the contract test: the names of the ports it set up.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace contract {

struct Config {
    std::string port;               // served by serial-peer
    std::vector<std::string> names; // every name that opens that same port
    std::string missing;            // a port name that does not exist
    std::string sim;                // served by t7310-sim
    uint8_t simNode = 0;
    std::string simIdentity;        // what the gauge's identity reply says
};

inline Config config;

inline const char* const kUsage =
    "usage: serial_contract_test [gtest options] --port NAME --names NAME,NAME... "
    "--missing NAME --sim NAME --sim-node N --sim-identity TEXT\n"
    "(tests/serial-contract/run starts the far ends and passes these)";

inline std::vector<std::string> SplitNames(const std::string& list) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t comma = std::min(list.find(',', start), list.size());
        if (comma > start)
            names.push_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    return names;
}

// Takes the arguments GoogleTest left; false on one it does not know.
inline bool ParseArguments(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "--port")
            config.port = value;
        else if (option == "--names")
            config.names = SplitNames(value);
        else if (option == "--missing")
            config.missing = value;
        else if (option == "--sim")
            config.sim = value;
        else if (option == "--sim-node")
            config.simNode = static_cast<uint8_t>(std::atoi(value.c_str()));
        else if (option == "--sim-identity")
            config.simIdentity = value;
        else
            return false;
    }
    return argc % 2 == 1;
}

} // namespace contract
