// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Serial backend over the Win32 communications API: a COM port opened for overlapped I/O,
// read in chunks the driver ends by ReadIntervalTimeout, with an event object that wakes the
// waiting thread. Results are Win32 error numbers (GetLastError), 0 for success.
//
// Drivers that lack a call (Wine on a pseudo-terminal answers GetCommModemStatus and
// WaitCommEvent with ERROR_NOT_SUPPORTED, so do some USB adapters) leave the port working
// without that feature; the backend says so once per open through its notice handler.

#include "SerialBackend.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace win32_serial {

// The name CreateFile needs: "COM3", "com3" and "COM3:" become "\\.\COM3" (COM10 and above
// open only that way); anything else is taken as the device name it already is.
std::wstring DevicePath(const std::string& name);

// The line state as a DCB and back. Values a driver reports that no DCB can hold (an
// undefined parity, a byte size outside 5..8) read as the line's defaults, no parity and 8.
DCB ToDcb(const SerialLineState& state);
SerialLineState FromDcb(const DCB& dcb);

// comm_event bits to and from the EV_* mask of SetCommMask/WaitCommEvent.
DWORD ToCommMask(uint32_t events);
uint32_t FromCommMask(DWORD mask);

} // namespace win32_serial

class Win32SerialBackend final : public ISerialBackend {
public:
    Win32SerialBackend() = default;
    ~Win32SerialBackend() override;
    Win32SerialBackend(const Win32SerialBackend&) = delete;
    Win32SerialBackend& operator=(const Win32SerialBackend&) = delete;

    int Open(const std::string& path) override;
    bool IsOpen() const override { return port_ != INVALID_HANDLE_VALUE; }
    void Close() override;

    int GetState(SerialLineState& state) override;
    int SetState(const SerialLineState& state) override;
    int SetTimeouts(const SerialTimeouts& timeouts) override;
    int SetBufferSizes(int receive, int transmit) override;
    int SetEventMask(uint32_t mask) override;

    InputResult WaitInput(uint8_t* buffer, int count) override;
    InputResult WaitChunk(uint8_t* buffer, int count, const ChunkRule& rule) override;
    OutputResult Write(const uint8_t* bytes, int count, bool mayBlock) override;

    int ModemStatus(uint32_t& word) override;
    int TakeLineErrors(uint32_t& word) override;
    int Purge(uint32_t flags) override;
    int SetBreak(bool on) override;
    void Wake(SerialWaker side) override;
    SerialErrorClass Classify(int systemError) const override;

private:
    // One overlapped read of the input side: started, then finished by completion or cancel.
    struct Transfer {
        OVERLAPPED overlapped{};
        bool pending = false;
    };
    // How a read ended: Full at the count asked for, Short by the interval or a total
    // timeout, Aborted by a cancel, Failed with the device gone.
    enum class ReadEnd { Pending, Full, Short, Aborted, Failed };

    ReadEnd start_read(uint8_t* into, DWORD count, DWORD& got, int& error);
    ReadEnd finish_read(bool cancel, DWORD asked, DWORD& got, int& error);
    static ReadEnd Ended(DWORD failure, int& error);
    void arm_comm_event();
    uint32_t finish_comm_event(bool cancel);
    uint32_t poll_modem_lines();
    uint32_t take_driver_errors();
    void notice_once(bool& said, const char* call, DWORD error, const char* without);

    HANDLE port_ = INVALID_HANDLE_VALUE;
    HANDLE input_wake_ = nullptr;
    HANDLE output_wake_ = nullptr;
    Transfer read_;
    Transfer write_;
    Transfer comm_event_;
    DWORD comm_event_mask_ = 0;
    SerialTimeouts timeouts_;
    std::atomic<uint32_t> event_mask_{comm_event::Watched};
    // What the driver was found to do at open: without WaitCommEvent, line errors are taken
    // after each read and modem lines (when readable) are polled.
    bool has_modem_status_ = false;
    bool has_comm_events_ = false;
    bool said_modem_status_ = false;
    bool said_comm_events_ = false;
    bool said_break_ = false;
    uint32_t last_lines_ = 0;
    std::atomic<uint32_t> pending_errors_{0};
    // Set by the input side once the device has gone; from then on it waits for wake-ups.
    bool line_failed_ = false;
};
