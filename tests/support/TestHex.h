// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Bytes as hex text ("0A 01 11"), for expectations and failure messages.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

inline std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string text;
    char cell[4];
    for (const uint8_t b : bytes) {
        std::snprintf(cell, sizeof cell, "%02X", b);
        if (!text.empty())
            text += ' ';
        text += cell;
    }
    return text;
}
