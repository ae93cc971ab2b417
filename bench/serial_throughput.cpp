// SPDX-License-Identifier: GPL-3.0-or-later
// Moves 1 MiB each way through TWin32Port over a pseudo-terminal and prints the throughput,
// the number of received chunks, and the CPU time the process uses while the port stands
// open and idle (the port's threads must block, not spin).

#include "Win32Port.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kTotal = 1 << 20;
constexpr int kIdleSeconds = 10;

uint8_t PatternByte(int i) {
    return static_cast<uint8_t>((i * 7 + i / 251) & 0xFF);
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop until done() holds, checking after every event batch.
bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);

    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0) {
        std::perror("pty");
        return 1;
    }

    TWin32Port port;
    port.DevicePath = name;
    port.Xon_Xoff = false; // binary data
    port.Rts_Cts = false;
    port.Dtr_Dsr = false;
    port.BaudRate = 115200;
    port.ReadIntervalTimeout = 5;

    long rxBytes = 0;
    long rxChunks = 0;
    long rxMismatches = 0;
    int maxChunk = 0;
    port.OnRx = [&](TWin32Port*, char* buffer, int count) {
        for (int i = 0; i < count; ++i)
            if (static_cast<uint8_t>(buffer[i]) != PatternByte(static_cast<int>(rxBytes + i)))
                ++rxMismatches;
        rxBytes += count;
        ++rxChunks;
        maxChunk = std::max(maxChunk, count);
    };
    if (!port.Connect()) {
        std::fprintf(stderr, "cannot open %s: error %d (errno %d)\n", name, port.ErrorCode(),
                     port.LastSystemError());
        return 1;
    }

    std::vector<uint8_t> data(kTotal);
    for (int i = 0; i < kTotal; ++i)
        data[i] = PatternByte(i);

    // --- receive: the far end writes 1 MiB as fast as the pty takes it ---
    const double rxCpuStart = CpuSeconds();
    QElapsedTimer rxClock;
    rxClock.start();
    std::thread farWriter([&] {
        int sent = 0;
        while (sent < kTotal) {
            const ssize_t n = ::write(master, data.data() + sent, kTotal - sent);
            if (n > 0)
                sent += static_cast<int>(n);
            else if (n < 0 && errno != EINTR && errno != EAGAIN)
                break;
        }
    });
    const bool rxDone = RunUntil([&] { return rxBytes >= kTotal; }, 120000);
    const double rxSeconds = rxClock.nsecsElapsed() / 1e9;
    const double rxCpu = CpuSeconds() - rxCpuStart;
    farWriter.join();

    // --- transmit: the GUI thread refills the transmit queue each time it empties ---
    long txQueued = 0;
    long txEchoes = 0;
    auto refill = [&] {
        while (txQueued < kTotal) {
            const int room = kPortQueueCapacity - port.TransmitQueued();
            if (room <= 0)
                break;
            const int n = static_cast<int>(std::min<long>(room, kTotal - txQueued));
            port.write_buffer(reinterpret_cast<const char*>(data.data()) + txQueued,
                              static_cast<unsigned>(n));
            txQueued += port.BytesMoved();
            if (port.BytesMoved() == 0)
                break;
        }
    };
    port.OnTx = [&](TWin32Port*, char*, int) {
        ++txEchoes;
        refill();
    };
    std::atomic<long> txReceived{0};
    std::atomic<long> txMismatches{0};
    std::thread farReader([&] {
        std::vector<uint8_t> buffer(65536);
        while (txReceived < kTotal) {
            const ssize_t n = ::read(master, buffer.data(), buffer.size());
            if (n <= 0) {
                if (n < 0 && errno == EINTR)
                    continue;
                break;
            }
            for (ssize_t i = 0; i < n; ++i)
                if (buffer[i] != PatternByte(static_cast<int>(txReceived + i)))
                    ++txMismatches;
            txReceived += n;
        }
    });
    const double txCpuStart = CpuSeconds();
    QElapsedTimer txClock;
    txClock.start();
    refill();
    const bool txDone = RunUntil([&] { return txReceived >= kTotal; }, 120000);
    const double txSeconds = txClock.nsecsElapsed() / 1e9;
    const double txCpu = CpuSeconds() - txCpuStart;
    if (!txDone)
        ::close(master); // unblocks the reader
    farReader.join();

    // --- idle: the port stays open, nothing moves, the GUI thread sits in its event loop ---
    const double idleStart = CpuSeconds();
    QEventLoop idle;
    QTimer::singleShot(kIdleSeconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    const double idleCpu = CpuSeconds() - idleStart;

    port.Disconnect();
    if (txDone)
        ::close(master);

    const double mib = kTotal / (1024.0 * 1024.0);
    std::printf("serial_throughput: TWin32Port over a pty (%s), ReadIntervalTimeout %u ms\n", name,
                port.ReadIntervalTimeout);
    std::printf("  receive : %s %.2f MiB in %.3f s = %.2f MiB/s, %ld chunks (largest %d, mean "
                "%.1f bytes), %ld mismatched bytes, CPU %.3f s\n",
                rxDone ? "moved" : "INCOMPLETE", rxBytes / (1024.0 * 1024.0), rxSeconds,
                mib / rxSeconds, rxChunks, maxChunk,
                rxChunks ? static_cast<double>(rxBytes) / rxChunks : 0.0, rxMismatches, rxCpu);
    std::printf("  transmit: %s %.2f MiB in %.3f s = %.2f MiB/s, %ld transmit notifications, "
                "%ld mismatched bytes, CPU %.3f s\n",
                txDone ? "moved" : "INCOMPLETE", txReceived.load() / (1024.0 * 1024.0), txSeconds,
                mib / txSeconds, txEchoes, txMismatches.load(), txCpu);
    std::printf("  idle    : %d s open and idle, CPU %.4f s (%.3f%% of one core)\n", kIdleSeconds,
                idleCpu, 100.0 * idleCpu / kIdleSeconds);
    return rxDone && txDone && rxMismatches == 0 && txMismatches == 0 ? 0 : 1;
}
