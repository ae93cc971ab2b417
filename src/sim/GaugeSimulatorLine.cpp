// SPDX-License-Identifier: GPL-3.0-or-later
#include "GaugeSimulatorImpl.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

using namespace layout;

// How long the gauge keeps trying to hand a reply to a client that does not read.
constexpr int kWriteDeadlineMs = 1000;
// Pause before looking at the line again while no client holds the port open.
constexpr int kHangupPauseMs = 20;

// Replies that overlap on the line: where two drivers send at once, a bit reads as 0 when
// either sends 0 (the line idles at 1), so the result is neither reply.
std::vector<uint8_t> Merge(const std::vector<std::vector<uint8_t>>& pieces) {
    std::vector<uint8_t> merged;
    for (const auto& piece : pieces) {
        for (size_t i = 0; i < piece.size(); ++i) {
            if (i < merged.size())
                merged[i] &= piece[i];
            else
                merged.push_back(piece[i]);
        }
    }
    return merged;
}

// A gauge whose firmware honours one table row per request: the row count of a table read or
// write taken as 1. Data (node, start, count, rows) keeps its length; the rest is not looked at.
Frame FirstRowOnly(const Frame& request) {
    constexpr size_t kCountByte = 2;
    Frame one = request;
    if ((request.instruction == kReadTableRows || request.instruction == kWriteTableRows) &&
        one.data.size() > kCountByte && one.data[kCountByte] > 1)
        one.data[kCountByte] = 1;
    return one;
}

} // namespace

std::string LastError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// A pseudo-terminal in raw mode, so the client's bytes reach the gauge untouched whatever it
// sets itself. Only the client holds the slave open, so its close is seen here as a hang-up.
bool OpenPty(int& master, std::string& slaveName, std::string& reason) {
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        reason = LastError("openpty");
        return false;
    }
    termios settings{};
    char name[256] = {};
    bool ready = tcgetattr(slave, &settings) == 0;
    if (ready) {
        cfmakeraw(&settings);
        ready =
            tcsetattr(slave, TCSANOW, &settings) == 0 && ttyname_r(slave, name, sizeof name) == 0;
    }
    if (!ready) {
        reason = LastError("pseudo-terminal set-up");
        close(master);
        close(slave);
        master = -1;
        return false;
    }
    close(slave);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    slaveName = name;
    return true;
}

std::vector<uint8_t> GaugeSimulator::Impl::Garbage() {
    std::uniform_int_distribution<int> length(6, 24), byte(0, 255);
    std::vector<uint8_t> bytes(static_cast<size_t>(length(random)));
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(byte(random));
    // Noise that any client must reject: it asks for checksum checking, fails it, and carries
    // no acknowledgement bit.
    bytes[kOffsetFlags] = static_cast<uint8_t>((bytes[kOffsetFlags] | kFlagChecksum) & ~kFlagAck);
    const uint8_t sum = Checksum(bytes.data(), bytes.size() - 1);
    if (bytes.back() == sum)
        bytes.back() = static_cast<uint8_t>(sum ^ 0xFF);
    return bytes;
}

// Waits on the wake-up fd only; false when the simulator is stopping.
bool GaugeSimulator::Impl::Pause(int milliseconds) {
    return PauseUntil(Clock::now() + std::chrono::milliseconds(milliseconds));
}

bool GaugeSimulator::Impl::PauseUntil(Clock::time_point until) {
    while (!stopping) {
        const auto left =
            std::chrono::duration_cast<std::chrono::nanoseconds>(until - Clock::now());
        if (left.count() <= 0)
            return true;
        // Nanoseconds, not milliseconds: a paced byte at 9600 baud takes 1.04 ms.
        const timespec wait{static_cast<time_t>(left.count() / 1'000'000'000),
                            static_cast<long>(left.count() % 1'000'000'000)};
        pollfd fd{wake, POLLIN, 0};
        if (ppoll(&fd, 1, &wait, nullptr) > 0) {
            std::lock_guard lock(mutex);
            if (unplugRequest || adoptMaster >= 0)
                return true; // handled by the main loop
            uint64_t count;
            [[maybe_unused]] auto n = read(wake, &count, sizeof count);
        }
    }
    return false;
}

// One write burst per piece, so the client's silence-delimited reader sees it as one chunk.
void GaugeSimulator::Impl::Send(const std::vector<uint8_t>& bytes) {
    // With nobody on the line the pty would keep the bytes for the next client to open it.
    pollfd line{master, POLLOUT, 0};
    if (master < 0 || (poll(&line, 1, 0) > 0 && (line.revents & POLLHUP)))
        return;
    size_t sent = 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kWriteDeadlineMs);
    while (sent < bytes.size() && !stopping && master >= 0) {
        const ssize_t n = write(master, bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return; // nobody holds the port open: the reply is lost
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return;
        pollfd fd{master, POLLOUT, 0};
        poll(&fd, 1, static_cast<int>(left));
    }
}

Clock::duration GaugeSimulator::Impl::ByteTime() const {
    // Start bit, 8 data bits, stop bit.
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(10LL * 1'000'000'000 / std::max(1L, options.pace_baud)));
}

void GaugeSimulator::Impl::SendPaced(const std::vector<uint8_t>& bytes) {
    const auto byteTime = ByteTime();
    const auto start = Clock::now();
    size_t sent = 0;
    while (sent < bytes.size() && master >= 0) {
        // A byte is in the receiver once its last bit has left: byte i at (i + 1) byte times.
        if (!PauseUntil(start + byteTime * static_cast<long>(sent + 1)))
            return;
        // Whatever fell due meanwhile goes together, so a late wake-up does not slow the line.
        const auto due = static_cast<size_t>((Clock::now() - start) / byteTime);
        const size_t end = std::clamp(due, sent + 1, bytes.size());
        Send(std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(sent),
                                  bytes.begin() + static_cast<std::ptrdiff_t>(end)));
        sent = end;
    }
}

void GaugeSimulator::Impl::CloseMaster() {
    std::lock_guard lock(mutex);
    if (master >= 0) {
        close(master);
        master = -1;
    }
    if (adoptMaster >= 0) {
        close(adoptMaster);
        adoptMaster = -1;
    }
    unplugged = true;
    unplugRequest = false;
    changed.notify_all();
}

void GaugeSimulator::Impl::Handle(const Frame& request) {
    // What each addressed gauge puts on the line: a first piece and, for a split reply, a second
    // one after a silence. Gauges that answer the same request send at the same moment.
    std::vector<std::vector<uint8_t>> firsts, seconds;
    bool unplug = false;
    {
        std::lock_guard lock(mutex);
        instructions.push_back(request.instruction);
        frames.push_back(request.wire);
        if (request.data.empty())
            return; // nobody is addressed
        for (Gauge& gauge : gauges) {
            const uint8_t node = gauge.Node();
            if (request.data[0] != node && request.data[0] != kBroadcastNode)
                continue;
            const Fault fault = gauge.FaultFor(request.instruction);
            std::vector<uint8_t> first, second;
            // A request that is lost, refused or drowned in noise is not carried out.
            switch (fault) {
            case Fault::NoReply:
                continue;
            case Fault::Unplug:
                unplug = true;
                continue;
            case Fault::Garbage:
                first = Garbage();
                break;
            case Fault::Nack:
                first = BuildFrame(kNackFlags, request.instruction, {node});
                break;
            default: {
                // A forgetting gauge acknowledges what it was sent and keeps what it had.
                std::optional<DeviceImage> kept;
                if (fault == Fault::Forget)
                    kept = gauge.image;
                Answer answer = gauge.Execute(fault == Fault::SingleRow ? FirstRowOnly(request)
                                                                        : request);
                if (kept) {
                    gauge.image = *kept;
                    answer.newNode.reset();
                }
                // The reply goes out from the old node; the new one holds from the next request.
                if (answer.newNode)
                    gauge.image.At(kRs485Id)[0] = *answer.newNode;
                if (fault == Fault::ShortReply)
                    answer.payload.resize(answer.payload.size() / 2);
                std::vector<uint8_t> data(answer.payload.size() + 1);
                data[0] = fault == Fault::OtherNode ? uint8_t(node + 1) : node;
                std::copy(answer.payload.begin(), answer.payload.end(), data.begin() + 1);
                first = BuildFrame(answer.flags, answer.instruction, data);
                if (fault == Fault::BadChecksum)
                    first.back() ^= 0x5A;
                if (fault == Fault::SplitReply) {
                    const auto half = static_cast<std::ptrdiff_t>(first.size() / 2);
                    second.assign(first.begin() + half, first.end());
                    first.resize(static_cast<size_t>(half));
                }
            }
            }
            firsts.push_back(std::move(first));
            if (!second.empty())
                seconds.push_back(std::move(second));
        }
        // Logged before the bytes leave, so a client that has the reply finds it logged.
        if (!unplug && !firsts.empty()) {
            replies.push_back(Merge(firsts));
            const std::vector<uint8_t> rest = Merge(seconds);
            replies.back().insert(replies.back().end(), rest.begin(), rest.end());
        }
    }
    if (unplug) {
        CloseMaster();
        return;
    }
    if (firsts.empty())
        return;
    const bool paced = options.pace_baud > 0;
    // On a wire the request's last byte arrives only after all of its bits have crossed.
    const auto requestTime =
        paced ? ByteTime() * static_cast<long>(request.wire.size()) : Clock::duration::zero();
    const auto replyAt =
        Clock::now() + requestTime + std::chrono::milliseconds(options.reply_delay_ms);
    if ((paced || options.reply_delay_ms > 0) && !PauseUntil(replyAt))
        return;
    const std::vector<uint8_t> first = Merge(firsts);
    paced ? SendPaced(first) : Send(first);
    if (!seconds.empty() && Pause(options.split_silence_ms)) {
        const std::vector<uint8_t> second = Merge(seconds);
        paced ? SendPaced(second) : Send(second);
    }
}

void GaugeSimulator::Impl::Run() {
    bool hungUp = false;
    while (!stopping) {
        {
            std::unique_lock lock(mutex);
            if (unplugRequest) {
                lock.unlock();
                CloseMaster();
                continue;
            }
            if (adoptMaster >= 0) {
                // Plugged in again: a new line, with nothing of the old one half-read.
                master = adoptMaster;
                adoptMaster = -1;
                hungUp = false;
                assembler =
                    FrameAssembler(std::chrono::milliseconds(options.partial_frame_silence_ms));
            }
        }
        if (master < 0 || hungUp) {
            // No client on the line (or none ever again): look again after a pause.
            hungUp = false;
            Pause(master < 0 ? 1000 : kHangupPauseMs);
            continue;
        }
        pollfd fds[2] = {{wake, POLLIN, 0}, {master, POLLIN, 0}};
        const int timeout = assembler.MillisecondsToExpiry(Clock::now());
        const int n = poll(fds, 2, timeout);
        if (n < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN) {
            uint64_t count;
            [[maybe_unused]] auto r = read(wake, &count, sizeof count);
            continue;
        }
        if (fds[1].revents & POLLIN) {
            uint8_t buffer[512];
            const ssize_t got = read(master, buffer, sizeof buffer);
            if (got > 0)
                Take(buffer, static_cast<size_t>(got), true);
            else if (got < 0 && errno != EAGAIN && errno != EINTR)
                hungUp = true;
        } else if (fds[1].revents & (POLLHUP | POLLERR)) {
            hungUp = true;
        }
        Take(nullptr, 0, true);
    }
}

void GaugeSimulator::Impl::Take(const uint8_t* bytes, size_t count, bool online) {
    std::vector<Frame> ready;
    if (count > 0)
        assembler.Feed(bytes, count, Clock::now(), ready);
    assembler.Expire(Clock::now(), ready);
    for (const Frame& frame : ready) {
        if (stopping || (online && master < 0))
            break;
        Handle(frame);
    }
}

} // namespace sim
