// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyPair.h"

#include "TestPty.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace porttest {

PtyPair::PtyPair() {
    const TTestPty pty = OpenTestPty(false, true);
    master_ = pty.Master;
    slave_ = pty.Slave;
    slave_path_ = pty.SlavePath;
}

PtyPair::~PtyPair() {
    CloseSlave();
    CloseMaster();
}

void PtyPair::CloseMaster() {
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

void PtyPair::CloseSlave() {
    if (slave_ >= 0)
        ::close(slave_);
    slave_ = -1;
}

bool PtyPair::Send(const QByteArray& bytes, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n =
            ::write(master_, bytes.constData() + sent, static_cast<size_t>(bytes.size() - sent));
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (deadline.hasExpired())
            return false;
        pollfd fd{master_, POLLOUT, 0};
        ::poll(&fd, 1, static_cast<int>(std::min<qint64>(deadline.remainingTime(), 50)));
    }
    return true;
}

QByteArray PtyPair::Receive(int count, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    QByteArray got;
    char chunk[4096];
    while (got.size() < count && !deadline.hasExpired()) {
        const ssize_t n =
            ::read(master_, chunk, std::min<size_t>(sizeof chunk, count - got.size()));
        if (n > 0) {
            got.append(chunk, n);
            continue;
        }
        pollfd fd{master_, POLLIN, 0};
        ::poll(&fd, 1, static_cast<int>(std::min<qint64>(deadline.remainingTime(), 50)));
    }
    return got;
}

QByteArray PtyPair::ReceiveAvailable() {
    QByteArray got;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(master_, chunk, sizeof chunk);
        if (n <= 0)
            break;
        got.append(chunk, n);
    }
    return got;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (done())
            return true;
        if (deadline.hasExpired())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool WaitWithoutEvents(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

QByteArray Pattern(int size, int seed) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return bytes;
}

} // namespace porttest
