// SPDX-License-Identifier: GPL-3.0-or-later
// MTdeque: the bounded byte queue between a port thread and the GUI thread.

#include "MTdeque.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

TEST(MTdeque, BoundsEveryInsertAndMovesBytesInOrder) {
    MTdeque q(8);
    EXPECT_EQ(q.SpaceFree(), 8);
    EXPECT_EQ(q.Extract(), -1);
    EXPECT_EQ(q.Insert(uint8_t{0xFF}), 0xFF);
    EXPECT_EQ(q.Insert(uint8_t{0}), 0);
    const uint8_t block[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    // Only what fits goes in.
    EXPECT_EQ(q.Insert(block, 10), 6);
    EXPECT_EQ(q.SpaceFree(), 0);
    EXPECT_EQ(q.Insert(uint8_t{42}), -1);
    EXPECT_EQ(q.Insert(block, 3), 0);
    EXPECT_EQ(q.Insert(block, -4), 0);

    uint8_t out[16] = {};
    EXPECT_EQ(q.Peek(out, 3), 3);
    EXPECT_EQ(q.Size(), 8);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 3), (std::vector<uint8_t>{0xFF, 0, 1}));
    EXPECT_EQ(q.Extract(), 0xFF);
    EXPECT_EQ(q.Extract(out, 16), 7);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 7), (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(q.Extract(out, 4), 0);

    q.Insert(block, 5);
    q.Clear();
    EXPECT_EQ(q.Size(), 0);
    EXPECT_EQ(q.SpaceFree(), 8);
}

TEST(MTdeque, AProducerAndAConsumerLoseAndReorderNothing) {
    MTdeque q(64);
    constexpr int kTotal = 200000;
    std::thread producer([&] {
        int next = 0;
        while (next < kTotal) {
            uint8_t chunk[13];
            const int n = std::min(13, kTotal - next);
            for (int i = 0; i < n; ++i)
                chunk[i] = static_cast<uint8_t>((next + i) % 251);
            int done = 0;
            while (done < n)
                done += q.Insert(chunk + done, n - done);
            next += n;
        }
    });
    int received = 0;
    int wrong = 0;
    uint8_t out[32];
    while (received < kTotal) {
        const int n = q.Extract(out, 32);
        for (int i = 0; i < n; ++i)
            if (out[i] != static_cast<uint8_t>((received + i) % 251))
                ++wrong;
        received += n;
    }
    producer.join();
    EXPECT_EQ(received, kTotal);
    EXPECT_EQ(wrong, 0);
}

} // namespace
