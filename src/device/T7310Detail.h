// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the device object's units share and nobody else needs.

#include "Instructions.h"
#include "T7310.h"

#include <utility>

namespace device_detail {

// The instruction table's row of a code that is known to be there.
inline const instr::TInstruction& Row(uint8_t code) {
    return *instr::Find(code);
}

template <typename Event, typename... Args>
void Raise(const Event& event, T7310* self, Args&&... args) {
    if (event)
        event(self, std::forward<Args>(args)...);
}

// Runs its function when the scope is left, however it is left (an event handler may
// throw), or earlier through Now().
template <typename F> class ScopeExit {
public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ~ScopeExit() { Now(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    void Now() {
        if (armed_) {
            armed_ = false;
            f_();
        }
    }

private:
    F f_;
    bool armed_ = true;
};

// Whether rows start .. start + count - 1 are rows of the table and fit in one frame.
inline bool RowsValid(uint8_t start, uint8_t count) {
    return count >= 1 && count <= instr::MaxRowsPerFrame && size_t{start} + count <= img::TableRows;
}

} // namespace device_detail
