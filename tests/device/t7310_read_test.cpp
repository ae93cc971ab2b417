// SPDX-License-Identifier: GPL-3.0-or-later
// Reading: the fixed order of a read of all settings by family, where each reply lands in
// the device image, the events, and the reads that must not send anything.
#include "DeviceFixture.h"

#include <cstring>

using namespace devtest;

namespace {

const char* const kCommon = "DF 11 12 10 10 10 10 13 14 15 16 17 20 18 22 1B";

struct OrderCase {
    const char* model;
    const char* pcid;
    std::string tail; // after the reads every gauge gets
};

TEST(T7310Read, ReadAllSettingsAsksInItsFixedOrderByFamily) {
    const OrderCase cases[] = {
        {"T7310", "3", ""},
        {"T7310", "10", ""},
        {"T7310", "5", " 28 2B"},
        {"T8310", "5", " 28 29 2A 2B"},
        {"PRM8310", "5", " 27 28 29 2A 2B"},
    };
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " ?" + c.pcid);
        Rig rig(TestOptions(c.model, c.pcid));
        ASSERT_TRUE(rig.started) << rig.error;
        ASSERT_TRUE(rig.Connect());
        // Connect: the identity, then the first read of all settings through the poll.
        EXPECT_EQ(Hex(rig.Sent()), "DF " + std::string(kCommon) + c.tail);

        rig.ClearSent();
        rig.log.Clear();
        ASSERT_TRUE(rig.device.ReadAllSettings());
        EXPECT_EQ(Hex(rig.Sent()), kCommon + c.tail);
        EXPECT_TRUE(rig.log.Only("CommsError").empty());
    }
}

TEST(T7310Read, ReadAllSettingsRaisesProgressThenThePageEventsInOrder) {
    Rig rig(TestOptions("T7310", "3"));
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    rig.sim.SetBlock(0x22, {1});
    rig.log.Clear();
    ASSERT_TRUE(rig.device.ReadAllSettings());
    const std::vector<std::string> expected = {
        "ReadAllStart",
        "ReadingSetting setting",
        "ReadingSetting Tank A to D Min",
        "ReadingSetting Tank A to D Max",
        "ReadingSetting Tank 4 to 20 Options",
        "ReadingSetting Display Options",
        "ReadingSetting Tank Name",
        "ReadingSetting Tank Descriptions",
        "ReadingSetting Tank 4 to 20 Calibration",
        "ReadingSetting setting",
        "ReadingSetting Test Timeout",
        "ReadingSetting Default Protocol",
        "ReadingSetting RS485 ID",
        "SensorSettings",
        "OutputOptions",
        "DisplayOptions",
        "TankShape",
        "Alarms",
        "ReadAllDone",
        "DefaultProtocol 1",
        "SettingsRead",
    };
    EXPECT_EQ(rig.log.entries, expected);
}

TEST(T7310Read, ReadAllSettingsStopsAtTheFirstFailureAndRaisesNothingMore) {
    Rig rig(TestOptions("T8310", "5"));
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    rig.ClearSent();
    rig.log.Clear();
    rig.sim.SetFault(0x16, sim::Fault::NoReply);
    EXPECT_FALSE(rig.device.ReadAllSettings());
    EXPECT_EQ(Hex(rig.Sent()), "DF 11 12 10 10 10 10 13 14 15 16");
    EXPECT_EQ(rig.log.entries.back(), "CommsError 16");
    for (const char* event : {"SensorSettings", "TankShape", "Alarms", "ReadAllDone",
                              "SettingsRead", "DefaultProtocol"})
        EXPECT_TRUE(rig.log.Only(event).empty()) << event;
}

// A pattern unlike the simulator's own image and different for every block.
Bytes Pattern(uint8_t code, size_t size) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(code * 3 + i * 7 + 1);
    return bytes;
}

Bytes Slice(const uint8_t* p, size_t offset, size_t size) {
    return Bytes(p + offset, p + offset + size);
}

TEST(T7310Read, EveryReplyLandsInItsBlockOfTheImage) {
    Rig rig(TestOptions("PRM8310", "5", 4));
    ASSERT_TRUE(rig.started) << rig.error;
    struct Block {
        uint8_t code;
        size_t size;
    };
    const Block blocks[] = {{0x11, 6}, {0x12, 6}, {0x13, 2}, {0x14, 9}, {0x16, 24},
                            {0x17, 4}, {0x18, 2}, {0x20, 4}, {0x22, 1}, {0x27, 2},
                            {0x28, 4}, {0x29, 1}, {0x2A, 1}, {0x2B, 4}};
    for (const Block& b : blocks)
        rig.sim.SetBlock(b.code, Pattern(b.code, b.size));
    for (uint8_t alarm = 0; alarm < 4; ++alarm)
        rig.sim.SetBlock(0x10, Pattern(static_cast<uint8_t>(0x50 + alarm), 6), alarm);
    const std::string name = "MAIN TANK";
    rig.sim.SetBlock(0x15, Bytes(name.begin(), name.end()));
    ASSERT_TRUE(rig.Connect());

    const TDeviceImage& im = rig.device.Image;
    // Where each block belongs, written out independently of the instruction table.
    const std::pair<uint8_t, Bytes> stored[] = {
        {0x11, Slice(im.TankMin.data(), 0, 6)},
        {0x12, Slice(im.TankMax.data(), 0, 6)},
        {0x13, Slice(im.OutputOptions.data(), 0, 2)},
        {0x14, Slice(im.DisplayOptions.data(), 0, 9)},
        {0x16, Slice(im.TankDescription.data(), 12, 24)},
        {0x17, Slice(im.Calibration.data(), 0, 4)},
        {0x18, Slice(im.Calibration.data(), 8, 2)},
        {0x20, Slice(im.Calibration.data(), 4, 4)},
        {0x22, Bytes{im.DefaultProtocol}},
        {0x27, Slice(im.Extended.data(), 0, 2)},
        {0x28, Slice(im.Extended.data(), 2, 4)},
        {0x29, Slice(im.Extended.data(), 6, 1)},
        {0x2A, Slice(im.Extended.data(), 7, 1)},
        {0x2B, Slice(im.Extended.data(), 8, 4)},
    };
    for (const auto& [code, bytes] : stored) {
        SCOPED_TRACE(Hex({code}));
        EXPECT_EQ(Hex(bytes), Hex(rig.sim.Block(code)));
    }
    for (uint8_t alarm = 0; alarm < 4; ++alarm)
        EXPECT_EQ(Hex(Slice(im.Alarms[alarm].data(), 0, 6)), Hex(rig.sim.Block(0x10, alarm)))
            << "alarm " << int(alarm);
    EXPECT_EQ(im.Rs485Id, 4);
    EXPECT_EQ(im.TankName, name);
    // The name bytes of the tank description: the name, zero-filled.
    Bytes nameBytes(12, 0);
    std::memcpy(nameBytes.data(), name.data(), name.size());
    EXPECT_EQ(Hex(Slice(im.TankDescription.data(), 0, 12)), Hex(nameBytes));
    // The alarm references handed to the events point at the records.
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(rig.device.AlarmRefs[i], &rig.device.Image.Alarms[i]);
}

TEST(T7310Read, ReadsThatCannotBeMadeSendNothing) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    rig.log.Clear();
    struct Case {
        const char* what;
        std::function<bool(T7310&)> read;
    } cases[] = {
        {"ReadAlarm(4)", [](T7310& d) { return d.ReadAlarm(4); }},
        {"ReadAlarm(255)", [](T7310& d) { return d.ReadAlarm(255); }},
        {"ReadTableRows(100, 1)", [](T7310& d) { return d.ReadTableRows(100, 1); }},
        {"ReadTableRows(99, 2)", [](T7310& d) { return d.ReadTableRows(99, 2); }},
        {"ReadTableRows(0, 0)", [](T7310& d) { return d.ReadTableRows(0, 0); }},
        // More rows than one reply frame can carry.
        {"ReadTableRows(0, 32)", [](T7310& d) { return d.ReadTableRows(0, 32); }},
        {"ReadGroup(10) needs an alarm", [](T7310& d) { return d.ReadGroup(0x10); }},
        {"ReadGroup(1D) needs rows", [](T7310& d) { return d.ReadGroup(0x1D); }},
        {"ReadGroup(1E) is a status code", [](T7310& d) { return d.ReadGroup(0x1E); }},
        {"ReadGroup(A0) is a write", [](T7310& d) { return d.ReadGroup(0xA0); }},
        {"ReadGroup(C0) is a control", [](T7310& d) { return d.ReadGroup(0xC0); }},
        {"ReadGroup(21)", [](T7310& d) { return d.ReadGroup(0x21); }},
        {"ReadGroup(00)", [](T7310& d) { return d.ReadGroup(0x00); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rig.ClearSent();
        EXPECT_FALSE(c.read(rig.device));
        EXPECT_TRUE(rig.Drain());
        EXPECT_EQ(Hex(rig.Sent()), "");
    }
    EXPECT_TRUE(rig.log.entries.empty());
    // The edges that are allowed.
    rig.ClearSent();
    EXPECT_TRUE(rig.device.ReadAlarm(3));
    EXPECT_TRUE(rig.device.ReadTableRows(99, 1));
    EXPECT_TRUE(rig.device.ReadTableRows(0, 31));
    EXPECT_EQ(Hex(rig.Sent()), "10 1D 1D");
}

TEST(T7310Read, AlarmAndRowReadsCarryTheirArgumentsAndRaiseNoEvent) {
    Rig rig;
    ASSERT_TRUE(rig.started) << rig.error;
    ASSERT_TRUE(rig.Connect());
    rig.ClearSent();
    rig.log.Clear();
    rig.sim.SetBlock(0x1D, Pattern(0x1D, 8), 42);
    ASSERT_TRUE(rig.device.ReadAlarm(2));
    ASSERT_TRUE(rig.device.ReadTableRows(42, 1));
    const auto frames = rig.sim.Frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(Hex(frames[0]), "0A 02 10 01 02 1B");
    EXPECT_EQ(Hex(frames[1]), "0A 03 1D 01 2A 01 3E");
    EXPECT_EQ(Hex(Slice(rig.device.Image.TableRow(42), 0, 8)), Hex(Pattern(0x1D, 8)));
    EXPECT_TRUE(rig.log.entries.empty());
}

} // namespace
