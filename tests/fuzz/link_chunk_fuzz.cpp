// SPDX-License-Identifier: GPL-3.0-or-later
// The packet link's receive path: each chunk the port delivers is taken as one frame,
// unpacked, checked and either delivered or reported.

#include "FuzzHarness.h"

#include "SerialPacket.h"

#include <algorithm>
#include <memory>

bool FuzzOne(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    TSerialPacket link;
    // After a bad chunk the link drops what comes for two read intervals as stray; with none,
    // every chunk of the input goes through the frame checks.
    link.ReadIntervalTimeout = 0;
    int delivered = 0;
    int refused = 0;
    size_t chunkSize = 0;
    const uint8_t* chunkBytes = nullptr;
    link.OnPacketRx = [&](TSerialPacket*, const TPacket& packet) {
        ++delivered;
        // A delivered frame lies inside its chunk and passed the checks it asked for.
        FUZZ_CHECK(size_t{packet.Length} + frame::Overhead <= chunkSize);
        FUZZ_CHECK(packet.Flags & pk_ACK);
        if (packet.Flags & pk_CHECKSUM) {
            uint8_t sum = 0;
            for (size_t i = 0; i < size_t{packet.Length} + frame::DataOffset; ++i)
                sum ^= chunkBytes[i];
            FUZZ_CHECK(sum == packet.Checksum);
        }
    };
    link.OnPacketNACK = [&](TSerialPacket*, uint8_t) { ++refused; };
    link.OnPacketInvalidChecksum = [&](TSerialPacket*, uint8_t) { ++refused; };

    for (const std::vector<uint8_t>& chunk : SplitChunks(input)) {
        // Exactly the chunk's bytes, so that reading past them is caught.
        const auto copy = std::make_unique<char[]>(chunk.size() + 1);
        std::copy(chunk.begin(), chunk.end(), copy.get());
        chunkSize = chunk.size();
        chunkBytes = reinterpret_cast<const uint8_t*>(copy.get());
        const int deliveredBefore = delivered;
        const int refusedBefore = refused;
        link.DeliverChunk(copy.get(), static_cast<int>(chunk.size()));
        // Delivered once, or reported (once or twice); never both.
        const bool wasDelivered = delivered > deliveredBefore;
        const bool wasRefused = refused > refusedBefore;
        FUZZ_CHECK(wasDelivered != wasRefused);
        FUZZ_CHECK(delivered - deliveredBefore <= 1 && refused - refusedBefore <= 2);
        // After a bad frame the link may send again.
        if (wasRefused)
            FUZZ_CHECK(link.ClearToSend());
    }
    return delivered > 0;
}
