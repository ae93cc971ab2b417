// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// Finds the gauges on a bus: asks each node ID of a range for its identity (DF), one at a
// time, with a short reply time-out, over a link of its own on the given port. A reply that
// fails its checks is listed as a bad reply, not dropped: two gauges answering under one ID
// garble each other's reply on the line.

#include "Identity.h"
#include "NodeId.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TSerialPacket;

struct TScanEntry {
    uint8_t Node = 0;
    bool Ok = false; // a good identity reply; otherwise Error says what was wrong
    TIdentity Identity;
    std::string Family; // as t7310-cli identify prints it
    std::string Error;
};

class TBusScan {
public:
    TBusScan();
    ~TBusScan();
    Q_DISABLE_COPY(TBusScan)

    // Short enough that all 99 node IDs take well under a minute at 9600 baud, long enough for
    // the identity reply (under 30 bytes) and the silence that ends it.
    int ReplyTimeout = 300;    // ms from the request leaving to the end of its reply
    int Silence = 100;         // ms of line silence that ends a reply
    int DispatchInterval = 10; // ms between the link's dispatch ticks

    static constexpr int kLowestNode = TNodeId::kLowest;
    static constexpr int kHighestNode = TNodeId::kHighestAssignable;
    static constexpr const char* kCollisionText = "bad reply (two gauges with one ID?)";
    static constexpr const char* kNackText = "negative acknowledgement";

    // When not empty, opened instead of the device the port number resolves to.
    std::string DevicePath;
    // The scan's own link, for a traffic tap; valid for the scanner's life.
    TSerialPacket& Link() { return *link_; }

    // Before each node is asked: the node and how many have been asked before it.
    std::function<void(int node, int asked, int total)> OnProbe;
    // Each node that answered, well or badly, as soon as it did.
    std::function<void(const TScanEntry& entry)> OnEntry;

    // Opens the port, asks from..to in ascending order, closes the port. False when the range
    // is not within 0 to 98 in order (nothing is sent) or the port cannot be opened (the
    // link's ErrorCode says why). A cancelled scan keeps what it found and returns true.
    bool Run(int commPort, long baudRate, int from, int to);
    // Ends a running scan after the node being asked.
    void Cancel() { cancelled_ = true; }
    bool Cancelled() const { return cancelled_; }
    bool Running() const { return running_; }

    // Every node that answered, in ascending order.
    const std::vector<TScanEntry>& Entries() const { return entries_; }
    int GaugesFound() const;

private:
    enum class TOutcome { Waiting, Good, Bad, Silent };
    void Ask(uint8_t node);

    std::unique_ptr<TSerialPacket> link_;
    std::vector<TScanEntry> entries_;
    bool cancelled_ = false;
    bool running_ = false;
    uint8_t asked_ = 0;
    TOutcome outcome_ = TOutcome::Waiting;
    TScanEntry current_;
};
