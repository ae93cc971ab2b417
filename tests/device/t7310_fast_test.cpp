// The device object over a link in fast mode: a read of all settings and a table write against
// the simulator end, with every line fault, exactly as they end over a standard link.
#include "DeviceFixture.h"

#include "ByteOrder.h"
#include "SerialPacket.h"

using namespace devtest;

namespace {

constexpr size_t kRows = 6;
constexpr uint8_t kFaultyRead = 0x14;  // display options, in the middle of the read-all series
constexpr uint8_t kFaultyWrite = 0xAB; // table rows

struct Outcome {
    bool connected = false;
    bool readAll = false;
    bool tableWritten = false;
    std::vector<std::string> log;
    TDeviceImage image;
    Bytes gaugeTable; // the rows the gauge holds afterwards
    bool fastActive = false;
};

// Connects cleanly, then reads everything and writes the table with the fault set.
Outcome Transfer(bool fast, sim::Fault fault) {
    Outcome out;
    Rig rig;
    if (!rig.started)
        return out;
    rig.device.Link().FastTransfers = fast;
    out.connected = rig.Connect();
    if (!out.connected) {
        std::string seen;
        for (const std::string& e : rig.log.entries)
            seen += "\n  " + e;
        ADD_FAILURE() << (fast ? "fast" : "standard") << " connect failed; events:" << seen;
        return out;
    }
    out.fastActive = rig.device.Link().FastActive();
    T7310& d = rig.device;
    rig.sim.SetFault(kFaultyRead, fault);
    rig.sim.SetFault(kFaultyWrite, fault);
    rig.log.Clear();
    out.readAll = d.ReadAllSettings();
    EXPECT_TRUE(rig.Drain());

    d.Image.TankTable[img::TableSizeOffset] = kRows;
    for (size_t i = 0; i < kRows; ++i) {
        PutBE32(d.Image.TableRow(i) + img::TableRowHeight, static_cast<uint32_t>(i * 250));
        PutBE32(d.Image.TableRow(i) + img::TableRowVolume, static_cast<uint32_t>(i * 900));
    }
    out.tableWritten = d.WriteTankTable();
    EXPECT_TRUE(rig.Drain());
    out.log = rig.log.entries;
    out.image = d.Image;
    rig.sim.ClearFaults();
    for (uint8_t row = 0; row < kRows && !rig.sim.Unplugged(); ++row) {
        const Bytes bytes = rig.sim.Block(0x1D, row);
        out.gaugeTable.insert(out.gaugeTable.end(), bytes.begin(), bytes.end());
    }
    return out;
}

TEST(T7310Fast, ReadAllAndTableWriteEndAsInStandardModeWithEveryFault) {
    struct Case {
        const char* what;
        sim::Fault fault;
        bool succeeds;
    };
    const Case cases[] = {
        {"no fault", sim::Fault::None, true},
        {"no reply", sim::Fault::NoReply, false},
        {"nack", sim::Fault::Nack, false},
        {"checksum", sim::Fault::BadChecksum, false},
        {"other node", sim::Fault::OtherNode, false},
        {"short", sim::Fault::ShortReply, false},
        {"split", sim::Fault::SplitReply, false},
        {"garbage", sim::Fault::Garbage, false},
        {"unplug", sim::Fault::Unplug, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome standard = Transfer(false, c.fault);
        const Outcome fast = Transfer(true, c.fault);
        ASSERT_TRUE(standard.connected);
        ASSERT_TRUE(fast.connected);
        EXPECT_FALSE(standard.fastActive);
        EXPECT_TRUE(fast.fastActive);
        EXPECT_EQ(fast.readAll, c.succeeds);
        EXPECT_EQ(fast.readAll, standard.readAll);
        EXPECT_EQ(fast.tableWritten, standard.tableWritten);
        EXPECT_EQ(fast.log, standard.log);
        EXPECT_EQ(fast.image.DisplayOptions, standard.image.DisplayOptions);
        EXPECT_EQ(fast.image.TankDescription, standard.image.TankDescription);
        EXPECT_EQ(fast.image.Alarms, standard.image.Alarms);
        EXPECT_EQ(fast.image.Extended, standard.image.Extended);
        EXPECT_EQ(fast.gaugeTable, standard.gaugeTable);
    }
}

} // namespace
