// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A simulated gauge: the gauge's side of the RS-485 wire, served on a pseudo-terminal.
// It keeps its own device image (laid out as the gauge sends it), answers reads, applies
// writes, acknowledges with instruction 0x21, answers only its own node ID or 99, and can be
// told to misbehave. It runs on a thread of its own, so a client that blocks its GUI thread
// in a wait still gets its answers.
//
// Every reply carries flags 0x0F and the gauge's node ID as data byte 0; a reply goes out in one
// write. A request the gauge cannot carry out (an unknown instruction, too few argument bytes,
// an alarm or table row out of range, node ID 99 or above for A9, or an extended instruction
// 27-2B/B1-B4 on a model that is not extended) gets a negative acknowledgement (flags 0x0E,
// the request's instruction echoed) and changes nothing. Writes and control instructions are
// acknowledged with instruction 0x21 and a 10-byte payload: the acknowledged code, then zeros.
// Bytes that form no frame with a good checksum are dropped one at a time until a frame is
// found; a partial frame is dropped after partial_frame_silence_ms of silence.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sim {

// A fault applies to every request for its instruction addressed to this gauge until cleared.
// With NoReply, Nack, Garbage and Unplug the request is lost and not carried out; with the others
// it is carried out and only the reply is spoilt on its way back.
enum class Fault {
    None,
    NoReply,     // say nothing
    Nack,        // reply with the acknowledgement bit clear
    BadChecksum, // reply with a wrong checksum
    OtherNode,   // reply as another node (node ID + 1)
    ShortReply,  // the first half of the payload, with a Length byte to match
    SplitReply,  // the first half of the frame, split_silence_ms of silence, then the rest
    Garbage,     // 6 to 24 random bytes that never pass as a good reply (acknowledgement bit
                 // clear, checksum checking on and wrong)
    Unplug,      // close the pseudo-terminal, as an adapter pulled out; it stays closed
    Forget,      // acknowledge a write as usual but keep the old value (other requests as usual)
    SingleRow,   // table rows (1D, AB) one at a time whatever the count: a block read is
                 // answered with its first row only, a block write stores its first row only
};

// Every fault by the name the command line and the tools give it, "none" first.
struct FaultName {
    const char* name;
    Fault fault;
};
const std::vector<FaultName>& FaultNames();

// "none", "nack", "checksum", "node", "short", "split", "garbage", "unplug", "noreply",
// "forget", "singlerow".
bool ParseFault(const std::string& text, Fault& fault);

struct Options {
    std::string model = "T8310"; // T7310, T8310 or PRM8310
    std::string version = "2.10";
    std::string pcid = "5"; // PC software ID in the identity reply
    uint8_t node = 1;
    int split_silence_ms = 400;         // silence inside a split reply
    int reply_delay_ms = 0;             // time between a request and its reply
    int partial_frame_silence_ms = 100; // a partial request is dropped after this silence
    double volume_period_s = 600.0;     // one rise and fall of the live volume
    unsigned garbage_seed = 7310;       // makes the garbage fault repeatable
    // When above 0, the line takes time as a wire at this baud rate does (10 bits a byte): a
    // request is answered only once its bytes could have arrived, and a reply goes out byte by
    // byte at that rate instead of in one write. 0: bytes cross the pty at once.
    long pace_baud = 0;
    // This gauge's own misbehaviour, by instruction code (0: every code), set before any of
    // the line's (SetFault), which is for every gauge.
    std::map<uint8_t, Fault> faults;
};

// True for the models that know the extended instructions (27-2B, B1-B4).
bool IsExtendedModel(const std::string& model, const std::string& pcid);

// One gauge, or a bus of several on one line. On a bus each gauge answers its own node ID and
// 99; gauges that answer one request reply at once, and their replies reach the line merged
// bit by bit (a 0 from either wins), as overlapping drivers garble each other. The line's
// timing (reply delay, split silence, partial-frame silence) is the first gauge's.
class GaugeSimulator {
public:
    explicit GaugeSimulator(Options options = {});
    explicit GaugeSimulator(std::vector<Options> gauges);
    ~GaugeSimulator();
    GaugeSimulator(const GaugeSimulator&) = delete;
    GaugeSimulator& operator=(const GaugeSimulator&) = delete;

    // Opens the pseudo-terminal and starts answering. False with a reason on failure.
    bool Start(std::string* error = nullptr);
    void Stop();
    // Takes request bytes as if they came down the line, on a simulator that is not started
    // (replaying a recording, fuzzing the request parser); the answers go to Replies() only.
    // False, taking nothing, while it runs.
    bool Feed(const uint8_t* bytes, size_t count);
    // Path of the pty's slave side: what the configurator opens.
    std::string SlavePath() const;
    // Also publish the slave under this path (a symbolic link), for scripts.
    bool Link(const std::string& path, std::string* error = nullptr);

    size_t GaugeCount() const;

    // Misbehaviour (of every gauge on the line) for one instruction code, or for every code with
    // instruction 0. A fault set for a code wins over the one for every code (so SetFault(code,
    // Fault::None) exempts it).
    void SetFault(uint8_t instruction, Fault fault);
    void ClearFaults();
    // Pulls the adapter out at once (closes the pty master).
    void Unplug();
    // Plugs it in again: a new pseudo-terminal, published under the same link path (the slave
    // path itself changes, as a new USB device number would). Only after Unplug or an unplug
    // fault, while running.
    bool Replug(std::string* error = nullptr);

    // The requests received, in order: instruction codes, and whole frames. Every frame with a
    // good checksum is logged, also one addressed to another node (which gets no answer).
    std::vector<uint8_t> Instructions() const;
    std::vector<std::vector<uint8_t>> Frames() const;
    // The bytes sent back, one entry per answered request (a split reply as one entry).
    std::vector<std::vector<uint8_t>> Replies() const;
    // Received bytes that formed no frame (noise, bad checksum, a request cut short).
    size_t DiscardedBytes() const;
    void ClearLog();

    // The accessors below concern the first gauge, except where they say otherwise.
    // The payload that a read instruction replies with (after the node byte), and the
    // writer for it: the block as the gauge holds it. For 0x10 the argument is the alarm
    // index, for 0x1D the table row. SetBlock writes at most the block's size; 0x1B sets the
    // node, 0xDF replaces the identity text, 0x1E and 0x19 fix the state and alarm outputs,
    // 0x1A fixes the volume (an 8-byte double, most significant byte first).
    std::vector<uint8_t> Block(uint8_t readInstruction, uint8_t argument = 0) const;
    void SetBlock(uint8_t readInstruction, const std::vector<uint8_t>& bytes, uint8_t argument = 0);

    // The volume reported now (status 1A): the tank's volume, from its shape and dimensions, at
    // a level that rises and falls slowly between 20 % and 80 % of its height. The alarm outputs
    // (19) follow it through the alarm setpoints, except in alarm test mode, where they are
    // what C1 drove; the state (1E) is 3 (running), or 6 in alarm test mode.
    // SetVolume stops the volume changing (for repeatable tests).
    double Volume() const;
    void SetVolume(double volume);

    uint8_t Node() const;
    bool IsExtended() const;
    bool AlarmTestMode() const;
    uint8_t AlarmTestOutputs() const;
    int C6Count() const;
    // The value of the last contrast preview (C7), or -1 when none came.
    int ContrastPreview() const;
    bool Unplugged() const;

    // Loads a .TLS settings file into the image (format 2 or 3 by its first bytes), all but
    // the RS 485 ID: the gauge keeps its node. A file too short for its format, or of another
    // format, is refused with a reason and changes nothing; bytes past the format are ignored.
    bool LoadImage(const std::string& fileName, std::string* error = nullptr);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace sim
