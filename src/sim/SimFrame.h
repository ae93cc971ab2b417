// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The gauge's view of the wire frame: Flags, Length, Instruction, Length data bytes, and an XOR
// checksum over everything before it. Requests arrive as a plain byte stream; the assembler finds
// the frames in it by their Length byte and resynchronises after line noise.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

constexpr uint8_t kFlagAck = 0x01;
constexpr uint8_t kFlagChecksum = 0x02;
constexpr uint8_t kFlagFlow = 0x04;
constexpr uint8_t kFlagReady = 0x08;
// Every reply lets the client send its next request.
constexpr uint8_t kReplyFlags = kFlagAck | kFlagChecksum | kFlagFlow | kFlagReady;
constexpr uint8_t kNackFlags = kFlagChecksum | kFlagFlow | kFlagReady;

constexpr size_t kOffsetFlags = 0;
constexpr size_t kOffsetLength = 1;
constexpr size_t kOffsetInstruction = 2;
constexpr size_t kOffsetData = 3;
constexpr size_t kFrameOverhead = 4; // Flags, Length, Instruction, Checksum
constexpr size_t kMaxData = 255;

// XOR of count bytes, starting from 0.
uint8_t Checksum(const uint8_t* bytes, size_t count);

// The wire bytes of one frame; data beyond kMaxData bytes is cut off.
std::vector<uint8_t> BuildFrame(uint8_t flags, uint8_t instruction,
                                const std::vector<uint8_t>& data);

struct Frame {
    uint8_t flags = 0;
    uint8_t instruction = 0;
    std::vector<uint8_t> data;
    std::vector<uint8_t> wire; // the frame as received
};

class FrameAssembler {
public:
    using Clock = std::chrono::steady_clock;

    // A partial frame is given up after this much silence on the line.
    explicit FrameAssembler(std::chrono::milliseconds silence = std::chrono::milliseconds(100));

    // Takes received bytes and appends every complete frame with a good checksum to out.
    void Feed(const uint8_t* bytes, size_t count, Clock::time_point now, std::vector<Frame>& out);
    // Once the line has been silent long enough, a partial frame is no frame: its first byte is
    // dropped and the rest searched again, so a good request behind a noise byte survives.
    void Expire(Clock::time_point now, std::vector<Frame>& out);
    // Milliseconds until Expire has work to do, or -1 while nothing is pending.
    int MillisecondsToExpiry(Clock::time_point now) const;

    size_t Pending() const { return pending_.size(); }
    size_t DiscardedBytes() const { return discarded_; }

private:
    void Extract(std::vector<Frame>& out);

    std::chrono::milliseconds silence_;
    std::vector<uint8_t> pending_;
    Clock::time_point lastByte_{};
    size_t discarded_ = 0;
};

} // namespace sim
