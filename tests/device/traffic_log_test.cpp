// SPDX-License-Identifier: GPL-3.0-or-later
// The traffic log: each frame decoded as the link judges it, and the tap's lines for a
// request answered well, badly, refused or not at all, with the link's own events unchanged,
// and the counts of what crossed the line.

#include "DeviceFixture.h"
#include "SerialPacket.h"
#include "TestFrame.h"
#include "TrafficLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

using namespace devtest;

namespace {

struct TDecodeCase {
    const char* what;
    Bytes bytes;
    bool received;
    const char* trace; // the trace line after its time stamp
};

TEST(TrafficLog, EachFrameIsDecodedAsTheLinkJudgesIt) {
    Bytes badSum = BuildTestFrame(0x0F, 0x14, {1, 9, 9});
    badSum.back() ^= 0x40;
    Bytes unchecked = BuildTestFrame(0x0D, 0x1B, {1, 7});
    unchecked.back() = 0x00;
    const std::vector<TDecodeCase> cases = {
        {"a request", BuildTestFrame(0x0A, 0x14, {1}), false,
         "TX n1 14 Display Options len=1 0A 01 14 01 1E"},
        {"a request with a wrong checksum",
         {0x0A, 0x01, 0x14, 0x01, 0x1F},
         false,
         "TX n1 14 Display Options len=1 0A 01 14 01 1F bad checksum"},
        {"a good reply", BuildTestFrame(0x0F, 0x11, {2, 0, 0, 0, 0x32, 0, 0x29}), true,
         "RX n2 11 Tank A to D Min len=7 0F 07 11 02 00 00 00 32 00 29 00 ok"},
        {"an acknowledgement", BuildTestFrame(0x0F, 0x21, {1, 0xA4}), true,
         "RX n1 21 acknowledge len=2 0F 02 21 01 A4 89 ok"},
        {"a reply with a wrong checksum", badSum, true,
         "RX n1 14 Display Options len=3 0F 03 14 01 09 09 59 bad checksum"},
        {"a negative acknowledgement", BuildTestFrame(0x0E, 0x16, {3}), true,
         "NACK n3 16 Tank Descriptions len=1 0E 01 16 03 1A ok"},
        {"a reply without checksum checking", unchecked, true,
         "RX n1 1B RS485 ID len=2 0D 02 1B 01 07 00 unchecked"},
        {"a chunk shorter than its length byte",
         {0x0F, 0x09, 0xDF, 0x01, 0x54},
         true,
         "RX n1 DF identity len=9 0F 09 DF 01 54 short frame"},
        {"two bytes of noise", {0xFF, 0x00}, true, "RX n? -- len=0 FF 00 short frame"},
    };
    for (const TDecodeCase& c : cases) {
        const TTrafficLine line =
            DecodeFrame(c.bytes.data(), static_cast<int>(c.bytes.size()), c.received);
        EXPECT_EQ(TraceText(line), std::string("0.000 ") + c.trace) << c.what;
    }
}

struct TTapCase {
    const char* what;
    sim::Fault fault;
    const char* lastDirection;
    const char* lastCheck;
    int events; // link error events raised
};

// A read of 0x14 with the gauge behaving as the case says: the tap's last line, and the same
// link events (in the same order) as without a tap.
TEST(TrafficLog, TheTapReportsEveryOutcomeWithoutChangingTheLinksEvents) {
    const std::vector<TTapCase> cases = {
        {"answered", sim::Fault::None, "RX", "ok", 0},
        {"bad checksum", sim::Fault::BadChecksum, "RX", "bad checksum", 1},
        {"refused", sim::Fault::Nack, "NACK", "ok", 1},
        {"no reply", sim::Fault::NoReply, "TIMEOUT", "no reply", 1},
    };
    for (const TTapCase& c : cases) {
        std::vector<std::string> eventsSeen[2];
        std::vector<TTrafficLine> lines;
        for (int tapped = 0; tapped < 2; ++tapped) {
            Rig rig;
            ASSERT_TRUE(rig.Connect()) << c.what;
            TTrafficRecorder recorder;
            recorder.OnLine = [&](const TTrafficLine& line) { lines.push_back(line); };
            if (tapped)
                recorder.Attach(rig.device.Link());
            EXPECT_EQ(rig.device.Link().Tap(), tapped ? &recorder : nullptr);
            rig.sim.SetFault(0x14, c.fault);
            rig.log.Clear();
            rig.device.ReadGroup(0x14);
            ASSERT_TRUE(rig.Drain()) << c.what;
            eventsSeen[tapped] = rig.log.entries;
            recorder.Detach();
            EXPECT_EQ(rig.device.Link().Tap(), nullptr) << c.what;
        }
        EXPECT_EQ(eventsSeen[0], eventsSeen[1]) << c.what;
        EXPECT_EQ(std::count_if(eventsSeen[1].begin(), eventsSeen[1].end(),
                                [](const std::string& e) { return e.rfind("CommsError", 0) == 0; }),
                  c.events)
            << c.what;
        ASSERT_EQ(lines.size(), 2u) << c.what;
        const TTrafficLine& sent = lines[0];
        const TTrafficLine& last = lines[1];
        EXPECT_EQ(DirectionText(sent.Direction), "TX") << c.what;
        EXPECT_EQ(sent.Instruction, 0x14) << c.what;
        EXPECT_EQ(DirectionText(last.Direction), c.lastDirection) << c.what;
        EXPECT_EQ(CheckText(last), c.lastCheck) << c.what;
        EXPECT_EQ(last.Node, 1) << c.what;
        EXPECT_GE(last.Seconds, sent.Seconds) << c.what;
        // Each outcome of a request says how long after the request it came.
        EXPECT_GE(last.ResponseMs, 0) << c.what;
        EXPECT_LE(last.ResponseMs, static_cast<int>((last.Seconds - sent.Seconds) * 1000) + 1)
            << c.what;
        EXPECT_TRUE(
            std::regex_match(TraceText(last), std::regex(R"(\d+\.\d{3} \S+ n1 14 .* \d+ms)")))
            << TraceText(last);
    }
}

struct TCountCase {
    const char* what;
    sim::Fault fault;
    TTrafficCounts added; // by one read of 0x14 with the fault (reply times aside)
};

// Each read with its fault, then one clean read: the counts grow by what crossed the line, the
// lines say the same, and the late half of a split reply is a stray chunk, not a reply.
TEST(TrafficLog, TheCountsAreWhatCrossedTheLine) {
    const auto counts = [](long requests, long replies, long timeouts, long nacks, long bad,
                           long strays) {
        TTrafficCounts c;
        c.Requests = requests;
        c.Replies = replies;
        c.Timeouts = timeouts;
        c.Nacks = nacks;
        c.BadChecksums = bad;
        c.StrayChunks = strays;
        return c;
    };
    const std::vector<TCountCase> cases = {
        {"answered", sim::Fault::None, counts(1, 1, 0, 0, 0, 0)},
        {"bad checksum", sim::Fault::BadChecksum, counts(1, 1, 0, 0, 1, 0)},
        {"refused", sim::Fault::Nack, counts(1, 1, 0, 1, 0, 0)},
        {"no reply", sim::Fault::NoReply, counts(1, 0, 1, 0, 0, 0)},
        {"split", sim::Fault::SplitReply, counts(1, 1, 0, 0, 1, 1)},
    };
    Rig rig;
    ASSERT_TRUE(rig.Connect());
    TTrafficRecorder recorder;
    std::vector<TTrafficLine> lines;
    recorder.OnLine = [&](const TTrafficLine& line) { lines.push_back(line); };
    recorder.Attach(rig.device.Link());
    for (const TCountCase& c : cases) {
        SCOPED_TRACE(c.what);
        const TTrafficCounts before = recorder.Counts();
        lines.clear();
        rig.sim.SetFault(0x14, c.fault);
        rig.device.ReadGroup(0x14);
        ASSERT_TRUE(rig.Drain());
        rig.sim.SetFault(0x14, sim::Fault::None);
        rig.device.ReadGroup(0x14);
        ASSERT_TRUE(rig.Drain());
        const TTrafficCounts& after = recorder.Counts();
        EXPECT_EQ(after.Requests - before.Requests, c.added.Requests + 1);
        EXPECT_EQ(after.Replies - before.Replies, c.added.Replies + 1);
        EXPECT_EQ(after.Timeouts - before.Timeouts, c.added.Timeouts);
        EXPECT_EQ(after.Nacks - before.Nacks, c.added.Nacks);
        EXPECT_EQ(after.BadChecksums - before.BadChecksums, c.added.BadChecksums);
        EXPECT_EQ(after.StrayChunks - before.StrayChunks, c.added.StrayChunks);
        const auto linesOf = [&](const char* direction) {
            return std::count_if(lines.begin(), lines.end(), [&](const TTrafficLine& line) {
                return DirectionText(line.Direction) == direction;
            });
        };
        EXPECT_EQ(linesOf("TX"), c.added.Requests + 1);
        EXPECT_EQ(linesOf("STRAY"), c.added.StrayChunks);
        EXPECT_EQ(linesOf("TIMEOUT"), c.added.Timeouts);
        // The clean read after the failure is answered, whatever the line still brought.
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(CheckText(lines.back()), "ok");
        EXPECT_GE(lines.back().ResponseMs, 0);
    }
    // Every reply answered a request and was timed.
    const TTrafficCounts& total = recorder.Counts();
    long timed = 0;
    for (const auto& [ms, replies] : total.ReplyMs)
        timed += replies;
    EXPECT_EQ(timed, total.Replies);
    EXPECT_LE(total.MedianReplyMs(), total.LongestReplyMs());
    // Paused, the counts stay; cleared, they start again.
    recorder.Detach();
    EXPECT_EQ(recorder.Counts().Requests, total.Requests);
    recorder.ClearCounts();
    EXPECT_EQ(CountsText(recorder.Counts()),
              "requests 0, replies 0, time-outs 0, NAKs 0, bad checksums 0, stray chunks 0, "
              "median reply -, longest reply -");
}

TEST(TrafficLog, TheMedianAndLongestReplyAreTimesRepliesTook) {
    const struct {
        std::vector<int> ms;
        int median;
        int longest;
    } cases[] = {
        {{}, -1, -1},
        {{40}, 40, 40},
        {{10, 300}, 10, 300}, // of an even count, the lower middle one
        {{30, 10, 20}, 20, 30},
        {{5, 5, 5, 900}, 5, 900},
        {{12, 12, 40, 40, 40}, 40, 40},
    };
    for (const auto& c : cases) {
        TTrafficCounts counts;
        for (int ms : c.ms) {
            TTrafficLine reply;
            reply.Direction = TTrafficDirection::Rx;
            reply.ResponseMs = ms;
            counts.Count(reply);
        }
        EXPECT_EQ(counts.MedianReplyMs(), c.median) << ::testing::PrintToString(c.ms);
        EXPECT_EQ(counts.LongestReplyMs(), c.longest) << ::testing::PrintToString(c.ms);
        EXPECT_EQ(counts.Replies, static_cast<long>(c.ms.size()));
    }
}

} // namespace
