// SPDX-License-Identifier: GPL-3.0-or-later
// The device object over a fast link: a read of all settings and a table write against the
// simulator end, with every line fault, exactly as they end over a standard link.
#include "DeviceFixture.h"

#include "ByteOrder.h"
#include "SerialPacket.h"

using namespace devtest;

namespace {

struct Outcome {
    bool readAll = false;
    bool tableWritten = false;
    std::vector<std::string> log;
    TDeviceImage image;
    Bytes gaugeRows;
};

// Connects cleanly, then reads everything and writes a 6-row table with the fault set on the
// display options read and on the table rows.
Outcome Transfer(bool fast, sim::Fault fault) {
    Outcome out;
    Rig rig;
    rig.device.Link().FastTransfers = fast;
    EXPECT_TRUE(rig.Connect()) << rig.error;
    EXPECT_EQ(rig.device.Link().FastActive(), fast);
    T7310& d = rig.device;
    rig.sim.SetFault(0x14, fault);
    rig.sim.SetFault(0xAB, fault);
    rig.log.Clear();
    out.readAll = d.ReadAllSettings();
    EXPECT_TRUE(rig.Drain());
    d.Image.TankTable[img::TableSizeOffset] = 6;
    for (uint8_t i = 0; i < 6; ++i)
        PutBE32(d.Image.TableRow(i) + img::TableRowVolume, i * 900u);
    out.tableWritten = d.WriteTankTable();
    EXPECT_TRUE(rig.Drain());
    // The table goes in blocks in fast mode, with an event per block instead of per row (and
    // a refused block means a gauge that takes single rows): the table's own tests cover
    // those; everything else is the same.
    for (const std::string& e : rig.log.entries)
        if (e.find("Table Data") == std::string::npos && e.rfind("TableProgress", 0) != 0 &&
            e.rfind("RowByRow", 0) != 0)
            out.log.push_back(e);
    out.image = d.Image;
    for (uint8_t row = 0; row < 6 && !rig.sim.Unplugged(); ++row) {
        const Bytes bytes = rig.sim.Block(0x1D, row);
        out.gaugeRows.insert(out.gaugeRows.end(), bytes.begin(), bytes.end());
    }
    return out;
}

TEST(T7310Fast, ReadAllAndTableWriteEndAsInStandardModeWithEveryFault) {
    using F = sim::Fault;
    for (F fault : {F::None, F::NoReply, F::Nack, F::BadChecksum, F::OtherNode, F::ShortReply,
                    F::SplitReply, F::Garbage, F::Unplug}) {
        SCOPED_TRACE(static_cast<int>(fault));
        const Outcome standard = Transfer(false, fault);
        const Outcome fast = Transfer(true, fault);
        EXPECT_EQ(fast.readAll, fault == F::None);
        EXPECT_EQ(fast.readAll, standard.readAll);
        EXPECT_EQ(fast.tableWritten, standard.tableWritten);
        EXPECT_EQ(fast.log, standard.log);
        EXPECT_EQ(fast.image.DisplayOptions, standard.image.DisplayOptions);
        EXPECT_EQ(fast.image.Alarms, standard.image.Alarms);
        EXPECT_EQ(fast.image.Extended, standard.image.Extended);
        if (standard.tableWritten) {
            EXPECT_EQ(fast.gaugeRows, standard.gaugeRows);
        } else if (!standard.gaugeRows.empty()) {
            // A spoilt acknowledgement fails the first request after the gauge carried it
            // out: one row in standard mode, a block of them in fast mode.
            ASSERT_GE(fast.gaugeRows.size(), 8u);
            EXPECT_EQ(Bytes(fast.gaugeRows.begin(), fast.gaugeRows.begin() + 8),
                      Bytes(standard.gaugeRows.begin(), standard.gaugeRows.begin() + 8));
        }
    }
}

} // namespace
