// t7310-sim: a simulated gauge on a pseudo-terminal, for demonstrations and manual testing.
// It publishes the pty's slave under the --link path and answers until SIGINT or SIGTERM.

#include "GaugeSimulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <pthread.h>

namespace {

constexpr const char* kUsage =
    "usage: t7310-sim --link PATH [--model T7310|T8310|PRM8310] [--firmware TEXT] "
    "[--pcid TEXT] [--node N] [--image FILE.TLS] [--fault CODE:MODE]...\n"
    "       t7310-sim --help | --version\n"
    "  --firmware TEXT is the firmware version the gauge reports (default 2.10)\n"
    "  CODE is an instruction in hex (A4, 0x16) or \"all\"; MODE is one of none, noreply,\n"
    "  nack, checksum, node, short, split, garbage, unplug\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "t7310-sim: %s\n%s", message.c_str(), kUsage);
    return 2;
}

bool ParseNumber(const std::string& text, int base, long low, long high, long& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, base);
    return *end == '\0' && value >= low && value <= high;
}

struct FaultSetting {
    uint8_t code;
    sim::Fault fault;
};

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
    return sim::ParseFault(text.substr(colon + 1), setting.fault);
}

} // namespace

int main(int argc, char** argv) {
    sim::Options options;
    std::string link, image;
    std::vector<FaultSetting> faults;
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("t7310-sim %d.%d.%d.%d\n", ZUR_VERSION_MAJOR + 0, ZUR_VERSION_MINOR + 0,
                        ZUR_VERSION_PATCH + 0, ZUR_VERSION_TWEAK + 0);
            return 0;
        }
        if (i + 1 >= args.size())
            return UsageError(arg.rfind("--", 0) == 0 ? arg + " needs a value"
                                                      : "unexpected argument " + arg);
        const std::string& value = args[++i];
        if (arg == "--link") {
            link = value;
        } else if (arg == "--model") {
            if (value != "T7310" && value != "T8310" && value != "PRM8310")
                return UsageError("unknown model " + value);
            options.model = value;
        } else if (arg == "--firmware") {
            options.version = value;
        } else if (arg == "--pcid") {
            options.pcid = value;
        } else if (arg == "--node") {
            long node = 0;
            if (!ParseNumber(value, 10, 0, 98, node))
                return UsageError("the node ID must be a number from 0 to 98");
            options.node = static_cast<uint8_t>(node);
        } else if (arg == "--image") {
            image = value;
        } else if (arg == "--fault") {
            FaultSetting setting{};
            if (!ParseFaultSetting(value, setting))
                return UsageError("bad fault " + value + " (expected CODE:MODE)");
            faults.push_back(setting);
        } else {
            return UsageError("unknown option " + arg);
        }
    }
    if (link.empty())
        return UsageError("--link PATH is required");

    // The signals are taken by sigwait below, so no thread may have them delivered.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    sim::GaugeSimulator gauge(options);
    std::string error;
    if (!image.empty() && !gauge.LoadImage(image, &error)) {
        std::fprintf(stderr, "t7310-sim: %s\n", error.c_str());
        return 1;
    }
    for (const FaultSetting& setting : faults)
        gauge.SetFault(setting.code, setting.fault);
    if (!gauge.Start(&error) || !gauge.Link(link, &error)) {
        std::fprintf(stderr, "t7310-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", gauge.SlavePath().c_str());
    std::printf("%s %s?%s node %d on %s\n", options.model.c_str(), options.version.c_str(),
                options.pcid.c_str(), options.node, link.c_str());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    gauge.Stop(); // also removes the link
    return 0;
}
