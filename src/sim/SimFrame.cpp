// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimFrame.h"

#include <algorithm>

namespace sim {

uint8_t Checksum(const uint8_t* bytes, size_t count) {
    uint8_t sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum ^= bytes[i];
    return sum;
}

std::vector<uint8_t> BuildFrame(uint8_t flags, uint8_t instruction,
                                const std::vector<uint8_t>& data) {
    const size_t length = std::min(data.size(), kMaxData);
    std::vector<uint8_t> wire;
    wire.reserve(length + kFrameOverhead);
    wire.push_back(flags);
    wire.push_back(static_cast<uint8_t>(length));
    wire.push_back(instruction);
    wire.insert(wire.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length));
    wire.push_back(Checksum(wire.data(), wire.size()));
    return wire;
}

FrameAssembler::FrameAssembler(std::chrono::milliseconds silence) : silence_(silence) {}

void FrameAssembler::Feed(const uint8_t* bytes, size_t count, Clock::time_point now,
                          std::vector<Frame>& out) {
    if (count == 0)
        return;
    Expire(now, out); // what was left before the silence belongs to no new frame
    pending_.insert(pending_.end(), bytes, bytes + count);
    lastByte_ = now;
    Extract(out);
}

void FrameAssembler::Expire(Clock::time_point now, std::vector<Frame>& out) {
    if (now - lastByte_ < silence_)
        return;
    // The line is quiet, so what is left cannot be completed: drop byte by byte and search
    // again until nothing is left.
    while (!pending_.empty()) {
        pending_.erase(pending_.begin());
        ++discarded_;
        Extract(out);
    }
}

int FrameAssembler::MillisecondsToExpiry(Clock::time_point now) const {
    if (pending_.empty())
        return -1;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(lastByte_ + silence_ - now);
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()) + 1);
}

void FrameAssembler::Extract(std::vector<Frame>& out) {
    size_t start = 0;
    while (pending_.size() - start >= kOffsetData) {
        const uint8_t* p = pending_.data() + start;
        const size_t frameSize = p[kOffsetLength] + kFrameOverhead;
        if (pending_.size() - start < frameSize)
            break;
        // A request always asks for checksum checking; a frame that does not, or whose
        // checksum is wrong, is noise: drop one byte and look again from the next.
        const bool good =
            (p[kOffsetFlags] & kFlagChecksum) && Checksum(p, frameSize - 1) == p[frameSize - 1];
        if (!good) {
            ++start;
            ++discarded_;
            continue;
        }
        Frame frame;
        frame.flags = p[kOffsetFlags];
        frame.instruction = p[kOffsetInstruction];
        frame.data.assign(p + kOffsetData, p + frameSize - 1);
        frame.wire.assign(p, p + frameSize);
        out.push_back(std::move(frame));
        start += frameSize;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(start));
}

} // namespace sim
