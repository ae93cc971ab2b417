// SPDX-License-Identifier: GPL-3.0-or-later
// Writing: the order of a write of all settings, the C6 follow-up, the page-level series,
// the node ID change, what a write puts on the wire and into the gauge.
#include "DeviceFixture.h"

#include "SerialPacket.h"

#include <cstring>
#include <map>
#include <stdexcept>

using namespace devtest;

namespace {

TEST(T7310Write, WriteAllSettingsOrderWithTheTableOnlyForANonStandardTank) {
    struct Case {
        uint8_t tankType;
        const char* sent;
    } cases[] = {
        {0, "A0 A0 A0 A0 A1 A2 A3 A5 A6 C6 AD A4 C6"},
        {1, "A0 A0 A0 A0 A1 A2 A3 A5 A6 C6 AD A4 C6"},
        {4, "A0 A0 A0 A0 A1 A2 A3 A5 A6 C6 AD A4 C6"},
        {6, "A0 A0 A0 A0 A1 A2 A3 A5 A6 C6 AD A4 C6"},
        {5, "A0 A0 A0 A0 A1 A2 A3 A5 A6 C6 AD A4 C6 AA AB AB AB"},
    };
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    for (const Case& c : cases) {
        SCOPED_TRACE("tank type " + std::to_string(c.tankType));
        rig.device.Image.TankRecord()[img::TankType] = c.tankType;
        rig.device.Image.TankTable[img::TableSizeOffset] = 3;
        rig.ClearSent();
        EXPECT_TRUE(rig.device.WriteAllSettings());
        EXPECT_EQ(Hex(rig.Sent()), c.sent);
    }
}

TEST(T7310Write, WriteAllSettingsStopsAtTheFirstFailure) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    rig.device.Image.TankRecord()[img::TankType] = 5;
    rig.sim.SetFault(0xA3, sim::Fault::Nack);
    rig.ClearSent();
    rig.log.Clear();
    EXPECT_FALSE(rig.device.WriteAllSettings());
    EXPECT_EQ(Hex(rig.Sent()), "A0 A0 A0 A0 A1 A2 A3");
    EXPECT_EQ(rig.log.entries.back(), "SettingWriteError Tank 4 to 20 Options");
    // A write is Busy: its failure is no communications error.
    EXPECT_TRUE(rig.log.Only("CommsError").empty());
    EXPECT_FALSE(rig.device.Busy);
}

TEST(T7310Write, CommitFollowsOnlyDisplayOptionsTankRecordAndSafeCapacity) {
    const std::pair<uint8_t, const char*> cases[] = {
        {0xA0, "A0 A0 A0 A0"}, {0xA1, "A1"},    {0xA2, "A2"}, {0xA3, "A3"},    {0xA4, "A4 C6"},
        {0xA5, "A5"},          {0xA6, "A6 C6"}, {0xA7, "A7"}, {0xA8, "A8"},    {0xAA, "AA"},
        {0xAD, "AD"},          {0xB1, "B1"},    {0xB2, "B2"}, {0xB3, "B3 C6"}, {0xB4, "B4"},
    };
    Rig rig(TestOptions("PRM8310", "5"));
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    for (const auto& [code, sent] : cases) {
        SCOPED_TRACE(Hex({code}));
        rig.ClearSent();
        rig.log.Clear();
        const int commits = rig.sim.C6Count();
        EXPECT_TRUE(rig.device.WriteGroup(code));
        EXPECT_EQ(Hex(rig.Sent()), sent);
        EXPECT_EQ(rig.sim.C6Count() - commits, std::string(sent).find("C6") != std::string::npos);
        const std::string name = instr::GroupName(code);
        EXPECT_EQ(rig.log.entries,
                  (std::vector<std::string>{"WritingSetting " + name, "SettingWritten " + name}));
    }
}

TEST(T7310Write, FailedCommitDoesNotFailTheWrite) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    for (sim::Fault fault : {sim::Fault::NoReply, sim::Fault::Nack}) {
        rig.sim.SetFault(0xC6, fault);
        rig.ClearSent();
        rig.log.Clear();
        EXPECT_TRUE(rig.device.WriteGroup(0xA6));
        EXPECT_EQ(Hex(rig.Sent()), "A6 C6");
        EXPECT_EQ(rig.log.Only("SettingWritten").size(), 1u);
        EXPECT_TRUE(rig.Drain());
    }
}

struct SeriesCase {
    const char* what;
    const char* model;
    const char* pcid;
    bool (T7310::*series)();
    const char* sent;
};

TEST(T7310Write, PageLevelSeriesSendTheirInstructionsByFamily) {
    const SeriesCase cases[] = {
        {"alarms", "T8310", "5", &T7310::WriteAlarms, "A0 A0 A0 A0"},
        {"tank settings", "T8310", "5", &T7310::WriteTankSettings, "A6 C6 A5 A3"},
        {"sensor parameters", "T8310", "5", &T7310::WriteSensorParameters, "A1 A2 A6 C6"},
        {"display options, T8310", "T8310", "5", &T7310::WriteDisplayOptions, "A4 C6 B2"},
        {"display options, T7310 ?5", "T7310", "5", &T7310::WriteDisplayOptions, "A4 C6 B2"},
        {"display options, T7310 ?3", "T7310", "3", &T7310::WriteDisplayOptions, "A4 C6"},
        {"node ID", "T8310", "5", &T7310::WriteNodeId, "A9"},
        {"default protocol", "T8310", "5", &T7310::WriteDefaultProtocol, "AD"},
        {"summary, PRM8310", "PRM8310", "5", &T7310::WriteSummary, "B1 B3 C6 B4"},
        {"summary, T8310", "T8310", "5", &T7310::WriteSummary, "B3 C6 B4"},
    };
    std::map<std::string, std::unique_ptr<Rig>> rigs; // one gauge per family
    for (const SeriesCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<Rig>& slot = rigs[std::string(c.model) + "?" + c.pcid];
        if (!slot) {
            slot = std::make_unique<Rig>(TestOptions(c.model, c.pcid));
            ASSERT_TRUE(slot->started) << slot->error;
            ASSERT_TRUE(slot->Connect());
        }
        Rig& rig = *slot;
        rig.device.Image.Rs485Id = rig.sim.Node(); // the node ID write keeps the node
        rig.ClearSent();
        EXPECT_TRUE((rig.device.*c.series)());
        EXPECT_EQ(Hex(rig.Sent()), c.sent);
    }
}

TEST(T7310Write, PageLevelSeriesStopAtTheFirstFailure) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    rig.sim.SetFault(0xA5, sim::Fault::Nack);
    rig.ClearSent();
    EXPECT_FALSE(rig.device.WriteTankSettings());
    EXPECT_EQ(Hex(rig.Sent()), "A6 C6 A5");
    rig.sim.ClearFaults();
    rig.sim.SetFault(0x10, sim::Fault::Nack); // reads only: the writes go through
    rig.sim.SetFault(0xA0, sim::Fault::Nack);
    rig.ClearSent();
    rig.log.Clear();
    EXPECT_FALSE(rig.device.WriteAlarms());
    EXPECT_EQ(Hex(rig.Sent()), "A0");
    EXPECT_EQ(rig.log.entries, (std::vector<std::string>{"WritingSetting Alarm Settings",
                                                         "SettingWriteError Alarm Settings"}));
}

TEST(T7310Write, NodeIdChangeIsReportedExceptOnTheBroadcastNode) {
    struct Case {
        const char* what;
        bool broadcast;
        bool fails;
        std::vector<std::string> events;
    } cases[] = {
        {"own node",
         false,
         false,
         {"WritingSetting RS485 ID", "SettingWritten RS485 ID", "NodeIdChanged 7"}},
        {"broadcast", true, false, {"WritingSetting RS485 ID", "SettingWritten RS485 ID"}},
        {"refused", false, true, {"WritingSetting RS485 ID", "SettingWriteError RS485 ID"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig(TestOptions("T8310", "5", 3));
        ASSERT_TRUE(rig.started) << rig.error;
        ASSERT_TRUE(rig.Connect(c.broadcast ? T7310::kBroadcastNode : 3));
        if (c.fails)
            rig.sim.SetFault(0xA9, sim::Fault::Nack);
        bool busyInHandler = true;
        rig.device.OnNodeIdChanged = [&](T7310* d, uint8_t id) {
            rig.log.entries.push_back("NodeIdChanged " + std::to_string(id));
            busyInHandler = d->Busy;
        };
        rig.log.Clear();
        rig.device.Image.Rs485Id = 7;
        EXPECT_EQ(rig.device.WriteNodeId(), !c.fails);
        EXPECT_EQ(rig.log.entries, c.events);
        if (!c.fails && !c.broadcast) {
            EXPECT_FALSE(busyInHandler); // the handler reconnects: the write is over
            EXPECT_TRUE(WaitUntilDone([&] { return rig.sim.Node() == 7; }));
        }
    }
}

TEST(T7310Write, ArgumentsComeFromTheImageAndReachTheGauge) {
    Rig rig(TestOptions("T8310", "5"));
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    TDeviceImage& im = rig.device.Image;
    for (size_t i = 0; i < im.Alarms.size(); ++i)
        for (size_t j = 0; j < 6; ++j)
            im.Alarms[i][j] = static_cast<uint8_t>(0x40 + i * 8 + j);
    for (size_t j = 0; j < 6; ++j) {
        im.TankMin[j] = static_cast<uint8_t>(0x60 + j);
        im.TankMax[j] = static_cast<uint8_t>(0x70 + j);
    }
    im.OutputOptions = {1, 0};
    for (size_t j = 0; j < 9; ++j)
        im.DisplayOptions[j] = static_cast<uint8_t>(0x80 + j);
    for (size_t j = 0; j < 24; ++j)
        im.TankRecord()[j] = static_cast<uint8_t>(0x90 + j);
    im.TankRecord()[img::TankType] = 2;
    for (size_t j = 0; j < 10; ++j)
        im.Calibration[j] = static_cast<uint8_t>(0xB0 + j);
    for (size_t j = 0; j < 12; ++j)
        im.Extended[j] = static_cast<uint8_t>(0xC0 + j);
    im.DefaultProtocol = 1;
    im.TankName = "BUNKER";
    ASSERT_TRUE(rig.device.WriteAllSettings());
    for (uint8_t code : {0xA7, 0xA8, 0xB1, 0xB2, 0xB3, 0xB4})
        ASSERT_TRUE(rig.device.WriteGroup(code)) << Hex({code});

    auto bytes = [](const uint8_t* p, size_t n) { return Hex(Bytes(p, p + n)); };
    for (uint8_t i = 0; i < 4; ++i)
        EXPECT_EQ(Hex(rig.sim.Block(0x10, i)), bytes(im.Alarms[i].data(), 6)) << int(i);
    EXPECT_EQ(Hex(rig.sim.Block(0x11)), bytes(im.TankMin.data(), 6));
    EXPECT_EQ(Hex(rig.sim.Block(0x12)), bytes(im.TankMax.data(), 6));
    EXPECT_EQ(Hex(rig.sim.Block(0x13)), "01 00");
    EXPECT_EQ(Hex(rig.sim.Block(0x14)), bytes(im.DisplayOptions.data(), 9));
    EXPECT_EQ(Hex(rig.sim.Block(0x16)), bytes(im.TankRecord(), 24));
    EXPECT_EQ(Hex(rig.sim.Block(0x17)), "B0 B1 B2 B3");
    EXPECT_EQ(Hex(rig.sim.Block(0x18)), "B8 B9");
    EXPECT_EQ(Hex(rig.sim.Block(0x22)), "01");
    EXPECT_EQ(Hex(rig.sim.Block(0x27)), "C0 C1");
    EXPECT_EQ(Hex(rig.sim.Block(0x28)), "C2 C3 C4 C5");
    EXPECT_EQ(Hex(rig.sim.Block(0x29)), "C6");
    EXPECT_EQ(Hex(rig.sim.Block(0x2A)), "C7");
    const Bytes name = rig.sim.Block(0x15);
    EXPECT_EQ(std::string(name.begin(), std::find(name.begin(), name.end(), 0)), "BUNKER");
}

TEST(T7310Write, TankNameIsSentAsAtMostTwelveCharactersAndAZero) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "0A 02 A5 01 00"},
        {"AB", "0A 04 A5 01 41 42 00"},
        {"ABCDEFGHIJKLMNOP", "0A 0E A5 01 41 42 43 44 45 46 47 48 49 4A 4B 4C 00"},
    };
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    for (const auto& [name, frame] : cases) {
        SCOPED_TRACE(name);
        rig.device.Image.TankName = name;
        rig.ClearSent();
        ASSERT_TRUE(rig.device.WriteGroup(0xA5));
        ASSERT_EQ(rig.sim.Frames().size(), 1u);
        Bytes sent = rig.sim.Frames()[0];
        sent.pop_back(); // the checksum
        EXPECT_EQ(Hex(sent), frame);
    }
}

TEST(T7310Write, WritesThatCannotBeMadeSendNothing) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    struct Case {
        const char* what;
        std::function<bool(T7310&)> write;
    } cases[] = {
        {"WriteGroup(11) is a read", [](T7310& d) { return d.WriteGroup(0x11); }},
        {"WriteGroup(C0) is a control", [](T7310& d) { return d.WriteGroup(0xC0); }},
        {"WriteGroup(FF)", [](T7310& d) { return d.WriteGroup(0xFF); }},
        {"WriteAlarm(4)", [](T7310& d) { return d.WriteAlarm(4); }},
        {"WriteTableRows(100, 1)", [](T7310& d) { return d.WriteTableRows(100, 1); }},
        {"WriteTableRows(95, 6)", [](T7310& d) { return d.WriteTableRows(95, 6); }},
        {"WriteTableRows(0, 32)", [](T7310& d) { return d.WriteTableRows(0, 32); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rig.ClearSent();
        EXPECT_FALSE(c.write(rig.device));
        EXPECT_FALSE(rig.device.Busy);
        EXPECT_TRUE(rig.Drain());
        EXPECT_EQ(Hex(rig.Sent()), "");
    }
    rig.ClearSent();
    EXPECT_TRUE(rig.device.WriteTableRows(99, 1));
    EXPECT_TRUE(rig.device.WriteTableRows(0, 31));
    EXPECT_EQ(Hex(rig.Sent()), "AB AB");
}

TEST(T7310Write, WriteIsBusyAndSuppressesThePollWhileItRuns) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    bool busyWhileWriting = false;
    rig.device.OnWritingSetting = [&](T7310* d, const std::string&) {
        busyWhileWriting = d->Busy;
        d->PollStatus(); // as the poll timer would, from inside the write
    };
    rig.ClearSent();
    EXPECT_TRUE(rig.device.WriteGroup(0xA1));
    EXPECT_TRUE(busyWhileWriting);
    EXPECT_FALSE(rig.device.Busy);
    EXPECT_TRUE(rig.Drain());
    EXPECT_EQ(Hex(rig.Sent()), "A1");
    // Afterwards the poll asks again.
    rig.device.PollStatus();
    EXPECT_TRUE(rig.Drain());
    EXPECT_EQ(Hex(rig.Sent()), "A1 1E 19 1A");
}

} // namespace

namespace {

// The GUI's exception box catches what an event handler throws; the device object must not
// stay in the middle of a write because of it.
TEST(T7310Write, HandlerThatThrowsLeavesNoWriteRunning) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    rig.device.OnSettingWritten = [](T7310*, const std::string&) {
        throw std::runtime_error("page failed");
    };
    EXPECT_THROW(rig.device.WriteGroup(0xA1), std::runtime_error);
    EXPECT_FALSE(rig.device.Busy);
    rig.device.OnSettingWritten = nullptr;
    rig.ClearSent();
    rig.device.PollStatus(); // not held back by a write left running
    EXPECT_TRUE(rig.Drain());
    EXPECT_EQ(Hex(rig.Sent()), "1E 19 1A");
}

} // namespace

namespace {

// The link keeps the time-out of the request it sent last: reads and controls 1 x base,
// writes 2 x base (but the four alarm writes 1 x), the C6 after a write 3 x.
TEST(T7310Write, RequestTimeOutsAreMultiplesOfTheBase) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    T7310& d = rig.device;
    d.BaseReplyTimeout = 300;
    const std::pair<const char*, std::function<bool()>> cases[] = {
        {"read", [&] { return d.ReadGroup(0x11); }},
        {"alarm read", [&] { return d.ReadAlarm(0); }},
        {"write", [&] { return d.WriteGroup(0xA1); }},
        {"alarm writes", [&] { return d.WriteGroup(0xA0); }},
        {"write then C6", [&] { return d.WriteGroup(0xA6); }},
        {"test mode", [&] { return d.SetAlarmTestMode(true); }},
    };
    const int expected[] = {300, 300, 600, 300, 900, 300};
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].first);
        ASSERT_TRUE(cases[i].second());
        EXPECT_EQ(d.Link().TimeoutTimer().Interval(), expected[i]);
    }
}

} // namespace
