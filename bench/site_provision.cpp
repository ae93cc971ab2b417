// SPDX-License-Identifier: GPL-3.0-or-later
// Times site provisioning against simulated buses paced like a wire (10 bits a byte at 9600
// baud, 10 ms before each reply), at the protocol's own periods: one bus of 10 gauges against
// four buses of 10 at once (the buses run in parallel, so four should take about as long as
// one), in the standard and the fast transfer mode, and one bus of 40 gauges in fast mode.
// Every gauge differs from the site's settings in one value, so each is read, written and read
// back.
//
//   site_provision [--quick]   (--quick: the 10-gauge runs only)

#include "GaugeSimulator.h"
#include "Provision.h"
#include "SiteFile.h"
#include "T7310.h"
#include "Templates.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr long kBaud = 9600;
constexpr int kReplyDelayMs = 10;
constexpr double kParallelGoal = 1.3;
constexpr double kFortyGaugeGoalS = 360.0;

std::vector<std::unique_ptr<sim::GaugeSimulator>> StartBuses(int buses, int gauges) {
    std::vector<std::unique_ptr<sim::GaugeSimulator>> started;
    for (int b = 0; b < buses; ++b) {
        std::vector<sim::Options> line;
        for (int g = 1; g <= gauges; ++g) {
            sim::Options options;
            options.node = static_cast<uint8_t>(g);
            options.pace_baud = kBaud;
            options.reply_delay_ms = kReplyDelayMs;
            line.push_back(options);
        }
        started.push_back(std::make_unique<sim::GaugeSimulator>(line));
        std::string error;
        if (!started.back()->Start(&error)) {
            std::fprintf(stderr, "site_provision: %s\n", error.c_str());
            std::exit(1);
        }
    }
    return started;
}

// The simulator's settings with another contrast, as a site file would name them.
bool SiteSettings(const QString& path) {
    auto gauges = StartBuses(1, 1);
    T7310 reader;
    reader.ProgramSoftwareId = 3;
    reader.SetDevicePath(gauges[0]->SlavePath());
    if (!reader.Connect(1, 1, kBaud))
        return false;
    reader.Image.DisplayOptions[5] = 77;
    const bool saved = reader.SaveToFile(path.toStdString());
    reader.Disconnect();
    return saved;
}

struct TRunResult {
    double seconds = 0;
    int written = 0;
    int gauges = 0;
};

TRunResult RunSite(const QString& folder, int buses, int gauges, bool fast) {
    auto lines = StartBuses(buses, gauges);
    std::string text = "node,settings,device\n";
    for (const auto& bus : lines)
        for (int g = 1; g <= gauges; ++g)
            text += std::to_string(g) + ",site.TLS," + bus->SlavePath() + "\n";
    const TSite site = ParseSite(text, folder, {}, TTemplateStore(folder + QStringLiteral("/t")));
    if (!site.Ok()) {
        std::fprintf(stderr, "site_provision: %s\n", qPrintable(site.ProblemText()));
        std::exit(1);
    }
    TProvisionOptions options;
    options.Fast = fast;
    options.BaudRate = kBaud;
    options.ArchiveFolder = folder + QStringLiteral("/archive");
    TProvisioner run(site, options);
    QElapsedTimer clock;
    clock.start();
    run.Start();
    run.Wait();
    TRunResult result;
    result.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    result.written = run.Count(TProvisionResult::Written);
    result.gauges = static_cast<int>(site.Gauges.size());
    return result;
}

void Print(const char* mode, int buses, int gauges, const TRunResult& result) {
    std::printf("%-8s %d x %-2d gauges  %7.1f s  %5.2f s a gauge on its bus  %d of %d written\n",
                mode, buses, gauges, result.seconds, result.seconds / gauges, result.written,
                result.gauges);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    QTemporaryDir folder;
    if (!folder.isValid() || !SiteSettings(folder.path() + QStringLiteral("/site.TLS"))) {
        std::fprintf(stderr, "site_provision: no settings file from the simulated gauge\n");
        return 1;
    }
    std::printf("Site provisioning against simulated buses paced at %ld baud, replies after %d ms;"
                " every gauge read, written and read back\n\n",
                kBaud, kReplyDelayMs);
    bool ok = true;
    for (const bool fast : {false, true}) {
        const char* mode = fast ? "fast" : "standard";
        const TRunResult one = RunSite(folder.path(), 1, 10, fast);
        Print(mode, 1, 10, one);
        const TRunResult four = RunSite(folder.path(), 4, 10, fast);
        Print(mode, 4, 10, four);
        const double ratio = four.seconds / one.seconds;
        const bool met = ratio <= kParallelGoal && one.written == 10 && four.written == 40;
        std::printf("%-8s 4 buses / 1 bus: %.2f (goal at most %.1f) %s\n\n", mode, ratio,
                    kParallelGoal, met ? "met" : "NOT MET");
        ok = ok && met;
    }
    if (!quick) {
        const TRunResult forty = RunSite(folder.path(), 1, 40, true);
        Print("fast", 1, 40, forty);
        const bool met = forty.seconds <= kFortyGaugeGoalS && forty.written == 40;
        std::printf("fast     40 gauges on one bus: %.0f s (goal under %.0f s) %s\n", forty.seconds,
                    kFortyGaugeGoalS, met ? "met" : "NOT MET");
        ok = ok && met;
    }
    return ok ? 0 : 1;
}
