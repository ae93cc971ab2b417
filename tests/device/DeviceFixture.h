// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A device object talking to a simulated gauge over a real pseudo-terminal, with the
// protocol's periods shortened so an exchange takes milliseconds; an event log; and a raw
// gauge for the malformed frames the simulator does not produce.

#include "GaugeSimulator.h"
#include "T7310.h"
#include "TestHex.h"
#include "TestWait.h"

#include <gtest/gtest.h>

#include <QtGlobal>
#include <QSocketNotifier>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace devtest {

using Bytes = std::vector<uint8_t>;

inline constexpr int kDeadline = 5000; // anything that should happen promptly

// Periods for tests that are not about timing.
struct Periods {
    int dispatch = 5;       // link dispatch
    int silence = 20;       // reply silence ending a chunk
    int base = 250;         // base reply time-out
    int check = 20;         // wait check interval
    int connectWait = 1000; // for the port's connect notification
    int disconnectPause = 20;
    int poll = 1000000; // the poll runs only when a test calls it
};
void Shorten(T7310& device, const Periods& periods = {});

using ::Hex;

// Every event of the device object, as text in the order raised.
class EventLog {
public:
    void Attach(T7310& device);
    std::vector<std::string> entries;
    void Clear() { entries.clear(); }
    // The entries that begin with prefix, in order.
    std::vector<std::string> Only(const std::string& prefix) const;
};

// Simulator options for tests: a split reply's silence well above the shortened chunk
// silence, a fixed volume.
sim::Options TestOptions(const std::string& model = "T8310", const std::string& pcid = "5",
                         uint8_t node = 1);

class Rig {
public:
    explicit Rig(const sim::Options& options = TestOptions(), const Periods& periods = {});
    ~Rig();

    sim::GaugeSimulator sim;
    T7310 device;
    EventLog log;
    bool started = false;
    std::string error;

    // Connects to the simulator's node (or the given one) at 9600 baud.
    bool Connect();
    bool Connect(uint8_t node);
    // What the gauge received since the last ClearSent, as instruction codes.
    Bytes Sent() const { return sim.Instructions(); }
    void ClearSent();
    // Waits until every byte the gauge sent has reached the device object and the link
    // has nothing outstanding, so nothing left over lands in the next exchange.
    bool Drain();
    size_t BytesReceived() const { return bytes_received_; }

private:
    size_t RepliedBytes() const;
    size_t bytes_received_ = 0;
    size_t bytes_lost_ = 0; // sent while the port was closed
};

// The gauge's end of a pty that answers each request with what the script returns for it
// (nothing: no reply). Runs on the GUI thread's event loop, so it answers inside the device
// object's waits.
class RawGauge {
public:
    using Script = std::function<Bytes(const Bytes& request)>;
    RawGauge();
    ~RawGauge();
    Q_DISABLE_COPY(RawGauge)

    bool IsOpen() const { return master_ >= 0; }
    const std::string& SlavePath() const { return slave_path_; }
    Script script;
    std::vector<Bytes> requests; // whole frames received

private:
    void Readable();
    int master_ = -1;
    std::string slave_path_;
    Bytes pending_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

// A frame as the gauge builds it (independent of the link's own frame code).
Bytes Frame(uint8_t flags, uint8_t instruction, const Bytes& data);
inline constexpr uint8_t kReplyFlags = 0x0F; // ack, checksum, flow, ready

// The identity reply of a gauge: node byte, text, zero.
Bytes IdentityReply(uint8_t node, const std::string& text);

// Shortened periods applied, connected to a RawGauge whose script answers the identity.
bool ConnectRaw(T7310& device, RawGauge& gauge, uint8_t node, const std::string& identity);

} // namespace devtest
