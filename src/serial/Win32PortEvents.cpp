// SPDX-License-Identifier: GPL-3.0-or-later
#include "Win32Port.h"

#include "Win32PortMessages.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

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
