// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimGauge.h"

#include "SimBytes.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace sim {

namespace {

using namespace layout;

constexpr uint8_t kAcknowledge = 0x21;
constexpr size_t kAcknowledgePayload = 10;   // the acknowledged code, then zeros
constexpr size_t kMaxPayload = kMaxData - 1; // after the node byte

constexpr uint8_t kStateRunning = 3;
constexpr uint8_t kStateAlarmTest = 6;

Answer Acknowledge(uint8_t code) {
    Answer answer;
    answer.instruction = kAcknowledge;
    answer.payload.assign(kAcknowledgePayload, 0);
    answer.payload[0] = code;
    return answer;
}

Answer Refuse(uint8_t code) {
    Answer answer;
    answer.flags = kNackFlags;
    answer.instruction = code;
    return answer;
}

Answer Data(uint8_t code, std::vector<uint8_t> payload) {
    Answer answer;
    answer.instruction = code;
    if (payload.size() > kMaxPayload)
        payload.resize(kMaxPayload);
    answer.payload = std::move(payload);
    return answer;
}

} // namespace

const std::vector<FaultName>& FaultNames() {
    static const std::vector<FaultName> names = {
        {"none", Fault::None},        {"noreply", Fault::NoReply},
        {"nack", Fault::Nack},        {"checksum", Fault::BadChecksum},
        {"node", Fault::OtherNode},   {"short", Fault::ShortReply},
        {"split", Fault::SplitReply}, {"garbage", Fault::Garbage},
        {"unplug", Fault::Unplug},    {"forget", Fault::Forget},
        {"singlerow", Fault::SingleRow},
    };
    return names;
}

bool ParseFault(const std::string& text, Fault& fault) {
    for (const auto& [name, value] : FaultNames())
        if (text == name) {
            fault = value;
            return true;
        }
    return false;
}

bool IsExtendedModel(const std::string& model, const std::string& pcid) {
    return model == "T8310" || model == "PRM8310" || (model == "T7310" && pcid >= "4");
}

Fault Gauge::FaultFor(uint8_t code) const {
    if (auto it = faults.find(code); it != faults.end())
        return it->second;
    if (auto it = faults.find(0); it != faults.end())
        return it->second;
    return Fault::None;
}

double Gauge::CurrentVolume() const {
    if (fixedVolume)
        return *fixedVolume;
    // A slow rise and fall between a fifth and four fifths of the tank's height.
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    const double period = options.volume_period_s > 0 ? options.volume_period_s : 600.0;
    const double level = 0.5 + 0.3 * std::sin(2.0 * std::numbers::pi * seconds / period);
    return image.VolumeAt(level);
}

uint8_t Gauge::CurrentOutputs() const {
    if (testMode)
        return testOutputs;
    if (fixedOutputs)
        return *fixedOutputs;
    const double capacity = image.VolumeAt(1.0);
    return image.AlarmOutputs(capacity > 0 ? CurrentVolume() / capacity * 100.0 : 0.0);
}

std::vector<uint8_t> Gauge::ReadBlock(uint8_t code, uint8_t argument) const {
    if (const BlockSpan* block = FindBlockByRead(code))
        return image.Copy(block->offset, block->size);
    switch (code) {
    case kReadAlarm:
        if (argument >= kAlarmCount)
            return {};
        return image.Copy(kAlarms + argument * kAlarmSize, kAlarmSize);
    case kReadTableRows:
        if (argument >= kTableRowCount)
            return {};
        return image.Copy(kTableRows + argument * kTableRowSize, kTableRowSize);
    case kReadTankName: {
        auto name = image.TankName();
        name.push_back(0); // a twelve-character name still ends
        return name;
    }
    case kReadIdentity: {
        std::vector<uint8_t> text(identity.begin(), identity.end());
        text.push_back(0);
        return text;
    }
    case kReadState:
        return {fixedState.value_or(testMode ? kStateAlarmTest : kStateRunning)};
    case kReadAlarmOutputs:
        return {CurrentOutputs()};
    case kReadVolume: {
        std::vector<uint8_t> bytes(8);
        PutBEDouble(bytes.data(), CurrentVolume());
        return bytes;
    }
    default:
        return {};
    }
}

Answer Gauge::Execute(const Frame& request) {
    const uint8_t code = request.instruction;
    const std::vector<uint8_t> args(request.data.begin() + 1, request.data.end());

    // An instruction this gauge does not know, or a request that is malformed for it, gets a
    // negative acknowledgement and changes nothing.
    if (const BlockSpan* block = FindBlockByRead(code)) {
        if (block->extended && !extended)
            return Refuse(code);
        return Data(code, image.Copy(block->offset, block->size));
    }
    if (const BlockSpan* block = FindBlockByWrite(code)) {
        if ((block->extended && !extended) || args.size() < block->size)
            return Refuse(code);
        if (code == kWriteNodeId) {
            if (args[0] > kHighestNode)
                return Refuse(code);
            Answer answer = Acknowledge(code);
            answer.newNode = args[0]; // the acknowledgement still comes from the old node
            return answer;
        }
        image.Put(block->offset, block->size, args);
        return Acknowledge(code);
    }
    switch (code) {
    case kReadAlarm:
        if (args.empty() || args[0] >= kAlarmCount)
            return Refuse(code);
        return Data(code, ReadBlock(code, args[0]));
    case kWriteAlarm:
        if (args.size() < 1 + kAlarmSize || args[0] >= kAlarmCount)
            return Refuse(code);
        image.Put(kAlarms + args[0] * kAlarmSize, kAlarmSize,
                  std::vector<uint8_t>(args.begin() + 1, args.end()));
        return Acknowledge(code);
    case kReadTankName:
        return Data(code, ReadBlock(code, 0));
    case kWriteTankName:
        image.SetTankName(args.data(), args.size());
        return Acknowledge(code);
    case kReadTableRows: {
        if (args.size() < 2)
            return Refuse(code);
        const size_t start = args[0], count = args[1];
        if (start + count > kTableRowCount || count * kTableRowSize > kMaxPayload)
            return Refuse(code);
        return Data(code, image.Copy(kTableRows + start * kTableRowSize, count * kTableRowSize));
    }
    case kWriteTableRows: {
        if (args.size() < 2)
            return Refuse(code);
        const size_t start = args[0], count = args[1];
        if (start + count > kTableRowCount || args.size() < 2 + count * kTableRowSize)
            return Refuse(code);
        image.Put(kTableRows + start * kTableRowSize, count * kTableRowSize,
                  std::vector<uint8_t>(args.begin() + 2, args.end()));
        return Acknowledge(code);
    }
    case kReadIdentity:
    case kReadState:
    case kReadAlarmOutputs:
    case kReadVolume:
        return Data(code, ReadBlock(code, 0));
    case kAlarmTestOn:
        testMode = true;
        testOutputs = 0;
        return Acknowledge(code);
    case kAlarmTestOutputs:
        if (args.empty())
            return Refuse(code);
        testOutputs = args[0];
        return Acknowledge(code);
    case kAlarmTestOff:
        testMode = false;
        testOutputs = 0;
        return Acknowledge(code);
    case kCommit:
        ++c6Count;
        return Acknowledge(code);
    case kContrastPreview:
        // Shown at once and forgotten: the stored contrast changes only through A4.
        if (args.empty())
            return Refuse(code);
        contrastPreview = args[0];
        return Acknowledge(code);
    default:
        return Refuse(code);
    }
}

} // namespace sim
