// SPDX-License-Identifier: GPL-3.0-or-later
// The far end for the serial contract test: a pseudo-terminal whose slave is published under
// a link path, driven by commands the test sends over the line itself. So the same commands
// reach it whether the port under test is the termios backend on Linux or the Win32 backend
// under Wine, which opens the pty through its own serial driver.
//
//   serial-peer LINK
//
// Commands, one a line:
//   send HEX    write these bytes in one write
//   sleep MS    wait before the next command
//   echo N      the next N bytes are written back in one write once all have come
//   line        answer "baud=B bits=D parity=P stop=S" as the line is set
//   hangup      give the link a fresh pty, then close this one as an unplugged adapter does

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopping = 0;

struct Pty {
    int master = -1;
    // Held so that the master never sees a hang-up while the port under test is closed.
    int slave = -1;
    std::string path;
};

Pty OpenPty() {
    Pty pty;
    pty.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (pty.master < 0 || grantpt(pty.master) != 0 || unlockpt(pty.master) != 0 ||
        ptsname_r(pty.master, name, sizeof name) != 0) {
        std::perror("serial-peer: pty");
        std::exit(1);
    }
    // Raw from the start: nothing the test sends is echoed or translated before the port under
    // test sets the line up itself.
    termios settings{};
    tcgetattr(pty.master, &settings);
    cfmakeraw(&settings);
    tcsetattr(pty.master, TCSANOW, &settings);
    pty.path = name;
    pty.slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    return pty;
}

// Points link at target in one step, so a port opened by the link never finds it missing.
bool Link(const std::string& link, const std::string& target) {
    const std::string fresh = link + ".new";
    ::unlink(fresh.c_str());
    return ::symlink(target.c_str(), fresh.c_str()) == 0 &&
           ::rename(fresh.c_str(), link.c_str()) == 0;
}

void WriteAll(int fd, const std::vector<unsigned char>& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + sent, bytes.size() - sent);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

void WriteText(int fd, const std::string& text) {
    WriteAll(fd, std::vector<unsigned char>(text.begin(), text.end()));
}

std::vector<unsigned char> FromHex(const std::string& hex) {
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
    return bytes;
}

long RateOf(speed_t code) {
    static const struct {
        speed_t code;
        long rate;
    } rates[] = {{B50, 50},         {B75, 75},         {B110, 110},       {B134, 134},
                 {B150, 150},       {B200, 200},       {B300, 300},       {B600, 600},
                 {B1200, 1200},     {B1800, 1800},     {B2400, 2400},     {B4800, 4800},
                 {B9600, 9600},     {B19200, 19200},   {B38400, 38400},   {B57600, 57600},
                 {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600}};
    for (const auto& rate : rates)
        if (rate.code == code)
            return rate.rate;
    return 0;
}

// The line as the termios of the pty holds it: the master reads the slave's settings.
std::string DescribeLine(int master) {
    termios tio{};
    tcgetattr(master, &tio);
    int bits = 8;
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        bits = 5;
        break;
    case CS6:
        bits = 6;
        break;
    case CS7:
        bits = 7;
        break;
    default:
        break;
    }
    char parity = 'N';
    if (tio.c_cflag & PARENB) {
        if (tio.c_cflag & CMSPAR)
            parity = (tio.c_cflag & PARODD) ? 'M' : 'S';
        else
            parity = (tio.c_cflag & PARODD) ? 'O' : 'E';
    }
    char text[96];
    std::snprintf(text, sizeof text, "baud=%ld bits=%d parity=%c stop=%d\n",
                  RateOf(cfgetospeed(&tio)), bits, parity, (tio.c_cflag & CSTOPB) ? 2 : 1);
    return text;
}

void OnSignal(int) {
    stopping = 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: serial-peer LINK\n");
        return 2;
    }
    const std::string link = argv[1];
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    Pty pty = OpenPty();
    if (!Link(link, pty.path)) {
        std::perror("serial-peer: link");
        return 1;
    }
    std::printf("%s\n", pty.path.c_str());
    std::fflush(stdout);

    std::string input;
    size_t echoLeft = 0;
    std::vector<unsigned char> echo;
    while (!stopping) {
        pollfd fd{pty.master, POLLIN, 0};
        if (::poll(&fd, 1, 200) <= 0)
            continue;
        char chunk[4096];
        const ssize_t n = ::read(pty.master, chunk, sizeof chunk);
        if (n <= 0)
            continue;
        input.append(chunk, static_cast<size_t>(n));
        for (;;) {
            if (echoLeft > 0) {
                const size_t take = std::min(echoLeft, input.size());
                echo.insert(echo.end(), input.begin(), input.begin() + static_cast<long>(take));
                input.erase(0, take);
                echoLeft -= take;
                if (echoLeft > 0)
                    break;
                WriteAll(pty.master, echo);
                echo.clear();
                continue;
            }
            const size_t end = input.find('\n');
            if (end == std::string::npos)
                break;
            const std::string command = input.substr(0, end);
            input.erase(0, end + 1);
            const size_t space = command.find(' ');
            const std::string verb = command.substr(0, space);
            const std::string argument = space == std::string::npos ? "" : command.substr(space + 1);
            if (verb == "send") {
                WriteAll(pty.master, FromHex(argument));
            } else if (verb == "sleep") {
                std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(argument.c_str())));
            } else if (verb == "echo") {
                echoLeft = static_cast<size_t>(std::atol(argument.c_str()));
            } else if (verb == "line") {
                WriteText(pty.master, DescribeLine(pty.master));
            } else if (verb == "hangup") {
                Pty fresh = OpenPty();
                Link(link, fresh.path);
                ::close(pty.master);
                ::close(pty.slave);
                pty = fresh;
                input.clear();
            } else {
                std::fprintf(stderr, "serial-peer: unknown command \"%s\"\n", command.c_str());
            }
        }
    }
    ::unlink(link.c_str());
    return 0;
}
