// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Byte order on the wire and in the gauge's memory: most significant byte first. The .TLS file
// keeps its format number little-endian, hence the one little-endian reader.

#include <bit>
#include <cstdint>

namespace sim {

inline uint16_t GetBE16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

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

inline void PutBEDouble(uint8_t* p, double value) {
    const auto bits = std::bit_cast<uint64_t>(value);
    PutBE32(p, static_cast<uint32_t>(bits >> 32));
    PutBE32(p + 4, static_cast<uint32_t>(bits));
}

inline double GetBEDouble(const uint8_t* p) {
    const uint64_t bits = (static_cast<uint64_t>(GetBE32(p)) << 32) | GetBE32(p + 4);
    return std::bit_cast<double>(bits);
}

} // namespace sim
