// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's side of the wire: request bytes as they come down the line, found as
// frames, carried out on its image and answered. Every answer must be a well-formed frame.
//
// Input: model (0 T7310, 1 extended T7310, 2 T8310, 3 PRM8310), then the line bytes.

#include "FuzzHarness.h"

#include "GaugeSimulator.h"

bool FuzzOne(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    // The plain T7310, an extended one, and the two models of the second family.
    static const char* const kModels[][2] = {
        {"T7310", "3"}, {"T7310", "5"}, {"T8310", "5"}, {"PRM8310", "5"}};
    sim::Options options;
    const auto& model = kModels[input.Byte() % 4];
    options.model = model[0];
    options.pcid = model[1];
    // Every byte arrives at once: a partial frame at the end is dropped at once, as after the
    // line's silence, so the resynchronisation is reached too.
    options.partial_frame_silence_ms = 0;
    sim::GaugeSimulator gauge(options);
    const std::vector<uint8_t> bytes = input.Rest();
    FUZZ_CHECK(gauge.Feed(bytes.data(), bytes.size()));

    bool acknowledged = false;
    for (const std::vector<uint8_t>& reply : gauge.Replies()) {
        FUZZ_CHECK(reply.size() >= 4 && reply.size() == size_t{reply[1]} + 4);
        uint8_t sum = 0;
        for (size_t i = 0; i + 1 < reply.size(); ++i)
            sum ^= reply[i];
        FUZZ_CHECK(sum == reply.back());
        FUZZ_CHECK(reply[0] == 0x0F || reply[0] == 0x0E);
        acknowledged = acknowledged || reply[0] == 0x0F;
    }
    // Never more answers than requests.
    FUZZ_CHECK(gauge.Replies().size() <= gauge.Frames().size());
    return acknowledged;
}
