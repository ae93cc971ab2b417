// SPDX-License-Identifier: GPL-3.0-or-later
// t7310-sim: a simulated gauge on a pseudo-terminal, for demonstrations and manual testing.
// It publishes the pty's slave under the --link path and answers until SIGINT or SIGTERM.

#include "GaugeSimulator.h"
#include "SimCommandLine.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include <pthread.h>

namespace {

int UsageError(const std::string& message) {
    std::fprintf(stderr, "t7310-sim: %s\n%s", message.c_str(), sim::kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const sim::CommandLine line =
        sim::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.help) {
        std::fputs(sim::kUsage, stdout);
        return 0;
    }
    if (line.version) {
        std::printf("t7310-sim %d.%d.%d.%d\n", ZUR_VERSION_MAJOR + 0, ZUR_VERSION_MINOR + 0,
                    ZUR_VERSION_PATCH + 0, ZUR_VERSION_TWEAK + 0);
        return 0;
    }
    if (!line.ok)
        return UsageError(line.error);
    const std::string& link = line.link;

    // The signals are taken by sigwait below, so no thread may have them delivered.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    sim::GaugeSimulator gauge(line.gauges);
    std::string error;
    if (!line.image.empty() && !gauge.LoadImage(line.image, &error)) {
        std::fprintf(stderr, "t7310-sim: %s\n", error.c_str());
        return 1;
    }
    for (const sim::FaultSetting& setting : line.faults)
        gauge.SetFault(setting.code, setting.fault);
    if (!gauge.Start(&error) || !gauge.Link(link, &error)) {
        std::fprintf(stderr, "t7310-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", gauge.SlavePath().c_str());
    for (const sim::Options& one : line.gauges)
        std::printf("%s %s?%s node %d on %s\n", one.model.c_str(), one.version.c_str(),
                    one.pcid.c_str(), one.node, link.c_str());
    if (line.gauges.front().pace_baud > 0)
        std::printf("paced at %ld baud, replies after %d ms\n",
                    static_cast<long>(line.gauges.front().pace_baud),
                    line.gauges.front().reply_delay_ms);
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    gauge.Stop(); // also removes the link
    return 0;
}
