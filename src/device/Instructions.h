// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The gauge's instruction set as data: one row per code says which bytes of the device image
// a request carries and a reply is stored into, how long the request and its wait may take,
// and when the device object sends it at all. The device object only interprets this table.

#include "DeviceImage.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace instr {

inline constexpr uint8_t AlarmRead = 0x10;
inline constexpr uint8_t TankMinRead = 0x11;
inline constexpr uint8_t TankMaxRead = 0x12;
inline constexpr uint8_t OutputOptionsRead = 0x13;
inline constexpr uint8_t DisplayOptionsRead = 0x14;
inline constexpr uint8_t TankNameRead = 0x15;
inline constexpr uint8_t TankDescriptionRead = 0x16;
inline constexpr uint8_t CalibrationRead = 0x17;
inline constexpr uint8_t TestTimeoutRead = 0x18;
inline constexpr uint8_t NodeIdRead = 0x1B;
inline constexpr uint8_t InputCalibrationRead = 0x20;
inline constexpr uint8_t DefaultProtocolRead = 0x22;
inline constexpr uint8_t FlowScalingRead = 0x27;
inline constexpr uint8_t DisplayResolutionRead = 0x28;
inline constexpr uint8_t SafeCapacityRead = 0x29;
inline constexpr uint8_t ResolutionHysteresisRead = 0x2A;
inline constexpr uint8_t SafeCapacityLitresRead = 0x2B;
inline constexpr uint8_t TableSizeRead = 0x1C;
inline constexpr uint8_t TableDataRead = 0x1D;
inline constexpr uint8_t DeviceStateRead = 0x1E;
inline constexpr uint8_t AlarmOutputsRead = 0x19;
inline constexpr uint8_t VolumeRead = 0x1A;
inline constexpr uint8_t Identity = 0xDF;
inline constexpr uint8_t Acknowledge = 0x21;
inline constexpr uint8_t AlarmWrite = 0xA0;
inline constexpr uint8_t TableSizeWrite = 0xAA;
inline constexpr uint8_t TableDataWrite = 0xAB;
inline constexpr uint8_t NodeIdWrite = 0xA9;
inline constexpr uint8_t TankMinWrite = 0xA1;
inline constexpr uint8_t TankMaxWrite = 0xA2;
inline constexpr uint8_t OutputOptionsWrite = 0xA3;
inline constexpr uint8_t DisplayOptionsWrite = 0xA4;
inline constexpr uint8_t TankNameWrite = 0xA5;
inline constexpr uint8_t TankDescriptionWrite = 0xA6;
inline constexpr uint8_t CalibrationWrite = 0xA7;
inline constexpr uint8_t TestTimeoutWrite = 0xA8;
inline constexpr uint8_t DefaultProtocolWrite = 0xAD;
inline constexpr uint8_t FlowScalingWrite = 0xB1;
inline constexpr uint8_t DisplayResolutionWrite = 0xB2;
inline constexpr uint8_t SafeCapacityWrite = 0xB3;
inline constexpr uint8_t ResolutionHysteresisWrite = 0xB4;
inline constexpr uint8_t TestModeOn = 0xC0;
inline constexpr uint8_t TestOutputs = 0xC1;
inline constexpr uint8_t TestModeOff = 0xC2;
inline constexpr uint8_t Commit = 0xC6;
inline constexpr uint8_t Contrast = 0xC7;

// The most rows one request or reply can carry: a frame holds at most 255 data bytes, of
// which the node byte and the row range take three.
inline constexpr size_t MaxRowsPerFrame = (255 - 3) / img::TableRowSize;

enum class TKind : uint8_t {
    Read,    // reply carries data; waited for
    Status,  // reply carries data; sent by the poll, never waited for
    Write,   // acknowledged
    Control, // acknowledged (or not waited for at all)
    Ack,     // the gauge's acknowledgement frame
};

// Argument bytes that come between the node byte and the block.
enum class TPrefix : uint8_t {
    None,
    AlarmIndex, // the alarm slot
    TableRange, // start row, row count
    Argument,   // one byte given by the caller (output bits, contrast)
};

// How the block's bytes move between payload and image.
enum class TStore : uint8_t {
    None,     // nothing carried
    Block,    // exactly the block's bytes, verbatim
    TankName, // the name text (plus its name bytes in the tank description)
    Identity, // the identity text, split into its three parts
};

// Which gauges a read of all settings, or a page-level write series, sends this to.
enum class TFamily : uint8_t { Any, Extended, Is8310, FlowScaling };

// Which alarm and rows the block of 0x10/0xA0 and 0x1D/0xAB refers to.
struct TCursor {
    uint8_t AlarmIndex = 0;
    uint8_t TableStart = 0;
    uint8_t TableCount = 0;
};

// The block a request carries and a reply is stored into: the alarm record comes from the
// cursor, and a per-row block starts at the cursor's first row.
struct TBlockRef {
    TImageLocation Where{}; // Width: bytes, per row when PerRow
    bool PerRow = false;    // Width x the cursor's row count

    size_t Size(const TCursor& cursor) const {
        return PerRow ? size_t{Where.Width} * cursor.TableCount : size_t{Where.Width};
    }
    uint8_t* Bytes(TDeviceImage& image, const TCursor& cursor) const {
        TImageLocation at = Where;
        at.Index = cursor.AlarmIndex;
        if (PerRow)
            at.Offset = static_cast<uint16_t>(at.Offset + img::TableRowsOffset +
                                              cursor.TableStart * img::TableRowSize);
        return at.Bytes(image);
    }
};

struct TInstruction {
    uint8_t Code = 0;
    const char* Group = "setting";
    TKind Kind = TKind::Read;
    TPrefix Prefix = TPrefix::None;
    TStore Store = TStore::None;
    TBlockRef Block{};
    // Request time-out and wait, as multiples of the device object's base reply time-out;
    // a wait of 0 means the outcome is not waited for.
    uint8_t TimeoutMultiple = 1;
    uint8_t WaitMultiple = 2;
    bool FollowUpCommit = false; // C6 after a successful write
    TFamily Family = TFamily::Any;
};

// Every instruction, reads first, then status, writes, control and the acknowledgement.
std::span<const TInstruction> Table();

// The row of a code, or null for a code the gauge does not know.
const TInstruction* Find(uint8_t code);

// The fixed order of a read of all settings; the alarm read stands for all four alarms.
std::span<const uint8_t> ReadAllOrder();

// The fixed order of a write of all settings (before the table transfer).
std::span<const uint8_t> WriteAllOrder();

// The read whose reply holds what a write instruction sends (0x10 for A0, 0x1D for AB); 0
// for a write whose block no read carries, and for any other code.
uint8_t ReadBackOf(uint8_t write);

// The group name of a read or write instruction, the word of every progress message;
// "setting" for any other code.
std::string GroupName(uint8_t instruction);

} // namespace instr
