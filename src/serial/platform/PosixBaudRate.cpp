// SPDX-License-Identifier: GPL-3.0-or-later
#include "PosixBaudRate.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

int SetAnyBaudRate(int fd, int32_t baud) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return errno;
    tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = static_cast<speed_t>(baud);
    tio.c_ospeed = static_cast<speed_t>(baud);
    if (ioctl(fd, TCSETS2, &tio) != 0)
        return errno;
    return 0;
}

int GetAnyBaudRate(int fd, int32_t& baud) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return errno;
    baud = static_cast<int32_t>(tio.c_ospeed);
    return 0;
}
