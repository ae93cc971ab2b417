// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// The far end of a serial line for tests: the master side of a real pseudo-terminal. The port
// under test opens SlavePath(); the test writes the peer's replies to the master and reads back
// what the port sent.

#include "TestHex.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

class PtyPeer {
public:
    PtyPeer();
    ~PtyPeer();
    Q_DISABLE_COPY(PtyPeer)

    bool IsOpen() const { return master_ >= 0; }
    const std::string& SlavePath() const { return slave_path_; }

    // Writes all bytes to the line in one write, so that they reach the port as one burst.
    bool Send(const Bytes& bytes);

    // Moves whatever the port has sent so far into Received(); never blocks.
    void Pump();
    const Bytes& Received() const { return received_; }
    // Removes and returns the first count received bytes (fewer if fewer arrived).
    Bytes Take(size_t count);
    void ClearReceived() { received_.clear(); }

    // Runs the event loop, pumping the master, until done() holds or the time is up.
    bool WaitFor(const std::function<bool()>& done, int timeoutMs);
    // Waits until at least count bytes were received.
    bool WaitForBytes(size_t count, int timeoutMs);

private:
    int master_ = -1;
    std::string slave_path_;
    Bytes received_;
};

// Runs the event loop until done() holds or timeoutMs have passed; returns done(). pump, when
// given, is called before each check. The loop wakes at least every 2 ms, so a condition that
// no event announces is still seen promptly.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs,
               const std::function<void()>& pump = {});

// Runs the event loop for the given time: for checks that something does NOT happen within a
// window, where the window is part of the behaviour under test.
void RunEventLoopFor(int milliseconds, const std::function<void()>& pump = {});
