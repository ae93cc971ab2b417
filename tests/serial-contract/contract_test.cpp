// SPDX-License-Identifier: GPL-3.0-or-later
// What every serial backend must do, run unchanged against the platform's own: termios on
// Linux, Win32 under Wine. The far end is serial-peer, told what to do over the line itself,
// and the simulated gauge; tests/serial-contract/run starts both and passes their names.

#include "ContractConfig.h"
#include "TestFrame.h"

#ifdef _WIN32
#include "platform/Win32SerialBackend.h"
using Backend = Win32SerialBackend;
constexpr int kInvalidArgument = ERROR_INVALID_PARAMETER;
#else
#include "platform/PosixSerialBackend.h"
#include <cerrno>
using Backend = PosixSerialBackend;
constexpr int kInvalidArgument = EINVAL;
#endif

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <iostream>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

int ElapsedMs(Clock::time_point since) {
    return static_cast<int>(
        std::chrono::duration_cast<milliseconds>(Clock::now() - since).count());
}

std::string Hex(const Bytes& bytes) {
    std::string text;
    char pair[3];
    for (const uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", b);
        text += pair;
    }
    return text;
}

Bytes Pattern(int size, int seed) {
    Bytes bytes(static_cast<size_t>(size));
    for (int i = 0; i < size; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<uint8_t>((i * 7 + seed) & 0xFF);
    return bytes;
}

// The line as the configurator sets it: 8N1, DTR and RTS off, no handshake.
SerialLineState ProgramLine(int32_t baud) {
    SerialLineState s;
    s.BaudRate = baud;
    s.fDtrControl = DtrControl::Disable;
    s.fRtsControl = RtsControl::Disable;
    return s;
}

// A frame is complete at its Length byte plus four.
int FrameRule(const uint8_t* bytes, int count) {
    if (count < 2)
        return 4 - count;
    return std::max(0, bytes[1] + 4 - count);
}

struct FarLine {
    long baud = -1;
    int bits = 0;
    char parity = '?';
    int stop = 0;
};

class Port {
public:
    explicit Port(const std::string& name) {
        backend.SetNoticeHandler([this](const std::string& text) {
            std::lock_guard lock(mutex);
            notices.push_back(text);
        });
        opened = backend.Open(name);
        if (opened != 0)
            return;
        line = backend.SetState(ProgramLine(9600));
        SetTimeouts(50, 0);
    }

    int SetTimeouts(uint32_t interval, uint32_t totalConstant) {
        SerialTimeouts t;
        t.ReadIntervalTimeout = interval;
        t.ReadTotalTimeoutConstant = totalConstant;
        t.WriteTotalTimeoutConstant = 5000; // a far end that stops reading fails the test
        return backend.SetTimeouts(t);
    }

    // Runs a blocking call on another thread; one still blocked after ms is woken (and the
    // test fails), so no fault here can hang the run.
    template <typename F> auto Bounded(int ms, F call) {
        auto running = std::async(std::launch::async, call);
        if (running.wait_for(milliseconds(ms)) != std::future_status::ready) {
            ADD_FAILURE() << "still blocked after " << ms << " ms";
            backend.Wake(SerialWaker::Input);
            backend.Wake(SerialWaker::Output);
        }
        return running.get();
    }

    InputResult Wait(int count, int ms = 5000) {
        return Bounded(ms, [&] { return backend.WaitInput(buffer, count); });
    }
    InputResult WaitFrame(int ms = 5000) {
        return Bounded(ms, [&] { return backend.WaitChunk(buffer, sizeof buffer, FrameRule); });
    }
    Bytes Got(const InputResult& r) const { return Bytes(buffer, buffer + std::max(r.count, 0)); }

    OutputResult Send(const Bytes& bytes) {
        return Bounded(5000, [&] { return backend.Write(bytes.data(), int(bytes.size()), true); });
    }
    void Tell(const std::string& commands) {
        const OutputResult r = Send(Bytes(commands.begin(), commands.end()));
        EXPECT_EQ(r.count, int(commands.size())) << commands;
        EXPECT_EQ(r.error, 0) << commands;
    }

    // Collects what arrives, chunk by chunk, until count bytes are in or ms have passed.
    Bytes Collect(size_t count, int ms = 3000) {
        Bytes got;
        const auto start = Clock::now();
        while (got.size() < count && ElapsedMs(start) < ms) {
            const InputResult r = Wait(int(sizeof buffer), ms + 1000);
            got.insert(got.end(), buffer, buffer + std::max(r.count, 0));
            if (r.error != 0)
                break;
        }
        return got;
    }

    FarLine AskLine() {
        SetTimeouts(50, 2000);
        Tell("line\n");
        Bytes text;
        const auto start = Clock::now();
        while ((text.empty() || text.back() != '\n') && ElapsedMs(start) < 3000) {
            const InputResult r = Wait(int(sizeof buffer));
            text.insert(text.end(), buffer, buffer + std::max(r.count, 0));
        }
        SetTimeouts(50, 0);
        FarLine there;
        const std::string answer(text.begin(), text.end());
        std::sscanf(answer.c_str(), "baud=%ld bits=%d parity=%c stop=%d", &there.baud, &there.bits,
                    &there.parity, &there.stop);
        return there;
    }

    std::vector<std::string> Notices() {
        std::lock_guard lock(mutex);
        return notices;
    }

    Backend backend;
    int opened = -1;
    int line = -1;
    uint8_t buffer[512] = {};
    std::mutex mutex;
    std::vector<std::string> notices;
};

class Contract : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(contract::config.port.empty()) << contract::kUsage;
        port = std::make_unique<Port>(contract::config.port);
        ASSERT_EQ(port->opened, 0) << contract::config.port;
        ASSERT_EQ(port->line, 0);
    }
    std::unique_ptr<Port> port;
};

TEST(ContractOpen, EveryNameOfThePortOpensItAndAMissingPortIsNotFound) {
    ASSERT_FALSE(contract::config.names.empty()) << contract::kUsage;
    for (const std::string& name : contract::config.names) {
        SCOPED_TRACE(name);
        Backend backend;
        EXPECT_EQ(backend.Open(name), 0);
        EXPECT_TRUE(backend.IsOpen());
        SerialLineState state;
        EXPECT_EQ(backend.GetState(state), 0);
        backend.Close();
        EXPECT_FALSE(backend.IsOpen());
    }

    Backend backend;
    const int missing = backend.Open(contract::config.missing);
    EXPECT_NE(missing, 0);
    EXPECT_EQ(backend.Classify(missing), SerialErrorClass::NotFound) << missing;
    EXPECT_FALSE(backend.IsOpen());

    // Closed, every call answers with the platform's invalid-handle error.
    SerialLineState state;
    uint32_t word = 0;
    const uint8_t byte = 0;
    const struct {
        const char* call;
        int error;
    } closed[] = {
        {"GetState", backend.GetState(state)},
        {"SetState", backend.SetState(state)},
        {"SetBufferSizes", backend.SetBufferSizes(500, 500)},
        {"WaitInput", backend.WaitInput(nullptr, 0).error},
        {"Write", backend.Write(&byte, 1, true).error},
        {"ModemStatus", backend.ModemStatus(word)},
        {"TakeLineErrors", backend.TakeLineErrors(word)},
        {"Purge", backend.Purge(purge_flags::RxClear)},
        {"SetBreak", backend.SetBreak(true)},
    };
    for (const auto& c : closed)
        EXPECT_EQ(backend.Classify(c.error), SerialErrorClass::InvalidHandle) << c.call;
    backend.Wake(SerialWaker::Input); // nothing to wake, nothing breaks
    backend.Wake(SerialWaker::Output);
}

TEST_F(Contract, LineSettingsAreAppliedAndReadBackAsTheLineHasThem) {
    const struct {
        int32_t baud;
        uint8_t stopBits;
    } cases[] = {
        {1200, line_stop_bits::One},   {9600, line_stop_bits::Two},
        {19200, line_stop_bits::One},  {38400, line_stop_bits::Two},
        {57600, line_stop_bits::One},  {115200, line_stop_bits::Two},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.baud);
        SerialLineState wanted = ProgramLine(c.baud);
        wanted.StopBits = c.stopBits;
        ASSERT_EQ(port->backend.SetState(wanted), 0);
        SerialLineState back;
        ASSERT_EQ(port->backend.GetState(back), 0);
        EXPECT_EQ(back.BaudRate, c.baud);
        EXPECT_EQ(back.StopBits, c.stopBits);

        const FarLine there = port->AskLine();
        EXPECT_EQ(there.baud, c.baud);
        EXPECT_EQ(there.stop, c.stopBits == line_stop_bits::Two ? 2 : 1);
        // A pty carries neither data bits nor parity (Linux keeps it at CS8 without PARENB):
        // what reads back must be what the line has, whatever was asked for.
        EXPECT_EQ(back.ByteSize, there.bits);
        EXPECT_EQ(back.Parity == line_parity::None, there.parity == 'N');
    }

    const struct {
        int32_t baud;
        uint8_t byteSize;
        uint8_t parity;
        uint8_t stopBits;
    } refused[] = {
        {0, 8, line_parity::None, line_stop_bits::One},
        {-300, 8, line_parity::None, line_stop_bits::One},
        {9600, 9, line_parity::None, line_stop_bits::One},
        {9600, 4, line_parity::None, line_stop_bits::One},
        {9600, 8, 7, line_stop_bits::One},
        {9600, 8, line_parity::None, 5},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(testing::Message() << c.baud << " " << int(c.byteSize) << " "
                                        << int(c.parity) << " " << int(c.stopBits));
        SerialLineState s = ProgramLine(c.baud);
        s.ByteSize = c.byteSize;
        s.Parity = c.parity;
        s.StopBits = c.stopBits;
        EXPECT_EQ(port->backend.SetState(s), kInvalidArgument);
    }
    // A refused state changes nothing.
    SerialLineState now;
    ASSERT_EQ(port->backend.GetState(now), 0);
    EXPECT_EQ(now.BaudRate, 115200);
    EXPECT_EQ(port->AskLine().baud, 115200);
}

TEST_F(Contract, WhatIsWrittenReachesTheFarEndWhole) {
    const Bytes payload = Pattern(300, 3);
    port->Tell("echo 300\n");
    const OutputResult w = port->Send(payload);
    EXPECT_EQ(w.count, 300);
    EXPECT_EQ(w.error, 0);
    EXPECT_FALSE(w.aborted);
    EXPECT_EQ(port->Collect(300), payload);
}

TEST_F(Contract, AChunkEndsAtTheReadIntervalOfSilenceOrAtTheCountAskedFor) {
    const struct {
        const char* what;
        uint32_t interval;
        std::vector<int> bursts; // sent in this order
        int gapMs;               // between two bursts
        int readCount;
        std::vector<int> chunks; // as they arrive
    } cases[] = {
        {"a gap longer than the interval splits the bursts", 60, {20, 30}, 300, 256, {20, 30}},
        {"a gap shorter than the interval joins them", 250, {20, 30}, 20, 256, {50}},
        {"a burst longer than the count asked for", 60, {40}, 0, 16, {16, 16, 8}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(port->SetTimeouts(c.interval, 0), 0);
        Bytes sent;
        std::string commands;
        for (size_t i = 0; i < c.bursts.size(); ++i) {
            const Bytes burst = Pattern(c.bursts[i], int(i) * 50);
            sent.insert(sent.end(), burst.begin(), burst.end());
            if (i > 0)
                commands += "sleep " + std::to_string(c.gapMs) + "\n";
            commands += "send " + Hex(burst) + "\n";
        }
        port->Tell(commands);
        Bytes got;
        for (const int expected : c.chunks) {
            const auto start = Clock::now();
            const InputResult r = port->Wait(c.readCount);
            EXPECT_EQ(r.count, expected);
            EXPECT_EQ(r.error, 0);
            EXPECT_FALSE(r.woken);
            // A chunk cut by the count ends at once; one ended by silence waits the interval.
            if (expected != c.readCount) {
                EXPECT_GE(ElapsedMs(start), int(c.interval) * 8 / 10);
            }
            const Bytes chunk = port->Got(r);
            got.insert(got.end(), chunk.begin(), chunk.end());
        }
        EXPECT_EQ(got, sent);
    }
}

TEST_F(Contract, AWakeUpEndsABlockedReadAndIsKeptUntilTheNextCall) {
    auto blocked = std::async(std::launch::async,
                              [&] { return port->backend.WaitInput(port->buffer, 100); });
    EXPECT_EQ(blocked.wait_for(milliseconds(100)), std::future_status::timeout);
    port->backend.Wake(SerialWaker::Input);
    ASSERT_EQ(blocked.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const InputResult r = blocked.get();
    EXPECT_TRUE(r.woken);
    EXPECT_EQ(r.count, 0);

    // A wake-up given while nobody waits ends the next call at once, before it reads: the
    // bytes already waiting stay for the call after.
    port->Tell("send " + Hex({'a', 'b', 'c'}) + "\n");
    std::this_thread::sleep_for(milliseconds(200));
    port->backend.Wake(SerialWaker::Input);
    const InputResult next = port->Wait(10, 2000);
    EXPECT_TRUE(next.woken);
    EXPECT_EQ(next.count, 0);
    EXPECT_EQ(port->Collect(3), (Bytes{'a', 'b', 'c'}));
}

TEST_F(Contract, ReadTotalTimeoutEndsAReadWithNothing) {
    ASSERT_EQ(port->SetTimeouts(20, 100), 0);
    const auto start = Clock::now();
    const InputResult r = port->Wait(10, 3000);
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(r.error, 0);
    EXPECT_FALSE(r.woken);
    EXPECT_GE(ElapsedMs(start), 80);
}

TEST_F(Contract, PurgingTheReceiveSideDropsWhatTheDriverHolds) {
    port->Tell("send " + Hex({'s', 't', 'a', 'l', 'e'}) + "\n");
    std::this_thread::sleep_for(milliseconds(300)); // in the driver by now
    EXPECT_EQ(port->backend.Purge(purge_flags::RxClear), 0);
    port->Tell("send " + Hex({'n', 'e', 'w'}) + "\n");
    EXPECT_EQ(port->Collect(3), (Bytes{'n', 'e', 'w'}));
}

TEST_F(Contract, WhenTheFarEndGoesAwayReadsFailAndWriteFailsButNothingHangs) {
    port->Tell("send " + Hex({'b', 'y', 'e'}) + "\nhangup\n");
    InputResult r = port->Wait(10);
    Bytes got = port->Got(r);
    if (r.error == 0) {
        r = port->Wait(10);
        const Bytes more = port->Got(r);
        got.insert(got.end(), more.begin(), more.end());
    }
    EXPECT_NE(r.error, 0);
    EXPECT_FALSE(r.woken);
    // What was still in the line comes first, as far as the hang-up left it there.
    const Bytes bye = {'b', 'y', 'e'};
    EXPECT_EQ(got, Bytes(bye.begin(), bye.begin() + long(std::min(got.size(), bye.size()))));

    // No busy return on the dead line: the next read waits until woken.
    auto after = std::async(std::launch::async,
                            [&] { return port->backend.WaitInput(port->buffer, 10); });
    EXPECT_EQ(after.wait_for(milliseconds(100)), std::future_status::timeout);
    port->backend.Wake(SerialWaker::Input);
    ASSERT_EQ(after.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const InputResult woken = after.get();
    EXPECT_TRUE(woken.woken);
    EXPECT_EQ(woken.error, 0);

    EXPECT_NE(port->Send({'x'}).error, 0);
    port->backend.Close();
    EXPECT_FALSE(port->backend.IsOpen());
}

TEST_F(Contract, AChunkRuleEndsAFrameAtItsLengthAndLeavesTheNextInTheDriver) {
    // An interval far longer than the test allows: only the rule can end these chunks in time.
    ASSERT_EQ(port->SetTimeouts(1500, 0), 0);
    const Bytes first = BuildTestFrame(0x0B, 0xDF, {7, 'a', 'b', 'c'});
    const Bytes second = BuildTestFrame(0x0B, 0x1B, {7, 7});
    Bytes both = first;
    both.insert(both.end(), second.begin(), second.end());
    port->Tell("send " + Hex(both) + "\n");
    for (const Bytes& frame : {first, second}) {
        const auto start = Clock::now();
        const InputResult r = port->WaitFrame();
        EXPECT_EQ(port->Got(r), frame);
        EXPECT_LT(ElapsedMs(start), 1000);
    }

    // A frame that stops short ends by silence, with what came: in the middle of its data,
    // or right where its header ends and the rest never starts.
    ASSERT_EQ(port->SetTimeouts(100, 0), 0);
    const Bytes truncated[] = {{0x0B, 10, 0xDF, 1, 2, 3}, {0x0B, 10, 0xDF, 1}};
    for (const Bytes& frame : truncated) {
        SCOPED_TRACE(frame.size());
        port->Tell("send " + Hex(frame) + "\n");
        const InputResult r = port->WaitFrame();
        EXPECT_EQ(port->Got(r), frame);
        EXPECT_EQ(r.error, 0);
    }
}

TEST_F(Contract, ADeviceThatLacksAFeatureSaysSoOncePerOpenAndGoesOnWithoutIt) {
    auto exercise = [&] {
        for (int round = 0; round < 2; ++round) {
            uint32_t word = 0;
            EXPECT_EQ(port->backend.ModemStatus(word), 0);
            EXPECT_EQ(port->backend.SetBreak(true), 0);
            EXPECT_EQ(port->backend.SetBreak(false), 0);
            EXPECT_EQ(port->backend.TakeLineErrors(word), 0);
            ASSERT_EQ(port->SetTimeouts(20, 60), 0);
            EXPECT_EQ(port->Wait(10).error, 0);
            ASSERT_EQ(port->backend.SetEventMask(comm_event::Watched), 0);
            EXPECT_EQ(port->Wait(10).error, 0);
        }
    };
    exercise();
    const std::vector<std::string> first = port->Notices();
    for (const std::string& notice : first) {
        std::cout << "[ notice   ] " << notice << "\n";
        EXPECT_NE(notice.find("(error "), std::string::npos) << notice;
    }
    EXPECT_EQ(std::set<std::string>(first.begin(), first.end()).size(), first.size())
        << "a notice was repeated";

    port->backend.Close();
    port->notices.clear();
    ASSERT_EQ(port->backend.Open(contract::config.port), 0);
    ASSERT_EQ(port->backend.SetState(ProgramLine(9600)), 0);
    exercise();
    EXPECT_EQ(port->Notices(), first) << "each open says it again, once";

    // And the line still carries data.
    ASSERT_EQ(port->SetTimeouts(50, 0), 0);
    port->Tell("echo 4\n");
    port->Send({1, 2, 3, 4});
    EXPECT_EQ(port->Collect(4), (Bytes{1, 2, 3, 4}));
}

TEST(ContractGauge, TheSimulatedGaugeAnswersItsNodeAndOnlyItsNode) {
    ASSERT_FALSE(contract::config.sim.empty()) << contract::kUsage;
    Port gauge(contract::config.sim);
    ASSERT_EQ(gauge.opened, 0) << contract::config.sim;
    ASSERT_EQ(gauge.line, 0);
    const uint8_t node = contract::config.simNode;
    const std::string& identity = contract::config.simIdentity;

    // The link's own interval for replies; the rule ends each as soon as it is whole.
    ASSERT_EQ(gauge.SetTimeouts(250, 3000), 0);
    const OutputResult w = gauge.Send(BuildTestFrame(0x0A, 0xDF, {node}));
    EXPECT_EQ(w.error, 0);
    const InputResult r = gauge.WaitFrame();
    const Bytes reply = gauge.Got(r);
    ASSERT_GE(reply.size(), 4u);
    ASSERT_EQ(reply.size(), size_t(reply[1]) + 4) << "one whole frame";
    uint8_t sum = 0;
    for (size_t i = 0; i + 1 < reply.size(); ++i)
        sum ^= reply[i];
    EXPECT_EQ(sum, reply.back()) << "checksum";
    EXPECT_EQ(reply[0] & 0x01, 0x01) << "acknowledged";
    EXPECT_EQ(reply[2], 0xDF);
    EXPECT_EQ(reply[3], node);
    EXPECT_EQ(std::string(reply.begin() + 4, reply.end() - 1), identity + std::string(1, '\0'));

    // Another node on the bus is silent: the read ends at its total timeout with nothing.
    ASSERT_EQ(gauge.SetTimeouts(250, 400), 0);
    gauge.Send(BuildTestFrame(0x0A, 0xDF, {uint8_t(node + 1)}));
    const InputResult silent = gauge.WaitFrame();
    EXPECT_EQ(silent.count, 0);
    EXPECT_EQ(silent.error, 0);
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!contract::ParseArguments(argc, argv)) {
        std::cerr << contract::kUsage << "\n";
        return 2;
    }
    return RUN_ALL_TESTS();
}
