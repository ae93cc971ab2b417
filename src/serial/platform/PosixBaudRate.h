// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Bit rates through the kernel's termios2 interface. Kept apart from <termios.h>: the
// kernel's own termios headers cannot share a translation unit with it.

#include <cstdint>

// Sets any bit rate (BOTHER) for input and output; 0 or errno.
int SetAnyBaudRate(int fd, int32_t baud);
// Reads the output bit rate as a number; 0 or errno.
int GetAnyBaudRate(int fd, int32_t& baud);
