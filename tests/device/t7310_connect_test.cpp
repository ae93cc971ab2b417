// SPDX-License-Identifier: GPL-3.0-or-later
// Connecting: identity, family flags, the compatibility refusal, failures on the way.
#include "DeviceFixture.h"

#include "SerialPacket.h"

#include <QElapsedTimer>

using namespace devtest;

namespace {

struct FamilyCase {
    const char* model;
    const char* pcid;
    bool is8310;
    bool flow;
    bool extended7310;
};

TEST(T7310Connect, IdentityGivesNamesAndFamilyFlags) {
    const FamilyCase cases[] = {
        {"T8310", "5", true, false, false},  {"PRM8310", "5", true, true, false},
        {"T7310", "3", false, false, false}, {"T7310", "4", false, false, true},
        {"T7310", "5", false, false, true},  {"T7310", "10", false, false, false},
        {"T8310", "3", true, false, false},  {"PRM8310", "10", true, true, false},
    };
    for (const FamilyCase& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " ?" + c.pcid);
        sim::Options options = TestOptions(c.model, c.pcid, 7);
        options.version = "2.10";
        Rig rig(options);
        ASSERT_TRUE(rig.started) << rig.error;
        ASSERT_TRUE(rig.Connect());
        T7310& d = rig.device;
        EXPECT_TRUE(d.Connected());
        EXPECT_FALSE(d.Busy);
        EXPECT_EQ(d.Image.DeviceName, c.model);
        EXPECT_EQ(d.Image.SoftwareVersion, "2.10");
        EXPECT_EQ(d.Image.DevicePcSoftwareId, c.pcid);
        EXPECT_EQ(d.Is8310, c.is8310);
        EXPECT_EQ(d.HasFlowScaling, c.flow);
        EXPECT_EQ(d.Is7310Extended, c.extended7310);
        EXPECT_EQ(d.IsExtended(), c.is8310 || c.extended7310);
        EXPECT_TRUE(d.SettingsRead());
        ASSERT_FALSE(rig.log.entries.empty());
        EXPECT_EQ(rig.log.entries.back(), "Connected");
        EXPECT_TRUE(rig.log.Only("Incompatible").empty());
        EXPECT_TRUE(rig.log.Only("CommsError").empty());
    }
}

TEST(T7310Connect, RefusedGaugeGetsTheTextAndEndsDisconnected) {
    for (const char* pcid : {"2", "abc", "", "-1", "2.5"}) {
        SCOPED_TRACE(std::string("pcid '") + pcid + "'");
        Rig rig(TestOptions("T8310", pcid));
        ASSERT_TRUE(rig.started) << rig.error;
        std::vector<std::string> texts;
        rig.device.OnIncompatible = [&](T7310*, const std::string& text) { texts.push_back(text); };
        EXPECT_FALSE(rig.Connect());
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0],
                  "This device has been programmed not to communicate with this version of VI "
                  "Rizedorered software\n\nThere are 3 reasons why you may be seeing this "
                  "message:\n1) This PC software has been superceeded, in which case please "
                  "check with your supplier for a copy of the latest software.\n2) The device "
                  "firmware is old and has been superceeded\n3) Either the PC software, or "
                  "device firmware is a prototype release.\n");
        EXPECT_TRUE(WaitUntilDone([&] { return !rig.device.Connected(); }));
        EXPECT_FALSE(rig.device.Link().Connected());
        // Nothing but the identity was asked for.
        EXPECT_EQ(Hex(rig.Sent()), "DF");
        EXPECT_EQ(rig.log.entries.back(), "Disconnected");
        EXPECT_TRUE(rig.log.Only("Connected").empty());
        EXPECT_TRUE(rig.log.Only("ReadAllStart").empty());
    }
}

struct SplitCase {
    const char* text;
    const char* name;
    const char* version;
    const char* pcid;
    bool connects;
    bool is8310;
    bool extended7310;
};

TEST(T7310Connect, IdentityTextIsSplitAtTheFirstSpaceAndQuestionMark) {
    const SplitCase cases[] = {
        {"T7310 1.0?10", "T7310", "1.0", "10", true, false, false},
        {"T7310 1.0?4", "T7310", "1.0", "4", true, false, true},
        {"T8310 V2 beta?7", "T8310", "V2 beta", "7", true, true, false},
        {"NOSPACE?5", "", "NOSPACE", "5", true, false, false},
        // Without "?" the whole text is the PC software ID: not a number, refused.
        {"T8310 2.0", "T8310", "", "T8310 2.0", false, true, false},
        {"t8310 2.0?5", "t8310", "2.0", "5", true, false, false},
        {"T8310?9 x", "T8310?9", "", "9 x", false, false, false},
        {"", "", "", "", false, false, false},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(std::string("identity '") + c.text + "'");
        Rig rig(TestOptions("T8310", "5"));
        ASSERT_TRUE(rig.started) << rig.error;
        const std::string text = c.text;
        rig.sim.SetBlock(0xDF, Bytes(text.begin(), text.end()));
        EXPECT_EQ(rig.Connect(), c.connects);
        EXPECT_EQ(rig.device.Image.DeviceName, c.name);
        EXPECT_EQ(rig.device.Image.SoftwareVersion, c.version);
        EXPECT_EQ(rig.device.Image.DevicePcSoftwareId, c.pcid);
        EXPECT_EQ(rig.device.Is8310, c.is8310);
        EXPECT_FALSE(rig.device.HasFlowScaling);
        EXPECT_EQ(rig.device.Is7310Extended, c.extended7310);
    }
}

TEST(T7310Connect, FailuresBeforeTheIdentityEndDisconnectedAndBounded) {
    struct Case {
        const char* what;
        sim::Fault fault;
    } cases[] = {
        {"no reply", sim::Fault::NoReply},
        {"other node", sim::Fault::OtherNode},
        {"nack", sim::Fault::Nack},
        {"garbage", sim::Fault::Garbage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        ASSERT_TRUE(rig.started) << rig.error;
        rig.sim.SetFault(0xDF, c.fault);
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(rig.Connect());
        EXPECT_LT(clock.elapsed(), kDeadline);
        EXPECT_TRUE(WaitUntilDone([&] { return !rig.device.Connected(); }));
        // The identity step is Busy: its failure is no communications error.
        EXPECT_TRUE(rig.log.Only("CommsError").empty());
        EXPECT_EQ(rig.log.Only("Disconnected").size(), 1u);
        EXPECT_TRUE(rig.log.Only("Connected").empty());
    }
}

TEST(T7310Connect, PortThatCannotOpenFailsAtOnce) {
    T7310 device;
    Shorten(device);
    EventLog log;
    log.Attach(device);
    device.SetDevicePath("/dev/no-such-gauge-port");
    EXPECT_FALSE(device.Connect(1, 1, 9600));
    EXPECT_FALSE(device.Connected());
    EXPECT_TRUE(log.Only("Connected").empty());
}

TEST(T7310Connect, BroadcastNodeAcceptsAnyNodesReply) {
    Rig rig(TestOptions("T8310", "5", 5));
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect(T7310::kBroadcastNode));
    EXPECT_TRUE(rig.device.SettingsRead());
    EXPECT_EQ(rig.device.Image.Rs485Id, 5);
    EXPECT_TRUE(rig.device.ReadGroup(0x11));
}

TEST(T7310Connect, FailedFirstReadLeavesTheConnectionAndThePollRetriesIt) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    rig.sim.SetFault(0x14, sim::Fault::NoReply);
    ASSERT_TRUE(rig.Connect());
    EXPECT_FALSE(rig.device.SettingsRead());
    EXPECT_TRUE(rig.log.Only("ReadAllDone").empty());
    EXPECT_EQ(rig.log.entries.back(), "Connected");

    rig.sim.ClearFaults();
    rig.device.PollInterval = 30;
    rig.device.PollStatus(); // re-arms the poll with the shorter period
    EXPECT_TRUE(WaitUntilDone([&] { return rig.device.SettingsRead(); }));
    EXPECT_EQ(rig.log.Only("ReadAllDone").size(), 1u);
}

TEST(T7310Connect, ConnectAgainWhileConnectedReconnects) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    rig.ClearSent();
    ASSERT_TRUE(rig.Connect());
    EXPECT_TRUE(rig.device.Connected());
    EXPECT_TRUE(rig.device.SettingsRead());
    ASSERT_FALSE(rig.Sent().empty());
    EXPECT_EQ(rig.Sent().front(), 0xDF);
}

TEST(T7310Connect, DisconnectStaysBusySoLateErrorsAreNoCommsErrors) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    rig.log.Clear();
    // A request under way when the link closes still times out.
    rig.sim.SetFault(0, sim::Fault::NoReply);
    rig.ClearSent();
    rig.device.PollStatus();
    ASSERT_TRUE(WaitUntilDone([&] { return !rig.Sent().empty(); }));
    ASSERT_TRUE(rig.device.Link().TimeoutTimer().Enabled());
    EXPECT_TRUE(rig.device.Disconnect());
    EXPECT_TRUE(rig.device.Busy);
    EXPECT_TRUE(WaitUntilDone([&] { return !rig.device.Link().TimeoutTimer().Enabled(); }));
    EXPECT_TRUE(WaitUntilDone([&] { return !rig.device.Connected(); }));
    EXPECT_TRUE(rig.log.Only("CommsError").empty());
    EXPECT_EQ(rig.log.Only("Disconnected").size(), 1u);
}

} // namespace
