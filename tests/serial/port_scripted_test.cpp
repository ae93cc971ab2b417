// SPDX-License-Identifier: GPL-3.0-or-later
// TWin32Port above a scripted backend: modem lines, line errors, break, refused settings,
// stalled and failing writes, the line-state record, and the order of every notification.

#include "PtyPair.h"
#include "ScriptedBackend.h"
#include "Win32Port.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

#include <cerrno>

using namespace porttest;

namespace {

// Logs every notification and event; the notifications also look at the line error flags
// at the moment they run, which tells the two specified orders apart.
class LoggingPort : public TWin32Port {
public:
    explicit LoggingPort(std::unique_ptr<ISerialBackend> backend)
        : TWin32Port(nullptr, std::move(backend)) {
        OnConnect = [this](TWin32Port*) { Log("OnConnect"); };
        OnDisconnect = [this](TWin32Port*) { Log("OnDisconnect"); };
        OnErrorConnect = [this](TWin32Port*, int e) { Log(QString("OnErrorConnect %1").arg(e)); };
        OnRx = [this](TWin32Port*, char* b, int n) { Log("OnRx " + QString::fromLatin1(b, n)); };
        OnTx = [this](TWin32Port*, char* b, int n) { Log("OnTx " + QString::fromLatin1(b, n)); };
        OnParityError = [this](TWin32Port*, int r) { Log(QString("OnParityError %1").arg(r)); };
        OnFramingError = [this](TWin32Port*, int r) { Log(QString("OnFramingError %1").arg(r)); };
        OnHardwareOverrunError = [this](TWin32Port*, int r) {
            Log(QString("OnHardwareOverrunError %1").arg(r));
        };
        OnSoftwareOverrunError = [this](TWin32Port*, int r) {
            Log(QString("OnSoftwareOverrunError %1").arg(r));
        };
        OnBreakDetect = [this](TWin32Port*, int r) { Log(QString("OnBreakDetect %1").arg(r)); };
        OnCts = [this](TWin32Port*, bool s) { Log(QString("OnCts %1").arg(s)); };
        OnDsr = [this](TWin32Port*, bool s) { Log(QString("OnDsr %1").arg(s)); };
        OnCd = [this](TWin32Port*, bool s) { Log(QString("OnCd %1").arg(s)); };
        OnRi = [this](TWin32Port*, bool s) { Log(QString("OnRi %1").arg(s)); };
    }

    QStringList log;
    bool offGuiThread = false;

    QStringList Events() const {
        QStringList only;
        for (const QString& entry : log)
            if (entry.startsWith("On"))
                only << entry;
        return only;
    }
    void Forget() { log.clear(); }

protected:
    void ConnectNotify() override { Log("ConnectNotify"); }
    void DisconnectNotify() override { Log("DisconnectNotify"); }
    void ErrorConnectNotify(int e) override { Log(QString("ErrorConnectNotify %1").arg(e)); }
    void RxNotify(int n, char* b) override { Log("RxNotify " + QString::fromLatin1(b, n)); }
    void TxNotify(int n, char* b) override { Log("TxNotify " + QString::fromLatin1(b, n)); }
    void ParityErrorNotify() override { Log(QString("ParityErrorNotify %1").arg(ParityError(-1))); }
    void FramingErrorNotify() override {
        Log(QString("FramingErrorNotify %1").arg(FramingError(-1)));
    }
    void HardwareOverrunErrorNotify() override {
        Log(QString("HardwareOverrunErrorNotify %1").arg(HardwareOverrunError(-1)));
    }
    void SoftwareOverrunErrorNotify() override {
        Log(QString("SoftwareOverrunErrorNotify %1").arg(SoftwareOverrunError(-1)));
    }
    void BreakDetectNotify() override { Log(QString("BreakDetectNotify %1").arg(BreakDetect(-1))); }
    void CtsNotify(bool s) override { Log(QString("CtsNotify %1").arg(s)); }
    void DsrNotify(bool s) override { Log(QString("DsrNotify %1").arg(s)); }
    void CdNotify(bool s) override { Log(QString("CdNotify %1").arg(s)); }
    void RiNotify(bool s) override { Log(QString("RiNotify %1").arg(s)); }

private:
    void Log(const QString& entry) {
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            offGuiThread = true;
        log << entry;
    }
};

class ScriptedPort : public ::testing::Test {
protected:
    ScriptedPort() {
        auto backend = std::make_unique<ScriptedBackend>();
        script = backend.get();
        port = std::make_unique<LoggingPort>(std::move(backend));
        port->DevicePath = "/dev/scripted";
    }
    // Connects and waits until the first-open line reports are in, then forgets them.
    void ConnectAndSettle() {
        ASSERT_TRUE(port->Connect());
        ASSERT_TRUE(WaitFor(
            [&] { return port->log.contains("OnConnect") && port->log.contains("OnRi 0"); }));
        port->Forget();
    }
    SerialLineState LastApplied() const {
        const auto applied = script->Applied();
        return applied.empty() ? SerialLineState{} : applied.back();
    }

    ScriptedBackend* script = nullptr; // owned by port
    std::unique_ptr<LoggingPort> port;
};

TEST_F(ScriptedPort, FirstOpenReportsEachLineOnceAndTheRingAsOff) {
    struct Case {
        uint32_t word;
        QStringList events;
        int cts, dsr, ri, cd;
    } cases[] = {
        {0, {"OnCts 0", "OnDsr 0", "OnCd 0", "OnRi 0"}, 0, 0, 0, 0},
        {modem_status::Cts | modem_status::Rlsd | modem_status::Ring,
         {"OnCts 1", "OnDsr 0", "OnCd 1", "OnRi 0"},
         1,
         0,
         1,
         1},
        {modem_status::Dsr, {"OnCts 0", "OnDsr 1", "OnCd 0", "OnRi 0"}, 0, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        script->SetModemStatus(c.word);
        port->Forget();
        ASSERT_TRUE(port->Connect());
        ASSERT_TRUE(WaitFor([&] { return port->log.contains("OnRi 0"); }));
        QStringList lines = port->Events();
        lines.removeAll("OnConnect");
        EXPECT_EQ(lines, c.events);
        EXPECT_EQ(port->Cts(), c.cts);
        EXPECT_EQ(port->Dsr(), c.dsr);
        EXPECT_EQ(port->Ri(), c.ri);
        EXPECT_EQ(port->Cd(), c.cd);
        EXPECT_TRUE(port->Disconnect());
        ASSERT_TRUE(WaitFor([&] { return port->log.contains("OnDisconnect"); }));
    }
    EXPECT_EQ(script->EventMask(), comm_event::Watched);
}

TEST_F(ScriptedPort, ModemEventsReportTheLinesTheyName) {
    ConnectAndSettle();
    struct Case {
        uint32_t events;
        uint32_t word;
        QStringList expected;
    } cases[] = {
        {comm_event::Cts, modem_status::Cts, {"OnCts 1"}},
        {comm_event::Dsr | comm_event::Rlsd, modem_status::Dsr, {"OnDsr 1", "OnCd 0"}},
        {comm_event::Rlsd, modem_status::Rlsd, {"OnCd 1"}},
        // The ring is reported only as it goes off.
        {comm_event::Ring, modem_status::Ring, {}},
        {comm_event::Ring, 0, {"OnRi 0"}},
        {comm_event::Event2, 0, {"OnRi 0"}},
        {comm_event::Cts | comm_event::Dsr | comm_event::Rlsd | comm_event::Ring,
         0,
         {"OnCts 0", "OnDsr 0", "OnCd 0", "OnRi 0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.events);
        port->Forget();
        script->SetModemStatus(c.word);
        script->RaiseEvents(c.events);
        // A chunk read after the events were taken is posted after their reports.
        ASSERT_TRUE(WaitWithoutEvents([&] { return script->PendingEvents() == 0; }));
        script->Receive("#");
        ASSERT_TRUE(WaitFor([&] { return port->log.contains("OnRx #"); }));
        QStringList seen = port->Events();
        seen.removeAll("OnRx #");
        EXPECT_EQ(seen, c.expected);
        EXPECT_EQ(port->Cts(), (c.word & modem_status::Cts) ? 1 : 0);
    }
}

TEST_F(ScriptedPort, LineErrorsArriveInOrderWithFlagsReadAsSpecified) {
    ConnectAndSettle();
    script->RaiseEvents(comm_event::Err | comm_event::Break, 0x1F);
    ASSERT_TRUE(WaitFor([&] { return port->log.size() >= 10; }));
    // Parity, framing and hardware overrun: the notification runs before the flag is taken;
    // input overflow and break: after.
    EXPECT_EQ(port->log,
              (QStringList{"BreakDetectNotify 0", "OnBreakDetect 1", "FramingErrorNotify 1",
                           "OnFramingError 1", "HardwareOverrunErrorNotify 1",
                           "OnHardwareOverrunError 1", "ParityErrorNotify 1", "OnParityError 1",
                           "SoftwareOverrunErrorNotify 0", "OnSoftwareOverrunError 1"}));
    EXPECT_FALSE(port->offGuiThread);
    EXPECT_EQ(port->ParityError(-1), 0);
    EXPECT_EQ(port->BreakDetect(-1), 0);
}

TEST_F(ScriptedPort, LineErrorQueriesReadAndClearEachFlag) {
    // The event loop does not run while the queries look, so the flags stay until taken.
    ConnectAndSettle();
    struct Case {
        uint32_t flag;
        int (TWin32Port::*query)(int);
    } cases[] = {
        {line_error::RxParity, &TWin32Port::ParityError},
        {line_error::Frame, &TWin32Port::FramingError},
        {line_error::Overrun, &TWin32Port::HardwareOverrunError},
        {line_error::RxOver, &TWin32Port::SoftwareOverrunError},
        {line_error::Break, &TWin32Port::BreakDetect},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flag);
        LoggingPort& p = *port;
        EXPECT_EQ((p.*c.query)(-1), 0);
        // Raise it and look before the posted message takes it.
        script->RaiseEvents(comm_event::Err, c.flag);
        ASSERT_TRUE(WaitWithoutEvents([&] { return (p.*c.query)(-1) == 1; }));
        EXPECT_EQ((p.*c.query)(0), 1);
        EXPECT_EQ((p.*c.query)(-1), 1);
        EXPECT_EQ((p.*c.query)(2), 1);
        EXPECT_EQ((p.*c.query)(-1), 0);
        ASSERT_TRUE(WaitFor([&] { return p.log.size() >= 2; }));
        p.Forget();
    }
}

TEST_F(ScriptedPort, EveryNotificationRunsBeforeItsEventInPostedOrderOnTheGuiThread) {
    port->BaudRate = 9600;
    ASSERT_TRUE(port->Connect());
    ASSERT_TRUE(WaitFor([&] { return port->log.contains("OnRi 0"); }));
    EXPECT_TRUE(port->log.indexOf("ConnectNotify") + 1 == port->log.indexOf("OnConnect"));
    port->Forget();

    // Everything is produced while the GUI thread does not run its loop; then it is handled.
    script->Receive("one");
    ASSERT_TRUE(WaitWithoutEvents([&] { return port->ReceiveQueued() == 3; }));
    script->SetModemStatus(modem_status::Dsr);
    script->RaiseEvents(comm_event::Dsr);
    ASSERT_TRUE(WaitWithoutEvents([&] { return script->PendingEvents() == 0; }));
    script->Receive("two");
    ASSERT_TRUE(WaitWithoutEvents([&] { return port->ReceiveQueued() == 6; }));
    EXPECT_EQ(port->Write("out", 3), PORT_OK);
    ASSERT_TRUE(WaitWithoutEvents([&] { return script->Written() == "out"; }));
    EXPECT_TRUE(port->log.isEmpty());
    ASSERT_TRUE(WaitFor([&] { return port->log.contains("OnTx out"); }));
    EXPECT_EQ(port->log, (QStringList{"RxNotify one", "OnRx one", "DsrNotify 1", "OnDsr 1",
                                      "RxNotify two", "OnRx two", "TxNotify out", "OnTx out"}));

    port->Forget();
    EXPECT_TRUE(port->Disconnect());
    script->FailNextOpen(ENOENT);
    EXPECT_FALSE(port->Connect());
    ASSERT_TRUE(WaitFor([&] { return port->log.size() >= 4; }));
    EXPECT_EQ(port->log, (QStringList{"DisconnectNotify", "OnDisconnect",
                                      QString("ErrorConnectNotify %1").arg(PORT_NOT_FOUND),
                                      QString("OnErrorConnect %1").arg(PORT_NOT_FOUND)}));
    EXPECT_FALSE(port->offGuiThread);
}

TEST_F(ScriptedPort, OpenFailuresAreTranslated) {
    struct Case {
        int systemError;
        int code;
    } cases[] = {{ENOENT, PORT_NOT_FOUND},
                 {EACCES, PORT_IN_USE},
                 {EBUSY, PORT_IN_USE},
                 {EIO, PORT_SYSTEM_ERROR}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.systemError);
        port->Forget();
        script->FailNextOpen(c.systemError);
        EXPECT_FALSE(port->Connect());
        EXPECT_EQ(port->ErrorCode(), c.code);
        EXPECT_EQ(port->LastSystemError(), c.systemError);
        ASSERT_TRUE(WaitFor([&] { return !port->log.isEmpty(); }));
        EXPECT_EQ(port->Events(), QStringList{QString("OnErrorConnect %1").arg(c.code)});
    }
    EXPECT_EQ(script->OpenedPath(), "/dev/scripted");
}

TEST_F(ScriptedPort, RefusedSettingsCloseTheDeviceAndSayWhy) {
    struct Case {
        int systemError;
        int code;
    } cases[] = {{EBADF, PORT_BAD_HANDLE}, {EINVAL, PORT_SYSTEM_ERROR}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.systemError);
        port->Forget();
        script->RefuseSettings(c.systemError);
        EXPECT_FALSE(port->Connect());
        EXPECT_EQ(port->ErrorCode(), c.code);
        EXPECT_FALSE(script->IsOpen());
        ASSERT_TRUE(WaitFor([&] { return !port->log.isEmpty(); }));
        EXPECT_EQ(port->Events(), QStringList{QString("OnErrorConnect %1").arg(c.code)});
    }
    EXPECT_EQ(port->LastSystemError(), EINVAL);

    // Refused while open: the port stays open, the result says why.
    script->RefuseSettings(0);
    ConnectAndSettle();
    script->RefuseSettings(EINVAL);
    EXPECT_EQ(port->Set(4800, 'N', 8, 1), PORT_SYSTEM_ERROR);
    EXPECT_EQ(port->XonXoffHandshaking(1), PORT_SYSTEM_ERROR);
    script->RefuseSettings(0);
    EXPECT_EQ(port->Set(4800, 'N', 8, 1), PORT_OK);
    EXPECT_TRUE(port->Connected());
}

TEST_F(ScriptedPort, ConnectTurnsThePropertiesIntoTheLineStateRecord) {
    struct Case {
        TParity parity;
        TDataBits dataBits;
        TStopBits stopBits;
        bool dtr, rts, xon, rtsCts, dtrDsr;
        bool fParity;
        uint8_t parityValue;
        uint8_t byteSize;
        uint8_t stopValue;
        DtrControl dtrControl;
        RtsControl rtsControl;
    } cases[] = {
        {p_NOPARITY, s_DATABITS_8, s_ONESTOPBIT, false, false, false, false, false, false,
         line_parity::None, 8, line_stop_bits::One, DtrControl::Disable, RtsControl::Disable},
        {p_EVENPARITY, s_DATABITS_7, s_TWOSTOPBITS, true, true, true, false, false, true,
         line_parity::Even, 7, line_stop_bits::Two, DtrControl::Enable, RtsControl::Enable},
        {p_ODDPARITY, s_DATABITS_6, s_ONESTOPBIT, true, false, false, true, false, true,
         line_parity::Odd, 6, line_stop_bits::One, DtrControl::Enable, RtsControl::Handshake},
        {p_MARKPARITY, s_DATABITS_5, s_ONESTOPBIT, false, true, false, true, true, true,
         line_parity::Mark, 5, line_stop_bits::One, DtrControl::Handshake, RtsControl::Handshake},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.parity));
        port->BaudRate = 57600;
        port->Parity = c.parity;
        port->DataBits = c.dataBits;
        port->StopBits = c.stopBits;
        port->DTR = c.dtr;
        port->RRT = c.rts;
        port->Xon_Xoff = c.xon;
        port->Rts_Cts = c.rtsCts;
        port->Dtr_Dsr = c.dtrDsr;
        ASSERT_TRUE(port->Connect());
        const SerialLineState s = LastApplied();
        EXPECT_EQ(s.BaudRate, 57600);
        EXPECT_EQ(s.fParity, c.fParity);
        EXPECT_EQ(s.Parity, c.parityValue);
        EXPECT_EQ(s.ByteSize, c.byteSize);
        EXPECT_EQ(s.StopBits, c.stopValue);
        EXPECT_EQ(s.fDtrControl, c.dtrControl);
        EXPECT_EQ(s.fRtsControl, c.rtsControl);
        EXPECT_EQ(s.fOutX, c.xon);
        EXPECT_EQ(s.fInX, c.xon);
        EXPECT_EQ(s.fOutxCtsFlow, c.rtsCts);
        EXPECT_EQ(s.fOutxDsrFlow, c.dtrDsr);
        // The rest of the record keeps the component's own values.
        EXPECT_TRUE(s.fBinary);
        EXPECT_TRUE(s.fAbortOnError);
        EXPECT_EQ(s.XonLim, 128);
        EXPECT_EQ(s.XoffLim, 128);
        EXPECT_EQ(s.XonChar, 0x11);
        EXPECT_EQ(s.XoffChar, 0x13);
        const TLineSettings& r = port->RequestedSettings();
        EXPECT_EQ(r.dtr, c.dtr ? 1 : 0);
        EXPECT_EQ(r.rts_cts, c.rtsCts ? 1 : 0);
        EXPECT_TRUE(port->Disconnect());
    }
}

TEST_F(ScriptedPort, TheFoundSettingsDescribeThePortAsItWas) {
    SerialLineState found;
    found.BaudRate = 4800;
    found.fParity = true;
    found.Parity = line_parity::Space;
    found.ByteSize = 7;
    found.StopBits = line_stop_bits::Two;
    found.fDtrControl = DtrControl::Disable;
    found.fRtsControl = RtsControl::Handshake;
    found.fInX = true;
    script->SetFoundState(found);
    // Every argument left unchanged: the requested record is what was found, adjusted only
    // by the fields the open always sets.
    port->Open(0, UNCHANGED, static_cast<char>(UNCHANGED), UNCHANGED, UNCHANGED, UNCHANGED,
               UNCHANGED, UNCHANGED, UNCHANGED, UNCHANGED);
    ASSERT_EQ(port->ErrorCode(), PORT_OK);
    const TLineSettings& f = port->FoundSettings();
    EXPECT_EQ(f.baud, 4800);
    EXPECT_EQ(f.parity, 'S');
    EXPECT_EQ(f.data_bits, 7);
    EXPECT_EQ(f.stop_bits, 2);
    EXPECT_EQ(f.dtr, 0);
    EXPECT_EQ(f.rts, 1);
    EXPECT_EQ(f.xon_xoff, 1);
    EXPECT_EQ(f.rts_cts, 1);
    EXPECT_EQ(f.dtr_dsr, 0);
    const TLineSettings& r = port->RequestedSettings();
    EXPECT_EQ(r.baud, 4800);
    EXPECT_EQ(r.parity, 'S');
    EXPECT_EQ(r.dtr, 1);
    EXPECT_EQ(r.xon_xoff, 0);
    EXPECT_EQ(r.rts_cts, 0);
    // Parity checking off reads as 'N' whatever parity value the state holds.
    port->Close();
    found.fParity = false;
    script->SetFoundState(found);
    port->Open(0, 9600, 'N', 8, 1, 0, 0, 0, 0, 0);
    EXPECT_EQ(port->FoundSettings().parity, 'N');
    port->Close();
}

TEST_F(ScriptedPort, TimeoutsReachThePlatformUnchanged) {
    port->ReadIntervalTimeout = 250;
    port->ReadTotalTimeoutMultiplier = 3;
    port->ReadTotalTimeoutConstant = 7;
    port->WriteTotalTimeoutMultiplier = 11;
    port->WriteTotalTimeoutConstant = 13;
    ConnectAndSettle();
    const SerialTimeouts t = script->Timeouts();
    EXPECT_EQ(t.ReadIntervalTimeout, 250u);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 3u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 7u);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 11u);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 13u);
}

TEST_F(ScriptedPort, SetWithABadParityStillAppliesRateDataAndStopBits) {
    port->Parity = p_EVENPARITY;
    ConnectAndSettle();
    EXPECT_EQ(port->Set(38400, 'x', 7, 2), PORT_BAD_PARITY);
    SerialLineState s = LastApplied();
    EXPECT_EQ(s.BaudRate, 38400);
    EXPECT_EQ(s.ByteSize, 7);
    EXPECT_EQ(s.StopBits, line_stop_bits::Two);
    EXPECT_EQ(s.Parity, line_parity::Even);
    EXPECT_TRUE(s.fParity);

    EXPECT_EQ(port->Set(UNCHANGED, 's', UNCHANGED, UNCHANGED), PORT_OK);
    s = LastApplied();
    EXPECT_EQ(s.Parity, line_parity::Space);
    EXPECT_EQ(s.BaudRate, 38400);
    EXPECT_EQ(port->Set(UNCHANGED, 'n', UNCHANGED, 1), PORT_OK);
    s = LastApplied();
    EXPECT_FALSE(s.fParity);
    EXPECT_EQ(s.Parity, line_parity::None);
    EXPECT_EQ(s.StopBits, line_stop_bits::One);
}

TEST_F(ScriptedPort, LinesCannotBeSetByHandWhileTheirHandshakeIsOn) {
    port->Dtr_Dsr = true;
    port->Rts_Cts = true;
    port->DTR = false;
    port->RRT = true;
    ConnectAndSettle();
    const size_t appliedBefore = script->Applied().size();
    EXPECT_EQ(port->Dtr(1), PORT_HANDSHAKE_ACTIVE);
    EXPECT_EQ(port->Rts(0), PORT_HANDSHAKE_ACTIVE);
    EXPECT_EQ(script->Applied().size(), appliedBefore);
    EXPECT_EQ(port->Dtr(-1), 0);
    EXPECT_EQ(port->Rts(-1), 1);

    struct Step {
        int (TWin32Port::*op)(int);
        int argument;
        int result;
        DtrControl dtr;
        RtsControl rts;
        bool dsrFlow;
        bool ctsFlow;
    } steps[] = {
        // DTR goes back to the requested state (off) once its handshake is off.
        {&TWin32Port::DtrDsrHandshaking, 0, 0, DtrControl::Disable, RtsControl::Handshake, false,
         true},
        {&TWin32Port::Dtr, 1, 1, DtrControl::Enable, RtsControl::Handshake, false, true},
        {&TWin32Port::RtsCtsHandshaking, 0, 0, DtrControl::Enable, RtsControl::Enable, false,
         false},
        {&TWin32Port::Rts, 0, 0, DtrControl::Enable, RtsControl::Disable, false, false},
        {&TWin32Port::Dtr, 0, 0, DtrControl::Disable, RtsControl::Disable, false, false},
        {&TWin32Port::Dtr, 5, 1, DtrControl::Enable, RtsControl::Disable, false, false},
        {&TWin32Port::RtsCtsHandshaking, 3, 1, DtrControl::Enable, RtsControl::Handshake, false,
         true},
        {&TWin32Port::DtrDsrHandshaking, 1, 1, DtrControl::Handshake, RtsControl::Handshake, true,
         true},
    };
    int index = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(index++);
        EXPECT_EQ(((*port).*step.op)(step.argument), step.result);
        const SerialLineState s = LastApplied();
        EXPECT_EQ(s.fDtrControl, step.dtr);
        EXPECT_EQ(s.fRtsControl, step.rts);
        EXPECT_EQ(s.fOutxDsrFlow, step.dsrFlow);
        EXPECT_EQ(s.fOutxCtsFlow, step.ctsFlow);
    }
    EXPECT_EQ(port->XonXoffHandshaking(1), 1);
    EXPECT_TRUE(LastApplied().fOutX);
    EXPECT_EQ(port->XonXoffHandshaking(-1), 1);
}

TEST_F(ScriptedPort, BreakIsCutTo1000Milliseconds) {
    ConnectAndSettle();
    EXPECT_EQ(port->Break(5000), PORT_OK);
    EXPECT_EQ(port->BreakDuration(), 1000);
    ASSERT_TRUE(WaitFor([&] { return script->Breaks().size() == 2; }, 10000));
    const auto steps = script->Breaks();
    EXPECT_TRUE(steps[0].on);
    EXPECT_FALSE(steps[1].on);
    const auto held =
        std::chrono::duration_cast<std::chrono::milliseconds>(steps[1].at - steps[0].at);
    EXPECT_GE(held.count(), 1000);
    EXPECT_LT(held.count(), 4000);

    EXPECT_EQ(port->Break(-20), PORT_OK);
    EXPECT_EQ(port->BreakDuration(), 0);
    ASSERT_TRUE(WaitFor([&] { return script->Breaks().size() == 4; }));
    EXPECT_EQ(port->Break(30), PORT_OK);
    EXPECT_EQ(port->BreakDuration(), 30);
    ASSERT_TRUE(WaitFor([&] { return script->Breaks().size() == 6; }));
}

TEST_F(ScriptedPort, ClosingDuringABreakDoesNotWaitItOut) {
    ConnectAndSettle();
    port->Break(1000);
    ASSERT_TRUE(WaitWithoutEvents([&] { return script->Breaks().size() == 1; }));
    const auto before = ScriptedBackend::Clock::now();
    EXPECT_TRUE(port->Disconnect());
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        ScriptedBackend::Clock::now() - before);
    EXPECT_LT(took.count(), 900);
    // The break is still released.
    EXPECT_EQ(script->Breaks().size(), 2u);
}

TEST_F(ScriptedPort, StalledOutputQueuesWhatFitsAndLosesNothing) {
    ConnectAndSettle();
    script->StallWrites(true);
    const QByteArray first = Pattern(1000, 1);
    EXPECT_EQ(port->write_buffer(first.constData(), 1000), PORT_OK);
    // The output thread took one 500-byte chunk and now waits in its write.
    ASSERT_TRUE(WaitWithoutEvents([&] { return script->WritesWaiting() == 1; }));
    EXPECT_EQ(port->TransmitQueued(), 500);

    const QByteArray second = Pattern(3000, 2);
    EXPECT_EQ(port->write_buffer(second.constData(), 3000), PORT_BUFFER_LIMIT);
    EXPECT_EQ(port->BytesMoved(), kPortQueueCapacity - 500);
    EXPECT_EQ(port->TransmitQueued(), kPortQueueCapacity);
    EXPECT_EQ(port->write_byte('x'), PORT_BUFFER_LIMIT);
    EXPECT_EQ(port->Write("y", 1), PORT_BUFFER_LIMIT);
    EXPECT_EQ(port->BytesMoved(), 0);

    script->StallWrites(false);
    const QByteArray expected = first + second.left(kPortQueueCapacity - 500);
    ASSERT_TRUE(WaitFor([&] {
        return script->Written().size() == static_cast<size_t>(expected.size()) &&
               port->log.contains("TxNotify " + QString::fromLatin1(expected.right(48)));
    }));
    EXPECT_EQ(QByteArray::fromStdString(script->Written()), expected);
    EXPECT_EQ(port->ErrorCode(), PORT_OK);
}

TEST_F(ScriptedPort, ClosingWithAStalledWriteDoesNotHang) {
    ConnectAndSettle();
    script->StallWrites(true);
    EXPECT_EQ(port->Write(Pattern(1500).constData(), 1500), PORT_OK);
    ASSERT_TRUE(WaitWithoutEvents([&] { return script->WritesWaiting() == 1; }));
    EXPECT_TRUE(port->Disconnect());
    EXPECT_FALSE(script->IsOpen());
    EXPECT_EQ(script->WritesWaiting(), 0);
    // What the stalled line could not take is not sent into the next session.
    script->StallWrites(false);
    ASSERT_TRUE(port->Connect());
    EXPECT_EQ(port->Write("next", 4), PORT_OK);
    ASSERT_TRUE(WaitWithoutEvents([&] { return script->Written() == "next"; }));
}

// Bytes queued just before a close, before the output thread got to them, belong to the
// old session: the next one must not send them in front of its own.
TEST_F(ScriptedPort, BytesQueuedBeforeACloseAreNotSentInTheNextSession) {
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(port->Connect());
        const size_t before = script->Written().size();
        script->StallWrites(true);
        EXPECT_EQ(port->Write("stale", 5), PORT_OK);
        EXPECT_TRUE(port->Disconnect());
        script->StallWrites(false);
        ASSERT_TRUE(port->Connect());
        const size_t start = script->Written().size();
        EXPECT_LE(start - before, 5u);
        EXPECT_EQ(port->Write("next", 4), PORT_OK);
        ASSERT_TRUE(WaitWithoutEvents([&] { return script->Written().size() >= start + 4; }));
        EXPECT_EQ(script->Written().substr(start), "next");
        EXPECT_TRUE(port->Disconnect());
    }
}

TEST_F(ScriptedPort, AfterAWriteFailureEveryOperationReturnsTheStoredCode) {
    struct Case {
        int systemError;
        int code;
    } cases[] = {{EIO, PORT_SYSTEM_ERROR}, {ENODEV, PORT_NOT_FOUND}, {EACCES, PORT_IN_USE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.systemError);
        ConnectAndSettle();
        script->FailWrites(c.systemError);
        EXPECT_EQ(port->Write("abc", 3), PORT_OK);
        ASSERT_TRUE(WaitWithoutEvents([&] { return port->ErrorCode() == c.code; }));
        EXPECT_EQ(port->LastSystemError(), c.systemError);
        script->Receive("late");
        ASSERT_TRUE(WaitWithoutEvents([&] { return port->ReceiveQueued() == 4; }));

        char buffer[8];
        EXPECT_EQ(port->Write("abc", 3), c.code);
        EXPECT_EQ(port->Write('a'), c.code);
        EXPECT_EQ(port->Read(buffer, 1), c.code);
        EXPECT_EQ(port->Read(), c.code);
        EXPECT_EQ(port->Peek(buffer, 1), c.code);
        EXPECT_EQ(port->FlushRXBuffer(), c.code);
        EXPECT_EQ(port->FlushTXBuffer(), c.code);
        EXPECT_EQ(port->Dtr(-1), c.code);
        EXPECT_EQ(port->Rts(1), c.code);
        EXPECT_EQ(port->XonXoffHandshaking(-1), c.code);
        EXPECT_EQ(port->RtsCtsHandshaking(0), c.code);
        EXPECT_EQ(port->DtrDsrHandshaking(-1), c.code);
        EXPECT_EQ(port->ParityError(-1), c.code);
        EXPECT_EQ(port->BreakDetect(-1), c.code);
        // Bytes of the failed session are not handed over, now or in the next session.
        ASSERT_TRUE(
            WaitFor([&] { return port->ReceiveQueued() == 0 && port->log.contains("OnTx "); }));
        EXPECT_FALSE(port->log.contains("OnRx late"));

        EXPECT_TRUE(port->Disconnect());
        script->FailWrites(0);
        ASSERT_TRUE(port->Connect());
        EXPECT_EQ(port->ErrorCode(), PORT_OK);
        const std::string before = script->Written();
        EXPECT_EQ(port->Write("ok", 2), PORT_OK);
        ASSERT_TRUE(WaitWithoutEvents([&] { return script->Written() == before + "ok"; }));
        script->Receive("fresh");
        ASSERT_TRUE(WaitFor([&] { return port->log.contains("OnRx fresh"); }));
        EXPECT_TRUE(port->Disconnect());
        ASSERT_TRUE(WaitFor([&] { return port->log.contains("OnDisconnect"); }));
        port->Forget();
    }
}

TEST_F(ScriptedPort, ALostLineIsReportedOnceAndTheThreadThenRests) {
    ConnectAndSettle();
    script->Receive("last");
    script->FailLine(EIO);
    ASSERT_TRUE(WaitFor([&] { return port->ErrorCode() == PORT_SYSTEM_ERROR; }));
    ASSERT_TRUE(WaitFor([&] { return port->log.contains("OnRi 0"); }));
    // The bytes read before the loss may or may not be handed over, depending on whether the
    // GUI thread takes them before the error code is set.
    QStringList lines = port->Events();
    lines.removeAll("OnRx last");
    EXPECT_EQ(lines, (QStringList{"OnCts 0", "OnDsr 0", "OnCd 0", "OnRi 0"}));
    EXPECT_TRUE(port->Disconnect());
}

TEST_F(ScriptedPort, FlushesPurgeTheDriverAndEmptyTheQueues) {
    ConnectAndSettle();
    script->Receive("abcdef");
    ASSERT_TRUE(WaitWithoutEvents([&] { return port->ReceiveQueued() == 6; }));
    EXPECT_EQ(port->FlushRXBuffer(), PORT_OK);
    EXPECT_EQ(port->ReceiveQueued(), 0);
    script->StallWrites(true);
    EXPECT_EQ(port->Write(Pattern(900).constData(), 900), PORT_OK);
    ASSERT_TRUE(WaitWithoutEvents([&] { return script->WritesWaiting() == 1; }));
    EXPECT_EQ(port->FlushTXBuffer(), PORT_OK);
    EXPECT_EQ(port->TransmitQueued(), 0);
    // Opening empties the driver's receive buffer first.
    EXPECT_EQ(script->Purges(), (std::vector<uint32_t>{purge_flags::RxClear, purge_flags::RxClear,
                                                       purge_flags::TxClear}));
    script->StallWrites(false);
    ASSERT_TRUE(WaitFor([&] { return script->Written().size() == 500; }));
    // The flushed chunk's message finds nothing and hands nothing over.
    EXPECT_FALSE(port->log.contains("OnRx abcdef"));
}

} // namespace
