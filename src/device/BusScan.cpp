// SPDX-License-Identifier: GPL-3.0-or-later
#include "BusScan.h"

#include "Instructions.h"
#include "SerialPacket.h"
#include "StatusText.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstring>

TBusScan::TBusScan() : link_(std::make_unique<TSerialPacket>(nullptr)) {
    link_->OnPacketRx = [this](TSerialPacket*, const TPacket& packet) {
        if (outcome_ != TOutcome::Waiting)
            return;
        // A late reply of a node asked before, or anything but an identity, is not this
        // node's answer: keep waiting for it.
        if (packet.Instruction != instr::Identity || packet.Length < 1 ||
            packet.Data[0] != asked_ || !(packet.Flags & pk_CHECKSUM))
            return;
        const auto* text = reinterpret_cast<const char*>(packet.Data + 1);
        const size_t length = packet.Length - 1u;
        const auto* zero = static_cast<const char*>(std::memchr(text, 0, length));
        current_.Identity =
            SplitIdentity(std::string(text, zero ? static_cast<size_t>(zero - text) : length));
        current_.Family = FamilyText(current_.Identity.Is8310, current_.Identity.HasFlowScaling,
                                     current_.Identity.Is7310Extended);
        current_.Ok = true;
        outcome_ = TOutcome::Good;
    };
    link_->OnPacketInvalidChecksum = [this](TSerialPacket*, uint8_t) {
        if (outcome_ != TOutcome::Waiting)
            return;
        current_.Error = kCollisionText;
        outcome_ = TOutcome::Bad;
    };
    link_->OnPacketNACK = [this](TSerialPacket*, uint8_t) {
        if (outcome_ != TOutcome::Waiting)
            return;
        current_.Error = kNackText;
        outcome_ = TOutcome::Bad;
    };
    link_->OnPacketTimeout = [this](TSerialPacket*, uint8_t) {
        if (outcome_ == TOutcome::Waiting)
            outcome_ = TOutcome::Silent;
    };
}

TBusScan::~TBusScan() {
    link_->OnPacketRx = nullptr;
    link_->OnPacketInvalidChecksum = nullptr;
    link_->OnPacketNACK = nullptr;
    link_->OnPacketTimeout = nullptr;
}

int TBusScan::GaugesFound() const {
    int found = 0;
    for (const TScanEntry& entry : entries_)
        found += entry.Ok ? 1 : 0;
    return found;
}

bool TBusScan::Run(int commPort, long baudRate, int from, int to) {
    entries_.clear();
    cancelled_ = false;
    if (from < kLowestNode || to > kHighestNode || from > to || running_ ||
        !QCoreApplication::instance())
        return false;
    link_->DevicePath = DevicePath;
    link_->ReadIntervalTimeout = static_cast<uint32_t>(Silence);
    link_->SetProcessMessageTimerInterval(DispatchInterval);
    link_->SettleLimitMs = ReplyTimeout;
    if (link_->Connected())
        link_->Disconnect();
    if (!link_->Connect(commPort, baudRate))
        return false;
    running_ = true;
    const int total = to - from + 1;
    for (int node = from; node <= to && !cancelled_; ++node) {
        if (OnProbe)
            OnProbe(node, node - from, total);
        Ask(static_cast<uint8_t>(node));
        if (outcome_ == TOutcome::Good || outcome_ == TOutcome::Bad) {
            entries_.push_back(current_);
            if (OnEntry)
                OnEntry(current_);
        }
    }
    link_->Disconnect();
    running_ = false;
    return true;
}

void TBusScan::Ask(uint8_t node) {
    asked_ = node;
    current_ = TScanEntry{};
    current_.Node = node;
    outcome_ = TOutcome::Waiting;
    link_->WritePacketData(instr::Identity, &node, 1, ReplyTimeout);
    QTimer wake;
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(10);
    // After a silent node the line settles before the next request leaves; the reply is
    // timed from then on.
    QDeadlineTimer sent(link_->SettleLimitMs + 2 * DispatchInterval + 4 * Silence);
    while (link_->TxQueueSize() > 0 && !cancelled_ && !sent.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // The link's own time-out stops once any chunk arrives; a stray chunk must not leave the
    // scan waiting, so it keeps a deadline of its own: dispatch, time-out, and a margin.
    QDeadlineTimer deadline(ReplyTimeout + 2 * DispatchInterval + Silence);
    while (outcome_ == TOutcome::Waiting && !cancelled_ && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (outcome_ == TOutcome::Waiting)
        outcome_ = TOutcome::Silent;
}
