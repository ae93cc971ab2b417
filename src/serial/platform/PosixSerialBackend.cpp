// SPDX-License-Identifier: GPL-3.0-or-later
#include "PosixSerialBackend.h"

#include "PosixBaudRate.h"
#include "PosixModemLines.h"

#include <linux/serial.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// How long Close lets bytes still in the driver drain before discarding them.
constexpr int kCloseDrainMs = 200;

struct StandardRate {
    int32_t baud;
    speed_t code;
};
constexpr StandardRate kStandardRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

const StandardRate* FindRate(int32_t baud) {
    for (const auto& rate : kStandardRates)
        if (rate.baud == baud)
            return &rate;
    return nullptr;
}

int32_t RateOfCode(speed_t code) {
    for (const auto& rate : kStandardRates)
        if (rate.code == code)
            return rate.baud;
    return 0;
}

void CloseFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// A set line (DTR/RTS) that the device may not have: a pty answers ENOTTY, that is fine.
int SetLine(int fd, int line, bool on) {
    if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0)
        return 0;
    return NoModemLines(errno) ? 0 : errno;
}

} // namespace

std::unique_ptr<ISerialBackend> CreatePlatformSerialBackend() {
    return std::make_unique<PosixSerialBackend>();
}

PosixSerialBackend::~PosixSerialBackend() {
    Close();
}

int PosixSerialBackend::Open(const std::string& path) {
    if (fd_ >= 0)
        return EBUSY;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    if (!isatty(fd)) {
        ::close(fd);
        return ENOTTY;
    }
    // TIOCEXCL does not stop a second open by root; the lock is what tells us another
    // program holds the port.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? EBUSY : error;
    }
    ioctl(fd, TIOCEXCL);

    input_wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    output_wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (input_wake_ < 0 || output_wake_ < 0) {
        const int error = errno;
        CloseFd(input_wake_);
        CloseFd(output_wake_);
        ioctl(fd, TIOCNXCL);
        ::close(fd);
        return error;
    }

    int bits = 0;
    has_modem_lines_ = ioctl(fd, TIOCMGET, &bits) == 0;
    last_lines_ = has_modem_lines_ ? LinesToStatusWord(bits) : 0;
    serial_icounter_struct counts{};
    has_counters_ = ioctl(fd, TIOCGICOUNT, &counts) == 0;
    last_counters_ = {counts.cts,     counts.dsr,    counts.rng, counts.dcd,        counts.frame,
                      counts.overrun, counts.parity, counts.brk, counts.buf_overrun};
    // A fresh open starts with nothing received: bytes the line delivered while nobody held
    // the port (a late reply to the previous session) would otherwise open the next one.
    tcflush(fd, TCIFLUSH);
    pending_errors_ = 0;
    line_failed_ = false;
    fd_ = fd;
    return 0;
}

void PosixSerialBackend::Close() {
    if (fd_ < 0)
        return;
    // Let what the driver still holds go out for a moment, then discard it: a stalled line
    // (CTS low) would otherwise make close() wait for the driver's closing time.
    const auto until = Clock::now() + std::chrono::milliseconds(kCloseDrainMs);
    int queued = 0;
    while (!line_failed_ && ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0 &&
           Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    tcflush(fd_, TCOFLUSH);
    ioctl(fd_, TIOCNXCL);
    CloseFd(fd_);
    CloseFd(input_wake_);
    CloseFd(output_wake_);
}

int PosixSerialBackend::GetState(SerialLineState& state) {
    if (fd_ < 0)
        return EBADF;
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0)
        return errno;
    state = SerialLineState{};
    int32_t baud = 0;
    if (GetAnyBaudRate(fd_, baud) != 0)
        baud = RateOfCode(cfgetospeed(&tio));
    state.BaudRate = baud;

    state.fParity = (tio.c_cflag & PARENB) != 0;
    if (!(tio.c_cflag & PARENB))
        state.Parity = line_parity::None;
    else if (tio.c_cflag & CMSPAR)
        state.Parity = (tio.c_cflag & PARODD) ? line_parity::Mark : line_parity::Space;
    else
        state.Parity = (tio.c_cflag & PARODD) ? line_parity::Odd : line_parity::Even;

    switch (tio.c_cflag & CSIZE) {
    case CS5:
        state.ByteSize = 5;
        break;
    case CS6:
        state.ByteSize = 6;
        break;
    case CS7:
        state.ByteSize = 7;
        break;
    default:
        state.ByteSize = 8;
        break;
    }
    state.StopBits = (tio.c_cflag & CSTOPB) ? line_stop_bits::Two : line_stop_bits::One;

    int bits = 0;
    const bool lines = ioctl(fd_, TIOCMGET, &bits) == 0;
    const bool hardwareFlow = (tio.c_cflag & CRTSCTS) != 0;
    state.fOutxCtsFlow = hardwareFlow;
    if (hardwareFlow)
        state.fRtsControl = RtsControl::Handshake;
    else
        state.fRtsControl = !lines || (bits & TIOCM_RTS) ? RtsControl::Enable : RtsControl::Disable;
    state.fDtrControl = !lines || (bits & TIOCM_DTR) ? DtrControl::Enable : DtrControl::Disable;
    state.fOutX = (tio.c_iflag & IXON) != 0;
    state.fInX = (tio.c_iflag & IXOFF) != 0;
    state.XonChar = static_cast<char>(tio.c_cc[VSTART]);
    state.XoffChar = static_cast<char>(tio.c_cc[VSTOP]);
    return 0;
}

int PosixSerialBackend::SetState(const SerialLineState& state) {
    if (fd_ < 0)
        return EBADF;
    if (state.BaudRate <= 0)
        return EINVAL;
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0)
        return errno;

    // Raw mode: bytes pass unchanged, no line discipline, no signals. A break is counted
    // by the driver but not turned into a 0 byte; parity and framing errors are counted
    // without touching the byte.
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                     IXANY | INPCK | IGNPAR | IMAXBEL);
    tio.c_iflag |= IGNBRK;
    if (state.fOutX)
        tio.c_iflag |= IXON;
    if (state.fInX)
        tio.c_iflag |= IXOFF;
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= CREAD | CLOCAL;

    switch (state.ByteSize) {
    case 5:
        tio.c_cflag |= CS5;
        break;
    case 6:
        tio.c_cflag |= CS6;
        break;
    case 7:
        tio.c_cflag |= CS7;
        break;
    case 8:
        tio.c_cflag |= CS8;
        break;
    default:
        return EINVAL;
    }
    switch (state.Parity) {
    case line_parity::None:
        break;
    case line_parity::Odd:
        tio.c_cflag |= PARENB | PARODD;
        break;
    case line_parity::Even:
        tio.c_cflag |= PARENB;
        break;
    case line_parity::Mark:
        tio.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case line_parity::Space:
        tio.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        return EINVAL;
    }
    switch (state.StopBits) {
    case line_stop_bits::One:
        break;
    case line_stop_bits::OneAndHalf: // the nearest a termios line offers
    case line_stop_bits::Two:
        tio.c_cflag |= CSTOPB;
        break;
    default:
        return EINVAL;
    }
    // Linux knows no DTR/DSR flow control; RTS/CTS covers both directions.
    if (state.fOutxCtsFlow || state.fRtsControl == RtsControl::Handshake)
        tio.c_cflag |= CRTSCTS;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    tio.c_cc[VSTART] = static_cast<cc_t>(state.XonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(state.XoffChar);

    const StandardRate* rate = FindRate(state.BaudRate);
    const speed_t code = rate != nullptr ? rate->code : B38400;
    if (cfsetispeed(&tio, code) != 0 || cfsetospeed(&tio, code) != 0)
        return errno;
    if (tcsetattr(fd_, TCSANOW, &tio) != 0)
        return errno;
    if (rate == nullptr) {
        if (const int error = SetAnyBaudRate(fd_, state.BaudRate); error != 0)
            return error;
    }

    if (const int error = SetLine(fd_, TIOCM_DTR, state.fDtrControl != DtrControl::Disable))
        return error;
    if (state.fRtsControl != RtsControl::Handshake) {
        if (const int error = SetLine(fd_, TIOCM_RTS, state.fRtsControl != RtsControl::Disable))
            return error;
    }
    return 0;
}

int PosixSerialBackend::SetTimeouts(const SerialTimeouts& timeouts) {
    timeouts_ = timeouts;
    return 0;
}

// The kernel sizes its own buffers; nothing to do.
int PosixSerialBackend::SetBufferSizes(int, int) {
    return fd_ >= 0 ? 0 : EBADF;
}

int PosixSerialBackend::SetEventMask(uint32_t mask) {
    event_mask_ = mask;
    return 0;
}

SerialErrorClass PosixSerialBackend::Classify(int systemError) const {
    switch (systemError) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
        return SerialErrorClass::NotFound;
    case EBUSY:
    case EACCES:
        return SerialErrorClass::InUse;
    case EBADF:
        return SerialErrorClass::InvalidHandle;
    default:
        return SerialErrorClass::Other;
    }
}
