// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The operations TWin32Port needs of the operating system's serial interface. The port's
// threads, queues, error codes and message order are written once above this; each platform
// supplies one small backend (termios on POSIX, the communications API on Windows). Results
// are platform error numbers (errno on POSIX, GetLastError on Windows), 0 for success;
// Classify() turns them into the port's error classes.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

// Line-state record of the port, shaped like the Windows DCB so that every settings change
// can start from the component's own copy.
enum class DtrControl : uint8_t { Disable = 0, Enable = 1, Handshake = 2 };
enum class RtsControl : uint8_t { Disable = 0, Enable = 1, Handshake = 2, Toggle = 3 };

namespace line_parity {
inline constexpr uint8_t None = 0;
inline constexpr uint8_t Odd = 1;
inline constexpr uint8_t Even = 2;
inline constexpr uint8_t Mark = 3;
inline constexpr uint8_t Space = 4;
} // namespace line_parity

namespace line_stop_bits {
inline constexpr uint8_t One = 0;
inline constexpr uint8_t OneAndHalf = 1;
inline constexpr uint8_t Two = 2;
} // namespace line_stop_bits

struct SerialLineState {
    int32_t BaudRate = 38400;
    bool fBinary = true;
    bool fParity = false;
    bool fOutxCtsFlow = false;
    bool fOutxDsrFlow = false;
    DtrControl fDtrControl = DtrControl::Enable;
    bool fDsrSensitivity = false;
    bool fTXContinueOnXoff = false;
    bool fOutX = false;
    bool fInX = false;
    bool fErrorChar = false;
    bool fNull = false;
    RtsControl fRtsControl = RtsControl::Enable;
    bool fAbortOnError = true;
    uint16_t XonLim = 128;
    uint16_t XoffLim = 128;
    uint8_t ByteSize = 8;
    uint8_t Parity = line_parity::None;
    uint8_t StopBits = line_stop_bits::One;
    char XonChar = 0x11;
    char XoffChar = 0x13;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
};

struct SerialTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};

// Event mask bits: what the input side watches and what WaitInput reports.
namespace comm_event {
inline constexpr uint32_t RxChar = 0x0001;
inline constexpr uint32_t Cts = 0x0008;
inline constexpr uint32_t Dsr = 0x0010;
inline constexpr uint32_t Rlsd = 0x0020;
inline constexpr uint32_t Break = 0x0040;
inline constexpr uint32_t Err = 0x0080;
inline constexpr uint32_t Ring = 0x0100;
inline constexpr uint32_t Event2 = 0x2000; // treated like Ring
inline constexpr uint32_t Watched = 0x21F9;
} // namespace comm_event

// Line error word.
namespace line_error {
inline constexpr uint32_t RxOver = 0x01;
inline constexpr uint32_t Overrun = 0x02;
inline constexpr uint32_t RxParity = 0x04;
inline constexpr uint32_t Frame = 0x08;
inline constexpr uint32_t Break = 0x10;
} // namespace line_error

// Modem status word.
namespace modem_status {
inline constexpr uint32_t Cts = 0x10;
inline constexpr uint32_t Dsr = 0x20;
inline constexpr uint32_t Ring = 0x40;
inline constexpr uint32_t Rlsd = 0x80;
} // namespace modem_status

namespace purge_flags {
inline constexpr uint32_t TxAbort = 0x01;
inline constexpr uint32_t RxAbort = 0x02;
inline constexpr uint32_t TxClear = 0x04;
inline constexpr uint32_t RxClear = 0x08;
} // namespace purge_flags

enum class SerialErrorClass { NotFound, InUse, InvalidHandle, Other };

// One turn of the input side. count bytes were read; events holds comm_event bits seen;
// error is non-zero when the line failed (device gone, I/O error): the backend then reports
// nothing more for this device except wake-ups. woken: Wake(Input) ended the call.
struct InputResult {
    int count = 0;
    uint32_t events = 0;
    int error = 0;
    bool woken = false;
};

// One write. count bytes went out; error non-zero on failure; aborted: Wake(Output) ended a
// write that was waiting for room.
struct OutputResult {
    int count = 0;
    int error = 0;
    bool aborted = false;
};

enum class SerialWaker { Input, Output };

// Lets a chunk end before the line falls silent. Given the bytes of the chunk so far, it says
// how many more make it complete: > 0 that many are still missing (and no more are read into
// this chunk), 0 the chunk is complete and ends now, < 0 it cannot tell, and the chunk ends by
// silence as usual. Called on the input thread; it must only look at the bytes.
using ChunkRule = std::function<int(const uint8_t* bytes, int count)>;

// What a device cannot do, in one line (the call, the error number, what the port does
// without it). Called on whichever thread found out, so it must be safe from any thread.
using SerialNotice = std::function<void(const std::string& text)>;

class ISerialBackend {
public:
    virtual ~ISerialBackend() = default;

    // Opens the device for reading and writing, exclusively. 0 or a platform error number.
    virtual int Open(const std::string& path) = 0;
    virtual bool IsOpen() const = 0;
    // Only once no thread is inside WaitInput or Write.
    virtual void Close() = 0;

    virtual int GetState(SerialLineState& state) = 0;
    // Not open: the platform's invalid-handle error (Classify gives InvalidHandle).
    virtual int SetState(const SerialLineState& state) = 0;
    virtual int SetTimeouts(const SerialTimeouts& timeouts) = 0;
    virtual int SetBufferSizes(int receive, int transmit) = 0;
    virtual int SetEventMask(uint32_t mask) = 0;

    // Waits for the first byte without limit (unless the read totals say otherwise), then
    // reads until ReadIntervalTimeout ms of silence or until count bytes have arrived. With
    // count 0 nothing is read: the call waits for a watched event or a wake-up only.
    // A pending Wake(Input) ends the call at once (bytes already read are returned).
    virtual InputResult WaitInput(uint8_t* buffer, int count) = 0;
    // As WaitInput, but the rule may end the chunk early. A backend that cannot do this ends
    // chunks by silence alone, which is always correct, only slower.
    virtual InputResult WaitChunk(uint8_t* buffer, int count, const ChunkRule& rule) {
        (void)rule;
        return WaitInput(buffer, count);
    }
    // Writes all count bytes, waiting for room while mayBlock; a pending Wake(Output) aborts
    // a waiting write. Without mayBlock it writes only what the device takes at once.
    virtual OutputResult Write(const uint8_t* bytes, int count, bool mayBlock) = 0;

    virtual int ModemStatus(uint32_t& word) = 0;
    // Takes and clears the line error word.
    virtual int TakeLineErrors(uint32_t& word) = 0;
    virtual int Purge(uint32_t flags) = 0;
    virtual int SetBreak(bool on) = 0;

    // Ends the current (or, if none, the next) blocking call of that side; safe from any
    // thread, a no-op while closed.
    virtual void Wake(SerialWaker side) = 0;

    virtual SerialErrorClass Classify(int systemError) const = 0;

    // A device that lacks a feature still works without it; the backend tells the handler
    // once per open. Set before Open.
    void SetNoticeHandler(SerialNotice handler) { notice_ = std::move(handler); }

protected:
    void Notice(const std::string& text) const {
        if (notice_)
            notice_(text);
    }

private:
    SerialNotice notice_;
};

// The backend of the platform the program runs on.
std::unique_ptr<ISerialBackend> CreatePlatformSerialBackend();
