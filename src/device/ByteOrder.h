// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Byte order of the device image: every multi-byte number is most significant byte first.

#include <bit>
#include <cstdint>
#include <cstring>

inline uint16_t swap16(uint16_t value) { return static_cast<uint16_t>((value >> 8) | (value << 8)); }

inline uint32_t swap32(uint32_t value) {
    return (static_cast<uint32_t>(swap16(static_cast<uint16_t>(value))) << 16) |
           swap16(static_cast<uint16_t>(value >> 16));
}

inline uint16_t GetBE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

inline uint32_t GetBE32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

inline void PutBE16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

inline void PutBE32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

inline uint32_t GetLE32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[3]) << 24) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[1]) << 8) | p[0];
}

inline void PutLE32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// The 8 received bytes, most significant first, form an IEEE 754 double.
inline double GetBEDouble(const uint8_t* p) {
    const uint64_t bits = (static_cast<uint64_t>(GetBE32(p)) << 32) | GetBE32(p + 4);
    return std::bit_cast<double>(bits);
}

inline void PutBEDouble(uint8_t* p, double value) {
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    PutBE32(p, static_cast<uint32_t>(bits >> 32));
    PutBE32(p + 4, static_cast<uint32_t>(bits));
}
