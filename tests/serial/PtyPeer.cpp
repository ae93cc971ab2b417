#include "PtyPeer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

PtyPeer::PtyPeer() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        return;
    // Pump() must never block the test.
    const int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0 || grantpt(master_) != 0 ||
        unlockpt(master_) != 0) {
        close(master_);
        master_ = -1;
        return;
    }
    const char* name = ptsname(master_);
    if (name == nullptr) {
        close(master_);
        master_ = -1;
        return;
    }
    slave_path_ = name;
    // Raw line until the port sets its own: no echo, no newline or XON/XOFF translation of
    // bytes that the peer writes before the port is open. (Termios set on the master applies
    // to the line seen by the slave.)
    termios settings{};
    if (tcgetattr(master_, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(master_, TCSANOW, &settings);
    }
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
