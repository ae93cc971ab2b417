// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A serial backend driven by the test, for what a pty cannot show: modem lines, line errors,
// break, refused settings, a write that stalls or fails. The port owns the backend; the test
// keeps a plain pointer to it for the port's lifetime. Thread-safe: the port's threads call
// in while the test scripts from the GUI thread.

#include "platform/SerialBackend.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace porttest {

class ScriptedBackend final : public ISerialBackend {
public:
    using Clock = std::chrono::steady_clock;
    struct BreakStep {
        bool on;
        Clock::time_point at;
    };

    // --- the script (any thread) ---
    void FailNextOpen(int systemError);
    void RefuseSettings(int systemError); // 0 accepts again
    void SetFoundState(const SerialLineState& state);
    void SetModemStatus(uint32_t word);
    // Delivered by the next read as one chunk (cut to what the read asks for).
    void Receive(const std::string& bytes);
    // The next wait reports these events; errors is what TakeLineErrors then hands over.
    void RaiseEvents(uint32_t events, uint32_t lineErrors = 0);
    void FailLine(int systemError);
    // While stalled, a blocking write waits (until released or woken).
    void StallWrites(bool stalled);
    void FailWrites(int systemError);

    // --- what happened (any thread) ---
    std::vector<SerialLineState> Applied() const;
    std::string Written() const;
    std::vector<BreakStep> Breaks() const;
    std::vector<uint32_t> Purges() const;
    std::string OpenedPath() const;
    SerialTimeouts Timeouts() const;
    int WritesWaiting() const;
    uint32_t EventMask() const;
    // Events raised but not yet taken by a wait.
    uint32_t PendingEvents() const;

    // --- ISerialBackend ---
    int Open(const std::string& path) override;
    bool IsOpen() const override;
    void Close() override;
    int GetState(SerialLineState& state) override;
    int SetState(const SerialLineState& state) override;
    int SetTimeouts(const SerialTimeouts& timeouts) override;
    int SetBufferSizes(int receive, int transmit) override;
    int SetEventMask(uint32_t mask) override;
    InputResult WaitInput(uint8_t* buffer, int count) override;
    OutputResult Write(const uint8_t* bytes, int count, bool mayBlock) override;
    int ModemStatus(uint32_t& word) override;
    int TakeLineErrors(uint32_t& word) override;
    int Purge(uint32_t flags) override;
    int SetBreak(bool on) override;
    void Wake(SerialWaker side) override;
    SerialErrorClass Classify(int systemError) const override;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    int open_error_ = 0;
    int settings_error_ = 0;
    SerialLineState found_;
    uint32_t modem_ = 0;
    std::deque<std::string> chunks_;
    uint32_t events_ = 0;
    uint32_t line_errors_ = 0;
    int line_error_ = 0;
    bool line_failed_ = false;
    bool stalled_ = false;
    int write_error_ = 0;
    int writes_waiting_ = 0;
    bool input_woken_ = false;
    bool output_woken_ = false;
    uint32_t mask_ = 0;
    std::string path_;
    SerialTimeouts timeouts_;
    std::vector<SerialLineState> applied_;
    std::string written_;
    std::vector<BreakStep> breaks_;
    std::vector<uint32_t> purges_;
};

} // namespace porttest
