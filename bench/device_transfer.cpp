// SPDX-License-Identifier: GPL-3.0-or-later
// Times the device object's transfers in the standard and the fast transfer mode against the
// simulated gauge paced like a wire (10 bits a byte at 9600 baud, 10 ms before each reply), and
// compares each with its physical floor: every byte of every request and reply on the wire,
// plus the reply delay per exchange. Also shows how long the GUI thread ever went without
// handling an event meanwhile.
#include "ByteOrder.h"
#include "GaugeSession.h"
#include "GaugeSimulator.h"
#include "SerialPacket.h"
#include "T7310.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr long kBaud = 9600;
constexpr int kReplyDelayMs = 10;
constexpr double kBitsPerByte = 10.0; // start, 8 data, stop
constexpr double kFastRatioGoal = 1.5;
constexpr double kReadAllSpeedUpGoal = 4.0;
constexpr double kGuiGapLimitMs = 30.0;
// Fast mode moves the table in blocks of rows: these transfers have goals of their own.
constexpr double kFastTableGoalMs = 1500.0;
constexpr double kFastNonStandardReadGoalMs = 2000.0;
const char* const kWriteTable = "Write table, 100 rows";
const char* const kReadTable = "Read table, 100 rows";
const char* const kReadNonStandard = "Read all, Non standard 100 rows";

// A 1 ms timer fires whenever the event loop turns at least that often; the longest gap between
// two firings is the longest time the GUI thread handled no event. (A 0 ms timer would keep the
// GUI thread spinning and take the processor from the port's and the simulator's threads.)
class LoopWatch {
public:
    LoopWatch() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            if (last_ >= 0)
                worst_ = std::max(worst_, now - last_);
            last_ = now;
        });
    }
    void Start() {
        worst_ = 0;
        last_ = -1;
        clock_.start();
        timer_.start();
    }
    double StopMs() {
        timer_.stop();
        return static_cast<double>(worst_) / 1e6;
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = -1;
    qint64 worst_ = 0;
};

struct Result {
    std::string what;
    bool fast = false;
    bool ok = false;
    size_t exchanges = 0;
    size_t bytes = 0;
    double measuredMs = 0;
    double worstGapMs = 0;

    double FloorMs() const {
        return static_cast<double>(bytes) * kBitsPerByte * 1000.0 / kBaud +
               static_cast<double>(exchanges) * kReplyDelayMs;
    }
    double Ratio() const { return measuredMs / FloorMs(); }
};

void Print(const Result& r) {
    std::printf("%-30s %-8s %-4s %5zu %6zu %9.0f %10.0f %7.2f %8.1f\n", r.what.c_str(),
                r.fast ? "fast" : "standard", r.ok ? "ok" : "FAIL", r.exchanges, r.bytes,
                r.FloorMs(), r.measuredMs, r.Ratio(), r.worstGapMs);
}

size_t WireBytes(const sim::GaugeSimulator& gauge) {
    size_t bytes = 0;
    for (const auto& frame : gauge.Frames())
        bytes += frame.size();
    for (const auto& reply : gauge.Replies())
        bytes += reply.size();
    return bytes;
}

Result Measure(const std::string& what, bool fast, sim::GaugeSimulator& gauge, LoopWatch& watch,
               const std::function<bool()>& transfer) {
    Result r;
    r.what = what;
    r.fast = fast;
    gauge.ClearLog();
    QElapsedTimer clock;
    watch.Start();
    clock.start();
    r.ok = transfer();
    r.measuredMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    r.worstGapMs = watch.StopMs();
    r.exchanges = gauge.Instructions().size();
    r.bytes = WireBytes(gauge);
    return r;
}

void FillTable(TDeviceImage& image) {
    image.TankTable[img::TableSizeOffset] = 100;
    for (size_t i = 0; i < img::TableRows; ++i) {
        PutBE32(image.TableRow(i) + img::TableRowHeight, static_cast<uint32_t>(i * 100));
        PutBE32(image.TableRow(i) + img::TableRowVolume, static_cast<uint32_t>(i * 2500));
    }
}

// A page's Write Settings as the window runs it (archived, read back, compared, journalled)
// against the page's write series by itself plus the reads of what it wrote.
struct PageWrite {
    std::string page;
    double checkedMs = 0;
    double seriesMs = 0;
    double readsMs = 0;
    bool ok = false;
    double Ratio() const { return checkedMs / (seriesMs + readsMs); }
};
constexpr double kPageWriteGoal = 1.5;

PageWrite MeasurePageWrite(T7310& device, const char* page, bool (T7310::*series)()) {
    PageWrite w;
    w.page = page;
    QTemporaryDir folder;
    TArchive archive(folder.path());
    TGaugeSession session(device, archive);
    QElapsedTimer clock;
    device.StartWriteLog();
    clock.start();
    w.ok = (device.*series)();
    w.seriesMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    const std::vector<uint8_t> sent = device.WriteLog();
    clock.restart();
    for (uint8_t code : instr::ReadAllOrder()) {
        if (std::find_if(sent.begin(), sent.end(), [code](uint8_t write) {
                return instr::ReadBackOf(write) == code;
            }) == sent.end() ||
            !device.AppliesTo(instr::Find(code)->Family))
            continue;
        if (code == instr::AlarmRead) {
            for (uint8_t i = 0; i < img::AlarmCount; ++i)
                w.ok = device.ReadAlarm(i) && w.ok;
        } else {
            w.ok = device.ReadGroup(code) && w.ok;
        }
    }
    w.readsMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    // What the gauge holds is known before a checked write starts, as after a connect.
    w.ok = device.ReadAllSettings() && w.ok;
    TWriteHooks hooks;
    hooks.Verify = [] { return true; };
    clock.restart();
    const TCheckedWriteOutcome outcome =
        session.CheckedWrite(page, [&] { return (device.*series)(); }, hooks);
    w.checkedMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    w.ok = w.ok && outcome.Result == TCheckedWrite::Written;
    return w;
}

std::vector<PageWrite> pageWrites;

// Every transfer of one mode; false when the simulator cannot start.
bool RunMode(bool fast, LoopWatch& watch, std::vector<Result>& results) {
    const std::pair<const char*, const char*> families[] = {
        {"T7310", "3"}, {"T7310", "5"}, {"T8310", "5"}, {"PRM8310", "5"}};
    for (const auto& [model, pcid] : families) {
        sim::Options options;
        options.model = model;
        options.pcid = pcid;
        options.pace_baud = kBaud;
        options.reply_delay_ms = kReplyDelayMs;
        sim::GaugeSimulator gauge(options);
        std::string error;
        if (!gauge.Start(&error)) {
            std::fprintf(stderr, "simulator: %s\n", error.c_str());
            return false;
        }
        T7310 device;
        device.ProgramSoftwareId = 3;
        device.SetDevicePath(gauge.SlavePath());
        device.Link().FastTransfers = fast;
        // The status poll would queue its requests among the transfer's own (the command-line
        // tool keeps it off for the same reason); the transfers are measured by themselves.
        device.PollInterval = 24 * 60 * 60 * 1000;
        const std::string what = std::string("Connect + read all, ") + model + " ?" + pcid;
        Result r = Measure(what, fast, gauge, watch, [&] { return device.Connect(1, 1, kBaud); });
        r.ok = r.ok && device.SettingsRead() && device.Link().FastActive() == fast;
        results.push_back(r);
        Print(r);

        if (std::string(model) == "T8310") {
            // Without connect's own cost (opening the port, its threads, the notification).
            results.push_back(Measure("Read all again, T8310 ?5", fast, gauge, watch,
                                      [&] { return device.ReadAllSettings(); }));
            Print(results.back());
            FillTable(device.Image);
            results.push_back(Measure(kWriteTable, fast, gauge, watch,
                                      [&] { return device.WriteTankTable(); }));
            Print(results.back());
            device.Image.TankTable.fill(0);
            results.push_back(Measure(kReadTable, fast, gauge, watch, [&] {
                return device.ReadTankTable() && device.Image.TableSize() == 100;
            }));
            Print(results.back());
            // What connecting to a Non standard tank reads: every setting, then the table.
            std::vector<uint8_t> record = gauge.Block(0x16);
            record[img::TankType] = img::TankTypeNonStandard;
            gauge.SetBlock(0x16, record);
            device.Image.TankTable.fill(0);
            results.push_back(Measure(kReadNonStandard, fast, gauge, watch, [&] {
                return device.ReadAllSettings() && device.Image.IsNonStandardTank() &&
                       device.ReadTankTable() && device.Image.TableSize() == 100;
            }));
            Print(results.back());
            if (fast) {
                const std::pair<const char*, bool (T7310::*)()> pages[] = {
                    {"display-options", &T7310::WriteDisplayOptions},
                    {"sensor-parameters", &T7310::WriteSensorParameters},
                    {"tank-settings", &T7310::WriteTankSettings},
                    {"alarms", &T7310::WriteAlarms},
                    {"summary", &T7310::WriteSummary}};
                for (const auto& [page, series] : pages)
                    pageWrites.push_back(MeasurePageWrite(device, page, series));
            }
        }
        device.Disconnect();
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    LoopWatch watch;

    std::printf(
        "Device transfers against the simulated gauge over a pty, paced like a wire: %ld baud "
        "(10 bits a byte),\n%d ms from the end of a request to the start of its reply. The device "
        "object runs with its own defaults\n(dispatch 100 ms and reply silence 250 ms in the "
        "standard mode; fast mode frames replies by length and\nsends after a guard gap of %d "
        "us).\n\n",
        kBaud, kReplyDelayMs, TSerialPacket::DefaultGuardGapMicroseconds(kBaud));
    std::printf("floor = every request and reply byte on the wire + %d ms reply delay per "
                "exchange; ratio = measured / floor.\n\n",
                kReplyDelayMs);
    std::printf("%-30s %-8s %-4s %5s %6s %9s %10s %7s %8s\n", "transfer", "mode", "", "exch",
                "bytes", "floor ms", "measured", "ratio", "GUI gap");

    std::vector<Result> results;
    if (!RunMode(false, watch, results) || !RunMode(true, watch, results))
        return 1;
    std::printf("%-30s (no bus scan in this build)\n", "Scan of 99 node IDs");

    bool ok = true;
    double worstGap = 0;
    double worstFastRatio = 0;
    std::map<std::string, double> standardMs;
    std::map<std::string, double> fastTableMs;
    for (const Result& r : results) {
        ok = ok && r.ok;
        worstGap = std::max(worstGap, r.worstGapMs);
        const bool table = r.what == kWriteTable || r.what == kReadTable ||
                           r.what == kReadNonStandard;
        // A block of rows has less on the wire per exchange than the fixed costs of the
        // exchange: the table is held to its time goals instead of the ratio.
        if (r.fast && table)
            fastTableMs[r.what] = r.measuredMs;
        else if (r.fast)
            worstFastRatio = std::max(worstFastRatio, r.Ratio());
        else
            standardMs[r.what] = r.measuredMs;
    }
    std::printf("\nSpeed-up of fast over standard:\n");
    double slowestReadAll = 1e9;
    for (const Result& r : results) {
        if (!r.fast || !standardMs.count(r.what))
            continue;
        const double speedUp = standardMs[r.what] / r.measuredMs;
        if (r.what.rfind("Connect + read all", 0) == 0)
            slowestReadAll = std::min(slowestReadAll, speedUp);
        std::printf("  %-30s %6.1f x\n", r.what.c_str(), speedUp);
    }
    const bool ratioOk = worstFastRatio <= kFastRatioGoal;
    const bool speedOk = slowestReadAll >= kReadAllSpeedUpGoal;
    const bool gapOk = worstGap < kGuiGapLimitMs;
    bool pagesOk = true;
    std::printf("\nFast page writes, checked (read back, compared, archived, journalled) against "
                "the series plus the reads of what it wrote:\n");
    std::printf("  %-18s %4s %9s %9s %9s %7s\n", "page", "", "series", "reads", "checked",
                "ratio");
    for (const PageWrite& w : pageWrites) {
        pagesOk = pagesOk && w.ok && w.Ratio() <= kPageWriteGoal;
        std::printf("  %-18s %-4s %9.0f %9.0f %9.0f %7.2f\n", w.page.c_str(), w.ok ? "ok" : "FAIL",
                    w.seriesMs, w.readsMs, w.checkedMs, w.Ratio());
    }
    std::printf("Page writes within %.1f x: %s\n", kPageWriteGoal, pagesOk ? "ok" : "MISSED");
    bool tableOk = true;
    std::printf("\nFast table transfers:\n");
    for (const auto& [what, ms] : fastTableMs) {
        const double goal = what == kReadNonStandard ? kFastNonStandardReadGoalMs : kFastTableGoalMs;
        const bool met = ms <= goal;
        tableOk = tableOk && met;
        std::printf("  %-32s %7.0f ms (goal at most %.0f ms): %s\n", what.c_str(), ms, goal,
                    met ? "ok" : "MISSED");
    }
    std::printf("\nWorst fast-mode ratio %.2f (goal at most %.1f): %s\n", worstFastRatio,
                kFastRatioGoal, ratioOk ? "ok" : "MISSED");
    std::printf("Smallest read-all speed-up %.1f x (goal at least %.0f x): %s\n", slowestReadAll,
                kReadAllSpeedUpGoal, speedOk ? "ok" : "MISSED");
    std::printf("Longest time the GUI thread handled no event: %.1f ms (must stay under %.0f "
                "ms): %s\n",
                worstGap, kGuiGapLimitMs, gapOk ? "ok" : "TOO LONG");
    return ok && ratioOk && speedOk && gapOk && tableOk && pagesOk ? 0 : 1;
}
