// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyPeer.h"

#include "TestPty.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

PtyPeer::PtyPeer() {
    // Non-blocking, so Pump() never blocks the test; raw, so nothing the peer writes before
    // the port is open is echoed or translated.
    const TTestPty pty = OpenTestPty(true, false);
    master_ = pty.Master;
    slave_path_ = pty.SlavePath;
}

PtyPeer::~PtyPeer() {
    if (master_ >= 0)
        close(master_);
}

bool PtyPeer::Send(const Bytes& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

void PtyPeer::Pump() {
    if (master_ < 0)
        return;
    uint8_t chunk[512];
    for (;;) {
        const ssize_t n = read(master_, chunk, sizeof chunk);
        if (n > 0) {
            received_.insert(received_.end(), chunk, chunk + n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // EAGAIN: nothing more for now; EIO: the slave is not open at the moment.
        return;
    }
}

Bytes PtyPeer::Take(size_t count) {
    const size_t n = std::min(count, received_.size());
    Bytes front(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(n));
    received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(n));
    return front;
}

bool PtyPeer::WaitFor(const std::function<bool()>& done, int timeoutMs) {
    return WaitUntil(done, timeoutMs, [this] { Pump(); });
}

bool PtyPeer::WaitForBytes(size_t count, int timeoutMs) {
    return WaitFor([&] { return received_.size() >= count; }, timeoutMs);
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs,
               const std::function<void()>& pump) {
    QDeadlineTimer deadline(timeoutMs);
    // Keeps WaitForMoreEvents from blocking past the deadline when nothing else happens.
    QTimer wake;
    wake.start(2);
    for (;;) {
        if (pump)
            pump();
        if (done())
            return true;
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

void RunEventLoopFor(int milliseconds, const std::function<void()>& pump) {
    QDeadlineTimer deadline(milliseconds);
    WaitUntil([&] { return deadline.hasExpired(); }, milliseconds + 1000, pump);
}
