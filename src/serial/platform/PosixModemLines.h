// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The modem lines as TIOCMGET reports them, shared by the backend's set-up and its line side.

#include "SerialBackend.h"

#include <sys/ioctl.h>

#include <cerrno>
#include <cstdint>

inline uint32_t LinesToStatusWord(int bits) {
    uint32_t word = 0;
    if (bits & TIOCM_CTS)
        word |= modem_status::Cts;
    if (bits & TIOCM_DSR)
        word |= modem_status::Dsr;
    if (bits & TIOCM_RNG)
        word |= modem_status::Ring;
    if (bits & TIOCM_CAR)
        word |= modem_status::Rlsd;
    return word;
}

// A pty answers the modem-line ioctls with one of these: it has no lines, which is no failure.
inline bool NoModemLines(int error) {
    return error == ENOTTY || error == EINVAL;
}
