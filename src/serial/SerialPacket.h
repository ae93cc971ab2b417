// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Packet link of the gauge protocol over the serial port, and the message-loop timer.

#include "Win32Port.h"

#include <QtGlobal>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>

// Flags byte of a frame.
inline constexpr uint8_t pk_ACK = 0x01;
inline constexpr uint8_t pk_CHECKSUM = 0x02;
inline constexpr uint8_t pk_FLOW = 0x04;
inline constexpr uint8_t pk_READY = 0x08;

// Every request this tool sends: checksum on, ready.
inline constexpr uint8_t kRequestFlags = pk_CHECKSUM | pk_READY;

// Wire frame: Flags, Length, Instruction, Length data bytes, XOR checksum of all before it.
namespace frame {
inline constexpr int FlagsOffset = 0;
inline constexpr int LengthOffset = 1;
inline constexpr int InstructionOffset = 2;
inline constexpr int DataOffset = 3;
inline constexpr int Overhead = 4; // a frame is Length + Overhead bytes
inline constexpr int MaxData = 255;
} // namespace frame

struct TPacket {
    uint8_t Flags = 0;
    uint8_t Instruction = 0;
    uint8_t Length = 0;
    uint8_t Data[1024] = {};
    uint8_t Checksum = 0;
    int32_t Timeout = 0;
};

struct TQueueType {
    uint8_t Frame[1028] = {};
    uint8_t Instruction = 0;
    int32_t Timeout = 0;
};

// Periodic timer on the GUI thread. Writers given the current value do nothing; a new value
// re-arms the timer, so its period restarts from that moment.
class TMEKTimer {
public:
    TMEKTimer();
    ~TMEKTimer();
    Q_DISABLE_COPY(TMEKTimer)

    int Interval() const { return interval_; }
    bool Enabled() const { return enabled_; }
    void SetInterval(int milliseconds);
    void SetEnabled(bool enabled);
    void SetOnTimer(std::function<void(void* Sender)> handler);

private:
    void Rearm();

    int interval_ = 1000;
    bool enabled_ = true;
    std::function<void(void* Sender)> on_timer_;
    QTimer timer_;
};

// Watches the link's traffic without taking part: every frame sent, every chunk received and
// every reply time-out, each reported on the GUI thread before the link's own events for it.
// The link's events and their order are the same with or without a tap.
class TPacketTap {
public:
    virtual ~TPacketTap() = default;
    virtual void FrameSent(const uint8_t* frame, int size) = 0;
    virtual void ChunkReceived(const uint8_t* bytes, int count) = 0;
    virtual void ReplyTimedOut(uint8_t instruction) = 0;
    // A chunk that came while the link was letting the line settle (after a failed exchange,
    // or on opening): it belongs to no request and is dropped. Reported instead of
    // ChunkReceived; a tap that does not tell them apart sees it as a chunk.
    virtual void StrayChunk(const uint8_t* bytes, int count) { ChunkReceived(bytes, count); }
};

class TSerialPacket : public TWin32Port {
    Q_OBJECT
public:
    explicit TSerialPacket(QObject* owner = nullptr,
                           std::unique_ptr<ISerialBackend> backend = nullptr);
    ~TSerialPacket() override;

    std::function<void(TSerialPacket* Sender, uint8_t Instruction)> OnPacketTimeout;
    std::function<void(TSerialPacket* Sender, uint8_t Instruction)> OnPacketNACK;
    std::function<void(TSerialPacket* Sender, uint8_t Instruction)> OnPacketInvalidChecksum;
    std::function<void(TSerialPacket* Sender, const TPacket& Packet)> OnPacketRx;

    int ProcessMessageTimerInterval() const { return process_message_timer_interval_; }
    void SetProcessMessageTimerInterval(int milliseconds);

    // ---- fast transfers (off by default; taken at the next Connect) ----
    // A reply is complete as soon as the bytes its Length byte promises have arrived with a
    // good checksum, and a queued request leaves as soon as the link is clear to send and the
    // guard gap has passed since the last reply, instead of at the next dispatch tick. Bytes
    // that form no such frame end by silence, as in the standard mode.
    bool FastTransfers = false;
    // Quiet time after the last received byte before a request leaves in fast mode, so the
    // gauge's RS-485 driver can turn round; negative: the default for BaudRate.
    int GuardGapMicroseconds = -1;
    // 3.5 character times (10 bits each) at the baud rate, at least 2 ms.
    static int DefaultGuardGapMicroseconds(long baudRate);
    int EffectiveGuardGapMicroseconds() const;
    // Whether the current connection runs in fast mode.
    bool FastActive() const { return fast_; }
    // Of the bytes gathered so far: how many more make one whole frame; 0 when they are one
    // with a good checksum; negative when no length can end them (a wrong checksum at the
    // promised length, or a frame that asks for no checksum check).
    static int FrameBytesMissing(const uint8_t* bytes, int count);

    bool Connect() override;
    bool Connect(int commPort, long baudRate) override;
    bool Disconnect() override;

    void WritePacketData(uint8_t Instruction, const uint8_t* Data, uint8_t Length, int Timeout);
    void WritePacket(const TPacket& Packet);
    void ReadInstruction(uint8_t Instruction, int Timeout);
    void AddTxQueue(uint8_t Instruction, const uint8_t* Frame, int Timeout);

    // Link state, for the device object's diagnostics and for tests.
    bool ClearToSend() const { return clear_to_send_; }
    uint8_t LastInstruction() const { return last_instruction_; }
    size_t TxQueueSize() const { return tx_queue_.size(); }
    const TMEKTimer& TimeoutTimer() const { return timeout_timer_; }
    const TMEKTimer& ProcessMessageTimer() const { return process_message_timer_; }

    // Before the next request goes out after a failed exchange: whatever the line still
    // brings is dropped until it has been quiet for ReadIntervalTimeout, and never longer than
    // the failed request's reply time-out. A reply cut short (a chunk shorter than its Length
    // byte) waits for its rest within that bound. The link calls it for its own failures;
    // the device object for a reply it could not use.
    void DiscardUntilQuiet();
    // The longest the line settles, in milliseconds (negative: the failed request's own
    // time-out). The device object sets its base reply time-out, so the request held back
    // still has the rest of its wait for its reply.
    int SettleLimitMs = 750;
    // Whether requests are being held back while the line settles.
    bool Settling() const;

    // One tap at a time (null: none); the caller keeps it alive while it is set.
    void SetTap(TPacketTap* tap) { tap_ = tap; }
    TPacketTap* Tap() const { return tap_; }

protected:
    void RxNotify(int count, char* buffer) override;
    virtual void OnRxPacket(const TPacket& Packet);

private:
    void TimeoutTimerTick(void* Sender);
    void ProcessMessageTimerTick(void* Sender);
    // Fast mode: arms the send timer when a request waits and no send is armed yet.
    void ScheduleSend();
    void FastSendTimerTick();
    std::chrono::microseconds GuardGapLeft() const;
    std::chrono::microseconds ReadInterval() const;
    // How long requests are still held back for the line to settle (0: not held).
    std::chrono::microseconds SettleLeft() const;
    void StartSettling(std::chrono::microseconds quiet, std::chrono::microseconds limit,
                       bool awaitRest);
    std::chrono::microseconds SettleLimit() const;

    std::deque<TQueueType> tx_queue_;
    bool clear_to_send_ = true;
    uint8_t last_instruction_ = 0;
    int process_message_timer_interval_ = 100;
    TMEKTimer timeout_timer_;
    TMEKTimer process_message_timer_;
    TPacket rx_packet_;
    TPacketTap* tap_ = nullptr;

    bool fast_ = false;
    bool fast_dispatching_ = false;
    QTimer fast_send_timer_;
    std::chrono::steady_clock::time_point last_rx_{};
    bool received_ = false; // a chunk arrived in this session

    // Settling: requests wait until no chunk has come for settle_quiet_ since settle_from_
    // (or the last chunk after it), or until settle_deadline_. It outlives a reconnect, since
    // a late reply to the old session may still be on its way.
    using SteadyClock = std::chrono::steady_clock;
    bool settling_ = false;
    bool await_rest_ = false; // a reply was cut short: quiet alone does not end the wait
    SteadyClock::time_point settle_from_{};
    SteadyClock::time_point settle_deadline_{};
    std::chrono::microseconds settle_quiet_{0};
    int32_t last_timeout_ = 0; // the reply time-out of the request sent last
};
