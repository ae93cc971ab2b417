// SPDX-License-Identifier: GPL-3.0-or-later
#include "Win32Port.h"

#include "ComPortMap.h"
#include "Win32PortMessages.h"

#include <QtGlobal>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <system_error>

namespace {

constexpr int kDriverBuffer = 500;
constexpr long kMaxBreakMs = 1000;
constexpr const char kParityLetters[] = "EMNOS";

} // namespace

TWin32Port::TWin32Port(QObject* owner, std::unique_ptr<ISerialBackend> backend)
    : QObject(owner), backend_(backend ? std::move(backend) : CreatePlatformSerialBackend()) {
    // What the device cannot do (a driver without modem status, say) goes to the log; the
    // port works on without it.
    backend_->SetNoticeHandler(
        [](const std::string& text) { qWarning("serial port: %s", text.c_str()); });
}

TWin32Port::~TWin32Port() {
    if (connected_)
        Disconnect();
    // Open() may have been used without Connect(): the threads must not outlive us.
    Close();
}

// --- connection ----------------------------------------------------------------------------

bool TWin32Port::Connect() {
    if (connected_)
        return false;
    const int parityIndex = static_cast<int>(Parity);
    // An out-of-range enumeration value becomes a letter that applying refuses.
    const char parity = parityIndex >= 0 && parityIndex < 5 ? kParityLetters[parityIndex] : '?';
    Open(CommPort, BaudRate, parity, static_cast<int>(DataBits) + 5, static_cast<int>(StopBits) + 1,
         DTR ? 1 : 0, RRT ? 1 : 0, Xon_Xoff ? 1 : 0, Rts_Cts ? 1 : 0, Dtr_Dsr ? 1 : 0);
    const int code = error_code_;
    if (code != PORT_OK) {
        Post(kMsgErrorConnect, code);
        return false;
    }
    connected_ = true;
    Post(kMsgConnect);
    return true;
}

bool TWin32Port::Connect(int commPort, long baudRate) {
    CommPort = commPort;
    BaudRate = baudRate;
    return Connect();
}

bool TWin32Port::Disconnect() {
    if (!connected_)
        return false;
    Close();
    Post(kMsgDisconnect);
    connected_ = false;
    return true;
}

void TWin32Port::Open(int port, long baud, char parity, int data_bits, int stop_bits, int dtr,
                      int rts, int xon_xoff, int rts_cts, int dtr_dsr) {
    // A second Open would otherwise leave the running threads on a handle nobody owns.
    Close();

    opened_path_ = DevicePath.empty() ? ResolveCommPort(port).toStdString() : DevicePath;
    const int openError = backend_->Open(opened_path_);
    if (openError != 0) {
        translate_last_error(openError);
        return;
    }
    line_errors_ = 0;
    break_duration_ = 0;
    errno = 0;

    read_settings();
    found_ = requested_;

    SerialTimeouts timeouts;
    timeouts.ReadIntervalTimeout = ReadIntervalTimeout;
    timeouts.ReadTotalTimeoutMultiplier = ReadTotalTimeoutMultiplier;
    timeouts.ReadTotalTimeoutConstant = ReadTotalTimeoutConstant;
    timeouts.WriteTotalTimeoutMultiplier = WriteTotalTimeoutMultiplier;
    timeouts.WriteTotalTimeoutConstant = WriteTotalTimeoutConstant;
    backend_->SetTimeouts(timeouts);
    backend_->SetBufferSizes(kDriverBuffer, kDriverBuffer);

    error_code_ = PORT_OK;
    requested_.dtr = 1;
    requested_.rts = 1;
    requested_.xon_xoff = 0;
    requested_.rts_cts = 0;
    requested_.dtr_dsr = 0;
    adjust(requested_, baud, static_cast<unsigned char>(parity) == 0xFF ? UNCHANGED : parity,
           data_bits, stop_bits, dtr, rts, xon_xoff, rts_cts, dtr_dsr);

    const int applied = write_settings(requested_);
    error_code_ = applied;
    if (applied != PORT_OK) {
        backend_->Close();
        return;
    }

    // A new session starts with empty queues: bytes the previous session queued but never
    // sent (the line closed first) belong to it, not to whatever device is open now, and
    // would arrive in front of this session's first request.
    tx_queue_.Clear();
    rx_queue_.Clear();
    // Likewise what the line brought while the port was closed (a late reply to the last
    // session, buffered by the driver): dropped before the reader can take it for new input.
    backend_->Purge(purge_flags::RxClear);
    {
        std::lock_guard lock(output_mutex_);
        stop_output_ = false;
        stop_input_ = false;
        transmit_data_ready_ = false;
        send_break_ = false;
    }
    read_pending_ = false;
    try {
        // The thread keeps its own copy of the rule, so a later change cannot race with it.
        input_thread_ = std::thread([this, rule = chunk_rule_] { InputThread(rule); });
        output_thread_ = std::thread([this] { OutputThread(); });
    } catch (const std::system_error& failure) {
        Close();
        last_system_error_ = failure.code().value();
        error_code_ = PORT_SYSTEM_ERROR;
    }
}

void TWin32Port::Close() {
    if (!backend_->IsOpen())
        return;
    {
        std::lock_guard lock(output_mutex_);
        stop_output_ = true;
        stop_input_ = true;
    }
    output_wake_.notify_all();
    backend_->Wake(SerialWaker::Input);
    backend_->Wake(SerialWaker::Output);
    // Both threads answer a wake-up at once (the backend never blocks without watching it),
    // so joining cannot hang; the device is released only when no thread can touch it.
    if (input_thread_.joinable())
        input_thread_.join();
    if (output_thread_.joinable())
        output_thread_.join();
    backend_->Close();
}

// --- data ----------------------------------------------------------------------------------

int TWin32Port::Read(char* buffer, unsigned count) {
    return connected_ ? read_buffer(buffer, count) : 0;
}

int TWin32Port::Read() {
    return connected_ ? read_byte() : 0;
}

int TWin32Port::Write(const char* bytes, unsigned count) {
    return connected_ ? write_buffer(bytes, count) : 0;
}

int TWin32Port::Write(int byte) {
    return connected_ ? write_byte(byte) : 0;
}

void TWin32Port::signal_receive_space() {
    if (!read_pending_)
        backend_->Wake(SerialWaker::Input);
}

void TWin32Port::signal_output(bool TWin32Port::*flag) {
    {
        std::lock_guard lock(output_mutex_);
        this->*flag = true;
    }
    output_wake_.notify_one();
}

int TWin32Port::read_buffer(char* buffer, unsigned count) {
    const int code = error_code_;
    if (code < 0)
        return code;
    if (buffer == nullptr)
        return PORT_BUFFER_LIMIT;
    const int wanted = static_cast<int>(std::min<unsigned>(count, kPortQueueCapacity * 2u));
    const int moved = rx_queue_.Extract(reinterpret_cast<uint8_t*>(buffer), wanted);
    bytes_moved_ = moved;
    buffer[moved] = 0;
    signal_receive_space();
    return static_cast<unsigned>(moved) < count ? PORT_BUFFER_LIMIT : PORT_OK;
}

int TWin32Port::read_byte() {
    const int code = error_code_;
    if (code < 0)
        return code;
    const int byte = rx_queue_.Extract();
    signal_receive_space();
    return byte < 0 ? PORT_BUFFER_LIMIT : byte;
}

int TWin32Port::write_buffer(const char* bytes, unsigned count) {
    bytes_moved_ = 0;
    const int code = error_code_;
    if (code < 0)
        return code;
    if (bytes == nullptr && count > 0)
        return PORT_BUFFER_LIMIT;
    const int wanted = static_cast<int>(std::min<unsigned>(count, kPortQueueCapacity * 2u));
    const int queued = tx_queue_.Insert(reinterpret_cast<const uint8_t*>(bytes), wanted);
    bytes_moved_ = queued;
    signal_output(&TWin32Port::transmit_data_ready_);
    return static_cast<unsigned>(queued) < count ? PORT_BUFFER_LIMIT : PORT_OK;
}

int TWin32Port::write_byte(int byte) {
    const int code = error_code_;
    if (code < 0)
        return code;
    if (tx_queue_.Insert(static_cast<uint8_t>(byte)) < 0)
        return PORT_BUFFER_LIMIT;
    signal_output(&TWin32Port::transmit_data_ready_);
    return PORT_OK;
}

int TWin32Port::Peek(char* buffer, unsigned count) {
    const int code = error_code_;
    if (code < 0)
        return code;
    if (buffer == nullptr)
        return PORT_BUFFER_LIMIT;
    const int wanted = static_cast<int>(std::min<unsigned>(count, kPortQueueCapacity * 2u));
    const int copied = rx_queue_.Peek(reinterpret_cast<uint8_t*>(buffer), wanted);
    bytes_moved_ = copied;
    buffer[copied] = 0;
    return PORT_OK;
}

int TWin32Port::FlushRXBuffer() {
    const int code = error_code_;
    if (code < 0)
        return code;
    rx_queue_.Clear();
    backend_->Purge(purge_flags::RxClear);
    signal_receive_space();
    return PORT_OK;
}

int TWin32Port::FlushTXBuffer() {
    const int code = error_code_;
    if (code < 0)
        return code;
    tx_queue_.Clear();
    backend_->Purge(purge_flags::TxClear);
    return PORT_OK;
}

// --- line settings -------------------------------------------------------------------------

void TWin32Port::adjust(TLineSettings& s, long baud, int parity, int data_bits, int stop_bits,
                        int dtr, int rts, int xon_xoff, int rts_cts, int dtr_dsr) {
    if (baud != UNCHANGED)
        s.baud = static_cast<int32_t>(baud);
    if (parity != UNCHANGED)
        s.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(parity)));
    if (data_bits != UNCHANGED)
        s.data_bits = data_bits;
    if (stop_bits != UNCHANGED)
        s.stop_bits = stop_bits;
    if (dtr != UNCHANGED)
        s.dtr = dtr;
    if (rts != UNCHANGED)
        s.rts = rts;
    if (xon_xoff != UNCHANGED)
        s.xon_xoff = xon_xoff;
    if (rts_cts != UNCHANGED)
        s.rts_cts = rts_cts;
    if (dtr_dsr != UNCHANGED)
        s.dtr_dsr = dtr_dsr;
}

void TWin32Port::read_settings() {
    SerialLineState state;
    backend_->GetState(state);
    TLineSettings& s = requested_;
    s.baud = state.BaudRate;
    if (!state.fParity) {
        s.parity = 'N';
    } else {
        switch (state.Parity) {
        case line_parity::Odd:
            s.parity = 'O';
            break;
        case line_parity::Even:
            s.parity = 'E';
            break;
        case line_parity::Mark:
            s.parity = 'M';
            break;
        case line_parity::Space:
            s.parity = 'S';
            break;
        default:
            s.parity = 'N';
            break;
        }
    }
    s.data_bits = state.ByteSize;
    s.stop_bits = state.StopBits == line_stop_bits::One ? 1 : 2;
    s.dtr = state.fDtrControl != DtrControl::Disable ? 1 : 0;
    s.rts = state.fRtsControl != RtsControl::Disable ? 1 : 0;
    s.xon_xoff = state.fOutX || state.fInX ? 1 : 0;
    s.rts_cts = state.fOutxCtsFlow || state.fRtsControl == RtsControl::Handshake ? 1 : 0;
    s.dtr_dsr = state.fOutxDsrFlow || state.fDtrControl == DtrControl::Handshake ? 1 : 0;
}

int TWin32Port::write_settings(const TLineSettings& s) {
    int code = PORT_OK;
    SerialLineState& st = line_state_;
    if (s.baud != UNCHANGED)
        st.BaudRate = s.baud;

    if (s.parity != static_cast<char>(UNCHANGED)) {
        switch (std::toupper(static_cast<unsigned char>(s.parity))) {
        case 'E':
            st.fParity = true;
            st.Parity = line_parity::Even;
            break;
        case 'M':
            st.fParity = true;
            st.Parity = line_parity::Mark;
            break;
        case 'N':
            st.fParity = false;
            st.Parity = line_parity::None;
            break;
        case 'O':
            st.fParity = true;
            st.Parity = line_parity::Odd;
            break;
        case 'S':
            st.fParity = true;
            st.Parity = line_parity::Space;
            break;
        default:
            code = PORT_BAD_PARITY;
            break;
        }
    }

    if (s.data_bits >= 5 && s.data_bits <= 8)
        st.ByteSize = static_cast<uint8_t>(s.data_bits);
    else if (s.data_bits != UNCHANGED)
        code = PORT_BAD_DATA_BITS;

    if (s.stop_bits == 1)
        st.StopBits = line_stop_bits::One;
    else if (s.stop_bits == 2)
        st.StopBits = line_stop_bits::Two;
    else if (s.stop_bits != UNCHANGED)
        code = PORT_BAD_STOP_BITS;

    if (s.dtr != UNCHANGED)
        st.fDtrControl = s.dtr != 0 ? DtrControl::Enable : DtrControl::Disable;
    if (s.rts != UNCHANGED)
        st.fRtsControl = s.rts != 0 ? RtsControl::Enable : RtsControl::Disable;
    if (s.xon_xoff != UNCHANGED) {
        st.fOutX = s.xon_xoff != 0;
        st.fInX = s.xon_xoff != 0;
    }
    if (s.rts_cts != UNCHANGED) {
        if (s.rts_cts != 0) {
            st.fRtsControl = RtsControl::Handshake;
            st.fOutxCtsFlow = true;
        } else {
            st.fOutxCtsFlow = false;
        }
    }
    if (s.dtr_dsr != UNCHANGED) {
        if (s.dtr_dsr != 0) {
            st.fDtrControl = DtrControl::Handshake;
            st.fOutxDsrFlow = true;
        } else {
            st.fOutxDsrFlow = false;
        }
    }

    const int refused = backend_->SetState(st);
    if (refused != 0) {
        if (backend_->Classify(refused) == SerialErrorClass::InvalidHandle)
            return PORT_BAD_HANDLE;
        last_system_error_ = refused;
        return PORT_SYSTEM_ERROR;
    }
    return code;
}

void TWin32Port::translate_last_error(int systemError) {
    last_system_error_ = systemError;
    switch (backend_->Classify(systemError)) {
    case SerialErrorClass::NotFound:
        error_code_ = PORT_NOT_FOUND;
        break;
    case SerialErrorClass::InUse:
        error_code_ = PORT_IN_USE;
        break;
    default:
        error_code_ = PORT_SYSTEM_ERROR;
        break;
    }
}

int TWin32Port::Set(long baud, int parity, int data_bits, int stop_bits) {
    adjust(requested_, baud, parity, data_bits, stop_bits, UNCHANGED, UNCHANGED, UNCHANGED,
           UNCHANGED, UNCHANGED);
    return write_settings(requested_);
}

namespace {
// Shared shape of Dtr, Rts and the three handshaking switches.
template <typename Apply>
int SwitchField(int code, int state, int& field, bool refused, Apply apply) {
    if (code < 0)
        return code;
    if (state == UNCHANGED)
        return field;
    if (refused)
        return PORT_HANDSHAKE_ACTIVE;
    field = state != 0 ? 1 : 0;
    const int applied = apply();
    return applied < 0 ? applied : field;
}
} // namespace

int TWin32Port::Dtr(int state) {
    return SwitchField(error_code_, state, requested_.dtr, requested_.dtr_dsr == 1,
                       [this] { return write_settings(requested_); });
}

int TWin32Port::Rts(int state) {
    return SwitchField(error_code_, state, requested_.rts, requested_.rts_cts == 1,
                       [this] { return write_settings(requested_); });
}

int TWin32Port::DtrDsrHandshaking(int state) {
    return SwitchField(error_code_, state, requested_.dtr_dsr, false,
                       [this] { return write_settings(requested_); });
}

int TWin32Port::RtsCtsHandshaking(int state) {
    return SwitchField(error_code_, state, requested_.rts_cts, false,
                       [this] { return write_settings(requested_); });
}

int TWin32Port::XonXoffHandshaking(int state) {
    return SwitchField(error_code_, state, requested_.xon_xoff, false,
                       [this] { return write_settings(requested_); });
}

// --- line state queries --------------------------------------------------------------------

int TWin32Port::Cts() const {
    return (modem_status_ & modem_status::Cts) != 0 ? 1 : 0;
}
int TWin32Port::Dsr() const {
    return (modem_status_ & modem_status::Dsr) != 0 ? 1 : 0;
}
int TWin32Port::Ri() const {
    return (modem_status_ & modem_status::Ring) != 0 ? 1 : 0;
}
int TWin32Port::Cd() const {
    return (modem_status_ & modem_status::Rlsd) != 0 ? 1 : 0;
}

namespace {
int QueryLineError(int code, std::atomic<uint32_t>& errors, uint32_t flag, int clear) {
    if (code < 0)
        return code;
    const int held = (errors & flag) != 0 ? 1 : 0;
    if (clear != UNCHANGED && clear != 0)
        errors.fetch_and(~flag);
    return held;
}
} // namespace

int TWin32Port::ParityError(int clear) {
    return QueryLineError(error_code_, line_errors_, line_error::RxParity, clear);
}
int TWin32Port::FramingError(int clear) {
    return QueryLineError(error_code_, line_errors_, line_error::Frame, clear);
}
int TWin32Port::HardwareOverrunError(int clear) {
    return QueryLineError(error_code_, line_errors_, line_error::Overrun, clear);
}
int TWin32Port::SoftwareOverrunError(int clear) {
    return QueryLineError(error_code_, line_errors_, line_error::RxOver, clear);
}
int TWin32Port::BreakDetect(int clear) {
    return QueryLineError(error_code_, line_errors_, line_error::Break, clear);
}

int TWin32Port::Break(long milliseconds) {
    break_duration_ = std::clamp(milliseconds, 0L, kMaxBreakMs);
    signal_output(&TWin32Port::send_break_);
    return PORT_OK;
}
