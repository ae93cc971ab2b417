// SPDX-License-Identifier: GPL-3.0-or-later
#include "PosixSerialBackend.h"

#include "PosixModemLines.h"

#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// How often lines and error counters are looked at, on devices that have them, while the
// input side waits. Ptys have none and are never polled.
constexpr int kLinePollMs = 100;
constexpr uint32_t kNoIntervalLimit = 0;
constexpr uint32_t kReturnAtOnce = 0xFFFFFFFFu;

void Drain(int eventFd) {
    uint64_t value = 0;
    while (::read(eventFd, &value, sizeof value) < 0 && errno == EINTR) {
    }
}

int MillisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 1'000'000'000));
}

} // namespace

uint32_t PosixSerialBackend::poll_line_changes() {
    uint32_t events = 0;
    if (has_modem_lines_) {
        int bits = 0;
        if (ioctl(fd_, TIOCMGET, &bits) == 0) {
            const uint32_t lines = LinesToStatusWord(bits);
            const uint32_t changed = lines ^ last_lines_;
            last_lines_ = lines;
            if (changed & modem_status::Cts)
                events |= comm_event::Cts;
            if (changed & modem_status::Dsr)
                events |= comm_event::Dsr;
            if (changed & modem_status::Rlsd)
                events |= comm_event::Rlsd;
            if (changed & modem_status::Ring)
                events |= comm_event::Ring;
        }
    }
    if (has_counters_) {
        serial_icounter_struct c{};
        if (ioctl(fd_, TIOCGICOUNT, &c) == 0) {
            // The counters also catch a line that went and came back between two looks.
            Counters& last = last_counters_;
            if (c.cts != last.cts)
                events |= comm_event::Cts;
            if (c.dsr != last.dsr)
                events |= comm_event::Dsr;
            if (c.dcd != last.dcd)
                events |= comm_event::Rlsd;
            if (c.rng != last.rng)
                events |= comm_event::Ring;
            uint32_t errors = 0;
            if (c.frame != last.frame)
                errors |= line_error::Frame;
            if (c.parity != last.parity)
                errors |= line_error::RxParity;
            if (c.overrun != last.overrun)
                errors |= line_error::Overrun;
            if (c.buf_overrun != last.buf_overrun)
                errors |= line_error::RxOver;
            if (c.brk != last.brk)
                errors |= line_error::Break;
            if (errors & ~line_error::Break)
                events |= comm_event::Err;
            if (errors & line_error::Break)
                events |= comm_event::Break;
            pending_errors_ |= errors;
            last = {c.cts, c.dsr, c.rng, c.dcd, c.frame, c.overrun, c.parity, c.brk, c.buf_overrun};
        }
    }
    return events & event_mask_;
}

InputResult PosixSerialBackend::WaitInput(uint8_t* buffer, int count) {
    return WaitChunk(buffer, count, ChunkRule());
}

InputResult PosixSerialBackend::WaitChunk(uint8_t* buffer, int count, const ChunkRule& rule) {
    InputResult r;
    if (fd_ < 0) {
        r.error = EBADF;
        return r;
    }
    const bool reading = count > 0 && buffer != nullptr && !line_failed_;
    const bool watchLines = (has_modem_lines_ || has_counters_) && !line_failed_;
    const uint32_t interval = timeouts_.ReadIntervalTimeout;
    const uint64_t total =
        reading ? uint64_t{timeouts_.ReadTotalTimeoutMultiplier} * static_cast<uint64_t>(count) +
                      timeouts_.ReadTotalTimeoutConstant
                : 0;
    const auto start = Clock::now();
    const auto totalDeadline = start + std::chrono::milliseconds(total);
    auto lastByte = start;

    auto fail = [&](int error) {
        line_failed_ = true;
        r.error = error;
    };
    // How far this chunk may be read: never past the end the rule expects, so the bytes after
    // a complete chunk stay in the driver for the next one.
    int readEnd = count;
    if (reading && rule) {
        const int missing = rule(buffer, 0);
        if (missing > 0)
            readEnd = std::min(count, missing);
    }

    for (;;) {
        int timeout = -1;
        auto limit = [&timeout](int ms) { timeout = timeout < 0 ? ms : std::min(timeout, ms); };
        if (reading && r.count > 0) {
            if (interval == kReturnAtOnce)
                limit(0);
            else if (interval != kNoIntervalLimit)
                limit(MillisecondsUntil(lastByte + std::chrono::milliseconds(interval)));
        }
        if (total > 0)
            limit(MillisecondsUntil(totalDeadline));
        if (watchLines)
            limit(kLinePollMs);

        pollfd fds[2] = {{input_wake_, POLLIN, 0}, {reading ? fd_ : -1, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeout);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
            return r;
        }
        if (fds[0].revents & POLLIN) {
            Drain(input_wake_);
            r.woken = true;
            return r;
        }
        if (fds[1].revents != 0) {
            if (!(fds[1].revents & POLLIN)) {
                // Hung up (other end closed, adapter unplugged) with nothing left to read.
                fail(EIO);
                return r;
            }
            const ssize_t n = ::read(fd_, buffer + r.count, static_cast<size_t>(readEnd - r.count));
            if (n > 0) {
                r.count += static_cast<int>(n);
                lastByte = Clock::now();
                if (r.count >= count)
                    break;
                if (rule) {
                    const int missing = rule(buffer, r.count);
                    if (missing == 0)
                        break;
                    readEnd = missing > 0 ? std::min(count, r.count + missing) : count;
                }
            } else if (n == 0) {
                fail(EIO);
                return r;
            } else if (errno != EAGAIN && errno != EINTR) {
                fail(errno);
                return r;
            }
        }
        if (watchLines) {
            r.events |= poll_line_changes();
            if (r.events != 0 && r.count == 0)
                return r;
        }
        const auto now = Clock::now();
        if (reading && r.count > 0) {
            if (interval == kReturnAtOnce)
                break;
            if (interval != kNoIntervalLimit &&
                now >= lastByte + std::chrono::milliseconds(interval))
                break;
        }
        if (total > 0 && now >= totalDeadline)
            break;
    }
    return r;
}

OutputResult PosixSerialBackend::Write(const uint8_t* bytes, int count, bool mayBlock) {
    OutputResult r;
    if (fd_ < 0) {
        r.error = EBADF;
        return r;
    }
    const uint64_t total =
        uint64_t{timeouts_.WriteTotalTimeoutMultiplier} * static_cast<uint64_t>(count) +
        timeouts_.WriteTotalTimeoutConstant;
    const auto deadline = Clock::now() + std::chrono::milliseconds(total);
    while (r.count < count) {
        const ssize_t n = ::write(fd_, bytes + r.count, static_cast<size_t>(count - r.count));
        if (n > 0) {
            r.count += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!mayBlock)
                break;
            int timeout = -1;
            if (total > 0) {
                timeout = MillisecondsUntil(deadline);
                if (timeout == 0) {
                    r.error = ETIMEDOUT;
                    break;
                }
            }
            pollfd fds[2] = {{output_wake_, POLLIN, 0}, {fd_, POLLOUT, 0}};
            const int ready = ::poll(fds, 2, timeout);
            if (ready < 0) {
                if (errno == EINTR)
                    continue;
                r.error = errno;
                break;
            }
            if (fds[0].revents & POLLIN) {
                Drain(output_wake_);
                r.aborted = true;
                break;
            }
            if (ready == 0) {
                r.error = ETIMEDOUT;
                break;
            }
            if (!(fds[1].revents & POLLOUT) && (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL))) {
                r.error = EIO;
                break;
            }
            continue;
        }
        r.error = n < 0 ? errno : EIO;
        break;
    }
    return r;
}

int PosixSerialBackend::ModemStatus(uint32_t& word) {
    word = 0;
    if (fd_ < 0)
        return EBADF;
    if (!has_modem_lines_)
        return 0;
    int bits = 0;
    if (ioctl(fd_, TIOCMGET, &bits) != 0)
        return NoModemLines(errno) ? 0 : errno;
    word = LinesToStatusWord(bits);
    return 0;
}

int PosixSerialBackend::TakeLineErrors(uint32_t& word) {
    word = pending_errors_.exchange(0);
    return fd_ >= 0 ? 0 : EBADF;
}

int PosixSerialBackend::Purge(uint32_t flags) {
    if (fd_ < 0)
        return EBADF;
    if (flags & purge_flags::TxAbort)
        Wake(SerialWaker::Output);
    if (flags & purge_flags::RxAbort)
        Wake(SerialWaker::Input);
    if ((flags & purge_flags::TxClear) && tcflush(fd_, TCOFLUSH) != 0)
        return errno;
    if ((flags & purge_flags::RxClear) && tcflush(fd_, TCIFLUSH) != 0)
        return errno;
    return 0;
}

int PosixSerialBackend::SetBreak(bool on) {
    if (fd_ < 0)
        return EBADF;
    if (ioctl(fd_, on ? TIOCSBRK : TIOCCBRK) == 0)
        return 0;
    return NoModemLines(errno) ? 0 : errno;
}

void PosixSerialBackend::Wake(SerialWaker side) {
    const int fd = side == SerialWaker::Input ? input_wake_ : output_wake_;
    if (fd < 0)
        return;
    const uint64_t one = 1;
    while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}
