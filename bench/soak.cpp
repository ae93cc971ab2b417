// SPDX-License-Identifier: GPL-3.0-or-later
// Soak: for N minutes (default 10) against the simulated gauge, cycles of connect, read all,
// write a page, write and read the tank table, disconnect; every other cycle with fast
// transfers, and one cycle in three with a random fault of any kind switched on for a random
// instruction (an unplugged adapter is plugged in again after its cycle). Prints the cycles run, how each ended, the longest each operation took, and the
// process's resident memory and open file descriptors at the start and at the end: after the
// first cycle both must stay flat.
//   soak [MINUTES] [SEED]
#include "ByteOrder.h"
#include "GaugeSimulator.h"
#include "SerialPacket.h"
#include "SoakPlan.h"
#include "T7310.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

struct Usage {
    long rssKiB = 0;
    long fds = 0;
};

Usage Measure() {
    Usage usage;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            usage.rssKiB = std::strtol(line.c_str() + 6, nullptr, 10);
    usage.fds =
        static_cast<long>(QDir(QStringLiteral("/proc/self/fd"))
                              .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                              .size());
    return usage;
}

class Soak {
public:
    Soak(double minutes, unsigned seed) : minutes_(minutes), random_(seed) {}

    int Run() {
        sim::Options options;
        options.model = "T8310";
        // Shortened with the device's periods below: a pause inside a reply that outlasts the
        // reply time-out cannot be told from a new transmission on a real line either.
        options.split_silence_ms = 100;
        gauge_ = std::make_unique<sim::GaugeSimulator>(options);
        std::string error;
        link_ = folder_.filePath(QStringLiteral("ttyGAUGE")).toStdString();
        if (!gauge_->Start(&error) || !gauge_->Link(link_, &error)) {
            std::fprintf(stderr, "soak: %s\n", error.c_str());
            return 1;
        }
        // Periods shortened as the tests shorten them, so that a few minutes hold many cycles;
        // the status poll keeps running alongside, as it does in the program.
        device_.SetDevicePath(link_);
        device_.ProgramSoftwareId = 3;
        device_.BaseReplyTimeout = 200;
        device_.WaitCheckInterval = 2;
        device_.DisconnectPause = 20;
        device_.PollInterval = 300;
        device_.Link().ReadIntervalTimeout = 20;
        device_.Link().SetProcessMessageTimerInterval(5);

        const Usage start = Measure();
        Usage warm{};
        QElapsedTimer clock;
        clock.start();
        const qint64 limit = static_cast<qint64>(minutes_ * 60'000);
        long cycles = 0;
        while (clock.elapsed() < limit) {
            Cycle(cycles % 3 == 2, cycles % 2 == 1);
            if (++cycles == 1)
                warm = Measure();
        }
        const Usage end = Measure();
        Print(cycles, clock.elapsed(), start, warm, end);
        return 0;
    }

private:
    // Runs one operation, timing it; false ends the cycle with that outcome.
    bool Step(const char* name, const std::function<bool()>& operation) {
        QElapsedTimer timer;
        timer.start();
        const bool ok = operation();
        longest_[name] = std::max(longest_[name], timer.elapsed());
        if (!ok)
            outcome_ = std::string(name) + " failed";
        return ok;
    }

    void Cycle(bool withFault, bool fast) {
        std::string fault;
        // Every other cycle with fast transfers, where the table moves in blocks.
        device_.Link().FastTransfers = fast;
        gauge_->ClearFaults();
        if (withFault)
            fault = soak::SetRandomFault(*gauge_, random_);
        outcome_ = "ok";
        const bool done = Step("connect", [&] { return device_.Connect(0, 1, 9600); }) &&
                          Step("read all", [&] { return device_.ReadAllSettings(); }) &&
                          Step("write page",
                               [&] {
                                   device_.Image.DisplayOptions[0] ^= 1;
                                   return device_.WriteDisplayOptions();
                               }) &&
                          Step("table write",
                               [&] {
                                   device_.Image.TankTable[img::TableSizeOffset] = 10;
                                   for (size_t row = 0; row < 10; ++row) {
                                       PutBE32(device_.Image.TableRow(row) + img::TableRowHeight,
                                               static_cast<uint32_t>(row * 100));
                                       PutBE32(device_.Image.TableRow(row) + img::TableRowVolume,
                                               static_cast<uint32_t>(row * 2500));
                                   }
                                   return device_.WriteTankTable();
                               }) &&
                          Step("table read", [&] { return device_.ReadTankTable(); });
        (void)done;
        Step("disconnect", [&] { return !device_.Connected() || device_.Disconnect(); });
        // A cycle without a fault of its own that fails is named after the request it failed
        // at and the fault of the cycle before, if any (a late reply can outlive its cycle).
        std::string label = outcome_;
        if (withFault) {
            label += " (" + FaultKind(fault) + ")";
        } else if (outcome_ != "ok") {
            char at[16];
            std::snprintf(at, sizeof at, " at %02X", device_.Link().LastInstruction());
            label += at;
            if (!previousFault_.empty())
                label += ", after " + previousFault_;
            label += fast ? " (fast)" : " (standard)";
        }
        ++outcomes_[label];
        previousFault_ = fault;
        // The simulator logs every frame; that is its memory, not the configurator's.
        gauge_->ClearLog();
        if (gauge_->Unplugged()) {
            gauge_->ClearFaults();
            std::string error;
            if (!gauge_->Replug(&error))
                std::fprintf(stderr, "soak: replug: %s\n", error.c_str());
            ++replugs_;
        }
    }

    static std::string FaultKind(const std::string& fault) {
        return fault.substr(0, fault.find(' '));
    }

    void Print(long cycles, qint64 elapsedMs, const Usage& start, const Usage& warm,
               const Usage& end) {
        std::printf("soak: %ld cycles in %.1f min (%ld adapter replugs)\n", cycles,
                    static_cast<double>(elapsedMs) / 60000.0, replugs_);
        std::printf("\n%-44s %8s\n", "outcome (fault)", "cycles");
        for (const auto& [outcome, count] : outcomes_)
            std::printf("%-44s %8ld\n", outcome.c_str(), count);
        std::printf("\n%-16s %12s\n", "operation", "longest ms");
        for (const auto& [name, ms] : longest_)
            std::printf("%-16s %12lld\n", name.c_str(), static_cast<long long>(ms));
        std::printf("\n%-22s %10s %8s\n", "", "RSS KiB", "fds");
        std::printf("%-22s %10ld %8ld\n", "start", start.rssKiB, start.fds);
        std::printf("%-22s %10ld %8ld\n", "after the first cycle", warm.rssKiB, warm.fds);
        std::printf("%-22s %10ld %8ld\n", "end", end.rssKiB, end.fds);
        std::printf("fds %s; RSS %+ld KiB since the first cycle\n",
                    end.fds == warm.fds ? "flat" : "CHANGED", end.rssKiB - warm.rssKiB);
    }

    double minutes_;
    std::mt19937 random_;
    QTemporaryDir folder_;
    std::string link_;
    std::unique_ptr<sim::GaugeSimulator> gauge_;
    T7310 device_;
    std::string outcome_;
    std::string previousFault_;
    std::map<std::string, long> outcomes_;
    std::map<std::string, qint64> longest_;
    long replugs_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 7310u;
    int status = 0;
    QTimer::singleShot(0, &app, [&] {
        Soak soak(minutes > 0 ? minutes : 10.0, seed);
        status = soak.Run();
        QCoreApplication::exit(status);
    });
    QCoreApplication::exec();
    return status;
}
