// SPDX-License-Identifier: GPL-3.0-or-later
#include "T7310.h"

#include "T7310Detail.h"

#include "ByteOrder.h"
#include "Identity.h"
#include "SerialPacket.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <utility>

using instr::TInstruction;
using instr::TKind;
using instr::TPrefix;
using instr::TStore;

using namespace device_detail;

namespace {

// Whole decimal number, or -1 for any text that is not one.
int32_t ToInteger(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    while (first < last && (*first == ' ' || *first == '\t'))
        ++first;
    while (last > first &&
           (last[-1] == ' ' || last[-1] == '\t' || last[-1] == '\r' || last[-1] == '\n'))
        --last;
    if (first < last && *first == '+')
        ++first;
    int32_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (first == last || error != std::errc() || end != last)
        return -1;
    return value;
}

// A payload's text: up to its first zero byte, or all of it.
std::string TextOf(const uint8_t* payload, size_t length) {
    const auto* begin = reinterpret_cast<const char*>(payload);
    const auto* zero = static_cast<const char*>(std::memchr(begin, 0, length));
    return std::string(begin, zero ? static_cast<size_t>(zero - begin) : length);
}

} // namespace

T7310::T7310() {
    for (size_t i = 0; i < img::AlarmCount; ++i)
        AlarmRefs[i] = &Image.Alarms[i];

    link_ = std::make_unique<TSerialPacket>(nullptr);
    link_->ReadIntervalTimeout = 250;
    link_->OnConnect = [this](TWin32Port*) { LinkConnected(); };
    link_->OnDisconnect = [this](TWin32Port*) { LinkDisconnected(); };
    link_->OnPacketTimeout = [this](TSerialPacket*, uint8_t code) {
        LinkError(code, TFailure::NoReply);
    };
    link_->OnPacketNACK = [this](TSerialPacket*, uint8_t code) {
        LinkError(code, TFailure::Refused);
    };
    link_->OnPacketInvalidChecksum = [this](TSerialPacket*, uint8_t code) {
        LinkError(code, TFailure::BadChecksum);
    };
    link_->OnPacketRx = [this](TSerialPacket*, const TPacket& packet) { PacketRx(packet); };

    wait_timer_ = std::make_unique<TMEKTimer>();
    wait_timer_->SetEnabled(false);
    wait_timer_->SetOnTimer([this](void*) {
        abort_ = true;
        wait_timer_->SetEnabled(false);
    });

    poll_timer_ = std::make_unique<TMEKTimer>();
    poll_timer_->SetEnabled(false);
    poll_timer_->SetInterval(PollInterval);
    poll_timer_->SetOnTimer([this](void*) { PollStatus(); });
}

TZURSettings& T7310::BuiltCatalogue() const {
    if (!settings_) {
        auto built = std::make_unique<TZURSettings>();
        BuildCatalogue(*built, const_cast<TDeviceImage&>(Image));
        settings_ = std::move(built);
    }
    return *settings_;
}

T7310::~T7310() {
    // Nothing the link still posts may reach a half-destroyed device object.
    link_->OnConnect = nullptr;
    link_->OnDisconnect = nullptr;
    link_->OnPacketTimeout = nullptr;
    link_->OnPacketNACK = nullptr;
    link_->OnPacketInvalidChecksum = nullptr;
    link_->OnPacketRx = nullptr;
    link_.reset();
    wait_timer_.reset();
    settings_.reset();
    poll_timer_.reset();
}

void T7310::SetDevicePath(const std::string& path) {
    link_->DevicePath = path;
}

// ---- link handlers ----

void T7310::LinkConnected() {
    connected_ = true;
}

void T7310::LinkDisconnected() {
    connected_ = false;
}

void T7310::LinkError(uint8_t instruction, TFailure failure) {
    abort_ = true;
    failure_ = failure;
    if (!Busy)
        Raise(OnCommsError, this, instruction);
}

void T7310::PacketRx(const TPacket& packet) {
    // A frame without a checksum carries no data for us: at most an acknowledgement.
    if (!(packet.Flags & pk_CHECKSUM)) {
        if (packet.Flags & pk_ACK)
            ack_ = true;
        return;
    }
    // A frame that ends the wait with failure must not count as an acknowledgement either,
    // or a write would report success on another node's or a malformed reply.
    if (packet.Length == 0 || (packet.Data[0] != NodeId && NodeId != kBroadcastNode)) {
        WrongReply();
        return;
    }
    const TInstruction* row = instr::Find(packet.Instruction);
    if (!row || row->Kind == TKind::Write || row->Kind == TKind::Control) {
        WrongReply();
        return;
    }
    if (!StoreReply(*row, packet.Data + 1, size_t{packet.Length} - 1)) {
        WrongReply();
        return;
    }
    // A status reply comes back to a poll, never waited for: its acknowledgement bit must not
    // end the wait of a write or a test-mode instruction queued behind the poll.
    if ((packet.Flags & pk_ACK) && row->Kind != TKind::Status)
        ack_ = true;
    if (row->Kind == TKind::Ack)
        ack_ = true;
    else
        replied_[row->Code] = true;
}

bool T7310::NotSent(uint8_t instruction) {
    outcome_ = {false, instruction, 0, 0, TFailure::NotSent};
    return false;
}

void T7310::WrongReply() {
    abort_ = true;
    failure_ = TFailure::WrongReply;
    // Whatever else that gauge still sends is not the reply to the next request either.
    link_->DiscardUntilQuiet();
}

bool T7310::StoreReply(const TInstruction& row, const uint8_t* payload, size_t length) {
    if (row.Store == TStore::Identity) {
        replied_[row.Code] = true;
        SplitIdentity(TextOf(payload, length));
        GaugeImage.DeviceName = Image.DeviceName;
        GaugeImage.SoftwareVersion = Image.SoftwareVersion;
        GaugeImage.DevicePcSoftwareId = Image.DevicePcSoftwareId;
        return true;
    }
    if (read_target_)
        return StoreInto(*read_target_, row, payload, length);
    // What the gauge sent is also what it is known to hold.
    if (!StoreInto(Image, row, payload, length))
        return false;
    return StoreInto(GaugeImage, row, payload, length);
}

bool T7310::StoreInto(TDeviceImage& image, const TInstruction& row, const uint8_t* payload,
                      size_t length) {
    switch (row.Store) {
    case TStore::None:
    case TStore::Identity:
        return true;
    case TStore::Block: {
        if (row.Prefix == TPrefix::TableRange &&
            !RowsValid(read_cursor_.TableStart, read_cursor_.TableCount))
            return false;
        const size_t size = row.Block.Size(read_cursor_);
        // Too short: the rest would come from whatever the buffer held before.
        if (length < size)
            return false;
        // A block of rows comes whole or not at all: any other size is a gauge that read the
        // count its own way.
        if (row.Prefix == TPrefix::TableRange && read_cursor_.TableCount > 1 && length != size)
            return false;
        std::memcpy(row.Block.Bytes(image, read_cursor_), payload, size);
        return true;
    }
    case TStore::TankName: {
        image.TankName = TextOf(payload, length);
        uint8_t* nameBytes = row.Block.Bytes(image, read_cursor_);
        const size_t copied = std::min(length, size_t{row.Block.Where.Width});
        std::memcpy(nameBytes, payload, copied);
        std::memset(nameBytes + copied, 0, row.Block.Where.Width - copied);
        return true;
    }
    }
    return false;
}

void T7310::SplitIdentity(const std::string& text) {
    const TIdentity identity = ::SplitIdentity(text);
    Image.DeviceName = identity.DeviceName;
    Image.SoftwareVersion = identity.SoftwareVersion;
    Image.DevicePcSoftwareId = identity.PcSoftwareId;
    Is8310 = identity.Is8310;
    HasFlowScaling = identity.HasFlowScaling;
    Is7310Extended = identity.Is7310Extended;
}

// ---- the wait ----

bool T7310::WaitFor(const bool& flag, bool expected, int timeout) {
    if (in_wait_ || wait_timer_->Enabled()) {
        // Re-entered through the message loop: no reply can be ours, and the outer wait's
        // reply may have gone to whatever ran in between.
        abort_ = true;
        failure_ = TFailure::Interrupted;
        return false;
    }
    if (!QCoreApplication::instance())
        return false;
    in_wait_ = true;
    const ScopeExit leave([this] {
        wait_timer_->SetEnabled(false);
        in_wait_ = false;
    });
    abort_ = false;
    wait_timer_->SetInterval(std::max(1, timeout));
    wait_timer_->SetEnabled(true);
    // Bounds each blocking turn of the loop; a reply or any other event wakes it sooner.
    QTimer check;
    check.setTimerType(Qt::PreciseTimer);
    check.setInterval(std::max(1, WaitCheckInterval));
    check.start();
    while (!abort_ && flag != expected)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return flag == expected;
}

// ---- requests ----

bool T7310::Request(const TInstruction& row, const instr::TCursor& cursor, uint8_t argument) {
    uint8_t data[frame::MaxData] = {};
    size_t length = 0;
    data[length++] = NodeId;
    switch (row.Prefix) {
    case TPrefix::None:
        break;
    case TPrefix::AlarmIndex:
        data[length++] = cursor.AlarmIndex;
        break;
    case TPrefix::TableRange:
        data[length++] = cursor.TableStart;
        data[length++] = cursor.TableCount;
        break;
    case TPrefix::Argument:
        data[length++] = argument;
        break;
    }
    if (row.Kind == TKind::Write) {
        if (row.Store == TStore::Block) {
            const size_t size = row.Block.Size(cursor);
            if (length + size > sizeof data)
                return false;
            std::memcpy(data + length, row.Block.Bytes(Image, cursor), size);
            length += size;
        } else if (row.Store == TStore::TankName) {
            const size_t size = std::min(Image.TankName.size(), img::TankNameMaxLength);
            std::memcpy(data + length, Image.TankName.data(), size);
            length += size;
            data[length++] = 0;
        }
    }
    link_->WritePacketData(row.Code, data, static_cast<uint8_t>(length),
                           row.TimeoutMultiple * BaseReplyTimeout);
    return true;
}

bool T7310::Exchange(const TInstruction& row, bool& flag, const instr::TCursor& cursor,
                     uint8_t argument) {
    flag = false;
    outcome_ = {};
    if (row.Kind == TKind::Read && StopReads && StopReads->load()) {
        outcome_ = {false, row.Code, 0, 0, TFailure::Stopped};
        return false;
    }
    if (!Request(row, cursor, argument)) {
        outcome_ = {false, row.Code, 0, 0, TFailure::NotSent};
        return false;
    }
    if (row.WaitMultiple == 0)
        return true;
    failure_ = TFailure::None;
    if (WaitFor(flag, true, row.WaitMultiple * BaseReplyTimeout))
        return true;
    // Whatever ended the wait without the reply; the wait's own time-out when nothing did.
    outcome_ = {false, row.Code, 0, 0,
                failure_ == TFailure::None ? TFailure::NoReply : failure_};
    return false;
}

bool T7310::AppliesTo(instr::TFamily family) const {
    switch (family) {
    case instr::TFamily::Any:
        return true;
    case instr::TFamily::Extended:
        return IsExtended();
    case instr::TFamily::Is8310:
        return Is8310;
    case instr::TFamily::FlowScaling:
        return Is8310 && HasFlowScaling;
    }
    return false;
}

// ---- connection ----

void T7310::ForgetGauge(uint8_t nodeId) {
    NodeId = nodeId;
    // A new session: nothing is known of what this gauge holds until it has been read.
    gauge_known_ = false;
    gauge_table_known_ = false;
    // Whether this gauge honours a row count is found out afresh on each connection.
    block_reads_ = TRowBlocks::Untried;
    block_writes_ = TRowBlocks::Untried;
    row_by_row_said_ = false;
}

bool T7310::Connect(int commPort, uint8_t nodeId, long baudRate) {
    ForgetGauge(nodeId);
    connected_ = false;
    // A link left open would refuse to connect again and stop dispatching.
    if (link_->Connected())
        link_->Disconnect();
    link_->SettleLimitMs = BaseReplyTimeout;
    if (!link_->Connect(commPort, baudRate))
        return false;
    if (!WaitFor(connected_, true, ConnectWait)) {
        link_->Disconnect();
        return false;
    }
    return IdentifyAndRead();
}

bool T7310::Readdress(uint8_t nodeId) {
    if (!connected_ || !link_->Connected())
        return false;
    poll_timer_->SetEnabled(false);
    ForgetGauge(nodeId);
    // Nothing of the gauge before (another family's values, its texts) carries over.
    Image = TDeviceImage{};
    GaugeImage = TDeviceImage{};
    return IdentifyAndRead();
}

bool T7310::IdentifyAndRead() {
    Busy = true;
    if (!ReadGroup(instr::Identity)) {
        Disconnect();
        Busy = false;
        return false;
    }
    Busy = false;
    if (!AcceptsIdentity()) {
        Raise(OnIncompatible, this, std::string(kIncompatibleText));
        Disconnect();
        return false;
    }

    settings_read_ = false;
    PollStatus();
    poll_timer_->SetInterval(PollInterval);
    poll_timer_->SetEnabled(true);
    Raise(OnConnected, this);
    return true;
}

bool T7310::AcceptsIdentity() const {
    return ToInteger(Image.DevicePcSoftwareId) >= ProgramSoftwareId;
}

bool T7310::Disconnect() {
    Busy = true;
    poll_timer_->SetEnabled(false);
    link_->Disconnect();
    // Lets the port's threads finish; a time-out still under way ends the pause early.
    never_ = false;
    WaitFor(never_, true, DisconnectPause);
    Raise(OnDisconnected, this);
    return true;
}
