// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared by the units of TWin32Port only: what its threads and Connect/Disconnect post to the
// window procedure.

// The hand-over messages, numbered as the threads post them.
inline constexpr int WM_USER = 0x0400;
inline constexpr int kMsgConnect = WM_USER + 1;
inline constexpr int kMsgDisconnect = WM_USER + 2;
inline constexpr int kMsgErrorConnect = WM_USER + 3;
inline constexpr int kMsgRx = WM_USER + 4;
inline constexpr int kMsgTx = WM_USER + 5;
inline constexpr int kMsgParity = WM_USER + 6;
inline constexpr int kMsgFraming = WM_USER + 7;
inline constexpr int kMsgHardwareOverrun = WM_USER + 8;
inline constexpr int kMsgSoftwareOverrun = WM_USER + 9;
inline constexpr int kMsgBreak = WM_USER + 10;
inline constexpr int kMsgCts = WM_USER + 11;
inline constexpr int kMsgDsr = WM_USER + 12;
inline constexpr int kMsgCd = WM_USER + 13;
inline constexpr int kMsgRi = WM_USER + 14;

// One write of the output thread; a transmit echo carries at most this many bytes.
inline constexpr int kWriteChunk = 500;
