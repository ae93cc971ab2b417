// SPDX-License-Identifier: GPL-3.0-or-later
// t7310-sim's command line: the arguments are the input split at zero bytes.

#include "FuzzHarness.h"

#include "SimCommandLine.h"

bool FuzzOne(const uint8_t* data, size_t size) {
    const std::vector<std::string> args = SplitArguments(data, size);
    const sim::CommandLine line = sim::ParseCommandLine(args);
    if (!line.ok) {
        FUZZ_CHECK(!line.error.empty());
        return false;
    }
    if (!line.help && !line.version) {
        FUZZ_CHECK(!line.link.empty());
        FUZZ_CHECK(line.options.node <= 98);
        FUZZ_CHECK(line.options.model == "T7310" || line.options.model == "T8310" ||
                   line.options.model == "PRM8310");
    }
    return true;
}
