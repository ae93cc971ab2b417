// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Serial backend over a POSIX termios device (a real port, a USB adapter or a pty).

#include "SerialBackend.h"

#include <atomic>
#include <cstdint>

class PosixSerialBackend final : public ISerialBackend {
public:
    PosixSerialBackend() = default;
    ~PosixSerialBackend() override;
    PosixSerialBackend(const PosixSerialBackend&) = delete;
    PosixSerialBackend& operator=(const PosixSerialBackend&) = delete;

    int Open(const std::string& path) override;
    bool IsOpen() const override { return fd_ >= 0; }
    void Close() override;

    int GetState(SerialLineState& state) override;
    int SetState(const SerialLineState& state) override;
    int SetTimeouts(const SerialTimeouts& timeouts) override;
    int SetBufferSizes(int receive, int transmit) override;
    int SetEventMask(uint32_t mask) override;

    InputResult WaitInput(uint8_t* buffer, int count) override;
    InputResult WaitChunk(uint8_t* buffer, int count, const ChunkRule& rule) override;
    OutputResult Write(const uint8_t* bytes, int count, bool mayBlock) override;

    int ModemStatus(uint32_t& word) override;
    int TakeLineErrors(uint32_t& word) override;
    int Purge(uint32_t flags) override;
    int SetBreak(bool on) override;
    void Wake(SerialWaker side) override;
    SerialErrorClass Classify(int systemError) const override;

private:
    // Compares the modem lines and the driver's error counters with the last look; returns
    // the comm_event bits of what changed and collects line errors.
    uint32_t poll_line_changes();

    int fd_ = -1;
    int input_wake_ = -1;
    int output_wake_ = -1;
    SerialTimeouts timeouts_;
    std::atomic<uint32_t> event_mask_{comm_event::Watched};
    // Whether the device has modem lines (TIOCMGET) and error counters (TIOCGICOUNT); a pty
    // has neither, and then nothing is polled.
    bool has_modem_lines_ = false;
    bool has_counters_ = false;
    uint32_t last_lines_ = 0;
    struct Counters {
        int cts = 0, dsr = 0, rng = 0, dcd = 0;
        int frame = 0, overrun = 0, parity = 0, brk = 0, buf_overrun = 0;
    } last_counters_;
    std::atomic<uint32_t> pending_errors_{0};
    // Set by the input side once the device has gone; from then on it waits for wake-ups.
    bool line_failed_ = false;
};
