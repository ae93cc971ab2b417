// SPDX-License-Identifier: GPL-3.0-or-later
// The device image layout and the catalogue of named settings built over it.

#include "ByteOrder.h"
#include "DeviceImage.h"
#include "Instructions.h"
#include "Values.h"
#include "ZURSettings.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        BuildCatalogue(settings, image);
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    // The item with that number and name (numbers alone are not unique).
    TZURSetting* Named(uint32_t id, const std::string& name) const {
        for (size_t i = 0; i < settings.Count(); ++i)
            if (settings.Item(i).Id == id && settings.Item(i).Name == name)
                return &settings.Item(i);
        return nullptr;
    }

    TDeviceImage image;
    TZURSettings settings;
};

// Where an item's value lives in the device image.
enum class TBlock {
    None,
    Alarm0,
    Alarm1,
    Alarm2,
    Alarm3,
    TankMin,
    TankMax,
    Output,
    Display,
    TankRecord,
    Calibration,
    Extended,
    Rs485Id,
    Table,
    TankName,
    DeviceName,
    SoftwareVersion,
    PcSoftwareId,
};

enum class THook { None, Percent, Ms };

struct TExpectedRow {
    uint32_t Id;
    const char* Name;
    TSettingDataType Type;
    int64_t Min;
    int64_t Max;
    uint8_t Read;
    uint8_t Write;
    TBlock Block;
    size_t Offset;
    THook Hook;
};

constexpr int64_t kLen = 4228250624; // 65025 x 65025 - 1

// The whole catalogue in list order; guards it against accidental edits.
const std::vector<TExpectedRow> kCatalogue = {
    {0, "Master Alarm", stGroup, 0, 0, 0, 0, TBlock::None, 0, THook::None},
    {1, "Alarm M - Setpoint", stWord, 0, 10000, 0x10, 0xA0, TBlock::Alarm0, 0, THook::Percent},
    {2, "Alarm M - Enabled", stOnOff, 0, 1, 0x10, 0xA0, TBlock::Alarm0, 2, THook::None},
    {3, "Alarm M - Direction", stEdge, 1, 2, 0x10, 0xA0, TBlock::Alarm0, 3, THook::None},
    {4, "Alarm M - Hysteresis", stWord, 0, 65000, 0x10, 0xA0, TBlock::Alarm0, 4, THook::Ms},
    {5, "Alarm 1", stGroup, 0, 0, 0, 0, TBlock::None, 0, THook::None},
    {6, "Alarm 1 - Setpoint", stWord, 0, 10000, 0x10, 0xA0, TBlock::Alarm1, 0, THook::Percent},
    {7, "Alarm 1 - Enabled", stOnOff, 0, 1, 0x10, 0xA0, TBlock::Alarm1, 2, THook::None},
    {8, "Alarm 1 - Direction", stEdge, 1, 2, 0x10, 0xA0, TBlock::Alarm1, 3, THook::None},
    {9, "Alarm 1 - Hysteresis", stWord, 0, 65000, 0x10, 0xA0, TBlock::Alarm1, 4, THook::Ms},
    {10, "Alarm 2", stGroup, 0, 0, 0, 0, TBlock::None, 0, THook::None},
    {11, "Alarm 2 - Setpoint", stWord, 0, 10000, 0x10, 0xA0, TBlock::Alarm2, 0, THook::Percent},
    {12, "Alarm 2 - Enabled", stOnOff, 0, 1, 0x10, 0xA0, TBlock::Alarm2, 2, THook::None},
    {13, "Alarm 2 - Direction", stEdge, 1, 2, 0x10, 0xA0, TBlock::Alarm2, 3, THook::None},
    {14, "Alarm 2 - Hysteresis", stWord, 0, 65000, 0x10, 0xA0, TBlock::Alarm2, 4, THook::Ms},
    {15, "Alarm 3", stGroup, 0, 0, 0, 0, TBlock::None, 0, THook::None},
    {16, "Alarm 3 - Setpoint", stWord, 0, 10000, 0x10, 0xA0, TBlock::Alarm3, 0, THook::Percent},
    {17, "Alarm 3 - Enabled", stOnOff, 0, 1, 0x10, 0xA0, TBlock::Alarm3, 2, THook::None},
    {18, "Alarm 3 - Direction", stEdge, 1, 2, 0x10, 0xA0, TBlock::Alarm3, 3, THook::None},
    {19, "Alarm 3 - Hysteresis", stWord, 0, 65025, 0x10, 0xA0, TBlock::Alarm3, 4, THook::Ms},
    {20, "Tank Min", stGroup, 0, 0, 0, 0, TBlock::None, 0, THook::None},
    {21, "Height", stLong, 0, kLen, 0x11, 0xA1, TBlock::TankMin, 0, THook::None},
    {22, "AD Value", stWord, 0, 1023, 0x11, 0xA1, TBlock::TankMin, 4, THook::None},
    {23, "Tank Max", stGroup, 0, 0, 0, 0, TBlock::None, 0, THook::None},
    {24, "Height", stLong, 0, kLen, 0x12, 0xA2, TBlock::TankMax, 0, THook::None},
    {25, "AD Value", stWord, 0, 1023, 0x12, 0xA2, TBlock::TankMax, 4, THook::None},
    {26, "Tank AD Output Options", stGroup, 0, 0, 0, 0, TBlock::None, 0, THook::None},
    {27, "Enable 4-20mA Output", stOnOff, 0, 1, 0x13, 0xA3, TBlock::Output, 0, THook::None},
    {28, "Mirror 4-20mA Input", stOnOff, 0, 1, 0x13, 0xA3, TBlock::Output, 1, THook::None},
    {29, "Display Options", stGroup, 0, 0, 0, 0, TBlock::None, 0, THook::None},
    {30, "Display Enabled", stOnOff, 0, 1, 0x14, 0xA4, TBlock::Display, 0, THook::None},
    {31, "Significant Figures", stByte, 1, 7, 0x14, 0xA4, TBlock::Display, 1, THook::None},
    {32, "Display UOM", stVolumeUnit, 0, 254, 0x14, 0xA4, TBlock::Display, 2, THook::None},
    {33, "Contrast", stByte, 0, 254, 0x14, 0xA4, TBlock::Display, 5, THook::None},
    {34, "Show Decimal Point", stOnOff, 0, 1, 0x14, 0xA4, TBlock::Display, 6, THook::None},
    {35, "Damping", stWord, 0, 65024, 0x14, 0xA4, TBlock::Display, 7, THook::Ms},
    {36, "Tank Description", stGroup, 0, 0, 0, 0, TBlock::None, 0, THook::None},
    {37, "Tank Name", stText, 0, 12, 0x15, 0xA5, TBlock::TankName, 0, THook::None},
    {38, "Tank Type", stTankType, 0, 255, 0x16, 0xA6, TBlock::TankRecord, 0, THook::None},
    {39, "Tank UOM", stLengthUnit, 0, 255, 0x16, 0xA6, TBlock::TankRecord, 1, THook::None},
    {40, "Tank SG", stWord, 0, 65024, 0x16, 0xA6, TBlock::TankRecord, 2, THook::None},
    {41, "Length", stLong, 0, kLen, 0x16, 0xA6, TBlock::TankRecord, 4, THook::None},
    {42, "Height", stLong, 0, kLen, 0x16, 0xA6, TBlock::TankRecord, 8, THook::None},
    {43, "Width", stLong, 0, kLen, 0x16, 0xA6, TBlock::TankRecord, 12, THook::None},
    {44, "Radius", stLong, 0, kLen, 0x16, 0xA6, TBlock::TankRecord, 16, THook::None},
    {45, "Extent", stLong, 0, kLen, 0x16, 0xA6, TBlock::TankRecord, 20, THook::None},
    {46, "Tank Calibration", stGroup, 0, 0, 0, 0, TBlock::None, 0, THook::None},
    {47, "at 4mA", stWord, 0, 65024, 0x17, 0xA7, TBlock::Calibration, 0, THook::None},
    {47, "at 20mA", stWord, 0, 65024, 0x17, 0xA7, TBlock::Calibration, 2, THook::None},
    {48, "Other Settings", stGroup, 0, 0, 0, 0, TBlock::None, 0, THook::None},
    {49, "Test mode timeout", stWord, 0, 65024, 0x18, 0xA8, TBlock::Calibration, 8, THook::Ms},
    {50, "RS 485 ID", stByte, 0, 98, 0x1B, 0xA9, TBlock::Rs485Id, 0, THook::None},
    {80, "Device Name", stText, 0, 32, 0xDF, 0, TBlock::DeviceName, 0, THook::None},
    {81, "Software Version", stText, 0, 32, 0xDF, 0, TBlock::SoftwareVersion, 0, THook::None},
    {82, "Device PC SoftwareID", stText, 0, 32, 0xDF, 0, TBlock::PcSoftwareId, 0, THook::None},
    {83, "Tank Table", stTable, 0, 0, 0, 0, TBlock::Table, 0, THook::None},
    {84, "Flow Frequency Scaling", stWord, 1, 65535, 0x27, 0xB1, TBlock::Extended, 0, THook::None},
    {85, "LCD Display Resolution", stLong, 1, 1000000, 0x28, 0xB2, TBlock::Extended, 2,
     THook::None},
    {85, "Safe Tank Capacity", stByte, 1, 100, 0x29, 0xB3, TBlock::Extended, 6, THook::None},
    {86, "Display Resolution Hysteresis", stByte, 1, 99, 0x2A, 0xB4, TBlock::Extended, 7,
     THook::None},
    {87, "Tank Safe Capacity Litres", stLong, 0, 1000000, 0x2B, 0, TBlock::Extended, 8,
     THook::None},
};

const uint8_t* BlockStart(TDeviceImage& image, TBlock block) {
    switch (block) {
    case TBlock::Alarm0:
        return image.Alarms[0].data();
    case TBlock::Alarm1:
        return image.Alarms[1].data();
    case TBlock::Alarm2:
        return image.Alarms[2].data();
    case TBlock::Alarm3:
        return image.Alarms[3].data();
    case TBlock::TankMin:
        return image.TankMin.data();
    case TBlock::TankMax:
        return image.TankMax.data();
    case TBlock::Output:
        return image.OutputOptions.data();
    case TBlock::Display:
        return image.DisplayOptions.data();
    case TBlock::TankRecord:
        return image.TankDescription.data() + 12;
    case TBlock::Calibration:
        return image.Calibration.data();
    case TBlock::Extended:
        return image.Extended.data();
    case TBlock::Rs485Id:
        return &image.Rs485Id;
    case TBlock::Table:
        return image.TankTable.data();
    default:
        return nullptr;
    }
}

const std::string* TextOf(TDeviceImage& image, TBlock block) {
    switch (block) {
    case TBlock::TankName:
        return &image.TankName;
    case TBlock::DeviceName:
        return &image.DeviceName;
    case TBlock::SoftwareVersion:
        return &image.SoftwareVersion;
    case TBlock::PcSoftwareId:
        return &image.DevicePcSoftwareId;
    default:
        return nullptr;
    }
}

TEST_F(CatalogueTest, EveryRowInListOrder) {
    ASSERT_EQ(settings.Count(), kCatalogue.size());
    for (size_t i = 0; i < kCatalogue.size(); ++i) {
        const TExpectedRow& row = kCatalogue[i];
        const TZURSetting& item = settings.Item(i);
        SCOPED_TRACE(std::to_string(i) + " " + row.Name);
        EXPECT_EQ(item.Id, row.Id);
        EXPECT_EQ(item.Name, row.Name);
        EXPECT_EQ(item.DataType, row.Type);
        EXPECT_EQ(item.Min, row.Min);
        EXPECT_EQ(item.Max, row.Max);
        EXPECT_EQ(item.ReadInstruction, row.Read);
        EXPECT_EQ(item.WriteInstruction, row.Write);
        const uint8_t* start = BlockStart(image, row.Block);
        EXPECT_EQ(item.Raw(), start ? start + row.Offset : nullptr);
        EXPECT_EQ(item.Text(), TextOf(image, row.Block));
        const TFormatHook expectedHook = row.Hook == THook::Percent ? PercentFormat
                                         : row.Hook == THook::Ms    ? MsFormat
                                                                    : nullptr;
        EXPECT_EQ(item.FormatHook, expectedHook);
        EXPECT_EQ(item.ParseHook, row.Hook == THook::Percent ? PercentParse : nullptr);
    }
}

TEST_F(CatalogueTest, FindReturnsTheFirstItemWithTheNumber) {
    const struct {
        uint32_t Id;
        const char* Name; // null: no item
    } cases[] = {
        {47, "at 4mA"},
        {85, "LCD Display Resolution"},
        {51, nullptr},
        {0, "Master Alarm"},
        {19, "Alarm 3 - Hysteresis"},
        {32, "Display UOM"},
        {50, "RS 485 ID"},
        {80, "Device Name"},
        {81, "Software Version"},
        {87, "Tank Safe Capacity Litres"},
        {88, nullptr},
        {0xFFFFFFFF, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Id);
        const TZURSetting* item = settings.Find(c.Id);
        if (!c.Name) {
            EXPECT_EQ(item, nullptr);
            continue;
        }
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->Name, c.Name);
    }
}

TEST_F(CatalogueTest, FreshImageIsZeroAndTextsEmpty) {
    ASSERT_NE(settings.Find(50), nullptr);
    EXPECT_EQ(settings.Find(50)->AsText(true, true), "0");
    EXPECT_EQ(settings.Find(80)->AsText(true, true), "");
    EXPECT_EQ(settings.Find(1)->AsText(true, true), "0.00 %");
    for (size_t i = 0; i < settings.Count(); ++i) {
        const TZURSetting& item = settings.Item(i);
        if (item.Raw() && item.DataType != stTable) {
            EXPECT_EQ(item.Raw()[0], 0) << item.Name;
        }
    }
    const TDeviceImage fresh;
    EXPECT_EQ(fresh.TableSize(), 0);
    EXPECT_TRUE(fresh.TankName.empty());
    for (uint8_t b : fresh.TankTable)
        ASSERT_EQ(b, 0);
    for (uint8_t b : fresh.TankDescription)
        ASSERT_EQ(b, 0);
}

// The item's value changes when the device image does: the catalogue holds no copies.
TEST_F(CatalogueTest, FindGivesAccessToTheLiveValue) {
    settings.Find(50)->Raw()[0] = 42;
    EXPECT_EQ(image.Rs485Id, 42);
    image.DeviceName = "T8310";
    EXPECT_EQ(settings.Find(80)->AsText(false, false), "T8310");
}

struct TAsTextCase {
    uint32_t Id;
    const char* Name;
    std::vector<uint8_t> Bytes; // written at the item's value
    bool UseHook;
    bool AppendUnit;
    const char* Expected;
};

TEST_F(CatalogueTest, AsTextOfEachDataType) {
    const std::vector<TAsTextCase> cases = {
        // stWord with the percent hook
        {1, "Alarm M - Setpoint", {0x13, 0x88}, true, true, "50.00 %"},
        {1, "Alarm M - Setpoint", {0x13, 0x88}, true, false, "50.00"},
        {1, "Alarm M - Setpoint", {0x13, 0x88}, false, true, "5000"},
        {1, "Alarm M - Setpoint", {0x30, 0x39}, true, true, "123.45 %"},
        {6, "Alarm 1 - Setpoint", {0x27, 0x10}, true, true, "100.00 %"},
        {16, "Alarm 3 - Setpoint", {0x00, 0x01}, true, true, "0.01 %"},
        {16, "Alarm 3 - Setpoint", {0xFF, 0xFF}, true, true, "655.35 %"},
        // stWord with the ms hook
        {4, "Alarm M - Hysteresis", {0x00, 0xFA}, true, true, "250 MS"},
        {4, "Alarm M - Hysteresis", {0x00, 0xFA}, true, false, "250"},
        {4, "Alarm M - Hysteresis", {0x00, 0xFA}, false, true, "250"},
        {35, "Damping", {0xFE, 0x00}, true, true, "65024 MS"},
        // stWord without a hook: the flags change nothing
        {22, "AD Value", {0x03, 0xFF}, true, true, "1023"},
        {40, "Tank SG", {0x03, 0xE8}, false, false, "1000"},
        {84, "Flow Frequency Scaling", {0xFF, 0xFF}, true, true, "65535"},
        // stLong: big-endian, shown signed
        {21, "Height", {0x00, 0x01, 0xE2, 0x40}, true, true, "123456"},
        {85, "LCD Display Resolution", {0x00, 0x0F, 0x42, 0x40}, true, true, "1000000"},
        {41, "Length", {0xFC, 0x05, 0xFC, 0x00}, true, true, "-66716672"},
        {87, "Tank Safe Capacity Litres", {0x7F, 0xFF, 0xFF, 0xFF}, true, true, "2147483647"},
        // stByte
        {33, "Contrast", {0xFE}, true, true, "254"},
        {50, "RS 485 ID", {98}, false, false, "98"},
        {85, "Safe Tank Capacity", {100}, true, true, "100"},
        // stOnOff
        {2, "Alarm M - Enabled", {0}, true, true, "OFF"},
        {2, "Alarm M - Enabled", {1}, true, true, "ON"},
        {30, "Display Enabled", {0xFF}, false, false, "ON"},
        // stEdge: only 1 is rising
        {3, "Alarm M - Direction", {0}, true, true, "FALLING EDGE"},
        {8, "Alarm 1 - Direction", {1}, true, true, "RISING EDGE"},
        {13, "Alarm 2 - Direction", {2}, true, true, "FALLING EDGE"},
        // code lists: the label, and "err." past the end
        {32, "Display UOM", {5}, true, true, "Cubic Feet"},
        {32, "Display UOM", {6}, true, true, "err."},
        {38, "Tank Type", {5}, true, true, "Non standard"},
        {38, "Tank Type", {6}, true, true, "err."},
        {39, "Tank UOM", {3}, true, true, "err."},
        // headings and the table have no text
        {0, "Master Alarm", {}, true, true, ""},
        {83, "Tank Table", {7, 0, 0, 0, 1}, true, true, ""},
    };
    for (const TAsTextCase& c : cases) {
        SCOPED_TRACE(std::string(c.Name) + " -> " + c.Expected);
        TZURSetting* item = Named(c.Id, c.Name);
        ASSERT_NE(item, nullptr);
        if (!c.Bytes.empty())
            std::memcpy(item->Raw(), c.Bytes.data(), c.Bytes.size());
        EXPECT_EQ(item->AsText(c.UseHook, c.AppendUnit), c.Expected);
    }
}

TEST_F(CatalogueTest, AsTextOfTexts) {
    image.TankName = "DIESEL TANK1";
    image.SoftwareVersion = "V2.01";
    image.DevicePcSoftwareId = "4";
    EXPECT_EQ(settings.Find(37)->AsText(true, true), "DIESEL TANK1");
    EXPECT_EQ(settings.Find(81)->AsText(false, false), "V2.01");
    EXPECT_EQ(settings.Find(82)->AsText(true, false), "4");
}

TEST_F(CatalogueTest, AsTextOfAnUnboundItemIsEmpty) {
    TZURSetting item;
    for (TSettingDataType type : {stByte, stOnOff, stWord, stLong, stDouble, stEdge, stText,
                                  stVolumeUnit, stTankType, stLengthUnit}) {
        item.DataType = type;
        EXPECT_EQ(item.AsText(true, true), "") << int(type);
    }
}

TEST(GroupNames, EveryInstructionAndTheRest) {
    const struct {
        uint8_t Code;
        const char* Name;
    } cases[] = {
        {0x10, "Alarm Settings"},
        {0xA0, "Alarm Settings"},
        {0x11, "Tank A to D Min"},
        {0xA1, "Tank A to D Min"},
        {0x12, "Tank A to D Max"},
        {0xA2, "Tank A to D Max"},
        {0x13, "Tank 4 to 20 Options"},
        {0xA3, "Tank 4 to 20 Options"},
        {0x14, "Display Options"},
        {0xA4, "Display Options"},
        {0x15, "Tank Name"},
        {0xA5, "Tank Name"},
        {0x16, "Tank Descriptions"},
        {0xA6, "Tank Descriptions"},
        {0x17, "Tank 4 to 20 Calibration"},
        {0xA7, "Tank 4 to 20 Calibration"},
        {0x18, "Test Timeout"},
        {0xA8, "Test Timeout"},
        {0x1B, "RS485 ID"},
        {0xA9, "RS485 ID"},
        {0x1C, "Table Size"},
        {0xAA, "Table Size"},
        {0x1D, "Table Data"},
        {0xAB, "Table Data"},
        {0x22, "Default Protocol"},
        {0xAD, "Default Protocol"},
        {0x27, "Flow Frequency Scaling"},
        {0xB1, "Flow Frequency Scaling"},
        {0x28, "Display Resolution"},
        {0xB2, "Display Resolution"},
        {0x29, "Tank Safe Capacity"},
        {0xB3, "Tank Safe Capacity"},
        {0x2A, "Display Resolution Hysteresis"},
        {0xB4, "Display Resolution Hysteresis"},
        {0x2B, "Tank Safe Capacity Litres"},
        // everything else
        {0x00, "setting"},
        {0x20, "setting"},
        {0xDF, "setting"},
        {0x19, "setting"},
        {0x1E, "setting"},
        {0xAC, "setting"},
        {0xB5, "setting"},
        {0xC6, "setting"},
        {0xFF, "setting"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(instr::GroupName(c.Code), c.Name) << std::hex << int(c.Code);
}

// A few fields placed through the named offsets and read back as the gauge would send them.
TEST(DeviceImageLayout, FieldsLandOnTheirWireBytes) {
    TDeviceImage image;
    PutBE16(image.Alarms[2].data() + img::AlarmHysteresis, 0x1234);
    EXPECT_EQ(image.Alarms[2][4], 0x12);
    EXPECT_EQ(image.Alarms[2][5], 0x34);

    PutBE16(image.DisplayOptions.data() + img::DisplayDamping, 0xABCD);
    EXPECT_EQ(image.DisplayOptions[7], 0xAB);
    EXPECT_EQ(image.DisplayOptions[8], 0xCD);

    PutBE32(image.TankRecord() + img::TankExtent, 0x01020304);
    EXPECT_EQ(image.TankDescription[32], 0x01);
    EXPECT_EQ(image.TankDescription[35], 0x04);

    PutBE32(image.Extended.data() + img::ExtTankSafeCapacityLitres, 0xCAFEF00D);
    EXPECT_EQ(GetBE32(image.Extended.data() + 8), 0xCAFEF00Du);

    PutBE16(image.Calibration.data() + img::CalInputPair + 2, 0x0321);
    EXPECT_EQ(image.Calibration[6], 0x03);
    EXPECT_EQ(image.Calibration[7], 0x21);

    // Row 99 is the last: its volume ends the 801-byte region.
    image.TankTable[img::TableSizeOffset] = 100;
    PutBE32(image.TableRow(99) + img::TableRowVolume, 0x0A0B0C0D);
    EXPECT_EQ(image.TableSize(), 100);
    EXPECT_EQ(image.TankTable[797], 0x0A);
    EXPECT_EQ(image.TankTable[800], 0x0D);
    EXPECT_EQ(image.TableRow(0), image.TankTable.data() + 1);
}

TEST(ByteOrder, SwapsAndBigEndianReads) {
    EXPECT_EQ(swap16(0x1234), 0x3412);
    EXPECT_EQ(swap16(swap16(0xBEEF)), 0xBEEF);
    EXPECT_EQ(swap32(0x12345678u), 0x78563412u);
    EXPECT_EQ(swap32(0xFC05FC00u), 0x00FC05FCu);
    const uint8_t bytes[] = {0x40, 0x59, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(GetBEDouble(bytes), 100.0);
    uint8_t back[8] = {};
    PutBEDouble(back, -2.5);
    EXPECT_EQ(GetBEDouble(back), -2.5);
    EXPECT_EQ(back[0], 0xC0);
    uint8_t le[4] = {};
    PutLE32(le, 3);
    EXPECT_EQ(le[0], 3);
    EXPECT_EQ(GetLE32(le), 3u);
}

} // namespace

// The catalogue's own text-to-value: an entry in the unit the pages show, refused outside the
// item's bounds (or a page's own) with the field check's message, stored with the pages'
// rounding and never beyond what the gauge holds.
TEST_F(CatalogueTest, FromTextEnforcesBoundsAndScales) {
    const TEntryCheck hysterisis{"Hysterisis", true, 0, 65000};
    const TEntryCheck wider{"Hysterisis", true, 0, 70000};
    const struct {
        uint32_t Id;
        const char* Name;
        const char* Text;
        const TEntryCheck* Check;
        bool Ok;
        uint32_t Raw;
        const char* Message; // when refused
    } cases[] = {
        {35, "Damping", "0.25", nullptr, true, 250, ""},
        {35, "Damping", "65.024", nullptr, true, 65024, ""},
        {35, "Damping", "65.025", nullptr, false, 0,
         "Error with value: Damping\nThe value 65.025 is not in the range: 0.000 - 65.024"},
        {35, "Damping", "", nullptr, false, 0,
         "Error with value: Damping\nYou must enter a value for this setting"},
        {35, "Damping", "abc", nullptr, false, 0,
         "Error with value: Damping\n'abc' is not a valid floating point value"},
        {50, "RS 485 ID", "98", nullptr, true, 98, ""},
        {50, "RS 485 ID", "99", nullptr, false, 0,
         "Error with value: RS 485 ID\nThe value 99 is not in the range: 0 - 98"},
        {50, "RS 485 ID", "1.5", nullptr, false, 0,
         "Error with value: RS 485 ID\n'1.5' is not a valid integer value"},
        {1, "Alarm M - Setpoint", "50", nullptr, true, 5000, ""},
        {1, "Alarm M - Setpoint", "12.345", nullptr, true, 1235, ""},
        {1, "Alarm M - Setpoint", "100.01", nullptr, false, 0,
         "Error with value: Alarm M - Setpoint\nThe value 100.01 is not in the range: 0.000 - "
         "100.000"},
        {85, "LCD Display Resolution", "0.001", nullptr, true, 1, ""},
        {85, "LCD Display Resolution", "0.0005", nullptr, false, 0,
         "Error with value: LCD Display Resolution\nThe value 0.0005 is not in the range: 0.001 "
         "- 1000.000"},
        // The alarm page checks every hysteresis up to 65000, though Alarm 3 holds 65025.
        {19, "Alarm 3 - Hysteresis", "65025", nullptr, true, 65025, ""},
        {19, "Alarm 3 - Hysteresis", "65001", &hysterisis, false, 0,
         "Error with value: Hysterisis\nThe value 65001 is not in the range: 0 - 65000"},
        // A page's check that allows more than the gauge holds still stores the largest value.
        {4, "Alarm M - Hysteresis", "66000", &wider, true, 65000, ""},
        {40, "Tank SG", "-1", nullptr, false, 0,
         "Error with value: Tank SG\nThe value -1 is not in the range: 0.000 - 65.024"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Name) + " <- '" + c.Text + "'");
        const TZURSetting* item = settings.Find(c.Id, c.Name);
        ASSERT_NE(item, nullptr);
        const TEntryResult entry = item->FromText(c.Text, c.Check);
        EXPECT_EQ(entry.Ok, c.Ok);
        if (c.Ok) {
            EXPECT_EQ(entry.Raw, c.Raw);
            EXPECT_TRUE(entry.Message.empty());
        } else {
            EXPECT_EQ(entry.Message, c.Message);
        }
    }
}

// What the catalogue says of each value beyond its bytes: the heading it stands under, the
// gauges that have it (those its read instruction goes to), and the unit an entry is in.
TEST_F(CatalogueTest, FactsOfGroupFamilyAndUnit) {
    image.TankRecord()[img::TankUom] = 1;
    const struct {
        uint32_t Id;
        const char* Name;
        const char* Group;
        instr::TFamily Family;
        const char* Unit;
        const char* Entry; // of the image below
    } cases[] = {
        {19, "Alarm 3 - Hysteresis", "Alarm 3", instr::TFamily::Any, "ms", "65025"},
        {31, "Significant Figures", "Display Options", instr::TFamily::Any, "", "5"},
        {35, "Damping", "Display Options", instr::TFamily::Any, "s", "12.35"},
        {21, "Height", "Tank Min", instr::TFamily::Any, "Inches", "1.500"},
        {84, "Flow Frequency Scaling", "Other Settings", instr::TFamily::FlowScaling, "", "0"},
        {85, "LCD Display Resolution", "Other Settings", instr::TFamily::Extended, "", "0.000"},
        {86, "Display Resolution Hysteresis", "Other Settings", instr::TFamily::Is8310, "", "0"},
        {87, "Tank Safe Capacity Litres", "Other Settings", instr::TFamily::Extended, "Litres",
         "0"},
        {50, "RS 485 ID", "Other Settings", instr::TFamily::Any, "", "7"},
    };
    PutBE16(image.Alarms[3].data() + img::AlarmHysteresis, 65025);
    image.DisplayOptions[img::DisplaySignificantFigures] = 5;
    PutBE16(image.DisplayOptions.data() + img::DisplayDamping, 12345);
    PutBE32(image.TankMin.data() + img::TankPointHeight, 1500);
    image.Rs485Id = 7;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TZURSetting* item = settings.Find(c.Id, c.Name);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->Group, c.Group);
        EXPECT_EQ(item->Family, c.Family);
        EXPECT_EQ(UnitText(item->Unit, image), c.Unit);
        EXPECT_EQ(item->EntryText(image), c.Entry);
        // The unbound facts read any image alike.
        const TZURSetting* fact = Catalogue().Find(c.Id, c.Name);
        ASSERT_NE(fact, nullptr);
        EXPECT_EQ(fact->AsText(image, true, true), item->AsText(true, true));
    }
}
