// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The simulator's state behind GaugeSimulator: the gauges, the request log, and the line thread
// that reads requests off the pty and answers them.

#include "SimGauge.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace sim {

// What failed, with errno's text.
std::string LastError(const char* what);

// A new pseudo-terminal: its master non-blocking, and the path of its slave. False with a reason.
bool OpenPty(int& master, std::string& slaveName, std::string& reason);

struct GaugeSimulator::Impl {
    explicit Impl(std::vector<Options> all)
        : options(all.at(0)),
          assembler(std::chrono::milliseconds(options.partial_frame_silence_ms)),
          random(options.garbage_seed), started(Clock::now()) {
        for (Options& one : all)
            gauges.emplace_back(std::move(one));
    }

    // Everything below the mutex is shared with the line thread.
    const Options options; // the line's timing: the first gauge's
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::vector<Gauge> gauges; // never empty; accessors without a gauge index use the first
    std::vector<uint8_t> instructions;
    std::vector<std::vector<uint8_t>> frames;
    std::vector<std::vector<uint8_t>> replies;
    bool running = false;
    bool unplugRequest = false;
    bool unplugged = false;
    int master = -1;
    int adoptMaster = -1; // a new line from Replug, not yet taken over by the line thread
    std::string slavePath;
    std::string linkPath;

    // Owned by the line thread while it runs.
    FrameAssembler assembler;
    std::mt19937 random;
    Clock::time_point started;
    int wake = -1;
    std::atomic<bool> stopping{false};
    std::thread thread;

    Gauge& First() { return gauges.front(); }
    const Gauge& First() const { return gauges.front(); }
    void Run();
    // Finds the requests in received bytes (none: only the silence check) and answers them.
    // online: the bytes came from the pty, and nothing more is answered once it is closed.
    void Take(const uint8_t* bytes, size_t count, bool online);
    void Handle(const Frame& request);
    std::vector<uint8_t> Garbage();
    bool Pause(int milliseconds);
    bool PauseUntil(Clock::time_point until);
    void Send(const std::vector<uint8_t>& bytes);
    // As the bytes would arrive over the wire at the paced baud rate.
    void SendPaced(const std::vector<uint8_t>& bytes);
    Clock::duration ByteTime() const;
    void CloseMaster();
};

} // namespace sim
