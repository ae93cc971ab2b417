// SPDX-License-Identifier: GPL-3.0-or-later
// The message-loop timer: when it ticks, when a writer restarts its period, and its failure
// without an event loop.

#include "PtyPeer.h"
#include "SerialPacket.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>

namespace {

TEST(TMEKTimerTest, TicksOnlyWhenEnabledWithIntervalAndHandler) {
    struct Row {
        const char* name;
        int interval;
        bool enabled;
        bool handler;
        bool ticks;
    };
    const Row rows[] = {
        {"all set", 20, true, true, true},
        {"interval 0", 0, true, true, false},
        {"disabled", 20, false, true, false},
        {"no handler", 20, true, false, false},
        {"negative interval: longest period, not an error", -5, true, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TMEKTimer timer;
        EXPECT_EQ(timer.Interval(), 1000);
        EXPECT_TRUE(timer.Enabled());
        int ticks = 0;
        void* sender = &ticks;
        timer.SetInterval(row.interval);
        timer.SetEnabled(row.enabled);
        if (row.handler)
            timer.SetOnTimer([&](void* s) {
                sender = s;
                ++ticks;
            });
        if (row.ticks) {
            EXPECT_TRUE(WaitUntil([&] { return ticks >= 3; }, 2000));
            EXPECT_EQ(sender, nullptr);
        } else {
            RunEventLoopFor(100);
            EXPECT_EQ(ticks, 0);
        }
    }
}

// Period 400 ms; half-way through, a writer is called. Without a restart the tick comes at
// about 400 ms, with one at about 600 ms.
TEST(TMEKTimerTest, OnlyANewValueRestartsThePeriod) {
    struct Row {
        const char* name;
        std::function<void(TMEKTimer&, const std::function<void(void*)>&)> write;
        bool restarts;
    };
    const Row rows[] = {
        {"same interval", [](TMEKTimer& t, auto&) { t.SetInterval(400); }, false},
        {"enabled again", [](TMEKTimer& t, auto&) { t.SetEnabled(true); }, false},
        {"new interval", [](TMEKTimer& t, auto&) { t.SetInterval(401); }, true},
        {"same handler again", [](TMEKTimer& t, auto& h) { t.SetOnTimer(h); }, true},
        {"off and on",
         [](TMEKTimer& t, auto&) {
             t.SetEnabled(false);
             t.SetEnabled(true);
         },
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TMEKTimer timer;
        timer.SetInterval(400);
        QElapsedTimer clock;
        qint64 firstTick = -1;
        const std::function<void(void*)> handler = [&](void*) {
            if (firstTick < 0)
                firstTick = clock.elapsed();
        };
        clock.start();
        timer.SetOnTimer(handler);
        RunEventLoopFor(200);
        row.write(timer, handler);
        ASSERT_TRUE(WaitUntil([&] { return firstTick >= 0; }, 2000));
        if (row.restarts)
            EXPECT_GE(firstTick, 500);
        else
            EXPECT_LT(firstTick, 500);
    }
}

// The handler may stop its own timer or put another handler in its place.
TEST(TMEKTimerTest, HandlerMayChangeItsOwnTimer) {
    TMEKTimer timer;
    timer.SetInterval(10);
    int first = 0;
    int second = 0;
    timer.SetOnTimer([&](void*) {
        timer.SetOnTimer([&](void*) {
            if (++second == 2)
                timer.SetEnabled(false);
        });
        ++first; // the handler's own captures are still in use after it was replaced
    });
    ASSERT_TRUE(WaitUntil([&] { return second == 2; }, 2000));
    RunEventLoopFor(60);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
    EXPECT_FALSE(timer.Enabled());
}

// A thread that runs no event loop cannot have a timer: each writer that would arm it fails.
TEST(TMEKTimerTest, NoTimerWithoutAnEventLoop) {
    std::vector<std::string> messages;
    std::thread worker([&] {
        TMEKTimer timer;
        timer.SetEnabled(false);
        timer.SetOnTimer([](void*) {}); // not armed while disabled: no error
        const std::function<void()> writers[] = {
            [&] { timer.SetEnabled(true); },
            [&] { timer.SetInterval(50); },
            [&] { timer.SetOnTimer([](void*) {}); },
        };
        for (const auto& write : writers) {
            try {
                write();
                messages.push_back("no error");
            } catch (const std::runtime_error& e) {
                messages.push_back(e.what());
            }
        }
    });
    worker.join();
    const std::string expected = "No More Timers Can Be Created";
    EXPECT_EQ(messages, (std::vector<std::string>{expected, expected, expected}));
}

} // namespace
