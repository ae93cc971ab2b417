// SPDX-License-Identifier: GPL-3.0-or-later
// TWin32Port over real pseudo-terminals: every data path, chunking, queues, opening errors,
// line settings as the tty sees them, and a far end that disappears.

#include "PtyPair.h"
#include "Win32Port.h"

#include "ComPortMap.h"
#include "platform/PosixBaudRate.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace porttest;

namespace {

// What the GUI thread was told, in order.
struct Recorder {
    QList<QByteArray> chunks;
    QList<QByteArray> echoes;
    QStringList log;
    QList<int> errors;
    bool offGuiThread = false;

    void Attach(TWin32Port& port) {
        auto onGui = [this] {
            if (QThread::currentThread() != QCoreApplication::instance()->thread())
                offGuiThread = true;
        };
        port.OnRx = [this, onGui](TWin32Port*, char* buffer, int count) {
            onGui();
            chunks << QByteArray(buffer, count);
            log << QStringLiteral("rx");
        };
        port.OnTx = [this, onGui](TWin32Port*, char* buffer, int count) {
            onGui();
            echoes << QByteArray(buffer, count);
            log << QStringLiteral("tx");
        };
        port.OnConnect = [this, onGui](TWin32Port*) {
            onGui();
            log << QStringLiteral("connect");
        };
        port.OnDisconnect = [this, onGui](TWin32Port*) {
            onGui();
            log << QStringLiteral("disconnect");
        };
        port.OnErrorConnect = [this, onGui](TWin32Port*, int error) {
            onGui();
            errors << error;
            log << QStringLiteral("error");
        };
        port.OnCts = [this](TWin32Port*, bool on) { log << QStringLiteral("cts%1").arg(on); };
        port.OnDsr = [this](TWin32Port*, bool on) { log << QStringLiteral("dsr%1").arg(on); };
        port.OnCd = [this](TWin32Port*, bool on) { log << QStringLiteral("cd%1").arg(on); };
        port.OnRi = [this](TWin32Port*, bool on) { log << QStringLiteral("ri%1").arg(on); };
    }
    QByteArray Received() const {
        QByteArray all;
        for (const auto& c : chunks)
            all += c;
        return all;
    }
    int Count(const QString& entry) const { return static_cast<int>(log.count(entry)); }
};

class PortOverPty : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.IsOpen());
        port.DevicePath = pty.SlavePath();
        port.ReadIntervalTimeout = 20;
        // Binary test patterns hold XON and XOFF bytes.
        port.Xon_Xoff = false;
        port.Rts_Cts = false;
        events.Attach(port);
    }
    bool ConnectAndSettle() {
        if (!port.Connect())
            return false;
        return WaitFor([&] { return events.Count("connect") == 1 && events.Count("ri0") == 1; });
    }

    PtyPair pty;
    TWin32Port port;
    Recorder events;
};

TEST_F(PortOverPty, AClosedPortMovesNothing) {
    TWin32Port fresh;
    EXPECT_FALSE(fresh.Connected());
    // Closed: the outer data operations do nothing and say so with 0.
    char buffer[8];
    EXPECT_EQ(fresh.Read(buffer, 4), 0);
    EXPECT_EQ(fresh.Read(), 0);
    EXPECT_EQ(fresh.Write("abc", 3), 0);
    EXPECT_EQ(fresh.Write('a'), 0);
    EXPECT_EQ(fresh.TransmitQueued(), 0);
}

TEST_F(PortOverPty, ConnectTwiceAndDisconnectTwicePostOnlyOnce) {
    ASSERT_TRUE(ConnectAndSettle());
    EXPECT_TRUE(port.Connected());
    EXPECT_FALSE(port.Connect());
    EXPECT_TRUE(port.Disconnect());
    EXPECT_FALSE(port.Disconnect());
    EXPECT_FALSE(port.Connected());
    // Messages arrive in posted order, so once the disconnect is in, any extra would be too.
    ASSERT_TRUE(WaitFor([&] { return events.Count("disconnect") == 1; }));
    EXPECT_EQ(events.Count("connect"), 1);
    EXPECT_EQ(events.Count("disconnect"), 1);
    EXPECT_TRUE(events.errors.isEmpty());
    EXPECT_FALSE(events.offGuiThread);
}

TEST_F(PortOverPty, FirstOpenReportsEveryModemLineOnceAndAPtyHasNone) {
    ASSERT_TRUE(ConnectAndSettle());
    QStringList lines;
    for (const QString& entry : events.log)
        if (entry != "connect")
            lines << entry;
    EXPECT_EQ(lines, (QStringList{"cts0", "dsr0", "cd0", "ri0"}));
    EXPECT_EQ(port.Cts(), 0);
    EXPECT_EQ(port.Dsr(), 0);
    EXPECT_EQ(port.Cd(), 0);
    EXPECT_EQ(port.Ri(), 0);
    EXPECT_EQ(port.ErrorCode(), PORT_OK);
}

TEST_F(PortOverPty, BurstOf300BytesArrivesInChunksOfAtMost256InOrder) {
    ASSERT_TRUE(ConnectAndSettle());
    const QByteArray burst = Pattern(300);
    ASSERT_TRUE(pty.Send(burst));
    ASSERT_TRUE(WaitFor([&] { return events.Received().size() >= 300; }));
    EXPECT_EQ(events.Received(), burst);
    ASSERT_GE(events.chunks.size(), 2);
    for (const QByteArray& chunk : events.chunks)
        EXPECT_LE(chunk.size(), 256);
    EXPECT_FALSE(events.offGuiThread);
}

TEST_F(PortOverPty, SilenceLongerThanTheIntervalEndsAChunk) {
    port.ReadIntervalTimeout = 30;
    ASSERT_TRUE(ConnectAndSettle());
    const QByteArray first = Pattern(10, 1);
    const QByteArray second = Pattern(17, 2);
    ASSERT_TRUE(pty.Send(first));
    // The first chunk is handed over only after the line went quiet.
    ASSERT_TRUE(WaitFor([&] { return events.chunks.size() == 1; }));
    ASSERT_TRUE(pty.Send(second));
    ASSERT_TRUE(WaitFor([&] { return events.chunks.size() == 2; }));
    EXPECT_EQ(events.chunks[0], first);
    EXPECT_EQ(events.chunks[1], second);
}

TEST_F(PortOverPty, PausesShorterThanTheIntervalStayInOneChunk) {
    port.ReadIntervalTimeout = 400;
    ASSERT_TRUE(ConnectAndSettle());
    const QByteArray whole = Pattern(30, 3);
    // The gaps are the stimulus: each is far below the 400 ms interval.
    for (int part = 0; part < 3; ++part) {
        ASSERT_TRUE(pty.Send(whole.mid(part * 10, 10)));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(WaitFor([&] { return !events.chunks.isEmpty(); }));
    EXPECT_EQ(events.chunks, QList<QByteArray>{whole});
}

TEST_F(PortOverPty, ReceiveQueueStopsAt2048AndResumesWithoutLossOrReorder) {
    ASSERT_TRUE(ConnectAndSettle());
    const QByteArray data = Pattern(3000, 5);
    ASSERT_TRUE(pty.Send(data));
    // The GUI thread takes nothing while the event loop does not run.
    ASSERT_TRUE(WaitWithoutEvents([&] { return port.ReceiveQueued() == kPortQueueCapacity; }));
    EXPECT_EQ(port.ReceiveQueued(), kPortQueueCapacity);
    // Handling the posted chunks takes the bytes out; the input thread then reads the rest.
    ASSERT_TRUE(WaitFor([&] { return events.Received().size() >= data.size(); }));
    EXPECT_EQ(events.Received(), data);
    EXPECT_EQ(port.ReceiveQueued(), 0);
}

TEST_F(PortOverPty, BytesWrittenReachTheFarEndAndAreEchoedOncePerEmptying) {
    ASSERT_TRUE(ConnectAndSettle());
    const QByteArray data = Pattern(1200, 9);
    EXPECT_EQ(port.Write(data.constData(), static_cast<unsigned>(data.size())), PORT_OK);
    EXPECT_EQ(port.BytesMoved(), 1200);
    EXPECT_EQ(pty.Receive(1200), data);
    ASSERT_TRUE(WaitFor([&] { return events.echoes.size() == 1; }));
    // Chunks of 500: the echo is the last one written, 200 bytes.
    EXPECT_EQ(events.echoes[0], data.right(200));

    EXPECT_EQ(port.Write('Z'), PORT_OK);
    EXPECT_EQ(pty.Receive(1), QByteArray("Z"));
    ASSERT_TRUE(WaitFor([&] { return events.echoes.size() == 2; }));
    EXPECT_EQ(events.echoes[1], QByteArray("Z"));
}

TEST_F(PortOverPty, WriteBeyondTheQueueQueuesWhatFitsAndReportsTheLimit) {
    ASSERT_TRUE(ConnectAndSettle());
    const QByteArray data = Pattern(3000, 11);
    EXPECT_EQ(port.write_buffer(data.constData(), 3000), PORT_BUFFER_LIMIT);
    EXPECT_EQ(port.BytesMoved(), kPortQueueCapacity);
    EXPECT_EQ(pty.Receive(kPortQueueCapacity), data.left(kPortQueueCapacity));
    EXPECT_EQ(pty.Receive(1, 100), QByteArray());
}

TEST_F(PortOverPty, ReadPeekAndByteReadsDeliverBytesWithATerminatingZero) {
    port.OnRx = nullptr;
    ASSERT_TRUE(ConnectAndSettle());
    // Take the bytes by hand: the Rx message handler must then find less than announced.
    ASSERT_TRUE(pty.Send("hello world"));
    ASSERT_TRUE(WaitWithoutEvents([&] { return port.ReceiveQueued() == 11; }));

    char buffer[32];
    std::fill(std::begin(buffer), std::end(buffer), '#');
    EXPECT_EQ(port.Peek(buffer, 5), PORT_OK);
    EXPECT_EQ(port.BytesMoved(), 5);
    EXPECT_EQ(QByteArray(buffer, 6), QByteArray("hello\0", 6));
    EXPECT_EQ(port.ReceiveQueued(), 11);

    std::fill(std::begin(buffer), std::end(buffer), '#');
    EXPECT_EQ(port.read_buffer(buffer, 6), PORT_OK);
    EXPECT_EQ(QByteArray(buffer, 7), QByteArray("hello \0", 7));
    EXPECT_EQ(port.read_byte(), 'w');

    std::fill(std::begin(buffer), std::end(buffer), '#');
    EXPECT_EQ(port.Read(buffer, 10), PORT_BUFFER_LIMIT);
    EXPECT_EQ(port.BytesMoved(), 4);
    EXPECT_EQ(QByteArray(buffer, 5), QByteArray("orld\0", 5));
    EXPECT_EQ(port.read_byte(), PORT_BUFFER_LIMIT);
    EXPECT_EQ(port.Peek(buffer, 4), PORT_OK);
    EXPECT_EQ(port.BytesMoved(), 0);
    EXPECT_EQ(buffer[0], '\0');

    // The posted message now finds nothing: nobody is handed bytes that were not delivered.
    int rxNotifications = 0;
    port.OnRx = [&](TWin32Port*, char*, int) { ++rxNotifications; };
    WaitFor([] { return false; }, 50);
    EXPECT_EQ(rxNotifications, 0);
}

TEST_F(PortOverPty, FlushRxBufferDropsQueuedBytesAndReadingGoesOn) {
    ASSERT_TRUE(ConnectAndSettle());
    ASSERT_TRUE(pty.Send(Pattern(100)));
    ASSERT_TRUE(WaitWithoutEvents([&] { return port.ReceiveQueued() == 100; }));
    EXPECT_EQ(port.FlushRXBuffer(), PORT_OK);
    EXPECT_EQ(port.ReceiveQueued(), 0);
    const QByteArray after = Pattern(40, 4);
    ASSERT_TRUE(pty.Send(after));
    ASSERT_TRUE(WaitFor([&] { return events.Received().endsWith(after); }));
    EXPECT_EQ(events.Received(), after);
}

// --- opening ---------------------------------------------------------------------------------

TEST_F(PortOverPty, OpeningFailuresGiveTheirCodesThroughOnErrorConnect) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string plainFile = (dir.path() + "/not-a-tty").toStdString();
    ::close(::open(plainFile.c_str(), O_CREAT | O_WRONLY, 0600));

    struct Case {
        std::string path;
        int code;
    } cases[] = {
        {"/dev/no-such-serial-port", PORT_NOT_FOUND},
        {dir.path().toStdString() + "/missing/ttyX", PORT_NOT_FOUND},
        {plainFile, PORT_SYSTEM_ERROR},
        {dir.path().toStdString(), PORT_SYSTEM_ERROR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        TWin32Port failing;
        Recorder seen;
        seen.Attach(failing);
        failing.DevicePath = c.path;
        EXPECT_FALSE(failing.Connect());
        EXPECT_FALSE(failing.Connected());
        EXPECT_EQ(failing.ErrorCode(), c.code);
        EXPECT_NE(failing.LastSystemError(), 0);
        ASSERT_TRUE(WaitFor([&] { return !seen.errors.isEmpty(); }));
        EXPECT_EQ(seen.errors, QList<int>{c.code});
        EXPECT_EQ(seen.Count("connect"), 0);
        // A failed open leaves the data operations failing with its code.
        char buffer[4];
        EXPECT_EQ(failing.read_buffer(buffer, 1), c.code);
        EXPECT_EQ(failing.write_buffer("x", 1), c.code);
        EXPECT_FALSE(failing.Disconnect());
    }
}

TEST_F(PortOverPty, APortHeldByAnotherProgramIsInUseUntilReleased) {
    ASSERT_TRUE(ConnectAndSettle());
    TWin32Port second;
    Recorder seen;
    seen.Attach(second);
    second.DevicePath = pty.SlavePath();
    EXPECT_FALSE(second.Connect());
    EXPECT_EQ(second.ErrorCode(), PORT_IN_USE);
    ASSERT_TRUE(WaitFor([&] { return !seen.errors.isEmpty(); }));
    EXPECT_EQ(seen.errors, QList<int>{PORT_IN_USE});

    // The first one is undisturbed, and once it lets go the second may open.
    ASSERT_TRUE(pty.Send("ok"));
    ASSERT_TRUE(WaitFor([&] { return events.Received() == "ok"; }));
    EXPECT_TRUE(port.Disconnect());
    EXPECT_TRUE(second.Connect());
    EXPECT_EQ(second.ErrorCode(), PORT_OK);
}

TEST_F(PortOverPty, CommPortResolvesThroughThePortsKeyOrToTtyS) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    port.DevicePath.clear();

    SetCommPortDevice(7, QString::fromStdString(pty.SlavePath()));
    EXPECT_TRUE(port.Connect(7, 9600));
    EXPECT_EQ(port.CommPort, 7);
    EXPECT_EQ(port.BaudRate, 9600);
    EXPECT_EQ(port.OpenedPath(), pty.SlavePath());
    EXPECT_TRUE(port.Disconnect());

    TWin32Port unmapped;
    EXPECT_FALSE(unmapped.Connect(250, 19200));
    EXPECT_EQ(unmapped.OpenedPath(), "/dev/ttyS249");
    EXPECT_EQ(unmapped.ErrorCode(), PORT_NOT_FOUND);
    SetCommPortDevice(7, QString());
}

TEST_F(PortOverPty, ReopenAfterDisconnectStartsAFreshSession) {
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(port.Connect());
        const QByteArray out = Pattern(64, round);
        EXPECT_EQ(port.Write(out.constData(), 64), PORT_OK);
        EXPECT_EQ(pty.Receive(64), out);
        ASSERT_TRUE(pty.Send(out));
        ASSERT_TRUE(WaitFor([&] { return events.Received().endsWith(out); }));
        EXPECT_TRUE(port.Disconnect());
    }
    EXPECT_EQ(events.Received(), Pattern(64, 0) + Pattern(64, 1) + Pattern(64, 2));
}

// --- line settings as the tty sees them ------------------------------------------------------

// A pty forces 8 data bits and clears PARENB whatever it is given; what it keeps (rate, parity
// kind, stop bits, flow control, raw mode) is checked here, the rest through the line-state
// record in the scripted tests.
constexpr tcflag_t kParityKind = PARODD | CMSPAR;

TEST_F(PortOverPty, LineSettingsReachTheTty) {
    struct Case {
        long baud;
        TParity parity;
        TDataBits dataBits;
        TStopBits stopBits;
        tcflag_t parityKind;
        bool twoStop;
    } cases[] = {
        {19200, p_NOPARITY, s_DATABITS_8, s_ONESTOPBIT, 0, false},
        {9600, p_EVENPARITY, s_DATABITS_7, s_TWOSTOPBITS, 0, true},
        {115200, p_ODDPARITY, s_DATABITS_6, s_ONESTOPBIT, PARODD, false},
        {14400, p_MARKPARITY, s_DATABITS_5, s_TWOSTOPBITS, PARODD | CMSPAR, true},
        {256000, p_NOPARITY, s_DATABITS_8, s_ONESTOPBIT, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.baud);
        port.BaudRate = c.baud;
        port.Parity = c.parity;
        port.DataBits = c.dataBits;
        port.StopBits = c.stopBits;
        port.Xon_Xoff = false;
        port.Rts_Cts = false;
        ASSERT_TRUE(port.Connect());
        termios tio{};
        ASSERT_EQ(tcgetattr(pty.SlaveFd(), &tio), 0);
        EXPECT_EQ(tio.c_cflag & kParityKind, c.parityKind);
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.twoStop);
        EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
        EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(tio.c_oflag & OPOST, 0u);
        int32_t baud = 0;
        ASSERT_EQ(GetAnyBaudRate(pty.SlaveFd(), baud), 0);
        EXPECT_EQ(baud, c.baud);
        EXPECT_EQ(port.RequestedSettings().baud, c.baud);
        EXPECT_TRUE(port.Disconnect());
    }
}

TEST_F(PortOverPty, FlowControlPropertiesReachTheTty) {
    port.Xon_Xoff = true;
    port.Rts_Cts = true;
    ASSERT_TRUE(port.Connect());
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.SlaveFd(), &tio), 0);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), tcflag_t{IXON | IXOFF});
    EXPECT_EQ(tio.c_cflag & CRTSCTS, tcflag_t{CRTSCTS});
    EXPECT_EQ(tio.c_cc[VSTART], 0x11);
    EXPECT_EQ(tio.c_cc[VSTOP], 0x13);

    EXPECT_EQ(port.XonXoffHandshaking(0), 0);
    EXPECT_EQ(port.RtsCtsHandshaking(0), 0);
    ASSERT_EQ(tcgetattr(pty.SlaveFd(), &tio), 0);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(port.XonXoffHandshaking(-1), 0);
    EXPECT_EQ(port.RtsCtsHandshaking(-1), 0);
}

TEST_F(PortOverPty, SetWithABadParityAppliesTheOtherFields) {
    ASSERT_TRUE(port.Connect());
    struct Case {
        long baud;
        int parity;
        int dataBits;
        int stopBits;
        int result;
        int32_t wantBaud;
        tcflag_t wantParityKind;
        bool wantTwoStop;
    } cases[] = {
        {57600, 'x', 7, 2, PORT_BAD_PARITY, 57600, 0, true},
        {UNCHANGED, 'm', UNCHANGED, UNCHANGED, PORT_OK, 57600, PARODD | CMSPAR, true},
        {4800, UNCHANGED, 9, 1, PORT_BAD_DATA_BITS, 4800, PARODD | CMSPAR, false},
        {UNCHANGED, 'o', 8, 3, PORT_BAD_STOP_BITS, 4800, PARODD, false},
        {UNCHANGED, 's', UNCHANGED, 2, PORT_OK, 4800, CMSPAR, true},
        // Several bad fields: the last in the order parity, data bits, stop bits wins.
        {38400, '?', 4, 0, PORT_BAD_STOP_BITS, 38400, CMSPAR, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parity);
        EXPECT_EQ(port.Set(c.baud, c.parity, c.dataBits, c.stopBits), c.result);
        termios tio{};
        ASSERT_EQ(tcgetattr(pty.SlaveFd(), &tio), 0);
        int32_t baud = 0;
        ASSERT_EQ(GetAnyBaudRate(pty.SlaveFd(), baud), 0);
        EXPECT_EQ(baud, c.wantBaud);
        EXPECT_EQ(tio.c_cflag & kParityKind, c.wantParityKind);
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.wantTwoStop);
    }
    // The requested record keeps the upper-cased letter it was given.
    EXPECT_EQ(port.RequestedSettings().parity, '?');
}

TEST_F(PortOverPty, SettingsOnAClosedPortAreRefusedAsABadHandle) {
    EXPECT_EQ(port.Set(9600, 'N', 8, 1), PORT_BAD_HANDLE);
    EXPECT_EQ(port.Dtr(1), PORT_BAD_HANDLE);
}

TEST_F(PortOverPty, OpenWithBadSettingsFailsAndReleasesTheDevice) {
    port.Open(0, 19200, 'Q', 8, 1, 0, 0, 0, 0, 0);
    EXPECT_EQ(port.ErrorCode(), PORT_BAD_PARITY);
    port.Open(0, 19200, 'N', 8, 1, 0, 0, 0, 0, 0);
    EXPECT_EQ(port.ErrorCode(), PORT_OK);
    port.Close();
    port.Open(0, 19200, 'N', 9, 1, 0, 0, 0, 0, 0);
    EXPECT_EQ(port.ErrorCode(), PORT_BAD_DATA_BITS);
    port.Open(0, 19200, 'N', 8, 3, 0, 0, 0, 0, 0);
    EXPECT_EQ(port.ErrorCode(), PORT_BAD_STOP_BITS);
    port.BaudRate = -5;
    EXPECT_FALSE(port.Connect());
    EXPECT_EQ(port.ErrorCode(), PORT_SYSTEM_ERROR);
    port.BaudRate = 19200;
    EXPECT_TRUE(port.Connect());
}

// --- the far end goes away -------------------------------------------------------------------

TEST_F(PortOverPty, FarEndClosingEndsInAReportedErrorAndTheNextSessionWorks) {
    ASSERT_TRUE(ConnectAndSettle());
    pty.CloseSlave();
    pty.CloseMaster();
    ASSERT_TRUE(WaitFor([&] { return port.ErrorCode() == PORT_SYSTEM_ERROR; }));
    EXPECT_EQ(port.LastSystemError(), EIO);
    // The lines are reported down a second time, after the first-open report.
    ASSERT_TRUE(WaitFor([&] { return events.Count("cd0") == 2; }));
    EXPECT_EQ(port.Write("abc", 3), PORT_SYSTEM_ERROR);
    char buffer[4];
    EXPECT_EQ(port.Read(buffer, 3), PORT_SYSTEM_ERROR);
    EXPECT_EQ(port.FlushTXBuffer(), PORT_SYSTEM_ERROR);
    EXPECT_TRUE(port.Disconnect());

    PtyPair next;
    ASSERT_TRUE(next.IsOpen());
    port.DevicePath = next.SlavePath();
    ASSERT_TRUE(port.Connect());
    EXPECT_EQ(port.ErrorCode(), PORT_OK);
    EXPECT_EQ(port.Write("abc", 3), PORT_OK);
    EXPECT_EQ(next.Receive(3), QByteArray("abc"));
    ASSERT_TRUE(next.Send("xyz"));
    ASSERT_TRUE(WaitFor([&] { return events.Received().endsWith("xyz"); }));
}

TEST_F(PortOverPty, DisconnectingWhileTheFarEndReadsNothingDoesNotHang) {
    ASSERT_TRUE(ConnectAndSettle());
    // Keep the transmit queue full until the output thread is stuck on a full line: the
    // queue has taken nothing more for 300 ms.
    const QByteArray block = Pattern(kPortQueueCapacity);
    int offered = 0;
    int lastOffered = -1;
    QDeadlineTimer still;
    ASSERT_TRUE(WaitFor(
        [&] {
            port.write_buffer(block.constData(), static_cast<unsigned>(block.size()));
            offered += port.BytesMoved();
            if (offered != lastOffered) {
                lastOffered = offered;
                still.setRemainingTime(300);
            }
            return still.hasExpired() && port.TransmitQueued() == kPortQueueCapacity;
        },
        20000));
    EXPECT_GT(offered, 2 * kPortQueueCapacity);
    EXPECT_TRUE(port.Disconnect());
    EXPECT_FALSE(port.Connected());
    // The port opens again at once and works.
    pty.ReceiveAvailable();
    ASSERT_TRUE(port.Connect());
    EXPECT_EQ(port.ErrorCode(), PORT_OK);
}

TEST_F(PortOverPty, DestroyingAnOpenPortStopsItsThreads) {
    for (int round = 0; round < 5; ++round) {
        auto transient = std::make_unique<TWin32Port>();
        transient->DevicePath = pty.SlavePath();
        transient->Open(0, 19200, 'N', 8, 1, 1, 1, 0, 0, 0);
        ASSERT_EQ(transient->ErrorCode(), PORT_OK);
        ASSERT_TRUE(pty.Send(Pattern(50)));
        ASSERT_EQ(transient->Write(Pattern(50).constData(), 50), 0); // not connected: nothing
        transient.reset();
    }
    // The device was released each time.
    EXPECT_TRUE(port.Connect());
}

} // namespace
