// SPDX-License-Identifier: GPL-3.0-or-later
// An event more than one part may hear: the listeners in the order they subscribed, the
// owner's handler last, a listener gone with its subscription, and an event gone before its
// listeners.

#include "Event.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

TEST(Event, ListenersInOrderThenTheOwner) {
    TEvent<int> event;
    std::vector<std::string> heard;
    EXPECT_FALSE(event);
    event(1); // nobody hears it
    event = [&](int n) { heard.push_back("owner " + std::to_string(n)); };
    TSubscription first = event.Subscribe([&](int n) { heard.push_back("a " + std::to_string(n)); });
    TSubscription second = event.Subscribe([&](int n) { heard.push_back("b " + std::to_string(n)); });
    EXPECT_TRUE(event);
    event(2);
    EXPECT_EQ(heard, (std::vector<std::string>{"a 2", "b 2", "owner 2"}));

    // Assigning replaces only the owner's handler; dropping a subscription only its listener.
    heard.clear();
    event = [&](int n) { heard.push_back("new owner " + std::to_string(n)); };
    first.Reset();
    event(3);
    EXPECT_EQ(heard, (std::vector<std::string>{"b 3", "new owner 3"}));

    heard.clear();
    event = nullptr;
    { TSubscription moved = std::move(second); }
    event(4);
    EXPECT_TRUE(heard.empty());
    EXPECT_FALSE(event);
}

TEST(Event, ChangesWhileRaised) {
    TEvent<> event;
    std::vector<std::string> heard;
    std::optional<TSubscription> later;
    std::optional<TSubscription> dropped;
    // The first listener drops the third and subscribes a fourth: the third is not heard, the
    // fourth only from the next time on.
    TSubscription first = event.Subscribe([&] {
        heard.push_back("first");
        dropped.reset();
        if (!later)
            later = event.Subscribe([&] { heard.push_back("later"); });
    });
    TSubscription second = event.Subscribe([&] { heard.push_back("second"); });
    dropped = event.Subscribe([&] { heard.push_back("dropped"); });
    event();
    EXPECT_EQ(heard, (std::vector<std::string>{"first", "second"}));
    heard.clear();
    event();
    EXPECT_EQ(heard, (std::vector<std::string>{"first", "second", "later"}));
}

TEST(Event, ASubscriptionOutlivesItsEvent) {
    TSubscription kept;
    int heard = 0;
    {
        auto event = std::make_unique<TEvent<>>();
        kept = event->Subscribe([&] { ++heard; });
        (*event)();
    }
    EXPECT_EQ(heard, 1);
    kept.Reset(); // the event is gone: nothing to do, nothing touched
    kept.Reset();
}
