#include "Win32Port.h"

#include "ComPortMap.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace {

// The hand-over messages, numbered as the threads post them.
constexpr int WM_USER = 0x0400;
constexpr int kMsgConnect = WM_USER + 1;
constexpr int kMsgDisconnect = WM_USER + 2;
constexpr int kMsgErrorConnect = WM_USER + 3;
constexpr int kMsgRx = WM_USER + 4;
constexpr int kMsgTx = WM_USER + 5;
constexpr int kMsgParity = WM_USER + 6;
constexpr int kMsgFraming = WM_USER + 7;
constexpr int kMsgHardwareOverrun = WM_USER + 8;
constexpr int kMsgSoftwareOverrun = WM_USER + 9;
constexpr int kMsgBreak = WM_USER + 10;
constexpr int kMsgCts = WM_USER + 11;
constexpr int kMsgDsr = WM_USER + 12;
constexpr int kMsgCd = WM_USER + 13;
constexpr int kMsgRi = WM_USER + 14;

constexpr int kReadChunk = 256;
constexpr int kWriteChunk = 500;
constexpr int kDriverBuffer = 500;
constexpr long kMaxBreakMs = 1000;
constexpr const char kParityLetters[] = "EMNOS";

QEvent::Type PortMessageType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

} // namespace

// One posted hand-over message; a transmit echo travels inside it, so the output thread may
// go on writing while the GUI thread has not yet handled the previous one.
struct TWin32Port::PortMessage : QEvent {
    PortMessage(int msg, int parameter, const char* echoBytes)
        : QEvent(PortMessageType()), message(msg), param(parameter) {
        if (echoBytes != nullptr)
            std::memcpy(echo.data(), echoBytes, echo.size());
    }
    int message;
    int param;
    std::array<char, kWriteChunk> echo{};
};

TWin32Port::TWin32Port(QObject* owner, std::unique_ptr<ISerialBackend> backend)
    : QObject(owner), backend_(backend ? std::move(backend) : CreatePlatformSerialBackend()) {}

TWin32Port::~TWin32Port() {
    if (connected_)
        Disconnect();
    // Open() may have been used without Connect(): the threads must not outlive us.
    Close();
}

void TWin32Port::Post(int message, int param, const char* echo) {
    // Qt takes ownership of a posted event.
    QCoreApplication::postEvent(this, new PortMessage(message, param, echo));
}

bool TWin32Port::event(QEvent* e) {
    if (e->type() != PortMessageType())
        return QObject::event(e);
    const auto* m = static_cast<PortMessage*>(e);
    WndProc(m->message, m->param, m->echo.data());
    return true;
}

void TWin32Port::DeliverChunk(char* buffer, int count) {
    RxNotify(count, buffer);
    if (OnRx)
        OnRx(this, buffer, count);
}

void TWin32Port::WndProc(int message, int param, const char* echo) {
    switch (message) {
    case kMsgConnect:
        ConnectNotify();
        if (OnConnect)
            OnConnect(this);
        break;
    case kMsgDisconnect:
        DisconnectNotify();
        if (OnDisconnect)
            OnDisconnect(this);
        break;
    case kMsgErrorConnect:
        ErrorConnectNotify(param);
        if (OnErrorConnect)
            OnErrorConnect(this, param);
        break;
    case kMsgRx: {
        // On the stack: a handler that runs the message loop may re-enter here.
        std::array<char, kPortQueueCapacity + 1> buffer;
        const int announced = std::clamp(param, 0, kPortQueueCapacity);
        if (error_code_ < 0) {
            // Bytes of a failed session: drop them so that a later session's messages still
            // find exactly their own chunks.
            rx_queue_.Extract(reinterpret_cast<uint8_t*>(buffer.data()), announced);
            signal_receive_space();
            break;
        }
        read_buffer(buffer.data(), static_cast<unsigned>(announced));
        // A flush may have taken bytes out since the message was posted: hand over only
        // what was really delivered.
        const int moved = bytes_moved_;
        if (moved <= 0)
            break;
        DeliverChunk(buffer.data(), moved);
        break;
    }
    case kMsgTx: {
        if (param >= kPortQueueCapacity)
            break;
        std::array<char, kPortQueueCapacity> copy{};
        const int count = std::clamp(param, 0, kWriteChunk);
        std::memcpy(copy.data(), echo, static_cast<size_t>(count));
        TxNotify(count, copy.data());
        if (OnTx)
            OnTx(this, copy.data(), count);
        break;
    }
    case kMsgParity: {
        ParityErrorNotify();
        const int r = ParityError(1);
        if (OnParityError)
            OnParityError(this, r);
        break;
    }
    case kMsgFraming: {
        FramingErrorNotify();
        const int r = FramingError(1);
        if (OnFramingError)
            OnFramingError(this, r);
        break;
    }
    case kMsgHardwareOverrun: {
        HardwareOverrunErrorNotify();
        const int r = HardwareOverrunError(1);
        if (OnHardwareOverrunError)
            OnHardwareOverrunError(this, r);
        break;
    }
    case kMsgSoftwareOverrun: {
        const int r = SoftwareOverrunError(1);
        SoftwareOverrunErrorNotify();
        if (OnSoftwareOverrunError)
            OnSoftwareOverrunError(this, r);
        break;
    }
    case kMsgBreak: {
        const int r = BreakDetect(1);
        BreakDetectNotify();
        if (OnBreakDetect)
            OnBreakDetect(this, r);
        break;
    }
    case kMsgCts:
        CtsNotify(param != 0);
        if (OnCts)
            OnCts(this, param != 0);
        break;
    case kMsgDsr:
        DsrNotify(param != 0);
        if (OnDsr)
            OnDsr(this, param != 0);
        break;
    case kMsgCd:
        CdNotify(param != 0);
        if (OnCd)
            OnCd(this, param != 0);
        break;
    case kMsgRi:
        RiNotify(false);
        if (OnRi)
            OnRi(this, false);
        break;
    default:
        break;
    }
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

// --- the port threads ----------------------------------------------------------------------

void TWin32Port::check_modem_status(bool first, uint32_t mask) {
    uint32_t word = 0;
    if (backend_->ModemStatus(word) != 0)
        word = 0;
    modem_status_ = word;
    if (first) {
        Post(kMsgCts, (word & modem_status::Cts) != 0 ? 1 : 0);
        Post(kMsgDsr, (word & modem_status::Dsr) != 0 ? 1 : 0);
        Post(kMsgCd, (word & modem_status::Rlsd) != 0 ? 1 : 0);
        Post(kMsgRi, 0);
        return;
    }
    if (mask & comm_event::Cts)
        Post(kMsgCts, (word & modem_status::Cts) != 0 ? 1 : 0);
    if (mask & comm_event::Dsr)
        Post(kMsgDsr, (word & modem_status::Dsr) != 0 ? 1 : 0);
    if (mask & comm_event::Rlsd)
        Post(kMsgCd, (word & modem_status::Rlsd) != 0 ? 1 : 0);
    if ((mask & (comm_event::Ring | comm_event::Event2)) && !(word & modem_status::Ring))
        Post(kMsgRi, 0);
}

void TWin32Port::clear_error() {
    uint32_t word = 0;
    if (backend_->TakeLineErrors(word) != 0)
        word = 0;
    line_errors_ |= word;
    if (word & line_error::Break)
        Post(kMsgBreak);
    if (word & line_error::Frame)
        Post(kMsgFraming);
    if (word & line_error::Overrun)
        Post(kMsgHardwareOverrun);
    if (word & line_error::RxParity)
        Post(kMsgParity);
    if (word & line_error::RxOver)
        Post(kMsgSoftwareOverrun);
}

// The device went away under an open port (adapter unplugged, other end closed): the error
// code makes every data operation fail from now on, and the lines are reported down.
void TWin32Port::report_line_lost(int systemError) {
    translate_last_error(systemError);
    modem_status_ = 0;
    Post(kMsgCts, 0);
    Post(kMsgDsr, 0);
    Post(kMsgCd, 0);
    Post(kMsgRi, 0);
}

void TWin32Port::InputThread(const ChunkRule& rule) {
    check_modem_status(true);
    clear_error();
    read_pending_ = false;
    backend_->SetEventMask(comm_event::Watched);

    std::array<uint8_t, kReadChunk> buffer{};
    bool lineLost = false;
    while (!stop_input_) {
        // Never ask for more than the queue can take, so every byte read is queued; with
        // the queue full (or the line gone) only events and wake-ups end the wait.
        const int wanted = lineLost ? 0 : std::min(rx_queue_.SpaceFree(), kReadChunk);
        read_pending_ = wanted > 0;
        const InputResult r = rule ? backend_->WaitChunk(buffer.data(), wanted, rule)
                                   : backend_->WaitInput(buffer.data(), wanted);
        read_pending_ = false;
        if (r.count > 0) {
            const int queued = rx_queue_.Insert(buffer.data(), r.count);
            Post(kMsgRx, queued);
        }
        if (r.events != 0) {
            check_modem_status(false, r.events);
            clear_error();
        }
        if (r.error != 0 && !lineLost) {
            lineLost = true;
            report_line_lost(r.error);
        }
    }
}

void TWin32Port::OutputThread() {
    for (;;) {
        bool transmit = false;
        {
            std::unique_lock lock(output_mutex_);
            output_wake_.wait(
                lock, [this] { return stop_output_ || transmit_data_ready_ || send_break_; });
            if (stop_output_)
                return;
            if (transmit_data_ready_) {
                transmit_data_ready_ = false;
                transmit = true;
            } else {
                send_break_ = false;
            }
        }
        if (transmit) {
            if (output_worker())
                return;
            continue;
        }
        backend_->SetBreak(true);
        {
            std::unique_lock lock(output_mutex_);
            output_wake_.wait_for(lock, std::chrono::milliseconds(break_duration_.load()),
                                  [this] { return stop_output_.load(); });
        }
        backend_->SetBreak(false);
    }
}

bool TWin32Port::output_worker() {
    bool stop = false;
    std::array<char, kWriteChunk> buffer{};
    int lastCount = 0;
    for (;;) {
        const int n = tx_queue_.Extract(reinterpret_cast<uint8_t*>(buffer.data()), kWriteChunk);
        if (n <= 0) {
            Post(kMsgTx, lastCount, buffer.data());
            break;
        }
        // Once told to stop, what is still queued goes out only as far as the device takes
        // it at once, so closing never waits on a stalled line.
        const bool mayBlock = !stop_output_;
        const OutputResult r =
            backend_->Write(reinterpret_cast<const uint8_t*>(buffer.data()), n, mayBlock);
        lastCount = r.count;
        if (r.aborted) {
            stop = true;
            continue;
        }
        if (r.error != 0)
            translate_last_error(r.error);
    }
    return stop || stop_output_;
}
