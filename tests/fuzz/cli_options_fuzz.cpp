// t7310-cli's command line: the arguments are the input split at zero bytes.

#include "FuzzHarness.h"

#include "CliOptions.h"

bool FuzzOne(const uint8_t* data, size_t size) {
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    if (size == 0)
        args.clear();
    const TCliParse parse = ParseCliOptions(args);
    if (!parse.Ok) {
        FUZZ_CHECK(!parse.Error.empty());
        return false;
    }
    const TCliOptions& o = parse.Options;
    if (o.NodeId)
        FUZZ_CHECK(*o.NodeId >= 0 && *o.NodeId <= kMaxNodeId);
    if (o.Command == ccSetNode)
        FUZZ_CHECK(o.NewNodeId >= 0 && o.NewNodeId <= kMaxAssignableNodeId);
    FUZZ_CHECK(!(o.DevicePath && o.CommPort));
    return true;
}
