// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrafficLog.h"

#include "Instructions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string InstructionName(uint8_t code) {
    switch (code) {
    case instr::Acknowledge:
        return "acknowledge";
    case instr::Identity:
        return "identity";
    case 0x20:
        return "input calibration";
    case instr::DeviceStateRead:
        return "device state";
    case instr::AlarmOutputsRead:
        return "alarm outputs";
    case instr::VolumeRead:
        return "volume";
    case instr::TestModeOn:
        return "alarm test on";
    case instr::TestOutputs:
        return "alarm test outputs";
    case instr::TestModeOff:
        return "alarm test off";
    case instr::Commit:
        return "commit";
    case instr::Contrast:
        return "contrast preview";
    default:
        break;
    }
    const instr::TInstruction* row = instr::Find(code);
    return row ? row->Group : "unknown";
}

TTrafficLine DecodeFrame(const uint8_t* bytes, int count, bool received) {
    TTrafficLine line;
    line.Direction = received ? TTrafficDirection::Rx : TTrafficDirection::Tx;
    if (bytes == nullptr || count < 0)
        count = 0;
    line.Bytes.assign(bytes, bytes + count);
    if (count >= 1)
        line.Flags = bytes[frame::FlagsOffset];
    if (count >= 2)
        line.Length = bytes[frame::LengthOffset];
    if (count >= 3) {
        line.Instruction = bytes[frame::InstructionOffset];
        line.Name = InstructionName(static_cast<uint8_t>(line.Instruction));
    }
    if (count >= frame::DataOffset + 1 && line.Length >= 1)
        line.Node = bytes[frame::DataOffset];
    if (received && line.Flags >= 0 && !(line.Flags & pk_ACK))
        line.Direction = TTrafficDirection::Nack;

    if (count < frame::Overhead || count < line.Length + frame::Overhead) {
        line.Check = TTrafficCheck::Short;
        return line;
    }
    // As the link checks it: the bytes before the data's end against the chunk's last byte.
    uint8_t sum = 0;
    for (int i = 0; i < line.Length + frame::DataOffset; ++i)
        sum ^= bytes[i];
    const bool right = sum == bytes[count - 1];
    if (received && !(line.Flags & pk_CHECKSUM))
        line.Check = TTrafficCheck::Unchecked;
    else
        line.Check = right ? TTrafficCheck::Good : TTrafficCheck::Bad;
    return line;
}

std::string DirectionText(TTrafficDirection direction) {
    switch (direction) {
    case TTrafficDirection::Tx:
        return "TX";
    case TTrafficDirection::Rx:
        return "RX";
    case TTrafficDirection::Nack:
        return "NACK";
    case TTrafficDirection::Timeout:
        return "TIMEOUT";
    case TTrafficDirection::Stray:
        return "STRAY";
    }
    return "?";
}

std::string NodeText(const TTrafficLine& line) {
    return line.Node >= 0 ? "n" + std::to_string(line.Node) : std::string("n?");
}

std::string InstructionText(const TTrafficLine& line) {
    if (line.Instruction < 0)
        return "--";
    return HexText({static_cast<uint8_t>(line.Instruction)}) + " " + line.Name;
}

std::string HexText(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (uint8_t b : bytes) {
        if (!text.empty())
            text += ' ';
        text += digits[b >> 4];
        text += digits[b & 0x0F];
    }
    return text;
}

std::string CheckText(const TTrafficLine& line) {
    switch (line.Check) {
    case TTrafficCheck::None:
        return line.Direction == TTrafficDirection::Timeout ? "no reply" : "";
    case TTrafficCheck::Good:
        return "ok";
    case TTrafficCheck::Bad:
        return "bad checksum";
    case TTrafficCheck::Unchecked:
        return "unchecked";
    case TTrafficCheck::Short:
        return "short frame";
    }
    return "";
}

std::string SecondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

std::string TraceText(const TTrafficLine& line) {
    std::string text = SecondsText(line.Seconds) + " " + DirectionText(line.Direction) + " " +
                       NodeText(line) + " " + InstructionText(line);
    if (line.Direction != TTrafficDirection::Timeout) {
        text += " len=" + (line.Length >= 0 ? std::to_string(line.Length) : std::string("?"));
        if (!line.Bytes.empty())
            text += " " + HexText(line.Bytes);
    }
    // A request is built by this tool: only a wrong checksum is worth a word.
    const bool sent = line.Direction == TTrafficDirection::Tx;
    if (!sent || line.Check != TTrafficCheck::Good)
        if (const std::string check = CheckText(line); !check.empty())
            text += " " + check;
    if (line.ResponseMs >= 0)
        text += " " + std::to_string(line.ResponseMs) + "ms";
    return text;
}

namespace {
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}
} // namespace

std::string TrafficCsvHeader() {
    return "Time,Dir,Node,Instruction,Length,Data,Checksum,Response ms\r\n";
}

std::string TrafficCsvLine(const TTrafficLine& line) {
    const std::string fields[] = {
        SecondsText(line.Seconds),
        DirectionText(line.Direction),
        line.Node >= 0 ? std::to_string(line.Node) : std::string(),
        InstructionText(line),
        line.Length >= 0 ? std::to_string(line.Length) : std::string(),
        HexText(line.Bytes),
        CheckText(line),
        line.ResponseMs >= 0 ? std::to_string(line.ResponseMs) : std::string(),
    };
    std::string text;
    for (const std::string& field : fields)
        text += (text.empty() ? "" : ",") + CsvField(field);
    return text + "\r\n";
}

// ---------------------------------------------------------------------------------------------

void TTrafficCounts::Count(const TTrafficLine& line) {
    switch (line.Direction) {
    case TTrafficDirection::Tx:
        ++Requests;
        return;
    case TTrafficDirection::Timeout:
        ++Timeouts;
        return;
    case TTrafficDirection::Stray:
        ++StrayChunks;
        return;
    case TTrafficDirection::Nack:
        ++Nacks;
        break;
    case TTrafficDirection::Rx:
        break;
    }
    ++Replies;
    if (line.Check == TTrafficCheck::Bad || line.Check == TTrafficCheck::Short)
        ++BadChecksums;
    if (line.ResponseMs >= 0)
        ++ReplyMs[line.ResponseMs];
}

int TTrafficCounts::MedianReplyMs() const {
    long timed = 0;
    for (const auto& [ms, replies] : ReplyMs)
        timed += replies;
    // The lower middle one of an even count: a time some reply really took.
    long seen = 0;
    for (const auto& [ms, replies] : ReplyMs) {
        seen += replies;
        if (2 * seen >= timed)
            return ms;
    }
    return -1;
}

int TTrafficCounts::LongestReplyMs() const {
    return ReplyMs.empty() ? -1 : ReplyMs.rbegin()->first;
}

std::string CountsText(const TTrafficCounts& counts) {
    const auto ms = [](int value) {
        return value < 0 ? std::string("-") : std::to_string(value) + " ms";
    };
    return "requests " + std::to_string(counts.Requests) + ", replies " +
           std::to_string(counts.Replies) + ", time-outs " + std::to_string(counts.Timeouts) +
           ", NAKs " + std::to_string(counts.Nacks) + ", bad checksums " +
           std::to_string(counts.BadChecksums) + ", stray chunks " +
           std::to_string(counts.StrayChunks) + ", median reply " + ms(counts.MedianReplyMs()) +
           ", longest reply " + ms(counts.LongestReplyMs());
}

// ---------------------------------------------------------------------------------------------

TTrafficRecorder::TTrafficRecorder() {
    clock_.start();
}

TTrafficRecorder::~TTrafficRecorder() {
    Detach();
}

void TTrafficRecorder::Attach(TSerialPacket& link) {
    Detach();
    link_ = &link;
    link.SetTap(this);
}

void TTrafficRecorder::Detach() {
    if (link_ && link_->Tap() == this)
        link_->SetTap(nullptr);
    link_ = nullptr;
    outstanding_ = false;
}

double TTrafficRecorder::Now() const {
    return static_cast<double>(clock_.nsecsElapsed()) / 1e9;
}

void TTrafficRecorder::Emit(const TTrafficLine& line) {
    counts_.Count(line);
    if (OnLine)
        OnLine(line);
}

void TTrafficRecorder::FrameSent(const uint8_t* frame, int size) {
    TTrafficLine line = DecodeFrame(frame, size, false);
    line.Seconds = Now();
    // The request ends once its last bit is on the line: 10 bits a byte at the baud rate.
    const long baud = link_ && link_->BaudRate > 0 ? link_->BaudRate : 0;
    const double wire = baud > 0 ? size * 10.0 / static_cast<double>(baud) : 0.0;
    outstanding_ = true;
    request_node_ = line.Node;
    request_end_ = line.Seconds + wire;
    Emit(line);
}

void TTrafficRecorder::ChunkReceived(const uint8_t* bytes, int count) {
    TTrafficLine line = DecodeFrame(bytes, count, true);
    line.Seconds = Now();
    if (outstanding_) {
        line.ResponseMs =
            static_cast<int>(std::lround(std::max(0.0, line.Seconds - request_end_) * 1000.0));
        outstanding_ = false;
    }
    Emit(line);
}

void TTrafficRecorder::ReplyTimedOut(uint8_t instruction) {
    TTrafficLine line;
    line.Seconds = Now();
    line.Direction = TTrafficDirection::Timeout;
    line.Instruction = instruction;
    line.Name = InstructionName(instruction);
    line.Node = outstanding_ ? request_node_ : -1;
    if (outstanding_)
        line.ResponseMs =
            static_cast<int>(std::lround(std::max(0.0, line.Seconds - request_end_) * 1000.0));
    outstanding_ = false;
    Emit(line);
}

void TTrafficRecorder::StrayChunk(const uint8_t* bytes, int count) {
    TTrafficLine line = DecodeFrame(bytes, count, true);
    line.Seconds = Now();
    line.Direction = TTrafficDirection::Stray;
    Emit(line);
}
