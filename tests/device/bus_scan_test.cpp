// SPDX-License-Identifier: GPL-3.0-or-later
// The bus scan over a simulated bus of three gauges, two of them under one node ID: the gauge
// alone on its ID is listed with its identity, the shared ID as a bad reply, silent IDs not at
// all; a range outside 0 to 98 or reversed sends nothing.

#include "BusScan.h"
#include "DeviceFixture.h"
#include "SerialPacket.h"

#include <gtest/gtest.h>

using namespace devtest;

namespace {

std::vector<sim::Options> ThreeGauges() {
    return {TestOptions("T8310", "5", 1), TestOptions("T7310", "3", 5),
            TestOptions("PRM8310", "5", 5)};
}

void Quicken(TBusScan& scan) {
    scan.ReplyTimeout = 150;
    scan.Silence = 20;
    scan.DispatchInterval = 5;
}

TEST(BusScan, ListsEachGaugeByIdentityAndReportsTwoGaugesOnOneId) {
    sim::GaugeSimulator bus(ThreeGauges());
    std::string error;
    ASSERT_TRUE(bus.Start(&error)) << error;
    TBusScan scan;
    Quicken(scan);
    scan.DevicePath = bus.SlavePath();
    std::vector<int> probed;
    std::vector<int> reported;
    scan.OnProbe = [&](int node, int asked, int total) {
        probed.push_back(node);
        EXPECT_EQ(asked, node);
        EXPECT_EQ(total, 7);
    };
    scan.OnEntry = [&](const TScanEntry& entry) { reported.push_back(entry.Node); };
    ASSERT_TRUE(scan.Run(1, 9600, 0, 6));

    EXPECT_EQ(probed, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(reported, (std::vector<int>{1, 5}));
    ASSERT_EQ(scan.Entries().size(), 2u);
    const TScanEntry& alone = scan.Entries()[0];
    EXPECT_TRUE(alone.Ok);
    EXPECT_EQ(alone.Node, 1);
    EXPECT_EQ(alone.Identity.DeviceName, "T8310");
    EXPECT_EQ(alone.Identity.SoftwareVersion, "2.10");
    EXPECT_EQ(alone.Identity.PcSoftwareId, "5");
    EXPECT_EQ(alone.Family, "T8310");
    const TScanEntry& shared = scan.Entries()[1];
    EXPECT_FALSE(shared.Ok);
    EXPECT_EQ(shared.Node, 5);
    EXPECT_EQ(shared.Error, TBusScan::kCollisionText);
    EXPECT_EQ(scan.GaugesFound(), 1);
    // One identity request per node, each to its own node.
    const auto frames = bus.Frames();
    ASSERT_EQ(frames.size(), 7u);
    for (size_t i = 0; i < frames.size(); ++i)
        EXPECT_EQ(frames[i],
                  (Bytes{0x0A, 0x01, 0xDF, uint8_t(i), uint8_t(0x0A ^ 0x01 ^ 0xDF ^ i)}));
    EXPECT_FALSE(scan.Link().Connected());
}

TEST(BusScan, RefusesARangeOutsideTheNodeIdsWithoutSending) {
    sim::GaugeSimulator bus(ThreeGauges());
    ASSERT_TRUE(bus.Start());
    const std::pair<int, int> ranges[] = {{-1, 5}, {0, 99}, {6, 5}};
    for (const auto& [from, to] : ranges) {
        TBusScan scan;
        Quicken(scan);
        scan.DevicePath = bus.SlavePath();
        EXPECT_FALSE(scan.Run(1, 9600, from, to)) << from << ".." << to;
        EXPECT_TRUE(scan.Entries().empty());
        EXPECT_FALSE(scan.Link().Connected());
    }
    EXPECT_TRUE(bus.Frames().empty());
}

TEST(BusScan, ABroadcastReachesEveryGaugeAndTheirRepliesGarble) {
    sim::GaugeSimulator bus({TestOptions("T8310", "5", 1), TestOptions("T7310", "3", 2)});
    ASSERT_TRUE(bus.Start());
    T7310 device;
    Shorten(device);
    device.SetDevicePath(bus.SlavePath());
    // Identity from all at once: the merged reply fails its checksum, so the connect fails.
    EXPECT_FALSE(device.Connect(1, T7310::kBroadcastNode, 9600));
    ASSERT_EQ(bus.Replies().size(), 1u);
    const Bytes one = IdentityReply(1, "T8310 2.10?5");
    EXPECT_NE(bus.Replies()[0], one);
    EXPECT_EQ(bus.Replies()[0].size(), one.size());
}

} // namespace
