#include "Instructions.h"

#include <array>

namespace instr {
namespace {

uint8_t* AlarmBlock(TDeviceImage& i, const TCursor& c) {
    return i.Alarms[c.AlarmIndex].data();
}
uint8_t* TankMinBlock(TDeviceImage& i, const TCursor&) {
    return i.TankMin.data();
}
uint8_t* TankMaxBlock(TDeviceImage& i, const TCursor&) {
    return i.TankMax.data();
}
uint8_t* OutputBlock(TDeviceImage& i, const TCursor&) {
    return i.OutputOptions.data();
}
uint8_t* DisplayBlock(TDeviceImage& i, const TCursor&) {
    return i.DisplayOptions.data();
}
uint8_t* TankBlock(TDeviceImage& i, const TCursor&) {
    return i.TankDescription.data();
}
uint8_t* CalibrationBlock(TDeviceImage& i, const TCursor&) {
    return i.Calibration.data();
}
uint8_t* ExtendedBlock(TDeviceImage& i, const TCursor&) {
    return i.Extended.data();
}
uint8_t* TableBlock(TDeviceImage& i, const TCursor&) {
    return i.TankTable.data();
}
uint8_t* RowsBlock(TDeviceImage& i, const TCursor& c) {
    return i.TableRow(c.TableStart);
}
uint8_t* NodeIdValue(TDeviceImage& i, const TCursor&) {
    return &i.Rs485Id;
}
uint8_t* ProtocolValue(TDeviceImage& i, const TCursor&) {
    return &i.DefaultProtocol;
}
uint8_t* StateValue(TDeviceImage& i, const TCursor&) {
    return &i.DeviceState;
}
uint8_t* OutputsValue(TDeviceImage& i, const TCursor&) {
    return &i.AlarmOutputs;
}
uint8_t* VolumeValue(TDeviceImage& i, const TCursor&) {
    return i.Volume.data();
}

constexpr TBlockRef Bytes(TBlockBase base, size_t offset, size_t length) {
    return {base, static_cast<uint16_t>(offset), static_cast<uint16_t>(length), false};
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
                 .Block = Bytes(AlarmBlock, 0, AlarmRecordSize)},
    Read(TankMinRead, "Tank A to D Min", Bytes(TankMinBlock, 0, TankPointSize)),
    Read(TankMaxRead, "Tank A to D Max", Bytes(TankMaxBlock, 0, TankPointSize)),
    Read(OutputOptionsRead, "Tank 4 to 20 Options", Bytes(OutputBlock, 0, OutputOptionsSize)),
    Read(DisplayOptionsRead, "Display Options", Bytes(DisplayBlock, 0, DisplayOptionsSize)),
    // The text, and its first bytes as the name bytes of the tank description.
    TInstruction{.Code = TankNameRead,
                 .Group = "Tank Name",
                 .Store = TStore::TankName,
                 .Block = Bytes(TankBlock, 0, TankNameBytes)},
    Read(TankDescriptionRead, "Tank Descriptions",
         Bytes(TankBlock, TankRecordOffset, TankRecordSize)),
    Read(CalibrationRead, "Tank 4 to 20 Calibration", Bytes(CalibrationBlock, CalAt4mA, 4)),
    Read(TestTimeoutRead, "Test Timeout", Bytes(CalibrationBlock, CalTestModeTimeout, 2)),
    Read(NodeIdRead, "RS485 ID", Bytes(NodeIdValue, 0, 1)),
    Read(TableSizeRead, "Table Size", Bytes(TableBlock, TableSizeOffset, 1)),
    TInstruction{.Code = TableDataRead,
                 .Group = "Table Data",
                 .Prefix = TPrefix::TableRange,
                 .Store = TStore::Block,
                 .Block = {RowsBlock, 0, TableRowSize, true}},
    Read(InputCalibrationRead, "setting", Bytes(CalibrationBlock, CalInputPair, CalInputPairSize)),
    Read(DefaultProtocolRead, "Default Protocol", Bytes(ProtocolValue, 0, 1)),
    Read(FlowScalingRead, "Flow Frequency Scaling",
         Bytes(ExtendedBlock, ExtFlowFrequencyScaling, 2), TFamily::FlowScaling),
    Read(DisplayResolutionRead, "Display Resolution",
         Bytes(ExtendedBlock, ExtLcdDisplayResolution, 4), TFamily::Extended),
    Read(SafeCapacityRead, "Tank Safe Capacity", Bytes(ExtendedBlock, ExtSafeTankCapacity, 1),
         TFamily::Is8310),
    Read(ResolutionHysteresisRead, "Display Resolution Hysteresis",
         Bytes(ExtendedBlock, ExtDisplayResolutionHysteresis, 1), TFamily::Is8310),
    Read(SafeCapacityLitresRead, "Tank Safe Capacity Litres",
         Bytes(ExtendedBlock, ExtTankSafeCapacityLitres, 4), TFamily::Extended),
    TInstruction{.Code = Identity, .Store = TStore::Identity},

    Status(DeviceStateRead, Bytes(StateValue, 0, 1)),
    Status(AlarmOutputsRead, Bytes(OutputsValue, 0, 1)),
    Status(VolumeRead, Bytes(VolumeValue, 0, VolumeSize)),

    // One request per alarm, each timed like a read.
    TInstruction{.Code = AlarmWrite,
                 .Group = "Alarm Settings",
                 .Kind = TKind::Write,
                 .Prefix = TPrefix::AlarmIndex,
                 .Store = TStore::Block,
                 .Block = Bytes(AlarmBlock, 0, AlarmRecordSize)},
    Write(TankMinWrite, "Tank A to D Min", Bytes(TankMinBlock, 0, TankPointSize)),
    Write(TankMaxWrite, "Tank A to D Max", Bytes(TankMaxBlock, 0, TankPointSize)),
    Write(OutputOptionsWrite, "Tank 4 to 20 Options", Bytes(OutputBlock, 0, OutputOptionsSize)),
    Write(DisplayOptionsWrite, "Display Options", Bytes(DisplayBlock, 0, DisplayOptionsSize), true),
    TInstruction{.Code = TankNameWrite,
                 .Group = "Tank Name",
                 .Kind = TKind::Write,
                 .Store = TStore::TankName,
                 .TimeoutMultiple = 2,
                 .WaitMultiple = 20},
    Write(TankDescriptionWrite, "Tank Descriptions",
          Bytes(TankBlock, TankRecordOffset, TankRecordSize), true),
    Write(CalibrationWrite, "Tank 4 to 20 Calibration", Bytes(CalibrationBlock, CalAt4mA, 4)),
    Write(TestTimeoutWrite, "Test Timeout", Bytes(CalibrationBlock, CalTestModeTimeout, 2)),
    Write(NodeIdWrite, "RS485 ID", Bytes(NodeIdValue, 0, 1)),
    Write(TableSizeWrite, "Table Size", Bytes(TableBlock, TableSizeOffset, 1)),
    TInstruction{.Code = TableDataWrite,
                 .Group = "Table Data",
                 .Kind = TKind::Write,
                 .Prefix = TPrefix::TableRange,
                 .Store = TStore::Block,
                 .Block = {RowsBlock, 0, TableRowSize, true},
                 .TimeoutMultiple = 2,
                 .WaitMultiple = 20},
    Write(DefaultProtocolWrite, "Default Protocol", Bytes(ProtocolValue, 0, 1)),
    Write(FlowScalingWrite, "Flow Frequency Scaling",
          Bytes(ExtendedBlock, ExtFlowFrequencyScaling, 2), false, TFamily::FlowScaling),
    Write(DisplayResolutionWrite, "Display Resolution",
          Bytes(ExtendedBlock, ExtLcdDisplayResolution, 4), false, TFamily::Extended),
    Write(SafeCapacityWrite, "Tank Safe Capacity", Bytes(ExtendedBlock, ExtSafeTankCapacity, 1),
          true),
    Write(ResolutionHysteresisWrite, "Display Resolution Hysteresis",
          Bytes(ExtendedBlock, ExtDisplayResolutionHysteresis, 1)),

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

} // namespace instr
