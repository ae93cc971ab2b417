// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Serial port component: opens one numbered port, moves bytes on an input and an output
// thread through two locked 2048-byte queues, and reports everything on the GUI thread.
// The threads only post events to this object; event() is the window procedure.

#include "MTdeque.h"
#include "platform/SerialBackend.h"

#include <QObject>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

enum TParity { p_EVENPARITY = 0, p_MARKPARITY = 1, p_NOPARITY = 2, p_ODDPARITY = 3 };
enum TStopBits { s_ONESTOPBIT = 0, s_TWOSTOPBITS = 1 };
enum TDataBits { s_DATABITS_5 = 0, s_DATABITS_6 = 1, s_DATABITS_7 = 2, s_DATABITS_8 = 3 };
using Win32BaudRates = long;

inline constexpr int PORT_OK = 0;
inline constexpr int PORT_BAD_STOP_BITS = -94;
inline constexpr int PORT_BAD_DATA_BITS = -95;
inline constexpr int PORT_BAD_PARITY = -96;
inline constexpr int PORT_BUFFER_LIMIT = -98;
inline constexpr int PORT_HANDSHAKE_ACTIVE = -192;
inline constexpr int PORT_BAD_HANDLE = -193;
inline constexpr int PORT_SYSTEM_ERROR = -194;
inline constexpr int PORT_IN_USE = -197;
inline constexpr int PORT_NOT_FOUND = -198;

inline constexpr int UNCHANGED = -1;
inline constexpr int kPortQueueCapacity = 2048;

struct TLineSettings {
    int32_t baud = 0;
    char parity = 'N';
    int data_bits = 8;
    int stop_bits = 1;
    int dtr = 0;
    int rts = 0;
    int xon_xoff = 0;
    int rts_cts = 0;
    int dtr_dsr = 0;
};

class TWin32Port : public QObject {
    Q_OBJECT
public:
    // A null backend selects the platform's own (termios on Linux).
    explicit TWin32Port(QObject* owner = nullptr,
                        std::unique_ptr<ISerialBackend> backend = nullptr);
    ~TWin32Port() override;

    // Published properties.
    int CommPort = 1;
    Win32BaudRates BaudRate = 19200;
    TParity Parity = p_NOPARITY;
    TStopBits StopBits = s_ONESTOPBIT;
    TDataBits DataBits = s_DATABITS_8;
    bool DTR = false;
    bool RRT = false;
    bool Xon_Xoff = true;
    bool Rts_Cts = true;
    bool Dtr_Dsr = true;
    uint32_t ReadIntervalTimeout = 50;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
    // When not empty, opened instead of the device that CommPort resolves to.
    std::string DevicePath;

    // Published events (single subscriber; unassigned ones are skipped).
    std::function<void(TWin32Port* Sender, char* buffer, int byte_count)> OnRx;
    std::function<void(TWin32Port* Sender, char* buffer, int byte_count)> OnTx;
    std::function<void(TWin32Port* Sender)> OnConnect;
    std::function<void(TWin32Port* Sender, int error)> OnErrorConnect;
    std::function<void(TWin32Port* Sender)> OnDisconnect;
    std::function<void(TWin32Port* Sender, int error)> OnParityError;
    std::function<void(TWin32Port* Sender, int error)> OnFramingError;
    std::function<void(TWin32Port* Sender, int error)> OnHardwareOverrunError;
    std::function<void(TWin32Port* Sender, int error)> OnSoftwareOverrunError;
    std::function<void(TWin32Port* Sender, int error)> OnBreakDetect;
    std::function<void(TWin32Port* Sender, bool status)> OnCts;
    std::function<void(TWin32Port* Sender, bool status)> OnDsr;
    std::function<void(TWin32Port* Sender, bool status)> OnCd;
    std::function<void(TWin32Port* Sender, bool status)> OnRi;

    virtual bool Connect();
    virtual bool Connect(int commPort, long baudRate);
    virtual bool Disconnect();

    void Open(int port, long baud, char parity, int data_bits, int stop_bits, int dtr, int rts,
              int xon_xoff, int rts_cts, int dtr_dsr);
    void Close();

    int Read(char* buffer, unsigned count);
    int Read();
    int Write(const char* bytes, unsigned count);
    int Write(int byte);

    int read_buffer(char* buffer, unsigned count);
    int read_byte();
    int write_buffer(const char* bytes, unsigned count);
    int write_byte(int byte);
    int Peek(char* buffer, unsigned count);
    int FlushRXBuffer();
    int FlushTXBuffer();

    int Set(long baud, int parity, int data_bits, int stop_bits);
    int Dtr(int state);
    int Rts(int state);
    int DtrDsrHandshaking(int state);
    int RtsCtsHandshaking(int state);
    int XonXoffHandshaking(int state);
    int Cts() const;
    int Dsr() const;
    int Ri() const;
    int Cd() const;
    int ParityError(int clear);
    int FramingError(int clear);
    int HardwareOverrunError(int clear);
    int SoftwareOverrunError(int clear);
    int BreakDetect(int clear);
    int Break(long milliseconds);

    // Hands one received chunk to the notifications as the window procedure does (RxNotify,
    // then OnRx). Recorded line bytes are replayed through it, and the fuzzers drive it.
    void DeliverChunk(char* buffer, int count);

    bool Connected() const { return connected_; }
    int ErrorCode() const { return error_code_; }
    int LastSystemError() const { return last_system_error_; }
    int BytesMoved() const { return bytes_moved_; }
    const TLineSettings& FoundSettings() const { return found_; }
    const TLineSettings& RequestedSettings() const { return requested_; }
    // The device path that Open used last (after COM resolution).
    const std::string& OpenedPath() const { return opened_path_; }
    // Break duration that the next send-break uses (already cut to 1000 ms).
    long BreakDuration() const { return break_duration_; }
    // Bytes waiting in the receive and transmit queues.
    int ReceiveQueued() const { return rx_queue_.Size(); }
    int TransmitQueued() const { return tx_queue_.Size(); }

protected:
    bool event(QEvent* e) override;

    // How received chunks may end early (empty: by silence alone, the default). Taken when
    // the port is opened; a change applies from the next open.
    void SetChunkRule(ChunkRule rule) { chunk_rule_ = std::move(rule); }

    virtual void ConnectNotify() {}
    virtual void DisconnectNotify() {}
    virtual void ErrorConnectNotify(int) {}
    virtual void RxNotify(int, char*) {}
    virtual void TxNotify(int, char*) {}
    virtual void ParityErrorNotify() {}
    virtual void FramingErrorNotify() {}
    virtual void HardwareOverrunErrorNotify() {}
    virtual void SoftwareOverrunErrorNotify() {}
    virtual void BreakDetectNotify() {}
    virtual void CtsNotify(bool) {}
    virtual void DsrNotify(bool) {}
    virtual void CdNotify(bool) {}
    virtual void RiNotify(bool) {}

private:
    struct PortMessage;
    friend struct PortMessage;

    void WndProc(int message, int param, const char* echo);
    void Post(int message, int param = 0, const char* echo = nullptr);

    void InputThread(const ChunkRule& rule);
    void OutputThread();
    bool output_worker();
    void check_modem_status(bool first, uint32_t mask = 0);
    void clear_error();
    void report_line_lost(int systemError);
    void read_settings();
    int write_settings(const TLineSettings& settings);
    void translate_last_error(int systemError);
    static void adjust(TLineSettings& settings, long baud, int parity, int data_bits, int stop_bits,
                       int dtr, int rts, int xon_xoff, int rts_cts, int dtr_dsr);
    void signal_receive_space();
    void signal_output(bool TWin32Port::*flag);

    // Written by the port threads as well as the GUI thread.
    bool connected_ = false;
    std::atomic<long> break_duration_{0};
    std::atomic<bool> read_pending_{false};
    std::atomic<int> last_system_error_{0};
    std::atomic<int> error_code_{PORT_OK};
    std::atomic<uint32_t> line_errors_{0};
    std::atomic<uint32_t> modem_status_{0};

    std::thread output_thread_;
    std::thread input_thread_;

    // The five events. Stop flags stay set until the next Open; the output side's
    // auto-reset events are flags under output_mutex_; receive-space-available is the
    // backend's input wake-up.
    std::atomic<bool> stop_output_{false};
    std::atomic<bool> stop_input_{false};
    std::mutex output_mutex_;
    std::condition_variable output_wake_;
    bool transmit_data_ready_ = false;
    bool send_break_ = false;

    int bytes_moved_ = 0;
    TLineSettings found_;
    TLineSettings requested_;
    SerialLineState line_state_;
    std::string opened_path_;
    std::unique_ptr<ISerialBackend> backend_;
    ChunkRule chunk_rule_;
    MTdeque tx_queue_{kPortQueueCapacity};
    MTdeque rx_queue_{kPortQueueCapacity};
};
