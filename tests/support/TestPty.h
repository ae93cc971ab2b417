// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A real pseudo-terminal for tests that play the far end of a serial line: the code under test
// opens SlavePath(), the test reads and writes the master (non-blocking).

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

struct TTestPty {
    int Master = -1;
    int Slave = -1; // only when asked to keep one open, to inspect the line settings
    std::string SlavePath;
};

// raw: no echo or translation of bytes written before the port applies its own settings.
// keepSlave: also open the slave (non-blocking), as a descriptor of the test's own.
inline TTestPty OpenTestPty(bool raw, bool keepSlave) {
    TTestPty pty;
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0)
        return pty;
    char name[128] = {};
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name)) {
        ::close(master);
        return pty;
    }
    if (raw) {
        // Termios set on the master applies to the line the slave sees.
        termios settings{};
        if (tcgetattr(master, &settings) == 0) {
            cfmakeraw(&settings);
            tcsetattr(master, TCSANOW, &settings);
        }
    }
    pty.Master = master;
    pty.SlavePath = name;
    if (keepSlave)
        pty.Slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    return pty;
}
