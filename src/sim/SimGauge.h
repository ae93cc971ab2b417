// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One gauge of the simulated line: its device image, identity, test mode and faults, and the
// instruction set it carries out. The line side (GaugeSimulator::Impl) decides which gauges a
// request reaches and what of their answers gets onto the wire.

#include "GaugeSimulator.h"
#include "SimFrame.h"
#include "SimImage.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sim {

using Clock = std::chrono::steady_clock;

// Instructions with arguments or behaviour of their own (the plain blocks are in SimImage).
constexpr uint8_t kReadAlarm = 0x10;
constexpr uint8_t kWriteAlarm = 0xA0;
constexpr uint8_t kReadTankName = 0x15;
constexpr uint8_t kWriteTankName = 0xA5;
constexpr uint8_t kReadTableRows = 0x1D;
constexpr uint8_t kWriteTableRows = 0xAB;
constexpr uint8_t kWriteNodeId = 0xA9;
constexpr uint8_t kReadIdentity = 0xDF;
constexpr uint8_t kReadState = 0x1E;
constexpr uint8_t kReadAlarmOutputs = 0x19;
constexpr uint8_t kReadVolume = 0x1A;
constexpr uint8_t kAlarmTestOn = 0xC0;
constexpr uint8_t kAlarmTestOutputs = 0xC1;
constexpr uint8_t kAlarmTestOff = 0xC2;
constexpr uint8_t kCommit = 0xC6;
constexpr uint8_t kContrastPreview = 0xC7;

struct Answer {
    uint8_t flags = kReplyFlags;
    uint8_t instruction = 0;
    std::vector<uint8_t> payload;   // after the node byte
    std::optional<uint8_t> newNode; // takes effect once the reply is out
};

// One gauge on the line: its own image, identity, test mode and faults.
struct Gauge {
    explicit Gauge(Options opts)
        : options(std::move(opts)), extended(IsExtendedModel(options.model, options.pcid)),
          image(DeviceImage::Default(options.node, extended, options.model == "PRM8310")) {
        identity = options.model + " " + options.version + "?" + options.pcid;
        faults = options.faults;
    }

    Options options;
    bool extended;
    DeviceImage image;
    std::string identity;
    bool testMode = false;
    uint8_t testOutputs = 0;
    int c6Count = 0;
    int contrastPreview = -1;
    std::optional<uint8_t> fixedState;
    std::optional<uint8_t> fixedOutputs;
    std::optional<double> fixedVolume;
    std::map<uint8_t, Fault> faults;
    Clock::time_point started = Clock::now(); // the live volume's rise and fall starts here

    uint8_t Node() const { return image.At(layout::kRs485Id)[0]; }
    Answer Execute(const Frame& request);
    Fault FaultFor(uint8_t code) const;
    std::vector<uint8_t> ReadBlock(uint8_t code, uint8_t argument) const;
    double CurrentVolume() const;
    uint8_t CurrentOutputs() const;
};

} // namespace sim
