// SPDX-License-Identifier: GPL-3.0-or-later
#include "SerialPacket.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

// ---------------------------------------------------------------------------------------------
// TMEKTimer

TMEKTimer::TMEKTimer() {
    // Window timers tick close to their period; a coarse timer may fire several percent early,
    // which would shorten reply time-outs.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        // A handler may replace itself (or disarm the timer) while it runs; call a copy.
        const auto handler = on_timer_;
        if (handler)
            handler(nullptr);
    });
}

TMEKTimer::~TMEKTimer() {
    timer_.stop();
}

void TMEKTimer::SetInterval(int milliseconds) {
    if (milliseconds == interval_)
        return;
    interval_ = milliseconds;
    Rearm();
}

void TMEKTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    Rearm();
}

void TMEKTimer::SetOnTimer(std::function<void(void* Sender)> handler) {
    on_timer_ = std::move(handler);
    Rearm();
}

void TMEKTimer::Rearm() {
    timer_.stop();
    if (interval_ == 0 || !enabled_ || !on_timer_)
        return;
    // The window timer takes an unsigned period, so a negative one means "as long as possible"
    // there; QTimer would refuse it outright.
    const int period = interval_ < 0 ? std::numeric_limits<int>::max() : interval_;
    timer_.start(period);
    // Without an event dispatcher (a thread not run by Qt) start() gets no timer; the id
    // handed out by a dispatcher is always positive.
    if (!timer_.isActive() || timer_.timerId() <= 0) {
        timer_.stop();
        throw std::runtime_error("No More Timers Can Be Created");
    }
}

// ---------------------------------------------------------------------------------------------
// TSerialPacket

namespace {
// XOR of the bytes, starting from 0.
uint8_t XorOf(const uint8_t* bytes, int count) {
    uint8_t sum = 0;
    for (int i = 0; i < count; ++i)
        sum ^= bytes[i];
    return sum;
}
} // namespace

TSerialPacket::TSerialPacket(QObject* owner, std::unique_ptr<ISerialBackend> backend)
    : TWin32Port(owner, std::move(backend)) {
    CommPort = 1;
    BaudRate = 19200;
    Parity = p_NOPARITY;
    StopBits = s_ONESTOPBIT;
    DataBits = s_DATABITS_8;
    ReadIntervalTimeout = 150;
    DTR = false;
    RRT = false;
    Xon_Xoff = false;
    Rts_Cts = false;
    Dtr_Dsr = false;

    // Disabled first, so that neither timer is armed while it is being set up.
    timeout_timer_.SetEnabled(false);
    timeout_timer_.SetInterval(500);
    timeout_timer_.SetOnTimer([this](void* sender) { TimeoutTimerTick(sender); });

    process_message_timer_.SetEnabled(false);
    process_message_timer_.SetInterval(process_message_timer_interval_);
    process_message_timer_.SetOnTimer([this](void* sender) { ProcessMessageTimerTick(sender); });

    fast_send_timer_.setSingleShot(true);
    fast_send_timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&fast_send_timer_, &QTimer::timeout, this, [this] { FastSendTimerTick(); });
}

TSerialPacket::~TSerialPacket() {
    timeout_timer_.SetEnabled(false);
    process_message_timer_.SetEnabled(false);
    if (Connected())
        TSerialPacket::Disconnect();
}

void TSerialPacket::SetProcessMessageTimerInterval(int milliseconds) {
    if (milliseconds == process_message_timer_interval_)
        return;
    process_message_timer_interval_ = milliseconds;
    process_message_timer_.SetInterval(milliseconds);
}

bool TSerialPacket::Connect() {
    tx_queue_.clear();
    clear_to_send_ = true;
    // A new session starts Idle: a reply time-out left running by the previous session must
    // not end in this one, where it would fail the first request (the identity read).
    timeout_timer_.SetEnabled(false);
    fast_send_timer_.stop();
    if (!Connected()) {
        fast_ = FastTransfers;
        SetChunkRule(fast_ ? ChunkRule(&TSerialPacket::FrameBytesMissing) : ChunkRule());
    }
    received_ = false;
    // Fails (and leaves the port as it is) when already open: the link is then Stopped until
    // it is disconnected and connected again.
    const bool opened = TWin32Port::Connect();
    // The driver's buffer was emptied on opening; a short quiet check catches what is still
    // on its way, unless the line is already settling after the last session's failure.
    if (opened && !Settling()) {
        const std::chrono::microseconds check(EffectiveGuardGapMicroseconds());
        StartSettling(check, std::max(check, ReadInterval()), false);
    }
    process_message_timer_.SetEnabled(opened && !fast_);
    fast_dispatching_ = opened && fast_;
    return opened;
}

bool TSerialPacket::Connect(int commPort, long baudRate) {
    CommPort = commPort;
    BaudRate = baudRate;
    return Connect();
}

bool TSerialPacket::Disconnect() {
    // The reply timer is left running: a time-out under way is still reported.
    process_message_timer_.SetEnabled(false);
    fast_dispatching_ = false;
    fast_send_timer_.stop();
    return TWin32Port::Disconnect();
}

void TSerialPacket::WritePacketData(uint8_t Instruction, const uint8_t* Data, uint8_t Length,
                                    int Timeout) {
    TPacket packet;
    packet.Flags = kRequestFlags;
    uint8_t checksum = kRequestFlags ^ Length ^ Instruction;
    if (Data != nullptr) {
        std::memcpy(packet.Data, Data, Length);
        checksum ^= XorOf(Data, Length);
    } else {
        // No data given: the frame still has Length bytes, all zero, so the checksum holds.
        std::memset(packet.Data, 0, Length);
    }
    packet.Instruction = Instruction;
    packet.Length = Length;
    packet.Checksum = checksum;
    packet.Timeout = Timeout;
    WritePacket(packet);
}

void TSerialPacket::WritePacket(const TPacket& Packet) {
    uint8_t bytes[sizeof(TQueueType::Frame)] = {};
    bytes[frame::FlagsOffset] = Packet.Flags;
    bytes[frame::LengthOffset] = Packet.Length;
    bytes[frame::InstructionOffset] = Packet.Instruction;
    std::memcpy(bytes + frame::DataOffset, Packet.Data, Packet.Length);
    // The record's checksum is sent as it stands, so a caller can send a deliberately bad one.
    bytes[frame::DataOffset + Packet.Length] = Packet.Checksum;
    AddTxQueue(Packet.Instruction, bytes, Packet.Timeout);
}

void TSerialPacket::ReadInstruction(uint8_t Instruction, int Timeout) {
    TPacket packet;
    packet.Flags = kRequestFlags;
    packet.Instruction = Instruction;
    packet.Length = 0;
    packet.Checksum = kRequestFlags ^ Instruction;
    packet.Timeout = Timeout;
    WritePacket(packet);
}

void TSerialPacket::AddTxQueue(uint8_t Instruction, const uint8_t* Frame, int Timeout) {
    if (!Connected() || Frame == nullptr)
        return;
    TQueueType element;
    // Only the frame's own bytes are taken: a caller's buffer need not be 1028 bytes long.
    const int frameSize = Frame[frame::LengthOffset] + frame::Overhead;
    std::memcpy(element.Frame, Frame, static_cast<size_t>(frameSize));
    element.Instruction = Instruction;
    element.Timeout = Timeout;
    tx_queue_.push_back(element);
    ScheduleSend();
}

void TSerialPacket::ProcessMessageTimerTick(void*) {
    if (tx_queue_.empty() || !clear_to_send_ || Settling())
        return;
    const TQueueType element = tx_queue_.front();
    tx_queue_.pop_front();

    timeout_timer_.SetEnabled(false);
    timeout_timer_.SetInterval(element.Timeout);
    timeout_timer_.SetEnabled(true);

    last_instruction_ = element.Instruction;
    last_timeout_ = element.Timeout;
    const int size = element.Frame[frame::LengthOffset] + frame::Overhead;
    // A write the port cannot queue in full is covered by the reply time-out.
    Write(reinterpret_cast<const char*>(element.Frame), static_cast<unsigned>(size));
    clear_to_send_ = false;
    if (tap_)
        tap_->FrameSent(element.Frame, size);
}

void TSerialPacket::TimeoutTimerTick(void*) {
    timeout_timer_.SetEnabled(false);
    clear_to_send_ = true;
    if (tap_)
        tap_->ReplyTimedOut(last_instruction_);
    // The reply may yet come, just late: it must not be taken for the next one's.
    DiscardUntilQuiet();
    if (OnPacketTimeout)
        OnPacketTimeout(this, last_instruction_);
}

void TSerialPacket::RxNotify(int count, char* buffer) {
    timeout_timer_.SetEnabled(false);
    // The guard gap counts from here; whatever this frame does to ClearToSend is seen when
    // the send timer fires, after this call.
    last_rx_ = std::chrono::steady_clock::now();
    received_ = true;
    ScheduleSend();
    if (buffer == nullptr || count < 0)
        count = 0;
    const auto* bytes = reinterpret_cast<const uint8_t*>(buffer);
    if (Settling()) {
        // The rest of a failed exchange (or of the last session): no request is outstanding,
        // so it is nobody's reply. The line must now be quiet again from here.
        if (tap_)
            tap_->StrayChunk(bytes, count);
        await_rest_ = false;
        settle_from_ = SteadyClock::now();
        ScheduleSend();
        return;
    }
    settling_ = false;
    if (tap_)
        tap_->ChunkReceived(bytes, count);

    if (count >= 1 && (bytes[frame::FlagsOffset] & pk_FLOW))
        clear_to_send_ = (bytes[frame::FlagsOffset] & pk_READY) != 0;

    // Each chunk is one frame. One shorter than its Length byte promises cannot be unpacked or
    // checked; it is reported as a checksum failure so that the requester stops waiting.
    if (count < frame::Overhead || count < bytes[frame::LengthOffset] + frame::Overhead) {
        clear_to_send_ = true;
        // The gauge was cut off inside its reply: the rest may follow within the time-out.
        StartSettling(2 * ReadInterval(), SettleLimit(), true);
        if (OnPacketInvalidChecksum)
            OnPacketInvalidChecksum(this, last_instruction_);
        return;
    }

    rx_packet_.Flags = bytes[frame::FlagsOffset];
    rx_packet_.Length = bytes[frame::LengthOffset];
    rx_packet_.Instruction = bytes[frame::InstructionOffset];
    std::memcpy(rx_packet_.Data, bytes + frame::DataOffset, rx_packet_.Length);
    // The last byte of the chunk, which is byte Length + 3 only when the chunk is one frame.
    rx_packet_.Checksum = bytes[count - 1];
    rx_packet_.Timeout = 0;

    const uint8_t computed = XorOf(bytes, rx_packet_.Length + frame::DataOffset);
    const bool checked = (rx_packet_.Flags & pk_CHECKSUM) != 0;
    const bool checksumWrong = checked && computed != rx_packet_.Checksum;
    const bool negative = (rx_packet_.Flags & pk_ACK) == 0;

    if (checksumWrong || negative) {
        clear_to_send_ = true;
        DiscardUntilQuiet();
        if (negative && OnPacketNACK)
            OnPacketNACK(this, last_instruction_);
        if (checksumWrong && OnPacketInvalidChecksum)
            OnPacketInvalidChecksum(this, last_instruction_);
        return;
    }

    OnRxPacket(rx_packet_);
    if (OnPacketRx)
        OnPacketRx(this, rx_packet_);
}

void TSerialPacket::OnRxPacket(const TPacket&) {}

// ---------------------------------------------------------------------------------------------
// Fast transfers

int TSerialPacket::DefaultGuardGapMicroseconds(long baudRate) {
    constexpr int kFloor = 2000;
    if (baudRate <= 0)
        return kFloor;
    // 3.5 characters of 10 bits: 35 bit times.
    const double us = std::ceil(35.0 * 1e6 / static_cast<double>(baudRate));
    return std::max(kFloor, static_cast<int>(us));
}

int TSerialPacket::EffectiveGuardGapMicroseconds() const {
    return GuardGapMicroseconds < 0 ? DefaultGuardGapMicroseconds(BaudRate) : GuardGapMicroseconds;
}

int TSerialPacket::FrameBytesMissing(const uint8_t* bytes, int count) {
    // Until the Length byte is in, the shortest frame is all that can be asked for.
    if (count <= frame::LengthOffset)
        return frame::Overhead - count;
    const int size = bytes[frame::LengthOffset] + frame::Overhead;
    if (count < size)
        return size - count;
    // Noise can promise any length; only a checksum that holds tells a frame from it.
    const bool whole = count == size && (bytes[frame::FlagsOffset] & pk_CHECKSUM) != 0 &&
                       XorOf(bytes, size - 1) == bytes[size - 1];
    return whole ? 0 : -1;
}

std::chrono::microseconds TSerialPacket::GuardGapLeft() const {
    if (!received_)
        return std::chrono::microseconds(0);
    const auto gap = std::chrono::microseconds(EffectiveGuardGapMicroseconds());
    const auto since = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - last_rx_);
    return std::max(std::chrono::microseconds(0), gap - since);
}

std::chrono::microseconds TSerialPacket::ReadInterval() const {
    return std::chrono::milliseconds(ReadIntervalTimeout);
}

void TSerialPacket::DiscardUntilQuiet() {
    // A chunk is reported only once the line has been silent for the read interval after its
    // last byte: a line quiet for one read interval has sent nothing for two.
    StartSettling(2 * ReadInterval(), SettleLimit(), false);
}

std::chrono::microseconds TSerialPacket::SettleLimit() const {
    const int timeout = SettleLimitMs < 0 ? last_timeout_ : std::min(SettleLimitMs, last_timeout_);
    return std::chrono::milliseconds(std::max(0, timeout));
}

void TSerialPacket::StartSettling(std::chrono::microseconds quiet, std::chrono::microseconds limit,
                                  bool awaitRest) {
    const auto now = SteadyClock::now();
    settling_ = true;
    await_rest_ = awaitRest;
    settle_from_ = now;
    settle_quiet_ = quiet;
    // Never longer than the time-out; and never shorter than the quiet asked for.
    settle_deadline_ = now + std::max(limit, quiet);
    ScheduleSend();
}

std::chrono::microseconds TSerialPacket::SettleLeft() const {
    using std::chrono::microseconds;
    if (!settling_)
        return microseconds(0);
    const auto now = SteadyClock::now();
    const auto end =
        await_rest_ ? settle_deadline_ : std::min(settle_from_ + settle_quiet_, settle_deadline_);
    return end > now ? std::chrono::duration_cast<microseconds>(end - now) : microseconds(0);
}

bool TSerialPacket::Settling() const {
    return SettleLeft().count() > 0;
}

void TSerialPacket::ScheduleSend() {
    if (!fast_dispatching_ || tx_queue_.empty() || fast_send_timer_.isActive())
        return;
    fast_send_timer_.start(
        std::chrono::ceil<std::chrono::milliseconds>(std::max(GuardGapLeft(), SettleLeft())));
}

void TSerialPacket::FastSendTimerTick() {
    if (!fast_dispatching_)
        return;
    const auto left = std::max(GuardGapLeft(), SettleLeft());
    if (left.count() > 0) {
        fast_send_timer_.start(std::chrono::ceil<std::chrono::milliseconds>(left));
        return;
    }
    // Sends only when the queue holds a request and the link is clear, as a tick would.
    ProcessMessageTimerTick(nullptr);
}
