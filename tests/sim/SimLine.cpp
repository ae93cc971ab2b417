// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimLine.h"
#include "TestFrame.h"

#include <chrono>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace simtest {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> Request(uint8_t instruction, const std::vector<uint8_t>& data) {
    return BuildTestFrame(0x0A, instruction, data);
}

Reply Parse(const std::vector<uint8_t>& bytes) {
    Reply reply;
    if (bytes.size() < 4)
        return reply;
    const size_t length = bytes[1];
    reply.flags = bytes[0];
    reply.instruction = bytes[2];
    reply.complete = bytes.size() >= length + 4;
    if (!reply.complete)
        return reply;
    reply.data.assign(bytes.begin() + 3, bytes.begin() + 3 + static_cast<long>(length));
    uint8_t sum = 0;
    for (size_t i = 0; i < length + 3; ++i)
        sum ^= bytes[i];
    reply.checksumOk = sum == bytes[length + 3] && bytes.size() == length + 4;
    return reply;
}

Line::Line(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return;
    termios settings{};
    tcgetattr(fd_, &settings);
    cfmakeraw(&settings);
    tcsetattr(fd_, TCSANOW, &settings);
}

Line::~Line() {
    if (fd_ >= 0)
        close(fd_);
}

void Line::Send(const std::vector<uint8_t>& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = write(fd_, bytes.data() + sent, bytes.size() - sent);
        if (n <= 0) {
            pollfd fd{fd_, POLLOUT, 0};
            if (poll(&fd, 1, 1000) <= 0)
                return;
            continue;
        }
        sent += static_cast<size_t>(n);
    }
}

std::vector<uint8_t> Line::Receive(int deadlineMs, int quietMs) {
    std::vector<uint8_t> bytes;
    const auto deadline = Clock::now() + std::chrono::milliseconds(deadlineMs);
    while (true) {
        if (bytes.size() >= 2 && bytes.size() >= size_t(bytes[1]) + 4)
            return bytes;
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return bytes;
        if (!bytes.empty())
            left = std::min<long>(left, quietMs);
        pollfd fd{fd_, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left)) <= 0) {
            if (!bytes.empty())
                return bytes; // quiet after some bytes: that is all of this chunk
            continue;
        }
        uint8_t buffer[300];
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n <= 0)
            return bytes;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
}

Reply Line::Exchange(uint8_t instruction, const std::vector<uint8_t>& data, int deadlineMs) {
    Send(Request(instruction, data));
    return Parse(Receive(deadlineMs));
}

bool Line::HangsUp(int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < deadline) {
        pollfd fd{fd_, POLLIN, 0};
        if (poll(&fd, 1, 50) > 0) {
            if (fd.revents & (POLLHUP | POLLERR))
                return true;
            uint8_t buffer[64];
            if (read(fd_, buffer, sizeof buffer) <= 0)
                return true;
        }
    }
    return false;
}

} // namespace simtest
