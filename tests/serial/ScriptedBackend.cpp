// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedBackend.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace porttest {

void ScriptedBackend::FailNextOpen(int systemError) {
    std::lock_guard lock(mutex_);
    open_error_ = systemError;
}

void ScriptedBackend::RefuseSettings(int systemError) {
    std::lock_guard lock(mutex_);
    settings_error_ = systemError;
}

void ScriptedBackend::SetFoundState(const SerialLineState& state) {
    std::lock_guard lock(mutex_);
    found_ = state;
}

void ScriptedBackend::SetModemStatus(uint32_t word) {
    std::lock_guard lock(mutex_);
    modem_ = word;
}

void ScriptedBackend::Receive(const std::string& bytes) {
    {
        std::lock_guard lock(mutex_);
        chunks_.push_back(bytes);
    }
    changed_.notify_all();
}

void ScriptedBackend::RaiseEvents(uint32_t events, uint32_t lineErrors) {
    {
        std::lock_guard lock(mutex_);
        events_ |= events;
        line_errors_ |= lineErrors;
    }
    changed_.notify_all();
}

void ScriptedBackend::FailLine(int systemError) {
    {
        std::lock_guard lock(mutex_);
        line_error_ = systemError;
    }
    changed_.notify_all();
}

void ScriptedBackend::StallWrites(bool stalled) {
    {
        std::lock_guard lock(mutex_);
        stalled_ = stalled;
    }
    changed_.notify_all();
}

void ScriptedBackend::FailWrites(int systemError) {
    std::lock_guard lock(mutex_);
    write_error_ = systemError;
}

std::vector<SerialLineState> ScriptedBackend::Applied() const {
    std::lock_guard lock(mutex_);
    return applied_;
}

std::string ScriptedBackend::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

std::vector<ScriptedBackend::BreakStep> ScriptedBackend::Breaks() const {
    std::lock_guard lock(mutex_);
    return breaks_;
}

std::vector<uint32_t> ScriptedBackend::Purges() const {
    std::lock_guard lock(mutex_);
    return purges_;
}

std::string ScriptedBackend::OpenedPath() const {
    std::lock_guard lock(mutex_);
    return path_;
}

SerialTimeouts ScriptedBackend::Timeouts() const {
    std::lock_guard lock(mutex_);
    return timeouts_;
}

int ScriptedBackend::WritesWaiting() const {
    std::lock_guard lock(mutex_);
    return writes_waiting_;
}

uint32_t ScriptedBackend::EventMask() const {
    std::lock_guard lock(mutex_);
    return mask_;
}

uint32_t ScriptedBackend::PendingEvents() const {
    std::lock_guard lock(mutex_);
    return events_;
}

int ScriptedBackend::Open(const std::string& path) {
    std::lock_guard lock(mutex_);
    path_ = path;
    if (open_error_ != 0) {
        const int error = open_error_;
        open_error_ = 0;
        return error;
    }
    if (open_)
        return EBUSY;
    open_ = true;
    line_failed_ = false;
    input_woken_ = false;
    output_woken_ = false;
    return 0;
}

bool ScriptedBackend::IsOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

void ScriptedBackend::Close() {
    std::lock_guard lock(mutex_);
    open_ = false;
}

int ScriptedBackend::GetState(SerialLineState& state) {
    std::lock_guard lock(mutex_);
    if (!open_)
        return EBADF;
    state = found_;
    return 0;
}

int ScriptedBackend::SetState(const SerialLineState& state) {
    std::lock_guard lock(mutex_);
    if (!open_)
        return EBADF;
    if (settings_error_ != 0)
        return settings_error_;
    applied_.push_back(state);
    return 0;
}

int ScriptedBackend::SetTimeouts(const SerialTimeouts& timeouts) {
    std::lock_guard lock(mutex_);
    timeouts_ = timeouts;
    return 0;
}

int ScriptedBackend::SetBufferSizes(int, int) {
    return 0;
}

int ScriptedBackend::SetEventMask(uint32_t mask) {
    std::lock_guard lock(mutex_);
    mask_ = mask;
    return 0;
}

InputResult ScriptedBackend::WaitInput(uint8_t* buffer, int count) {
    std::unique_lock lock(mutex_);
    InputResult r;
    changed_.wait(lock, [&] {
        return input_woken_ || events_ != 0 || (line_error_ != 0 && !line_failed_) ||
               (count > 0 && !chunks_.empty() && !line_failed_);
    });
    if (input_woken_) {
        input_woken_ = false;
        r.woken = true;
        return r;
    }
    if (count > 0 && !chunks_.empty() && !line_failed_) {
        std::string& chunk = chunks_.front();
        const int n = std::min<int>(count, static_cast<int>(chunk.size()));
        std::memcpy(buffer, chunk.data(), static_cast<size_t>(n));
        chunk.erase(0, static_cast<size_t>(n));
        if (chunk.empty())
            chunks_.pop_front();
        r.count = n;
    }
    r.events = events_ & mask_;
    events_ = 0;
    if (line_error_ != 0 && !line_failed_) {
        r.error = line_error_;
        line_failed_ = true;
    }
    return r;
}

OutputResult ScriptedBackend::Write(const uint8_t* bytes, int count, bool mayBlock) {
    std::unique_lock lock(mutex_);
    OutputResult r;
    if (write_error_ != 0) {
        r.error = write_error_;
        return r;
    }
    if (stalled_ && !mayBlock)
        return r;
    ++writes_waiting_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return !stalled_ || output_woken_; });
    --writes_waiting_;
    if (stalled_) {
        output_woken_ = false;
        r.aborted = true;
        return r;
    }
    written_.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(count));
    r.count = count;
    return r;
}

int ScriptedBackend::ModemStatus(uint32_t& word) {
    std::lock_guard lock(mutex_);
    word = modem_;
    return open_ ? 0 : EBADF;
}

int ScriptedBackend::TakeLineErrors(uint32_t& word) {
    std::lock_guard lock(mutex_);
    word = line_errors_;
    line_errors_ = 0;
    return 0;
}

int ScriptedBackend::Purge(uint32_t flags) {
    std::lock_guard lock(mutex_);
    purges_.push_back(flags);
    return open_ ? 0 : EBADF;
}

int ScriptedBackend::SetBreak(bool on) {
    std::lock_guard lock(mutex_);
    breaks_.push_back({on, Clock::now()});
    return 0;
}

void ScriptedBackend::Wake(SerialWaker side) {
    {
        std::lock_guard lock(mutex_);
        if (!open_)
            return;
        (side == SerialWaker::Input ? input_woken_ : output_woken_) = true;
    }
    changed_.notify_all();
}

SerialErrorClass ScriptedBackend::Classify(int systemError) const {
    switch (systemError) {
    case ENOENT:
    case ENODEV:
        return SerialErrorClass::NotFound;
    case EACCES:
    case EBUSY:
        return SerialErrorClass::InUse;
    case EBADF:
        return SerialErrorClass::InvalidHandle;
    default:
        return SerialErrorClass::Other;
    }
}

} // namespace porttest
