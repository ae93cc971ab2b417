// SPDX-License-Identifier: GPL-3.0-or-later
// The summary report, byte for byte, for two gauge families; the numbers and names it shows at
// their edges; and a report that cannot be written.

#include "ByteOrder.h"
#include "SummaryReport.h"
#include "T7310.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void SetAlarm(T7310& d, size_t k, uint8_t enabled, uint8_t direction, uint16_t sp, uint16_t hy) {
    uint8_t* a = d.Image.Alarms[k].data();
    PutBE16(a + img::AlarmSetpoint, sp);
    a[img::AlarmEnabled] = enabled;
    a[img::AlarmDirection] = direction;
    PutBE16(a + img::AlarmHysteresis, hy);
}

// A gauge's image: input pair a4/a20, tank min at AD a4 and max at AD a20.
void Fill(T7310& d, uint8_t tankType, uint8_t uom, uint16_t a4, uint16_t a20) {
    TDeviceImage& i = d.Image;
    i.SoftwareVersion = "2.10";
    i.DisplayOptions[img::DisplayContrast] = 128;
    i.DisplayOptions[img::DisplayUom] = uom;
    PutBE16(i.DisplayOptions.data() + img::DisplayDamping, 500);
    PutBE32(i.Extended.data() + img::ExtLcdDisplayResolution, 10);
    PutBE16(i.Extended.data() + img::ExtFlowFrequencyScaling, 250);
    PutBE32(i.Extended.data() + img::ExtTankSafeCapacityLitres, 30467);
    PutBE16(i.Calibration.data() + img::CalInputPair, a4);
    PutBE16(i.Calibration.data() + img::CalInputPair + 2, a20);
    PutBE32(i.TankMin.data() + img::TankPointHeight, 50);
    PutBE16(i.TankMin.data() + img::TankPointAdValue, a4);
    PutBE32(i.TankMax.data() + img::TankPointHeight, 2450);
    PutBE16(i.TankMax.data() + img::TankPointAdValue, a20);
    uint8_t* tank = i.TankRecord();
    tank[img::TankType] = tankType;
    PutBE16(tank + img::TankSg, 840);
    PutBE32(tank + img::TankRadius, 1250);
    PutBE32(tank + img::TankHeight, 3000);
    i.TankName = "DIESEL";
    i.OutputOptions = {1, 0};
    i.Rs485Id = 7;
    SetAlarm(d, 0, 1, 1, 5000, 500);
    SetAlarm(d, 1, 0, 1, 9999, 9999);
    SetAlarm(d, 2, 1, 7, 10000, 0);
    SetAlarm(d, 3, 1, 2, 1235, 65535);
}

const TSummaryEntries kEntries = {"SN-1", "5",        "250",       "95",       "120",
                                  "Yes",  "Standard", "8/12/2026", "J. Smith", "site7.TLS"};

// The T8310 with a vertical cylinder (two dimension lines) and each kind of alarm line.
const char* const kT8310 = R"(T8310 SUMMARY
-------------
Unit Serial Number:    SN-1
Software Version:      2.10

Display Options
---------------
Contrast Value:        50%
Resolution:            0.010
Units:                 Litres
Resolution Hysteresis: 5
Screen Damping:        0.50

Sensor Parameters
-----------------
4.000 mA Level:           0.050 Meters Water
20.000 mA Level:           2.450 Meters Water
Specific Gravity:      0.840

Tank Settings
-------------
Tank Type:             Vertical Cylinder
Tank Name:             DIESEL
Tank Diameter:         2.500
Tank Height:           3.000
Enable 4-20mA Output:  YES
Mirror 4-20mA Input:   NO
Safe Working Capacity: 95 %
4mA - 20mA = 0 to 30467 litres

Alarms
------
Master - Direction:    Rising Edge
Master - Setpoint:     50.000%
Master - Hysteresis    500ms
Alarm 1 - Direction:   DISABLED
Alarm 1 - Setpoint:    DISABLED
Alarm 1 - Hysteresis   DISABLED
Alarm 2 - Direction:   unknown (7)
Alarm 2 - Setpoint:    100.000%
Alarm 2 - Hysteresis   0ms
Alarm 3 - Direction:   Falling Edge
Alarm 3 - Setpoint:    12.350%
Alarm 3 - Hysteresis   65535ms

General
-------
Mount sensor 120mm off bottom of tank
Bund Alarm Fitted:     Yes
Comms Type:            Standard
Node Address:          7
Completed Date:        8/12/2026
Name:                  J. Smith
File Saved As:         site7.TLS)";

TEST(SummaryReport, ByteForByteForEachFamily) {
    QLocale::setDefault(QLocale::c());
    using Edits = std::vector<std::pair<const char*, const char*>>; // applied to kT8310
    struct TGauge {
        bool is8310, flow, extended7310;
        uint8_t tankType, uom;
        uint16_t a4, a20;
    };
    const struct {
        const char* family;
        TGauge g;
        Edits edits;
    } cases[] = {
        {"T8310", {true, false, false, 4, 2, 200, 1000}, {}},
        {"extended T7310, no tank, equal counts",
         {false, false, true, 0, 9, 500, 500},
         {{"Litres\nResolution Hysteresis: 5\n", "unknown (9)\n"},
          {"4.000 mA", "n/a mA"},
          {"20.000 mA", "n/a mA"},
          {"Vertical Cylinder", "none"},
          {"Tank Diameter:         2.500\nTank Height:           3.000\n", ""}}},
        {"PRM8310, tank type past the table",
         {true, true, false, 9, 2, 200, 1000},
         {{"0.50\n", "0.50\nTotalisation pulses/litre: 250\n"},
          {"Vertical Cylinder", "unknown (9)"},
          {"Tank Diameter:         2.500\nTank Height:           3.000\n", ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.family);
        T7310 device;
        device.Is8310 = c.g.is8310;
        device.HasFlowScaling = c.g.flow;
        device.Is7310Extended = c.g.extended7310;
        Fill(device, c.g.tankType, c.g.uom, c.g.a4, c.g.a20);
        std::string expected = kT8310;
        for (const auto& [from, to] : c.edits)
            expected.replace(expected.find(from), std::string(from).size(), to);
        QByteArray crlf = QByteArray::fromStdString(expected);
        crlf.replace("\n", "\r\n");
        EXPECT_EQ(SummaryReport(device, kEntries).toStdString(), crlf.toStdString());
    }
}

TEST(SummaryReport, NumbersAtTheirEdges) {
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(ContrastPercent(128), 50);
    EXPECT_EQ(ContrastPercent(127), 49);
    EXPECT_EQ(ContrastPercent(255), 100);
    // Lengths keep 5 significant digits (F3); the display resolution all of them (X3).
    EXPECT_EQ(LengthText(1234567), "1234.600");
    EXPECT_EQ(FormatX3(123456.789), "123456.789");
}

TEST(SummaryReport, IsWrittenWholeOrNotAtAll) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid() && QDir(dir.path()).mkdir("taken"));
    ASSERT_TRUE(SaveSummaryReport(dir.filePath("taken/inside"), "kept"));
    // A folder in the way: a reason, no temporary file left behind, what was there stays.
    QString reason;
    EXPECT_FALSE(SaveSummaryReport(dir.filePath("taken"), "x", &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(QDir(dir.filePath("taken")).entryList(QDir::Files), QStringList{"inside"});
}

} // namespace
