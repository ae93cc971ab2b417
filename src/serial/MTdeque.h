// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>

// Byte queue shared by one port thread and the GUI thread; every operation holds the lock.
class MTdeque {
public:
    explicit MTdeque(int capacity) : capacity_(capacity) {}

    int SpaceFree() const {
        std::lock_guard lock(mutex_);
        const int free = capacity_ - static_cast<int>(bytes_.size());
        return free < 0 ? 0 : free;
    }
    int Size() const {
        std::lock_guard lock(mutex_);
        return static_cast<int>(bytes_.size());
    }
    int Insert(uint8_t byte) {
        std::lock_guard lock(mutex_);
        if (static_cast<int>(bytes_.size()) >= capacity_)
            return -1;
        bytes_.push_back(byte);
        return byte;
    }
    int Insert(const uint8_t* bytes, int n) {
        std::lock_guard lock(mutex_);
        int room = capacity_ - static_cast<int>(bytes_.size());
        if (room < 0)
            room = 0;
        const int count = n < room ? n : room;
        bytes_.insert(bytes_.end(), bytes, bytes + (count > 0 ? count : 0));
        return count > 0 ? count : 0;
    }
    int Extract() {
        std::lock_guard lock(mutex_);
        if (bytes_.empty())
            return -1;
        const int byte = bytes_.front();
        bytes_.pop_front();
        return byte;
    }
    int Extract(uint8_t* buffer, int n) {
        std::lock_guard lock(mutex_);
        int count = 0;
        while (count < n && !bytes_.empty()) {
            buffer[count++] = bytes_.front();
            bytes_.pop_front();
        }
        return count;
    }
    int Peek(uint8_t* buffer, int n) const {
        std::lock_guard lock(mutex_);
        int count = 0;
        for (auto it = bytes_.begin(); count < n && it != bytes_.end(); ++it)
            buffer[count++] = *it;
        return count;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        bytes_.clear();
    }

private:
    const int capacity_;
    mutable std::mutex mutex_;
    std::deque<uint8_t> bytes_;
};
