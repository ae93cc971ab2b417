// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A real pseudo-terminal for the port tests: the port opens SlavePath(), the test plays the
// far end on the master, and keeps a slave descriptor of its own to inspect the line
// settings the port applied.

#include <QtGlobal>
#include <QByteArray>

#include <functional>
#include <string>

namespace porttest {

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    Q_DISABLE_COPY(PtyPair)

    bool IsOpen() const { return master_ >= 0; }
    const std::string& SlavePath() const { return slave_path_; }
    int SlaveFd() const { return slave_; }

    // Writes every byte (waiting for room up to timeoutMs); false if that failed.
    bool Send(const QByteArray& bytes, int timeoutMs = 5000);
    // Reads until count bytes have arrived or timeoutMs passed; returns what arrived.
    QByteArray Receive(int count, int timeoutMs = 5000);
    // Whatever the port has sent so far, without waiting.
    QByteArray ReceiveAvailable();
    // The far end goes away, as an unplugged adapter does.
    void CloseMaster();
    // Closes the inspection descriptor, so the port's descriptor is the only one.
    void CloseSlave();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slave_path_;
};

// Runs the GUI thread's event loop until done() holds or timeoutMs passed; returns done().
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000);
// Waits (without running the event loop) until done() holds or timeoutMs passed.
bool WaitWithoutEvents(const std::function<bool()>& done, int timeoutMs = 5000);

// A recognisable byte pattern: byte i is (i * 7 + seed) & 0xFF.
QByteArray Pattern(int size, int seed = 0);

} // namespace porttest
