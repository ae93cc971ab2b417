// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The traffic on the packet link, decoded line by line: every request sent, every chunk
// received, every reply time-out, with a monotonic time stamp. The window's traffic monitor
// shows the lines in a table; t7310-cli --trace prints them on stderr. Both also count what
// crossed the line (TTrafficCounts).

#include "SerialPacket.h"

#include <QElapsedTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// Stray: a chunk that came while the link let the line settle; it answered no request.
enum class TTrafficDirection { Tx, Rx, Nack, Timeout, Stray };

enum class TTrafficCheck {
    None,      // a time-out line carries no frame
    Good,      // checksum right
    Bad,       // checksum wrong
    Unchecked, // the frame asks for no checksum check
    Short,     // fewer bytes than the Length byte promises
};

struct TTrafficLine {
    double Seconds = 0; // monotonic, since the recorder was made
    TTrafficDirection Direction = TTrafficDirection::Tx;
    int Node = -1;        // data byte 0; -1 when the frame has none
    int Instruction = -1; // -1 when the chunk is too short to carry one
    std::string Name;     // the instruction's group name
    int Flags = -1;
    int Length = -1;            // the Length byte
    std::vector<uint8_t> Bytes; // the frame or chunk as it crossed the line
    TTrafficCheck Check = TTrafficCheck::None;
    int ResponseMs = -1; // from the end of the request to the end of the reply (or time-out)
};

// The group name of a code ("Display Options"), or a plain name for the codes without one
// ("acknowledge" for 0x21, "identity" for 0xDF).
std::string InstructionName(uint8_t code);

// Decoding by the link's own rules: a chunk is one frame, its checksum is its last byte, and a
// frame without the acknowledgement bit is a negative acknowledgement. No time stamp.
TTrafficLine DecodeFrame(const uint8_t* bytes, int count, bool received);

// Pieces of a line as the table and the trace show them.
std::string DirectionText(TTrafficDirection direction); // "TX", "RX", "NACK", "TIMEOUT", "STRAY"
std::string NodeText(const TTrafficLine& line);         // "n1", "n?" when unknown
std::string InstructionText(const TTrafficLine& line);  // "14 Display Options"
std::string HexText(const std::vector<uint8_t>& bytes); // "0A 01 14 01 1E"
std::string CheckText(const TTrafficLine& line);        // "ok", "bad checksum", ...
std::string SecondsText(double seconds);                // "12.345"

// "12.345 TX n1 14 Display Options len=1 0A 01 14 01 1E"
// "12.612 RX n1 14 Display Options len=10 0F 0A 14 01 ... ok 267ms"
// "13.100 TIMEOUT n1 16 Tank Descriptions no reply 750ms"
std::string TraceText(const TTrafficLine& line);

// CSV of the monitor's table: a header line, then one line per traffic line.
std::string TrafficCsvHeader();
std::string TrafficCsvLine(const TTrafficLine& line);

// What crossed the line since the counts were last cleared. A reply is a chunk that came while
// a request was outstanding or just after it (a negative acknowledgement and a frame with a bad
// checksum or cut short are replies too, and counted again as such); a stray chunk is none.
struct TTrafficCounts {
    long Requests = 0;
    long Replies = 0;
    long Timeouts = 0;
    long Nacks = 0;
    long BadChecksums = 0; // wrong checksum, or fewer bytes than the Length byte promises
    long StrayChunks = 0;
    // Reply time in milliseconds -> replies that took it: exact median and longest, bounded
    // memory however long the session.
    std::map<int, long> ReplyMs;

    void Count(const TTrafficLine& line);
    int MedianReplyMs() const;  // -1 before the first timed reply
    int LongestReplyMs() const; // -1 before the first timed reply
};

// "requests 20, replies 19, time-outs 1, NAKs 0, bad checksums 0, stray chunks 0,
//  median reply 12 ms, longest reply 40 ms" ("-" for the times before any reply).
std::string CountsText(const TTrafficCounts& counts);

// The tap that turns the link's traffic into lines. Attached, it is the link's tap; detached
// (or destroyed) the link carries no observer at all.
class TTrafficRecorder : public TPacketTap {
public:
    TTrafficRecorder();
    ~TTrafficRecorder() override;
    TTrafficRecorder(const TTrafficRecorder&) = delete;
    TTrafficRecorder& operator=(const TTrafficRecorder&) = delete;

    void Attach(TSerialPacket& link);
    void Detach();
    bool Attached() const { return link_ != nullptr; }

    // Called for every line, on the GUI thread.
    std::function<void(const TTrafficLine&)> OnLine;

    void FrameSent(const uint8_t* frame, int size) override;
    void ChunkReceived(const uint8_t* bytes, int count) override;
    void ReplyTimedOut(uint8_t instruction) override;
    void StrayChunk(const uint8_t* bytes, int count) override;

    // Kept while detached (a paused monitor), cleared only here.
    const TTrafficCounts& Counts() const { return counts_; }
    void ClearCounts() { counts_ = {}; }

private:
    double Now() const;
    void Emit(const TTrafficLine& line);

    TSerialPacket* link_ = nullptr;
    QElapsedTimer clock_;
    TTrafficCounts counts_;
    // The request last sent, until its reply or time-out.
    bool outstanding_ = false;
    int request_node_ = -1;
    double request_end_ = 0; // seconds: sent, plus its time on the wire at the link's baud rate
};
