// SPDX-License-Identifier: GPL-3.0-or-later
#include "Win32SerialBackend.h"

#include <algorithm>
#include <chrono>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// The shared words use the communications API's own numbers; only the event mask differs
// (comm_event::Event2 is not EV_EVENT2) and is translated bit by bit.
static_assert(modem_status::Cts == MS_CTS_ON && modem_status::Dsr == MS_DSR_ON &&
              modem_status::Ring == MS_RING_ON && modem_status::Rlsd == MS_RLSD_ON);
static_assert(line_error::RxOver == CE_RXOVER && line_error::Overrun == CE_OVERRUN &&
              line_error::RxParity == CE_RXPARITY && line_error::Frame == CE_FRAME &&
              line_error::Break == CE_BREAK);
static_assert(purge_flags::TxAbort == PURGE_TXABORT && purge_flags::RxAbort == PURGE_RXABORT &&
              purge_flags::TxClear == PURGE_TXCLEAR && purge_flags::RxClear == PURGE_RXCLEAR);
static_assert(line_parity::None == NOPARITY && line_parity::Odd == ODDPARITY &&
              line_parity::Even == EVENPARITY && line_parity::Mark == MARKPARITY &&
              line_parity::Space == SPACEPARITY);
static_assert(line_stop_bits::One == ONESTOPBIT && line_stop_bits::OneAndHalf == ONE5STOPBITS &&
              line_stop_bits::Two == TWOSTOPBITS);
static_assert(static_cast<int>(DtrControl::Handshake) == DTR_CONTROL_HANDSHAKE &&
              static_cast<int>(RtsControl::Toggle) == RTS_CONTROL_TOGGLE);

struct EventBit {
    uint32_t event;
    DWORD mask;
};
constexpr EventBit kEventBits[] = {
    {comm_event::RxChar, EV_RXCHAR}, {comm_event::Cts, EV_CTS},      {comm_event::Dsr, EV_DSR},
    {comm_event::Rlsd, EV_RLSD},     {comm_event::Break, EV_BREAK},  {comm_event::Err, EV_ERR},
    {comm_event::Ring, EV_RING},     {comm_event::Event2, EV_EVENT2},
};

constexpr DWORD kLineErrors = CE_RXOVER | CE_OVERRUN | CE_RXPARITY | CE_FRAME | CE_BREAK;
constexpr DWORD kModemLines = MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON;

// How long Close lets bytes still in the driver drain before discarding them.
constexpr int kCloseDrainMs = 200;
// A write that may not block gets this long to go out; the rest is cancelled. The driver
// holds a write until its bytes are on the wire, so "what it takes at once" means this.
constexpr DWORD kNoBlockWriteMs = 200;
// How often modem lines are looked at when the driver cannot wait for their changes.
constexpr DWORD kLinePollMs = 100;

// The answers of a driver that does not have a call at all, as opposed to one that failed.
bool Unsupported(DWORD error) {
    return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ||
           error == ERROR_CALL_NOT_IMPLEMENTED || error == ERROR_INVALID_PARAMETER;
}

bool TimedOut(DWORD error) {
    return error == ERROR_TIMEOUT || error == WAIT_TIMEOUT;
}

void CloseEvent(HANDLE& event) {
    if (event != nullptr)
        CloseHandle(event);
    event = nullptr;
}

DWORD MillisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<DWORD>(std::clamp<long long>(left.count(), 0, INFINITE - 1));
}

} // namespace

namespace win32_serial {

std::wstring DevicePath(const std::string& name) {
    std::string device = name;
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    size_t end = name.size();
    if (end > 0 && name[end - 1] == ':')
        --end;
    const bool numbered =
        end > 3 && upper(name[0]) == 'C' && upper(name[1]) == 'O' && upper(name[2]) == 'M' &&
        std::all_of(name.begin() + 3, name.begin() + static_cast<long>(end),
                    [](char c) { return c >= '0' && c <= '9'; });
    if (numbered)
        device = "\\\\.\\COM" + name.substr(3, end - 3);
    if (device.empty())
        return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, device.data(), static_cast<int>(device.size()),
                                         nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(size, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, device.data(), static_cast<int>(device.size()), wide.data(),
                        size);
    return wide;
}

DCB ToDcb(const SerialLineState& s) {
    DCB d{};
    d.DCBlength = sizeof d;
    d.BaudRate = static_cast<DWORD>(s.BaudRate);
    d.fBinary = TRUE; // the only mode Windows has
    d.fParity = s.fParity;
    d.fOutxCtsFlow = s.fOutxCtsFlow;
    d.fOutxDsrFlow = s.fOutxDsrFlow;
    d.fDtrControl = static_cast<DWORD>(s.fDtrControl);
    d.fDsrSensitivity = s.fDsrSensitivity;
    d.fTXContinueOnXoff = s.fTXContinueOnXoff;
    d.fOutX = s.fOutX;
    d.fInX = s.fInX;
    d.fErrorChar = s.fErrorChar;
    d.fNull = s.fNull;
    d.fRtsControl = static_cast<DWORD>(s.fRtsControl);
    d.fAbortOnError = s.fAbortOnError;
    d.XonLim = s.XonLim;
    d.XoffLim = s.XoffLim;
    d.ByteSize = s.ByteSize;
    d.Parity = s.Parity;
    d.StopBits = s.StopBits;
    d.XonChar = s.XonChar;
    d.XoffChar = s.XoffChar;
    d.ErrorChar = s.ErrorChar;
    d.EofChar = s.EofChar;
    d.EvtChar = s.EvtChar;
    return d;
}

SerialLineState FromDcb(const DCB& d) {
    SerialLineState s;
    s.BaudRate = static_cast<int32_t>(d.BaudRate);
    s.fBinary = d.fBinary != 0;
    s.Parity = d.Parity <= SPACEPARITY ? d.Parity : line_parity::None;
    // Wine leaves fParity clear whatever the parity; a parity is checked when there is one.
    s.fParity = d.fParity != 0 || s.Parity != line_parity::None;
    s.fOutxCtsFlow = d.fOutxCtsFlow != 0;
    s.fOutxDsrFlow = d.fOutxDsrFlow != 0;
    s.fDtrControl = static_cast<DtrControl>(std::min<DWORD>(d.fDtrControl, DTR_CONTROL_HANDSHAKE));
    s.fDsrSensitivity = d.fDsrSensitivity != 0;
    s.fTXContinueOnXoff = d.fTXContinueOnXoff != 0;
    s.fOutX = d.fOutX != 0;
    s.fInX = d.fInX != 0;
    s.fErrorChar = d.fErrorChar != 0;
    s.fNull = d.fNull != 0;
    s.fRtsControl = static_cast<RtsControl>(d.fRtsControl);
    s.fAbortOnError = d.fAbortOnError != 0;
    s.XonLim = d.XonLim;
    s.XoffLim = d.XoffLim;
    s.ByteSize = d.ByteSize >= 5 && d.ByteSize <= 8 ? d.ByteSize : 8;
    s.StopBits = d.StopBits <= TWOSTOPBITS ? d.StopBits : line_stop_bits::One;
    s.XonChar = d.XonChar;
    s.XoffChar = d.XoffChar;
    s.ErrorChar = d.ErrorChar;
    s.EofChar = d.EofChar;
    s.EvtChar = d.EvtChar;
    return s;
}

DWORD ToCommMask(uint32_t events) {
    DWORD mask = 0;
    for (const EventBit& bit : kEventBits)
        if (events & bit.event)
            mask |= bit.mask;
    return mask;
}

uint32_t FromCommMask(DWORD mask) {
    uint32_t events = 0;
    for (const EventBit& bit : kEventBits)
        if (mask & bit.mask)
            events |= bit.event;
    return events;
}

} // namespace win32_serial

std::unique_ptr<ISerialBackend> CreatePlatformSerialBackend() {
    return std::make_unique<Win32SerialBackend>();
}

Win32SerialBackend::~Win32SerialBackend() {
    Close();
}

int Win32SerialBackend::Open(const std::string& path) {
    if (IsOpen())
        return ERROR_BUSY;
    const std::wstring device = win32_serial::DevicePath(path);
    const HANDLE port = CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        return static_cast<int>(GetLastError());
    // Only a communications device has a line state; a file or a printer is refused here.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port, &dcb)) {
        const DWORD error = GetLastError();
        CloseHandle(port);
        return static_cast<int>(error);
    }

    // Auto-reset wake-ups: one ends one call, however often it was given.
    input_wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    output_wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    read_.overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    write_.overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    comm_event_.overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!input_wake_ || !output_wake_ || !read_.overlapped.hEvent || !write_.overlapped.hEvent ||
        !comm_event_.overlapped.hEvent) {
        const DWORD error = GetLastError();
        CloseHandle(port);
        for (HANDLE* event : {&input_wake_, &output_wake_, &read_.overlapped.hEvent,
                              &write_.overlapped.hEvent, &comm_event_.overlapped.hEvent})
            CloseEvent(*event);
        return static_cast<int>(error);
    }
    port_ = port;
    read_.pending = write_.pending = comm_event_.pending = false;
    line_failed_ = false;
    pending_errors_ = 0;
    said_modem_status_ = said_comm_events_ = said_break_ = false;

    if (const int error = SetTimeouts(timeouts_); error != 0) {
        Close();
        return error;
    }
    DWORD lines = 0;
    has_modem_status_ = GetCommModemStatus(port_, &lines) != 0;
    if (!has_modem_status_)
        notice_once(said_modem_status_, "GetCommModemStatus", GetLastError(),
                    "CTS, DSR, RI and CD read as off");
    last_lines_ = has_modem_status_ ? lines & kModemLines : 0;
    has_comm_events_ = SetCommMask(port_, win32_serial::ToCommMask(event_mask_ & ~comm_event::RxChar));
    if (!has_comm_events_)
        notice_once(said_comm_events_, "SetCommMask", GetLastError(),
                    "line errors are taken after each read");
    // The event wait is armed now, so a driver without one says so before any data moves.
    arm_comm_event();

    // A fresh open starts with nothing received and no line errors: what the line brought
    // while nobody held the port (a late reply to the previous session) is not this one's.
    PurgeComm(port_, PURGE_RXCLEAR);
    DWORD errors = 0;
    ClearCommError(port_, &errors, nullptr);
    return 0;
}

void Win32SerialBackend::Close() {
    if (!IsOpen())
        return;
    // Let what the driver still holds go out for a moment, then discard it: a stalled line
    // would otherwise keep the bytes (and CloseHandle) waiting.
    const auto until = Clock::now() + std::chrono::milliseconds(kCloseDrainMs);
    COMSTAT status{};
    DWORD errors = 0;
    while (!line_failed_ && ClearCommError(port_, &errors, &status) && status.cbOutQue > 0 &&
           Clock::now() < until)
        Sleep(5);
    PurgeComm(port_, PURGE_TXABORT | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_RXCLEAR);
    if (comm_event_.pending)
        finish_comm_event(true);
    // No read or write outlives its call, so nothing else can still use the OVERLAPPEDs.
    CloseHandle(port_);
    port_ = INVALID_HANDLE_VALUE;
    for (HANDLE* event : {&input_wake_, &output_wake_, &read_.overlapped.hEvent,
                          &write_.overlapped.hEvent, &comm_event_.overlapped.hEvent})
        CloseEvent(*event);
}

int Win32SerialBackend::GetState(SerialLineState& state) {
    if (!IsOpen())
        return ERROR_INVALID_HANDLE;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port_, &dcb))
        return static_cast<int>(GetLastError());
    state = win32_serial::FromDcb(dcb);
    return 0;
}

int Win32SerialBackend::SetState(const SerialLineState& state) {
    if (!IsOpen())
        return ERROR_INVALID_HANDLE;
    // Refused here rather than by the driver: drivers differ in what they let through.
    if (state.BaudRate <= 0 || state.ByteSize < 5 || state.ByteSize > 8 ||
        state.Parity > line_parity::Space || state.StopBits > line_stop_bits::Two)
        return ERROR_INVALID_PARAMETER;
    DCB dcb = win32_serial::ToDcb(state);
    if (!SetCommState(port_, &dcb))
        return static_cast<int>(GetLastError());
    return 0;
}

int Win32SerialBackend::SetTimeouts(const SerialTimeouts& timeouts) {
    timeouts_ = timeouts;
    if (!IsOpen())
        return 0; // applied at the next open
    // The driver ends each read by these; special values keep their Windows meanings.
    COMMTIMEOUTS applied{};
    applied.ReadIntervalTimeout = timeouts.ReadIntervalTimeout;
    applied.ReadTotalTimeoutMultiplier = timeouts.ReadTotalTimeoutMultiplier;
    applied.ReadTotalTimeoutConstant = timeouts.ReadTotalTimeoutConstant;
    applied.WriteTotalTimeoutMultiplier = timeouts.WriteTotalTimeoutMultiplier;
    applied.WriteTotalTimeoutConstant = timeouts.WriteTotalTimeoutConstant;
    return SetCommTimeouts(port_, &applied) ? 0 : static_cast<int>(GetLastError());
}

int Win32SerialBackend::SetBufferSizes(int receive, int transmit) {
    if (!IsOpen())
        return ERROR_INVALID_HANDLE;
    if (receive < 0 || transmit < 0)
        return ERROR_INVALID_PARAMETER;
    return SetupComm(port_, static_cast<DWORD>(receive), static_cast<DWORD>(transmit))
               ? 0
               : static_cast<int>(GetLastError());
}

int Win32SerialBackend::SetEventMask(uint32_t mask) {
    event_mask_ = mask;
    if (!IsOpen() || !has_comm_events_)
        return 0;
    // Data is the reads' business: EV_RXCHAR would only end event waits for nothing. A wait
    // already pending completes with no events and is armed again by the next input call.
    if (!SetCommMask(port_, win32_serial::ToCommMask(mask & ~comm_event::RxChar)))
        return static_cast<int>(GetLastError());
    return 0;
}

void Win32SerialBackend::notice_once(bool& said, const char* call, DWORD error,
                                     const char* without) {
    if (said)
        return;
    said = true;
    Notice(std::string(call) + " is not supported by this device's driver (error " +
           std::to_string(error) + "): " + without);
}

uint32_t Win32SerialBackend::take_driver_errors() {
    DWORD errors = 0;
    if (!ClearCommError(port_, &errors, nullptr))
        return 0;
    errors &= kLineErrors;
    pending_errors_ |= errors;
    uint32_t events = 0;
    if (errors & ~CE_BREAK)
        events |= comm_event::Err;
    if (errors & CE_BREAK)
        events |= comm_event::Break;
    return events & event_mask_;
}

uint32_t Win32SerialBackend::poll_modem_lines() {
    DWORD lines = 0;
    if (!GetCommModemStatus(port_, &lines))
        return 0;
    lines &= kModemLines;
    const DWORD changed = lines ^ last_lines_;
    last_lines_ = lines;
    uint32_t events = 0;
    if (changed & MS_CTS_ON)
        events |= comm_event::Cts;
    if (changed & MS_DSR_ON)
        events |= comm_event::Dsr;
    if (changed & MS_RLSD_ON)
        events |= comm_event::Rlsd;
    if (changed & MS_RING_ON)
        events |= comm_event::Ring;
    return events & event_mask_;
}

void Win32SerialBackend::arm_comm_event() {
    if (!has_comm_events_ || comm_event_.pending || line_failed_)
        return;
    if (win32_serial::ToCommMask(event_mask_ & ~comm_event::RxChar) == 0)
        return;
    ResetEvent(comm_event_.overlapped.hEvent);
    comm_event_mask_ = 0;
    if (WaitCommEvent(port_, &comm_event_mask_, &comm_event_.overlapped)) {
        // Done at once: the wait below still finds it through the event.
        comm_event_.pending = true;
        SetEvent(comm_event_.overlapped.hEvent);
        return;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) {
        comm_event_.pending = true;
        return;
    }
    if (error == ERROR_OPERATION_ABORTED) {
        // fAbortOnError stopped it after a line error; taking the errors clears that.
        take_driver_errors();
        return;
    }
    if (!Unsupported(error))
        return; // tried again on the next input call
    has_comm_events_ = false;
    notice_once(said_comm_events_, "WaitCommEvent", error,
                has_modem_status_ ? "line errors are taken after each read, modem lines are "
                                    "looked at every 100 ms"
                                  : "line errors are taken after each read, modem-line "
                                    "changes are not reported");
}

uint32_t Win32SerialBackend::finish_comm_event(bool cancel) {
    if (cancel) {
        CancelIoEx(port_, &comm_event_.overlapped);
        // A driver that never answers the cancel must not hold Close; the handle's close
        // ends the wait in any case.
        if (WaitForSingleObject(comm_event_.overlapped.hEvent, 1000) != WAIT_OBJECT_0)
            return 0;
    }
    DWORD ignored = 0;
    const BOOL done = GetOverlappedResult(port_, &comm_event_.overlapped, &ignored, FALSE);
    const DWORD error = done ? 0 : GetLastError();
    if (!done && error == ERROR_IO_INCOMPLETE)
        return 0;
    comm_event_.pending = false;
    if (cancel)
        return 0;
    if (!done) {
        if (error == ERROR_OPERATION_ABORTED)
            return take_driver_errors();
        return 0;
    }
    uint32_t events = win32_serial::FromCommMask(comm_event_mask_) & ~comm_event::RxChar;
    if (events & (comm_event::Err | comm_event::Break))
        events |= take_driver_errors();
    return events & event_mask_;
}

// Starts a read of count bytes into `into`: Pending, or how it ended at once.
Win32SerialBackend::ReadEnd Win32SerialBackend::start_read(uint8_t* into, DWORD count, DWORD& got,
                                                           int& error) {
    got = 0;
    error = 0;
    ResetEvent(read_.overlapped.hEvent);
    read_.overlapped.Offset = read_.overlapped.OffsetHigh = 0;
    if (ReadFile(port_, into, count, nullptr, &read_.overlapped)) {
        GetOverlappedResult(port_, &read_.overlapped, &got, FALSE);
        return got >= count ? ReadEnd::Full : ReadEnd::Short;
    }
    const DWORD failure = GetLastError();
    if (failure == ERROR_IO_PENDING) {
        read_.pending = true;
        return ReadEnd::Pending;
    }
    return Ended(failure, error);
}

// Ends the pending read (cancelling it first when asked) and says how it ended. A cancelled
// read still hands over the bytes it had.
Win32SerialBackend::ReadEnd Win32SerialBackend::finish_read(bool cancel, DWORD asked, DWORD& got,
                                                            int& error) {
    got = 0;
    error = 0;
    if (cancel)
        CancelIoEx(port_, &read_.overlapped);
    const BOOL done = GetOverlappedResult(port_, &read_.overlapped, &got, TRUE);
    read_.pending = false;
    if (done)
        return got >= asked ? ReadEnd::Full : ReadEnd::Short;
    return Ended(GetLastError(), error);
}

Win32SerialBackend::ReadEnd Win32SerialBackend::Ended(DWORD failure, int& error) {
    // Wine ends a read at its total timeout with ERROR_TIMEOUT, Windows with success.
    if (TimedOut(failure))
        return ReadEnd::Short;
    if (failure == ERROR_OPERATION_ABORTED)
        return ReadEnd::Aborted;
    error = static_cast<int>(failure);
    return ReadEnd::Failed;
}

InputResult Win32SerialBackend::WaitInput(uint8_t* buffer, int count) {
    return WaitChunk(buffer, count, ChunkRule());
}

InputResult Win32SerialBackend::WaitChunk(uint8_t* buffer, int count, const ChunkRule& rule) {
    InputResult r;
    if (!IsOpen()) {
        r.error = ERROR_INVALID_HANDLE;
        return r;
    }
    // A wake-up given before the call ends it before anything is read.
    if (WaitForSingleObject(input_wake_, 0) == WAIT_OBJECT_0) {
        r.woken = true;
        return r;
    }
    const bool reading = count > 0 && buffer != nullptr && !line_failed_;
    arm_comm_event();
    const bool pollLines = has_modem_status_ && !has_comm_events_ && !line_failed_;

    const uint32_t interval = timeouts_.ReadIntervalTimeout;
    const uint64_t total =
        reading ? uint64_t{timeouts_.ReadTotalTimeoutMultiplier} * static_cast<uint64_t>(count) +
                      timeouts_.ReadTotalTimeoutConstant
                : 0;
    const auto totalDeadline = Clock::now() + std::chrono::milliseconds(total);

    // How far this chunk may be read: never past the end the rule expects, so the bytes after
    // a complete chunk stay in the driver for the next one.
    int readEnd = count;
    if (reading && rule) {
        const int missing = rule(buffer, 0);
        if (missing > 0)
            readEnd = std::min(count, missing);
    }
    // Once a read has ended at the rule's count, the rest of the chunk must begin within the
    // interval: the driver's interval timer only runs from a read's first byte, so that wait
    // is timed here, and a cancelled read that brought nothing means the line fell silent.
    bool continuing = false;
    auto continueBy = Clock::time_point::max();
    DWORD asked = 0;

    enum class Next { Read, Wait, Return };
    // Takes what a read brought into the chunk and says what comes next. timedOut: this side
    // cancelled the read at the interval or the total; bytes it still brought mean the line
    // was not silent, unless the total is over.
    auto ended = [&](ReadEnd end, DWORD got, int error, bool timedOut) {
        r.count += static_cast<int>(got);
        switch (end) {
        case ReadEnd::Pending:
            return Next::Wait;
        case ReadEnd::Failed:
            line_failed_ = true;
            r.error = error;
            return Next::Return;
        case ReadEnd::Aborted:
            if (timedOut)
                break;
            // Not ours: the driver stops reads after a line error (fAbortOnError) or a purge.
            // Taking the errors clears that; the chunk goes on.
            r.events |= take_driver_errors();
            return r.events != 0 && r.count == 0 ? Next::Return : Next::Read;
        case ReadEnd::Short:
            if (got > 0 && !has_comm_events_)
                r.events |= take_driver_errors();
            return Next::Return;
        case ReadEnd::Full:
            break;
        }
        if (got > 0 && !has_comm_events_)
            r.events |= take_driver_errors();
        const bool totalOver = total > 0 && Clock::now() >= totalDeadline;
        if (r.count >= count || (timedOut && (got == 0 || totalOver)))
            return Next::Return;
        if (rule) {
            const int missing = rule(buffer, r.count);
            if (missing == 0)
                return Next::Return;
            readEnd = missing > 0 ? std::min(count, r.count + missing) : count;
        }
        if (interval == MAXDWORD)
            return Next::Return;
        continuing = true;
        continueBy = interval == 0 ? Clock::time_point::max()
                                   : Clock::now() + std::chrono::milliseconds(interval);
        return Next::Read;
    };
    // The pending read's bytes join the chunk when the call ends for another reason.
    auto cancelRead = [&] {
        if (!read_.pending)
            return;
        DWORD got = 0;
        int error = 0;
        const ReadEnd end = finish_read(true, asked, got, error);
        r.count += static_cast<int>(got);
        if (end == ReadEnd::Failed) {
            line_failed_ = true;
            r.error = error;
        }
    };

    Next next = reading ? Next::Read : Next::Wait;
    for (;;) {
        if (next == Next::Read) {
            asked = static_cast<DWORD>(readEnd - r.count);
            DWORD got = 0;
            int error = 0;
            const ReadEnd end = start_read(buffer + r.count, asked, got, error);
            next = ended(end, got, error, false);
            if (next == Next::Return)
                return r;
            if (next == Next::Read)
                continue;
        }

        HANDLE handles[3];
        DWORD handleCount = 0;
        handles[handleCount++] = input_wake_;
        const DWORD readIndex = read_.pending ? handleCount++ : MAXDWORD;
        if (read_.pending)
            handles[readIndex] = read_.overlapped.hEvent;
        const DWORD eventIndex = comm_event_.pending ? handleCount++ : MAXDWORD;
        if (comm_event_.pending)
            handles[eventIndex] = comm_event_.overlapped.hEvent;

        DWORD timeout = INFINITE;
        auto limit = [&timeout](DWORD ms) { timeout = std::min(timeout, ms); };
        if (read_.pending && continuing && continueBy != Clock::time_point::max())
            limit(MillisecondsUntil(continueBy));
        if (read_.pending && total > 0)
            limit(MillisecondsUntil(totalDeadline));
        if (pollLines)
            limit(kLinePollMs);

        const DWORD woke = WaitForMultipleObjects(handleCount, handles, FALSE, timeout);
        if (woke == WAIT_OBJECT_0) {
            cancelRead();
            r.woken = true;
            return r;
        }
        if (woke == WAIT_FAILED) {
            const int error = static_cast<int>(GetLastError());
            cancelRead();
            line_failed_ = true;
            r.error = error;
            return r;
        }
        if (woke == WAIT_OBJECT_0 + readIndex) {
            DWORD got = 0;
            int error = 0;
            const ReadEnd end = finish_read(false, asked, got, error);
            next = ended(end, got, error, false);
        } else if (woke == WAIT_OBJECT_0 + eventIndex) {
            r.events |= finish_comm_event(false);
            arm_comm_event();
        } else if (woke == WAIT_TIMEOUT) {
            if (pollLines)
                r.events |= poll_modem_lines();
            const auto now = Clock::now();
            if (read_.pending && ((total > 0 && now >= totalDeadline) ||
                                  (continuing && now >= continueBy))) {
                DWORD got = 0;
                int error = 0;
                const ReadEnd end = finish_read(true, asked, got, error);
                next = ended(end == ReadEnd::Short ? ReadEnd::Full : end, got, error, true);
            }
        }
        if (next == Next::Return)
            return r;
        // Events end a wait that has brought no bytes yet; within a chunk they wait for its end.
        if (r.events != 0 && r.count == 0) {
            cancelRead();
            return r;
        }
    }
}

OutputResult Win32SerialBackend::Write(const uint8_t* bytes, int count, bool mayBlock) {
    OutputResult r;
    if (!IsOpen()) {
        r.error = ERROR_INVALID_HANDLE;
        return r;
    }
    if (count <= 0 || bytes == nullptr)
        return r;
    ResetEvent(write_.overlapped.hEvent);
    write_.overlapped.Offset = write_.overlapped.OffsetHigh = 0;
    bool cut = false;
    if (!WriteFile(port_, bytes, static_cast<DWORD>(count), nullptr, &write_.overlapped)) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) {
            r.error = static_cast<int>(error);
            return r;
        }
        HANDLE handles[2] = {output_wake_, write_.overlapped.hEvent};
        const DWORD woke =
            WaitForMultipleObjects(2, handles, FALSE, mayBlock ? INFINITE : kNoBlockWriteMs);
        if (woke != WAIT_OBJECT_0 + 1) {
            CancelIoEx(port_, &write_.overlapped);
            r.aborted = woke == WAIT_OBJECT_0;
            cut = !r.aborted;
        }
    }
    DWORD sent = 0;
    const BOOL done = GetOverlappedResult(port_, &write_.overlapped, &sent, TRUE);
    r.count = static_cast<int>(sent);
    if (!done) {
        const DWORD error = GetLastError();
        if (TimedOut(error))
            r.error = ERROR_TIMEOUT;
        else if (error != ERROR_OPERATION_ABORTED)
            r.error = static_cast<int>(error);
    } else if (r.count < count && !r.aborted && !cut) {
        // Only the driver's write total timeout ends a write short.
        r.error = ERROR_TIMEOUT;
    }
    return r;
}

int Win32SerialBackend::ModemStatus(uint32_t& word) {
    word = 0;
    if (!IsOpen())
        return ERROR_INVALID_HANDLE;
    if (!has_modem_status_)
        return 0;
    DWORD lines = 0;
    if (!GetCommModemStatus(port_, &lines))
        return static_cast<int>(GetLastError());
    word = lines & kModemLines;
    return 0;
}

int Win32SerialBackend::TakeLineErrors(uint32_t& word) {
    if (IsOpen() && !line_failed_)
        take_driver_errors();
    word = pending_errors_.exchange(0);
    return IsOpen() ? 0 : ERROR_INVALID_HANDLE;
}

int Win32SerialBackend::Purge(uint32_t flags) {
    if (!IsOpen())
        return ERROR_INVALID_HANDLE;
    // A blocked call is ended through its wake-up, which also hands over what it had.
    if (flags & purge_flags::TxAbort)
        Wake(SerialWaker::Output);
    if (flags & purge_flags::RxAbort)
        Wake(SerialWaker::Input);
    const DWORD clear = flags & (PURGE_TXCLEAR | PURGE_RXCLEAR);
    if (clear != 0 && !PurgeComm(port_, clear))
        return static_cast<int>(GetLastError());
    return 0;
}

int Win32SerialBackend::SetBreak(bool on) {
    if (!IsOpen())
        return ERROR_INVALID_HANDLE;
    if (on ? SetCommBreak(port_) : ClearCommBreak(port_))
        return 0;
    const DWORD error = GetLastError();
    if (!Unsupported(error))
        return static_cast<int>(error);
    notice_once(said_break_, on ? "SetCommBreak" : "ClearCommBreak", error, "no break is sent");
    return 0;
}

void Win32SerialBackend::Wake(SerialWaker side) {
    const HANDLE event = side == SerialWaker::Input ? input_wake_ : output_wake_;
    if (event != nullptr)
        SetEvent(event);
}

SerialErrorClass Win32SerialBackend::Classify(int systemError) const {
    switch (static_cast<DWORD>(systemError)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST:
        return SerialErrorClass::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        return SerialErrorClass::InUse;
    case ERROR_INVALID_HANDLE:
        return SerialErrorClass::InvalidHandle;
    default:
        return SerialErrorClass::Other;
    }
}
