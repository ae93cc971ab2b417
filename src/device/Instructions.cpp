// SPDX-License-Identifier: GPL-3.0-or-later
#include "Instructions.h"

#include <array>

namespace instr {
namespace {

constexpr TBlockRef Bytes(TImageBlock block, size_t offset, size_t length) {
    return {{block, 0, static_cast<uint16_t>(offset), static_cast<uint16_t>(length)}, false};
}

// Reads: request time-out 1 x base, reply waited for 2 x base.
constexpr TInstruction Read(uint8_t code, const char* group, TBlockRef block,
                            TFamily family = TFamily::Any) {
    return {.Code = code,
            .Group = group,
            .Kind = TKind::Read,
            .Store = TStore::Block,
            .Block = block,
            .Family = family};
}

// Writes: request time-out 2 x base, acknowledgement waited for 20 x base.
constexpr TInstruction Write(uint8_t code, const char* group, TBlockRef block,
                             bool followUpCommit = false, TFamily family = TFamily::Any) {
    return {.Code = code,
            .Group = group,
            .Kind = TKind::Write,
            .Store = TStore::Block,
            .Block = block,
            .TimeoutMultiple = 2,
            .WaitMultiple = 20,
            .FollowUpCommit = followUpCommit,
            .Family = family};
}

constexpr TInstruction Status(uint8_t code, TBlockRef block) {
    return {.Code = code,
            .Kind = TKind::Status,
            .Store = TStore::Block,
            .Block = block,
            .WaitMultiple = 0};
}

constexpr TInstruction Control(uint8_t code, uint8_t timeoutMultiple, uint8_t waitMultiple,
                               TPrefix prefix = TPrefix::None) {
    return {.Code = code,
            .Kind = TKind::Control,
            .Prefix = prefix,
            .TimeoutMultiple = timeoutMultiple,
            .WaitMultiple = waitMultiple};
}

using namespace img;

const std::array kTable = {
    // The reply carries no index: it goes to the alarm last asked for.
    TInstruction{.Code = AlarmRead,
                 .Group = "Alarm Settings",
                 .Prefix = TPrefix::AlarmIndex,
                 .Store = TStore::Block,
                 .Block = Bytes(TImageBlock::Alarm, 0, AlarmRecordSize)},
    Read(TankMinRead, "Tank A to D Min", Bytes(TImageBlock::TankMin, 0, TankPointSize)),
    Read(TankMaxRead, "Tank A to D Max", Bytes(TImageBlock::TankMax, 0, TankPointSize)),
    Read(OutputOptionsRead, "Tank 4 to 20 Options", Bytes(TImageBlock::OutputOptions, 0, OutputOptionsSize)),
    Read(DisplayOptionsRead, "Display Options", Bytes(TImageBlock::DisplayOptions, 0, DisplayOptionsSize)),
    // The text, and its first bytes as the name bytes of the tank description.
    TInstruction{.Code = TankNameRead,
                 .Group = "Tank Name",
                 .Store = TStore::TankName,
                 .Block = Bytes(TImageBlock::TankDescription, 0, TankNameBytes)},
    Read(TankDescriptionRead, "Tank Descriptions",
         Bytes(TImageBlock::TankDescription, TankRecordOffset, TankRecordSize)),
    Read(CalibrationRead, "Tank 4 to 20 Calibration", Bytes(TImageBlock::Calibration, CalAt4mA, 4)),
    Read(TestTimeoutRead, "Test Timeout", Bytes(TImageBlock::Calibration, CalTestModeTimeout, 2)),
    Read(NodeIdRead, "RS485 ID", Bytes(TImageBlock::Rs485Id, 0, 1)),
    Read(TableSizeRead, "Table Size", Bytes(TImageBlock::TankTable, TableSizeOffset, 1)),
    TInstruction{.Code = TableDataRead,
                 .Group = "Table Data",
                 .Prefix = TPrefix::TableRange,
                 .Store = TStore::Block,
                 .Block = {{TImageBlock::TankTable, 0, 0, TableRowSize}, true}},
    Read(InputCalibrationRead, "setting", Bytes(TImageBlock::Calibration, CalInputPair, CalInputPairSize)),
    Read(DefaultProtocolRead, "Default Protocol", Bytes(TImageBlock::DefaultProtocol, 0, 1)),
    Read(FlowScalingRead, "Flow Frequency Scaling",
         Bytes(TImageBlock::Extended, ExtFlowFrequencyScaling, 2), TFamily::FlowScaling),
    Read(DisplayResolutionRead, "Display Resolution",
         Bytes(TImageBlock::Extended, ExtLcdDisplayResolution, 4), TFamily::Extended),
    Read(SafeCapacityRead, "Tank Safe Capacity", Bytes(TImageBlock::Extended, ExtSafeTankCapacity, 1),
         TFamily::Is8310),
    Read(ResolutionHysteresisRead, "Display Resolution Hysteresis",
         Bytes(TImageBlock::Extended, ExtDisplayResolutionHysteresis, 1), TFamily::Is8310),
    Read(SafeCapacityLitresRead, "Tank Safe Capacity Litres",
         Bytes(TImageBlock::Extended, ExtTankSafeCapacityLitres, 4), TFamily::Extended),
    TInstruction{.Code = Identity, .Store = TStore::Identity},

    Status(DeviceStateRead, Bytes(TImageBlock::DeviceState, 0, 1)),
    Status(AlarmOutputsRead, Bytes(TImageBlock::AlarmOutputs, 0, 1)),
    Status(VolumeRead, Bytes(TImageBlock::Volume, 0, VolumeSize)),

    // One request per alarm, each timed like a read.
    TInstruction{.Code = AlarmWrite,
                 .Group = "Alarm Settings",
                 .Kind = TKind::Write,
                 .Prefix = TPrefix::AlarmIndex,
                 .Store = TStore::Block,
                 .Block = Bytes(TImageBlock::Alarm, 0, AlarmRecordSize)},
    Write(TankMinWrite, "Tank A to D Min", Bytes(TImageBlock::TankMin, 0, TankPointSize)),
    Write(TankMaxWrite, "Tank A to D Max", Bytes(TImageBlock::TankMax, 0, TankPointSize)),
    Write(OutputOptionsWrite, "Tank 4 to 20 Options", Bytes(TImageBlock::OutputOptions, 0, OutputOptionsSize)),
    Write(DisplayOptionsWrite, "Display Options", Bytes(TImageBlock::DisplayOptions, 0, DisplayOptionsSize), true),
    TInstruction{.Code = TankNameWrite,
                 .Group = "Tank Name",
                 .Kind = TKind::Write,
                 .Store = TStore::TankName,
                 .TimeoutMultiple = 2,
                 .WaitMultiple = 20},
    Write(TankDescriptionWrite, "Tank Descriptions",
          Bytes(TImageBlock::TankDescription, TankRecordOffset, TankRecordSize), true),
    Write(CalibrationWrite, "Tank 4 to 20 Calibration", Bytes(TImageBlock::Calibration, CalAt4mA, 4)),
    Write(TestTimeoutWrite, "Test Timeout", Bytes(TImageBlock::Calibration, CalTestModeTimeout, 2)),
    Write(NodeIdWrite, "RS485 ID", Bytes(TImageBlock::Rs485Id, 0, 1)),
    Write(TableSizeWrite, "Table Size", Bytes(TImageBlock::TankTable, TableSizeOffset, 1)),
    TInstruction{.Code = TableDataWrite,
                 .Group = "Table Data",
                 .Kind = TKind::Write,
                 .Prefix = TPrefix::TableRange,
                 .Store = TStore::Block,
                 .Block = {{TImageBlock::TankTable, 0, 0, TableRowSize}, true},
                 .TimeoutMultiple = 2,
                 .WaitMultiple = 20},
    Write(DefaultProtocolWrite, "Default Protocol", Bytes(TImageBlock::DefaultProtocol, 0, 1)),
    Write(FlowScalingWrite, "Flow Frequency Scaling",
          Bytes(TImageBlock::Extended, ExtFlowFrequencyScaling, 2), false, TFamily::FlowScaling),
    Write(DisplayResolutionWrite, "Display Resolution",
          Bytes(TImageBlock::Extended, ExtLcdDisplayResolution, 4), false, TFamily::Extended),
    Write(SafeCapacityWrite, "Tank Safe Capacity", Bytes(TImageBlock::Extended, ExtSafeTankCapacity, 1),
          true),
    Write(ResolutionHysteresisWrite, "Display Resolution Hysteresis",
          Bytes(TImageBlock::Extended, ExtDisplayResolutionHysteresis, 1)),

    Control(TestModeOn, 1, 2),
    Control(TestOutputs, 1, 2, TPrefix::Argument),
    Control(TestModeOff, 1, 2),
    // Its outcome is ignored: the write before it has already succeeded.
    Control(Commit, 3, 2),
    // Shown at once while the user drags the slider: nobody waits for it.
    Control(Contrast, 1, 0, TPrefix::Argument),

    TInstruction{.Code = Acknowledge, .Kind = TKind::Ack, .WaitMultiple = 0},
};

const std::array<uint8_t, 18> kReadAllOrder = {Identity,
                                               TankMinRead,
                                               TankMaxRead,
                                               AlarmRead,
                                               OutputOptionsRead,
                                               DisplayOptionsRead,
                                               TankNameRead,
                                               TankDescriptionRead,
                                               CalibrationRead,
                                               InputCalibrationRead,
                                               TestTimeoutRead,
                                               DefaultProtocolRead,
                                               NodeIdRead,
                                               FlowScalingRead,
                                               DisplayResolutionRead,
                                               SafeCapacityRead,
                                               ResolutionHysteresisRead,
                                               SafeCapacityLitresRead};

const std::array<uint8_t, 8> kWriteAllOrder = {
    AlarmWrite,    TankMinWrite,         TankMaxWrite,         OutputOptionsWrite,
    TankNameWrite, TankDescriptionWrite, DefaultProtocolWrite, DisplayOptionsWrite};

} // namespace

std::span<const TInstruction> Table() {
    return kTable;
}

const TInstruction* Find(uint8_t code) {
    for (const TInstruction& row : kTable)
        if (row.Code == code)
            return &row;
    return nullptr;
}

std::span<const uint8_t> ReadAllOrder() {
    return kReadAllOrder;
}

std::span<const uint8_t> WriteAllOrder() {
    return kWriteAllOrder;
}

std::string GroupName(uint8_t instruction) {
    const TInstruction* row = Find(instruction);
    return row ? row->Group : "setting";
}

uint8_t ReadBackOf(uint8_t write) {
    const TInstruction* sent = Find(write);
    if (!sent || sent->Kind != TKind::Write || sent->Store == TStore::None)
        return 0;
    for (const TInstruction& row : Table()) {
        if (row.Kind != TKind::Read || row.Store != sent->Store || row.Prefix != sent->Prefix)
            continue;
        // The name is one text, wherever its bytes sit.
        if (sent->Store == TStore::TankName)
            return row.Code;
        const TImageLocation& a = row.Block.Where;
        const TImageLocation& b = sent->Block.Where;
        if (a.Block == b.Block && a.Offset == b.Offset && a.Width == b.Width &&
            row.Block.PerRow == sent->Block.PerRow)
            return row.Code;
    }
    return 0;
}

} // namespace instr
