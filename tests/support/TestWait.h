// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Waiting on a condition with a deadline, with the event loop running (never a blind sleep).

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

// Runs the event loop until done() holds or the deadline passes; the result of done(). The
// loop sleeps in the event dispatcher between checks and wakes at least every 2 ms, so a
// condition that no event announces is still seen promptly without spinning the CPU.
inline bool WaitUntilDone(const std::function<bool()>& done, int milliseconds = 5000) {
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}
