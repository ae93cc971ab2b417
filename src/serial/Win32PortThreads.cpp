// SPDX-License-Identifier: GPL-3.0-or-later
#include "Win32Port.h"

#include "Win32PortMessages.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <mutex>

namespace {
constexpr int kReadChunk = 256;
} // namespace

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
