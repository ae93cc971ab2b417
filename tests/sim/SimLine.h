// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The client's end of a simulated gauge's line for tests: the pty slave in raw mode, a frame
// builder of its own (so the simulator's frame code is checked, not reused), and reads with
// deadlines.

#include <cstdint>
#include <string>
#include <vector>

namespace simtest {

// A request frame as the configurator sends it: flags 0x0A, XOR checksum.
std::vector<uint8_t> Request(uint8_t instruction, const std::vector<uint8_t>& data);

struct Reply {
    bool complete = false; // at least Length + 4 bytes arrived
    bool checksumOk = false;
    uint8_t flags = 0;
    uint8_t instruction = 0;
    std::vector<uint8_t> data; // node byte first
    std::vector<uint8_t> payload() const {
        return data.empty() ? data : std::vector<uint8_t>(data.begin() + 1, data.end());
    }
};
Reply Parse(const std::vector<uint8_t>& bytes);

class Line {
public:
    explicit Line(const std::string& path);
    ~Line();
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    void Send(const std::vector<uint8_t>& bytes);
    // Bytes of one reply: returns once a whole frame (by its Length byte) is in, once the line
    // has been quiet for quietMs after some bytes, or at the deadline.
    std::vector<uint8_t> Receive(int deadlineMs = 1000, int quietMs = 150);
    Reply Exchange(uint8_t instruction, const std::vector<uint8_t>& data, int deadlineMs = 1000);
    // True when the other end went away (read gives 0 or an error, or POLLHUP) within ms.
    bool HangsUp(int ms);

private:
    int fd_ = -1;
};

} // namespace simtest
