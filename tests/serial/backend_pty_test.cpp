// SPDX-License-Identifier: GPL-3.0-or-later
// The termios backend on its own, over real pseudo-terminals: exclusive open, chunked reads,
// wake-ups that end blocked calls, hang-up, write limits and error classes.

#include "PtyPair.h"
#include "platform/PosixSerialBackend.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <future>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace porttest;

namespace {

class BackendOverPty : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.IsOpen());
        ASSERT_EQ(backend.Open(pty.SlavePath()), 0);
        SerialLineState raw;
        ASSERT_EQ(backend.SetState(raw), 0);
        SerialTimeouts timeouts;
        timeouts.ReadIntervalTimeout = 20;
        backend.SetTimeouts(timeouts);
    }
    // Runs a blocking call on another thread; the test decides when it may end.
    template <typename F> auto Start(F call) { return std::async(std::launch::async, call); }
    // Fills the line towards the far end, which does not read, until it takes no more: the
    // pty moves bytes on to the far end's buffer for a while after a write is refused, so
    // the line counts as full once it has offered no room for 200 ms.
    int FillLine() {
        const QByteArray block(4096, 'f');
        int total = 0;
        for (;;) {
            const OutputResult r =
                backend.Write(reinterpret_cast<const uint8_t*>(block.data()), block.size(), false);
            total += r.count;
            if (r.count == block.size())
                continue;
            pollfd room{pty.SlaveFd(), POLLOUT, 0};
            if (::poll(&room, 1, 200) == 0)
                return total;
        }
    }

    PtyPair pty;
    PosixSerialBackend backend;
    uint8_t buffer[512] = {};
};

TEST_F(BackendOverPty, AReadEndsAtTheRequestedCountOrAtSilence) {
    ASSERT_TRUE(pty.Send(Pattern(300)));
    InputResult r = backend.WaitInput(buffer, 256);
    EXPECT_EQ(r.count, 256);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buffer), 256), Pattern(300).left(256));
    r = backend.WaitInput(buffer, 256);
    EXPECT_EQ(r.count, 44);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buffer), 44), Pattern(300).mid(256));
}

TEST_F(BackendOverPty, AWakeUpEndsABlockedReadAndIsKeptUntilTheNextCall) {
    auto blocked = Start([&] { return backend.WaitInput(buffer, 100); });
    EXPECT_EQ(blocked.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    backend.Wake(SerialWaker::Input);
    ASSERT_EQ(blocked.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const InputResult r = blocked.get();
    EXPECT_TRUE(r.woken);
    EXPECT_EQ(r.count, 0);

    // A wake-up given while nobody waits ends the next call at once, without reading.
    ASSERT_TRUE(pty.Send("abc"));
    backend.Wake(SerialWaker::Input);
    auto next = Start([&] { return backend.WaitInput(buffer, 0); });
    ASSERT_EQ(next.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_TRUE(next.get().woken);
    const InputResult data = backend.WaitInput(buffer, 3);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buffer), data.count), QByteArray("abc"));
}

TEST_F(BackendOverPty, ReadTotalTimeoutEndsAReadWithNothing) {
    SerialTimeouts timeouts;
    timeouts.ReadIntervalTimeout = 20;
    timeouts.ReadTotalTimeoutConstant = 30;
    backend.SetTimeouts(timeouts);
    auto read = Start([&] { return backend.WaitInput(buffer, 10); });
    ASSERT_EQ(read.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const InputResult r = read.get();
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(r.error, 0);
    EXPECT_FALSE(r.woken);
}

TEST_F(BackendOverPty, HangUpIsReportedOnceThenOnlyWakeUpsEndAWait) {
    ASSERT_TRUE(pty.Send("bye"));
    pty.CloseSlave();
    pty.CloseMaster();
    InputResult r = backend.WaitInput(buffer, 10);
    // Bytes still in the line come first, with or without the failure.
    if (r.error == 0) {
        EXPECT_EQ(r.count, 3);
        r = backend.WaitInput(buffer, 10);
    }
    EXPECT_EQ(r.error, EIO);
    // No busy return on the dead descriptor: the next read blocks until woken.
    auto after = Start([&] { return backend.WaitInput(buffer, 10); });
    EXPECT_EQ(after.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    backend.Wake(SerialWaker::Input);
    ASSERT_EQ(after.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const InputResult woken = after.get();
    EXPECT_TRUE(woken.woken);
    EXPECT_EQ(woken.error, 0);

    const OutputResult w = backend.Write(reinterpret_cast<const uint8_t*>("x"), 1, true);
    EXPECT_NE(w.error, 0);
    backend.Close();
    EXPECT_FALSE(backend.IsOpen());
}

TEST_F(BackendOverPty, AFullLineLimitsNonBlockingWritesAndAWakeUpAbortsABlockedOne) {
    const int taken = FillLine();
    EXPECT_GT(taken, 0);
    auto blocked =
        Start([&] { return backend.Write(reinterpret_cast<const uint8_t*>("more"), 4, true); });
    EXPECT_EQ(blocked.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    backend.Wake(SerialWaker::Output);
    ASSERT_EQ(blocked.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const OutputResult r = blocked.get();
    EXPECT_TRUE(r.aborted);
    EXPECT_EQ(r.error, 0);
    // Everything accepted reaches the far end.
    EXPECT_EQ(pty.Receive(taken + r.count).size(), taken + r.count);
}

TEST_F(BackendOverPty, WriteTotalTimeoutEndsAStalledWrite) {
    SerialTimeouts timeouts;
    timeouts.WriteTotalTimeoutConstant = 30;
    backend.SetTimeouts(timeouts);
    FillLine();
    auto blocked =
        Start([&] { return backend.Write(reinterpret_cast<const uint8_t*>("x"), 1, true); });
    ASSERT_EQ(blocked.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(blocked.get().error, ETIMEDOUT);
}

TEST_F(BackendOverPty, APtyHasNoModemLinesAndThatIsNoFailure) {
    uint32_t word = 0xFF;
    EXPECT_EQ(backend.ModemStatus(word), 0);
    EXPECT_EQ(word, 0u);
    EXPECT_EQ(backend.SetBreak(true), 0);
    EXPECT_EQ(backend.SetBreak(false), 0);
    uint32_t errors = 0xFF;
    EXPECT_EQ(backend.TakeLineErrors(errors), 0);
    EXPECT_EQ(errors, 0u);
    SerialLineState lines;
    lines.fDtrControl = DtrControl::Disable;
    lines.fRtsControl = RtsControl::Disable;
    EXPECT_EQ(backend.SetState(lines), 0);
}

TEST_F(BackendOverPty, PurgingTheReceiveSideDropsWhatTheDriverHolds) {
    ASSERT_TRUE(pty.Send("stale"));
    // Let the bytes reach the slave's buffer: a zero-count wait reads nothing.
    ASSERT_TRUE(WaitWithoutEvents([&] {
        int queued = 0;
        return ioctl(pty.SlaveFd(), FIONREAD, &queued) == 0 && queued == 5;
    }));
    EXPECT_EQ(backend.Purge(purge_flags::RxClear), 0);
    ASSERT_TRUE(pty.Send("new"));
    const InputResult r = backend.WaitInput(buffer, 10);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buffer), r.count), QByteArray("new"));
}

TEST_F(BackendOverPty, InvalidLineStatesAreRefused) {
    struct Case {
        int32_t baud;
        uint8_t byteSize;
        uint8_t parity;
        uint8_t stopBits;
        int error;
    } cases[] = {
        {0, 8, line_parity::None, line_stop_bits::One, EINVAL},
        {-300, 8, line_parity::None, line_stop_bits::One, EINVAL},
        {9600, 9, line_parity::None, line_stop_bits::One, EINVAL},
        {9600, 4, line_parity::None, line_stop_bits::One, EINVAL},
        {9600, 8, 7, line_stop_bits::One, EINVAL},
        {9600, 8, line_parity::None, 5, EINVAL},
        {9600, 8, line_parity::Space, line_stop_bits::OneAndHalf, 0},
        {31250, 5, line_parity::Mark, line_stop_bits::Two, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.baud);
        SerialLineState s;
        s.BaudRate = c.baud;
        s.ByteSize = c.byteSize;
        s.Parity = c.parity;
        s.StopBits = c.stopBits;
        EXPECT_EQ(backend.SetState(s), c.error);
    }
    SerialLineState now;
    ASSERT_EQ(backend.GetState(now), 0);
    EXPECT_EQ(now.BaudRate, 31250);
    EXPECT_EQ(now.StopBits, line_stop_bits::Two);
}

TEST(Backend, OpeningIsExclusiveAndErrorsAreClassified) {
    PtyPair pty;
    ASSERT_TRUE(pty.IsOpen());
    PosixSerialBackend first;
    PosixSerialBackend second;
    ASSERT_EQ(first.Open(pty.SlavePath()), 0);
    EXPECT_EQ(first.Open(pty.SlavePath()), EBUSY);
    EXPECT_EQ(second.Open(pty.SlavePath()), EBUSY);
    first.Close();
    EXPECT_EQ(second.Open(pty.SlavePath()), 0);
    second.Close();

    QTemporaryDir dir;
    const std::string file = (dir.path() + "/plain").toStdString();
    ::close(::open(file.c_str(), O_CREAT | O_WRONLY, 0600));
    EXPECT_EQ(second.Open("/dev/no-such-tty"), ENOENT);
    EXPECT_EQ(second.Open(file), ENOTTY);
    EXPECT_EQ(second.Open(""), ENOENT);
    EXPECT_FALSE(second.IsOpen());

    SerialLineState s;
    EXPECT_EQ(second.SetState(s), EBADF);
    EXPECT_EQ(second.GetState(s), EBADF);
    EXPECT_EQ(second.WaitInput(nullptr, 0).error, EBADF);
    second.Wake(SerialWaker::Input); // closed: nothing to wake, nothing breaks

    struct Case {
        int error;
        SerialErrorClass kind;
    } cases[] = {
        {ENOENT, SerialErrorClass::NotFound}, {ENXIO, SerialErrorClass::NotFound},
        {ENODEV, SerialErrorClass::NotFound}, {EBUSY, SerialErrorClass::InUse},
        {EACCES, SerialErrorClass::InUse},    {EBADF, SerialErrorClass::InvalidHandle},
        {EIO, SerialErrorClass::Other},       {ENOTTY, SerialErrorClass::Other},
        {ETIMEDOUT, SerialErrorClass::Other}, {EINVAL, SerialErrorClass::Other},
    };
    for (const Case& c : cases)
        EXPECT_EQ(second.Classify(c.error), c.kind) << c.error;
}

} // namespace
