// The paced simulator takes the time a wire takes: a request is answered only after its bytes
// and the reply delay, and the reply's bytes come at the baud rate, never sooner.

#include "GaugeSimulator.h"
#include "SimLine.h"

#include <gtest/gtest.h>

#include <chrono>

using Bytes = std::vector<uint8_t>;

namespace {

TEST(PacedSimulator, ExchangesTakeAtLeastTheirWireTimeAndTheReplyDelay) {
    struct Case {
        long baud; // 0: not paced
        int delayMs;
        uint8_t instruction;
        size_t replySize; // whole frame
    };
    // Slow rates, so the wire time stands far above the pty's own.
    const Case cases[] = {
        {1200, 10, 0xDF, 4 + 1 + 15}, // identity
        {2400, 40, 0x14, 4 + 1 + 9},  // display options
        {1200, 0, 0x1B, 4 + 2},       // node ID
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.instruction);
        sim::Options options;
        options.model = "PRM8310";
        options.pace_baud = c.baud;
        options.reply_delay_ms = c.delayMs;
        sim::GaugeSimulator gauge(options);
        std::string error;
        ASSERT_TRUE(gauge.Start(&error)) << error;
        simtest::Line line(gauge.SlavePath());
        ASSERT_TRUE(line.IsOpen());

        const Bytes request = simtest::Request(c.instruction, {options.node});
        const auto start = std::chrono::steady_clock::now();
        line.Send(request);
        const Bytes reply = line.Receive(5000);
        const double tookMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        const simtest::Reply parsed = simtest::Parse(reply);
        EXPECT_TRUE(parsed.complete);
        EXPECT_TRUE(parsed.checksumOk);
        EXPECT_EQ(reply.size(), c.replySize);
        const double wireMs =
            static_cast<double>(request.size() + c.replySize) * 10.0 * 1000.0 / c.baud;
        EXPECT_GE(tookMs, wireMs + c.delayMs);
    }
}

} // namespace
