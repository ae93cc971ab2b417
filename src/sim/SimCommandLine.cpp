// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimCommandLine.h"

#include <algorithm>
#include <cstdlib>

namespace sim {

const char* const kUsage =
    "usage: t7310-sim --link PATH [--model T7310|T8310|PRM8310] [--firmware TEXT] "
    "[--pcid TEXT] [--node N] [--image FILE.TLS] [--fault CODE:MODE]...\n"
    "       t7310-sim --link PATH --gauge node=N[,model=M][,firmware=V][,pcid=P][,fault=CODE:MODE]... "
    "[--image FILE.TLS] [--fault CODE:MODE]...\n"
    "                 [--pace] [--baud RATE] [--reply-delay MS]\n"
    "       t7310-sim --help | --version\n"
    "  --firmware TEXT is the firmware version the gauge reports (default 2.10)\n"
    "  CODE is an instruction in hex (A4, 0x16) or \"all\"; MODE is one of none, noreply,\n"
    "  nack, checksum, node, short, split, garbage, unplug, forget, singlerow\n"
    "  Each --gauge adds one gauge to the bus (--model, --firmware, --pcid and --node are the\n"
    "  short form of a single one); --image and --fault apply to every gauge, a gauge's own\n"
    "  fault= fields to that gauge alone.\n"
    "  --pace sends replies at the baud rate (10 bits a byte, default 9600) after the reply\n"
    "  delay (default 10 ms with --pace, else 0), as a gauge on a real wire would\n";

namespace {

bool ParseNumber(const std::string& text, int base, long low, long high, long& value) {
    // strtol would skip blanks and take a sign; a number here is digits only.
    if (text.empty() || text.find_first_of(" \t\n\v\f\r+-") != std::string::npos)
        return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, base);
    return *end == '\0' && value >= low && value <= high;
}

bool ParseModel(const std::string& value, std::string& model, std::string& error) {
    if (value != "T7310" && value != "T8310" && value != "PRM8310") {
        error = "unknown model " + value;
        return false;
    }
    model = value;
    return true;
}

bool ParseNode(const std::string& value, uint8_t& node, std::string& error) {
    long parsed = 0;
    if (!ParseNumber(value, 10, 0, 98, parsed)) {
        error = "the node ID must be a number from 0 to 98";
        return false;
    }
    node = static_cast<uint8_t>(parsed);
    return true;
}

// "node=5,model=T7310,pcid=3,fault=AB:forget": unnamed fields keep the defaults; node is
// required; fault may be given more than once.
bool ParseGauge(const std::string& text, Options& gauge, std::string& error) {
    bool nodeGiven = false;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string field = text.substr(start, comma - start);
        start = comma + 1;
        const size_t equals = field.find('=');
        if (equals == std::string::npos) {
            error = "bad gauge field \"" + field + "\" in " + text + " (expected NAME=VALUE)";
            return false;
        }
        const std::string name = field.substr(0, equals);
        const std::string value = field.substr(equals + 1);
        if (name == "node") {
            if (!ParseNode(value, gauge.node, error))
                return false;
            nodeGiven = true;
        } else if (name == "model") {
            if (!ParseModel(value, gauge.model, error))
                return false;
        } else if (name == "firmware") {
            gauge.version = value;
        } else if (name == "pcid") {
            gauge.pcid = value;
        } else if (name == "fault") {
            FaultSetting setting;
            if (!ParseFaultSetting(value, setting)) {
                error = "bad fault " + value + " in " + text + " (expected CODE:MODE)";
                return false;
            }
            gauge.faults[setting.code] = setting.fault;
        } else {
            error = "unknown gauge field " + name + " in " + text;
            return false;
        }
    }
    if (!nodeGiven) {
        error = "--gauge " + text + " names no node";
        return false;
    }
    return true;
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
    bool shortForm = false;
    std::string error;
    bool pace = false;
    long baud = 9600;
    long replyDelay = -1; // not given
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
        if (arg == "--pace") {
            pace = true;
            continue;
        }
        if (i + 1 >= args.size())
            return Failed(arg.rfind("--", 0) == 0 ? arg + " needs a value"
                                                  : "unexpected argument " + arg);
        const std::string& value = args[++i];
        if (arg == "--link") {
            line.link = value;
        } else if (arg == "--model") {
            if (!ParseModel(value, line.options.model, error))
                return Failed(error);
            shortForm = true;
        } else if (arg == "--firmware") {
            line.options.version = value;
            shortForm = true;
        } else if (arg == "--pcid") {
            line.options.pcid = value;
            shortForm = true;
        } else if (arg == "--node") {
            if (!ParseNode(value, line.options.node, error))
                return Failed(error);
            shortForm = true;
        } else if (arg == "--gauge") {
            Options gauge;
            if (!ParseGauge(value, gauge, error))
                return Failed(error);
            line.gauges.push_back(gauge);
        } else if (arg == "--image") {
            line.image = value;
        } else if (arg == "--baud") {
            if (!ParseNumber(value, 10, 110, 4000000, baud))
                return Failed("the baud rate must be a number from 110 to 4000000");
        } else if (arg == "--reply-delay") {
            if (!ParseNumber(value, 10, 0, 60000, replyDelay))
                return Failed("the reply delay must be a number of milliseconds, 0 to 60000");
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
    if (shortForm && !line.gauges.empty())
        return Failed("--gauge cannot be combined with --model, --firmware, --pcid or --node");
    if (line.gauges.empty())
        line.gauges.push_back(line.options);
    // The line's timing is the same for every gauge on it.
    for (Options& one : line.gauges) {
        if (pace)
            one.pace_baud = baud;
        one.reply_delay_ms = static_cast<int>(replyDelay >= 0 ? replyDelay : pace ? 10 : 0);
    }
    line.options.pace_baud = line.gauges.front().pace_baud;
    line.options.reply_delay_ms = line.gauges.front().reply_delay_ms;
    line.ok = true;
    return line;
}

} // namespace sim
