#include "SimCommandLine.h"

#include <cstdlib>

namespace sim {

const char* const kUsage =
    "usage: t7310-sim --link PATH [--model T7310|T8310|PRM8310] [--firmware TEXT] "
    "[--pcid TEXT] [--node N] [--image FILE.TLS] [--fault CODE:MODE]...\n"
    "       t7310-sim --help | --version\n"
    "  --firmware TEXT is the firmware version the gauge reports (default 2.10)\n"
    "  CODE is an instruction in hex (A4, 0x16) or \"all\"; MODE is one of none, noreply,\n"
    "  nack, checksum, node, short, split, garbage, unplug\n";

namespace {

bool ParseNumber(const std::string& text, int base, long low, long high, long& value) {
    // strtol would skip blanks and take a sign; a number here is digits only.
    if (text.empty() || text.find_first_of(" \t\n\v\f\r+-") != std::string::npos)
        return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, base);
    return *end == '\0' && value >= low && value <= high;
}

CommandLine Failed(std::string error) {
    CommandLine line;
    line.error = std::move(error);
    return line;
}

} // namespace

bool ParseFaultSetting(const std::string& text, FaultSetting& setting) {
    const auto colon = text.find(':');
    if (colon == std::string::npos)
        return false;
    std::string code = text.substr(0, colon);
    long value = 0;
    if (code == "all") {
        value = 0;
    } else {
        if (code.size() > 2 && code[0] == '0' && (code[1] == 'x' || code[1] == 'X'))
            code = code.substr(2);
        if (!ParseNumber(code, 16, 0, 255, value))
            return false;
    }
    setting.code = static_cast<uint8_t>(value);
    return ParseFault(text.substr(colon + 1), setting.fault);
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            line.help = true;
            line.ok = true;
            return line;
        }
        if (arg == "--version") {
            line.version = true;
            line.ok = true;
            return line;
        }
        if (i + 1 >= args.size())
            return Failed(arg.rfind("--", 0) == 0 ? arg + " needs a value"
                                                  : "unexpected argument " + arg);
        const std::string& value = args[++i];
        if (arg == "--link") {
            line.link = value;
        } else if (arg == "--model") {
            if (value != "T7310" && value != "T8310" && value != "PRM8310")
                return Failed("unknown model " + value);
            line.options.model = value;
        } else if (arg == "--firmware") {
            line.options.version = value;
        } else if (arg == "--pcid") {
            line.options.pcid = value;
        } else if (arg == "--node") {
            long node = 0;
            if (!ParseNumber(value, 10, 0, 98, node))
                return Failed("the node ID must be a number from 0 to 98");
            line.options.node = static_cast<uint8_t>(node);
        } else if (arg == "--image") {
            line.image = value;
        } else if (arg == "--fault") {
            FaultSetting setting{};
            if (!ParseFaultSetting(value, setting))
                return Failed("bad fault " + value + " (expected CODE:MODE)");
            line.faults.push_back(setting);
        } else {
            return Failed("unknown option " + arg);
        }
    }
    if (line.link.empty())
        return Failed("--link PATH is required");
    line.ok = true;
    return line;
}

} // namespace sim
