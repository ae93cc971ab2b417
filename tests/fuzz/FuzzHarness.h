// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One harness per untrusted input. Each defines FuzzOne, which runs one input through the
// real code the way the program does, stops the process on a broken invariant, and says
// whether the input was taken (true) or refused (false). libFuzzer calls it through
// FuzzEntry.cpp; the seed replay (ReplayMain.cpp) calls it on every seed file and compares
// the answer with the seed's name ("accept-..." or "refuse-...").

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

bool FuzzOne(const uint8_t* data, size_t size);

// Abort rather than throw: both libFuzzer and the replay report an abort with its input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// Reads an input front to back; past the end every read gives zeros or nothing.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t Left() const { return size_ - at_; }
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    // Big-endian 16 bits.
    unsigned Word() {
        const unsigned high = Byte();
        return (high << 8) | Byte();
    }
    // Up to count bytes.
    std::vector<uint8_t> Bytes(size_t count) {
        const size_t n = count < Left() ? count : Left();
        std::vector<uint8_t> out(data_ + at_, data_ + at_ + n);
        at_ += n;
        return out;
    }
    std::vector<uint8_t> Rest() { return Bytes(Left()); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// Received line bytes as the port hands them over: chunks, each announced by a 16-bit length
// (taken modulo 2049, so every length the port's 2048-byte buffer allows is reachable).
inline std::vector<std::vector<uint8_t>> SplitChunks(FuzzInput& input) {
    std::vector<std::vector<uint8_t>> chunks;
    while (input.Left() > 0) {
        const size_t length = input.Word() % 2049;
        chunks.push_back(input.Bytes(length));
    }
    return chunks;
}

// A command line: the arguments are the input split at zero bytes (none for an empty input).
inline std::vector<std::string> SplitArguments(const uint8_t* data, size_t size) {
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    if (size == 0)
        args.clear();
    return args;
}
