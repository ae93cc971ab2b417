// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 backend's own translations, which no far end can see: port names, error classes,
// the DCB and the event mask.

#include "platform/Win32SerialBackend.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(Win32Names, ComNamesGainTheDevicePrefixAndOtherNamesStayAsGiven) {
    const struct {
        const char* name;
        const wchar_t* device;
    } cases[] = {
        {"COM3", L"\\\\.\\COM3"},        {"com12", L"\\\\.\\COM12"},
        {"Com7:", L"\\\\.\\COM7"},       {"\\\\.\\COM3", L"\\\\.\\COM3"},
        {"\\\\.\\CNCA0", L"\\\\.\\CNCA0"}, {"COM", L"COM"},
        {"COMX", L"COMX"},               {"COM1a", L"COM1a"},
        {"COM:", L"COM:"},               {"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(win32_serial::DevicePath(c.name), c.device) << c.name;
}

TEST(Win32Errors, ErrorNumbersFallIntoThePortsClasses) {
    Win32SerialBackend backend;
    const struct {
        DWORD error;
        SerialErrorClass kind;
    } cases[] = {
        {ERROR_FILE_NOT_FOUND, SerialErrorClass::NotFound},
        {ERROR_PATH_NOT_FOUND, SerialErrorClass::NotFound},
        {ERROR_INVALID_NAME, SerialErrorClass::NotFound},
        {ERROR_DEV_NOT_EXIST, SerialErrorClass::NotFound},
        {ERROR_ACCESS_DENIED, SerialErrorClass::InUse},
        {ERROR_SHARING_VIOLATION, SerialErrorClass::InUse},
        {ERROR_BUSY, SerialErrorClass::InUse},
        {ERROR_INVALID_HANDLE, SerialErrorClass::InvalidHandle},
        {ERROR_BROKEN_PIPE, SerialErrorClass::Other},
        {ERROR_NOT_READY, SerialErrorClass::Other},
        {ERROR_GEN_FAILURE, SerialErrorClass::Other},
        {ERROR_NOT_SUPPORTED, SerialErrorClass::Other},
        {ERROR_INVALID_PARAMETER, SerialErrorClass::Other},
        {ERROR_TIMEOUT, SerialErrorClass::Other},
    };
    for (const auto& c : cases)
        EXPECT_EQ(backend.Classify(static_cast<int>(c.error)), c.kind) << c.error;
}

auto Fields(const SerialLineState& s) {
    return std::make_tuple(s.BaudRate, s.fParity, s.fOutxCtsFlow, s.fOutxDsrFlow, s.fDtrControl,
                           s.fDsrSensitivity, s.fTXContinueOnXoff, s.fOutX, s.fInX, s.fErrorChar,
                           s.fNull, s.fRtsControl, s.fAbortOnError, s.XonLim, s.XoffLim,
                           s.ByteSize, s.Parity, s.StopBits, s.XonChar, s.XoffChar, s.ErrorChar,
                           s.EofChar, s.EvtChar);
}

TEST(Win32LineState, EveryFieldCrossesTheDcbBothWays) {
    SerialLineState defaults;
    SerialLineState odd;
    odd.BaudRate = 1200;
    odd.fParity = true;
    odd.Parity = line_parity::Odd;
    odd.ByteSize = 7;
    odd.StopBits = line_stop_bits::Two;
    odd.fDtrControl = DtrControl::Disable;
    odd.fRtsControl = RtsControl::Toggle;
    SerialLineState handshakes;
    handshakes.fOutxCtsFlow = handshakes.fOutxDsrFlow = true;
    handshakes.fDtrControl = DtrControl::Handshake;
    handshakes.fRtsControl = RtsControl::Handshake;
    handshakes.fOutX = handshakes.fInX = handshakes.fDsrSensitivity = true;
    handshakes.fTXContinueOnXoff = handshakes.fErrorChar = handshakes.fNull = true;
    handshakes.fAbortOnError = false;
    handshakes.XonLim = 7;
    handshakes.XoffLim = 300;
    handshakes.XonChar = 'q';
    handshakes.XoffChar = 's';
    handshakes.ErrorChar = '?';
    handshakes.EofChar = 0x1A;
    handshakes.EvtChar = '\n';
    SerialLineState mark;
    mark.fParity = true;
    mark.Parity = line_parity::Mark;
    mark.ByteSize = 5;
    mark.StopBits = line_stop_bits::OneAndHalf;
    SerialLineState space = mark;
    space.Parity = line_parity::Space;
    space.ByteSize = 6;

    const struct {
        const char* what;
        SerialLineState state;
        BYTE parity, byteSize, stopBits;
        DWORD dtr, rts;
    } cases[] = {
        {"defaults", defaults, NOPARITY, 8, ONESTOPBIT, DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE},
        {"7O2", odd, ODDPARITY, 7, TWOSTOPBITS, DTR_CONTROL_DISABLE, RTS_CONTROL_TOGGLE},
        {"handshakes", handshakes, NOPARITY, 8, ONESTOPBIT, DTR_CONTROL_HANDSHAKE,
         RTS_CONTROL_HANDSHAKE},
        {"5M1.5", mark, MARKPARITY, 5, ONE5STOPBITS, DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE},
        {"6S1.5", space, SPACEPARITY, 6, ONE5STOPBITS, DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const DCB dcb = win32_serial::ToDcb(c.state);
        EXPECT_EQ(dcb.DCBlength, sizeof(DCB));
        EXPECT_EQ(dcb.fBinary, 1u);
        EXPECT_EQ(dcb.BaudRate, DWORD(c.state.BaudRate));
        EXPECT_EQ(dcb.Parity, c.parity);
        EXPECT_EQ(dcb.ByteSize, c.byteSize);
        EXPECT_EQ(dcb.StopBits, c.stopBits);
        EXPECT_EQ(dcb.fDtrControl, c.dtr);
        EXPECT_EQ(dcb.fRtsControl, c.rts);
        EXPECT_EQ(Fields(win32_serial::FromDcb(dcb)), Fields(c.state));
    }
}

TEST(Win32LineState, WhatNoDcbCanHoldReadsAsTheLineDefaults) {
    // Wine reports an undefined parity once a pty has dropped PARENB but kept PARODD.
    DCB dcb = win32_serial::ToDcb(SerialLineState{});
    dcb.Parity = 48;
    dcb.ByteSize = 0;
    dcb.StopBits = 7;
    const SerialLineState read = win32_serial::FromDcb(dcb);
    EXPECT_EQ(read.Parity, line_parity::None);
    EXPECT_FALSE(read.fParity);
    EXPECT_EQ(read.ByteSize, 8);
    EXPECT_EQ(read.StopBits, line_stop_bits::One);

    // Wine leaves fParity clear whatever it sets: a parity counts as checked.
    dcb = win32_serial::ToDcb(SerialLineState{});
    dcb.Parity = EVENPARITY;
    dcb.fParity = FALSE;
    EXPECT_TRUE(win32_serial::FromDcb(dcb).fParity);
}

TEST(Win32Events, EachWatchedEventHasItsOwnMaskBit) {
    const struct {
        uint32_t event;
        DWORD mask;
    } cases[] = {
        {comm_event::RxChar, EV_RXCHAR}, {comm_event::Cts, EV_CTS},
        {comm_event::Dsr, EV_DSR},       {comm_event::Rlsd, EV_RLSD},
        {comm_event::Break, EV_BREAK},   {comm_event::Err, EV_ERR},
        {comm_event::Ring, EV_RING},     {comm_event::Event2, EV_EVENT2},
    };
    DWORD all = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(win32_serial::ToCommMask(c.event), c.mask) << c.event;
        EXPECT_EQ(win32_serial::FromCommMask(c.mask), c.event) << c.mask;
        all |= c.mask;
    }
    EXPECT_EQ(win32_serial::ToCommMask(comm_event::Watched), all);
    // Masks the port never asks for come back as nothing.
    EXPECT_EQ(win32_serial::FromCommMask(EV_TXEMPTY | EV_RXFLAG | EV_EVENT1), 0u);
}

} // namespace
