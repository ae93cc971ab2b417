// Times the device object's transfers against the simulated gauge with the protocol's own
// periods, and compares each with the floor that the protocol's timing imposes; also shows
// how long the GUI thread ever went without handling an event meanwhile.
#include "ByteOrder.h"
#include "GaugeSimulator.h"
#include "SerialPacket.h"
#include "T7310.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

namespace {

constexpr long kBaud = 9600;
constexpr double kBitsPerByte = 10.0; // start, 8 data, stop

// A 0 ms timer fires whenever the event loop turns; the longest gap between two firings is
// the longest time the GUI thread handled no event.
class LoopWatch {
public:
    LoopWatch() {
        timer_.setInterval(0);
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
    bool ok = false;
    size_t exchanges = 0;
    size_t bytes = 0;
    double measuredMs = 0;
    double worstGapMs = 0;
};

void Print(const Result& r, T7310& device) {
    const double dispatch = device.Link().ProcessMessageTimerInterval();
    const double silence = 250.0;
    const double check = device.WaitCheckInterval;
    const double wireMs = static_cast<double>(r.bytes) * kBitsPerByte * 1000.0 / kBaud;
    const double n = static_cast<double>(r.exchanges);
    const double floorMs = n * (dispatch / 2 + silence) + wireMs;
    const double floorCheckMs = floorMs + n * check / 2;
    const double floorNoWireMs = floorMs - wireMs;
    std::printf("%-32s %-4s %5zu %6zu %8.0f %9.0f %10.0f %10.0f %7.2f %8.2f %8.1f\n",
                r.what.c_str(), r.ok ? "ok" : "FAIL", r.exchanges, r.bytes, wireMs, floorMs,
                floorCheckMs, r.measuredMs, r.measuredMs / floorMs, r.measuredMs / floorNoWireMs,
                r.worstGapMs);
}

size_t WireBytes(const sim::GaugeSimulator& gauge) {
    size_t bytes = 0;
    for (const auto& frame : gauge.Frames())
        bytes += frame.size();
    for (const auto& reply : gauge.Replies())
        bytes += reply.size();
    return bytes;
}

Result Measure(const std::string& what, sim::GaugeSimulator& gauge, LoopWatch& watch,
               const std::function<bool()>& transfer) {
    Result r;
    r.what = what;
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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    LoopWatch watch;

    std::printf("Device transfers against the simulated gauge over a pty: %ld baud, dispatch "
                "100 ms, reply silence 250 ms,\nbase reply time-out 750 ms, wait check interval "
                "100 ms (the device object's own defaults).\n\n",
                kBaud);
    std::printf("floor per exchange = dispatch wait (half a 100 ms period, the average for a "
                "request queued at a random moment)\n"
                "  + request and reply on the wire (10 bits a byte at 9600 baud) + the 250 ms "
                "silence that ends a reply.\n"
                "The wait adds nothing to that: a reply wakes it at once. 'floor+chk' adds what "
                "a wait that slept through\n"
                "its 100 ms check interval would add on average (half of it). The pty does not "
                "pace bytes at the baud rate,\n"
                "so the measured times hold no wire time: 'm/(f-w)' compares with the floor "
                "without it.\n\n");
    std::printf("%-32s %-4s %5s %6s %8s %9s %10s %10s %7s %8s %8s\n", "transfer", "", "exch",
                "bytes", "wire ms", "floor ms", "floor+chk", "measured", "m/floor", "m/(f-w)",
                "GUI gap");

    double worstGap = 0;
    bool allOk = true;
    const std::pair<const char*, const char*> families[] = {
        {"T7310", "3"}, {"T7310", "5"}, {"T8310", "5"}, {"PRM8310", "5"}};
    for (const auto& [model, pcid] : families) {
        sim::Options options;
        options.model = model;
        options.pcid = pcid;
        sim::GaugeSimulator gauge(options);
        std::string error;
        if (!gauge.Start(&error)) {
            std::fprintf(stderr, "simulator: %s\n", error.c_str());
            return 1;
        }
        T7310 device;
        device.ProgramSoftwareId = 3;
        device.SetDevicePath(gauge.SlavePath());
        const std::string what = std::string("Connect + read all, ") + model + " ?" + pcid;
        Result r = Measure(what, gauge, watch, [&] { return device.Connect(1, 1, kBaud); });
        r.ok = r.ok && device.SettingsRead();
        Print(r, device);
        worstGap = std::max(worstGap, r.worstGapMs);
        allOk = allOk && r.ok;

        if (std::string(model) == "T8310") {
            TDeviceImage& image = device.Image;
            image.TankTable[img::TableSizeOffset] = 100;
            for (size_t i = 0; i < img::TableRows; ++i) {
                PutBE32(image.TableRow(i) + img::TableRowHeight, static_cast<uint32_t>(i * 100));
                PutBE32(image.TableRow(i) + img::TableRowVolume, static_cast<uint32_t>(i * 2500));
            }
            Result t = Measure("Write table, 100 rows", gauge, watch,
                               [&] { return device.WriteTankTable(); });
            Print(t, device);
            worstGap = std::max(worstGap, t.worstGapMs);
            allOk = allOk && t.ok;
        }
        device.Disconnect();
    }
    std::printf("\nLongest time the GUI thread handled no event during the transfers: %.1f ms "
                "(must stay under 30 ms): %s\n",
                worstGap, worstGap < 30.0 ? "ok" : "TOO LONG");
    return allOk && worstGap < 30.0 ? 0 : 1;
}
