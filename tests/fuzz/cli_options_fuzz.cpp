// SPDX-License-Identifier: GPL-3.0-or-later
// t7310-cli's command line: the arguments are the input split at zero bytes.

#include "FuzzHarness.h"

#include "CliOptions.h"

bool FuzzOne(const uint8_t* data, size_t size) {
    const std::vector<std::string> args = SplitArguments(data, size);
    const TCliParse parse = ParseCliOptions(args);
    if (!parse.Ok) {
        FUZZ_CHECK(!parse.Error.empty());
        return false;
    }
    // --help and --version end the parse where they stand: what came before is not checked.
    if (parse.Help || parse.Version)
        return true;
    const TCliOptions& o = parse.Options;
    if (o.NodeId)
        FUZZ_CHECK(*o.NodeId >= 0 && *o.NodeId <= kMaxNodeId);
    if (o.Command == ccSetNode)
        FUZZ_CHECK(o.NewNodeId >= 0 && o.NewNodeId <= kMaxAssignableNodeId);
    FUZZ_CHECK(!(o.DevicePath && o.CommPort));
    return true;
}
