#include "T7310.h"

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

namespace {

// The instruction table's row of a code that is known to be there.
const TInstruction& Row(uint8_t code) {
    return *instr::Find(code);
}

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

template <typename Event, typename... Args>
void Raise(const Event& event, T7310* self, Args&&... args) {
    if (event)
        event(self, std::forward<Args>(args)...);
}

// Runs its function when the scope is left, however it is left (an event handler may
// throw), or earlier through Now().
template <typename F> class ScopeExit {
public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ~ScopeExit() { Now(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    void Now() {
        if (armed_) {
            armed_ = false;
            f_();
        }
    }

private:
    F f_;
    bool armed_ = true;
};

// Whether rows start .. start + count - 1 are rows of the table and fit in one frame.
bool RowsValid(uint8_t start, uint8_t count) {
    return count >= 1 && count <= instr::MaxRowsPerFrame && size_t{start} + count <= img::TableRows;
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

    settings_ = std::make_unique<TZURSettings>();

    poll_timer_ = std::make_unique<TMEKTimer>();
    poll_timer_->SetEnabled(false);
    poll_timer_->SetInterval(PollInterval);
    poll_timer_->SetOnTimer([this](void*) { PollStatus(); });

    BuildCatalogue(*settings_, Image);
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

bool T7310::Connect(int commPort, uint8_t nodeId, long baudRate) {
    NodeId = nodeId;
    connected_ = false;
    // A new session: nothing is known of what this gauge holds until it has been read.
    gauge_known_ = false;
    gauge_table_known_ = false;
    // A link left open would refuse to connect again and stop dispatching.
    if (link_->Connected())
        link_->Disconnect();
    if (!link_->Connect(commPort, baudRate))
        return false;
    if (!WaitFor(connected_, true, ConnectWait)) {
        link_->Disconnect();
        return false;
    }

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

// ---- reads ----

bool T7310::ReadGroup(uint8_t instruction) {
    const TInstruction* row = instr::Find(instruction);
    // Alarm and table rows need their argument: ReadAlarm and ReadTableRows.
    if (!row || row->Kind != TKind::Read || row->Prefix != TPrefix::None)
        return NotSent(instruction);
    Raise(OnReadingSetting, this, instr::GroupName(instruction));
    return Exchange(*row, replied_[instruction], read_cursor_);
}

bool T7310::ReadAlarm(uint8_t index) {
    if (index >= img::AlarmCount)
        return false;
    read_cursor_.AlarmIndex = index;
    return Exchange(Row(instr::AlarmRead), replied_[instr::AlarmRead], read_cursor_);
}

bool T7310::ReadTableRows(uint8_t start, uint8_t count) {
    if (!RowsValid(start, count))
        return NotSent(instr::TableDataRead);
    read_cursor_.TableStart = start;
    read_cursor_.TableCount = count;
    return Exchange(Row(instr::TableDataRead), replied_[instr::TableDataRead], read_cursor_);
}

bool T7310::ReadSettingBlocks(bool identity) {
    for (uint8_t code : instr::ReadAllOrder()) {
        const TInstruction& row = Row(code);
        if (!AppliesTo(row.Family) || (code == instr::Identity && !identity))
            continue;
        bool ok = true;
        if (code == instr::AlarmRead) {
            for (uint8_t i = 0; ok && i < img::AlarmCount; ++i)
                ok = ReadAlarm(i);
        } else {
            ok = ReadGroup(code);
        }
        if (!ok)
            return false;
    }
    return true;
}

bool T7310::ReadAllSettings() {
    Raise(OnReadAllStart, this);
    if (!ReadSettingBlocks(true))
        return false;
    gauge_known_ = true;
    Raise(OnSensorSettings, this, AlarmRefs,
          static_cast<const uint8_t*>(Image.Calibration.data() + img::CalInputPair));
    Raise(OnOutputOptions, this, Image.OutputOptions);
    Raise(OnDisplayOptions, this, Image.DisplayOptions);
    Raise(OnTankShape, this, Image.TankDescription);
    Raise(OnAlarms, this, AlarmRefs);
    Raise(OnReadAllDone, this);
    Raise(OnDefaultProtocol, this, Image.DefaultProtocol != 0);
    Raise(OnSettingsRead, this);
    return true;
}

// ---- writes ----

bool T7310::WriteGroup(uint8_t instruction) {
    ack_ = false;
    Busy = true;
    writing_ = true;
    ScopeExit finish([this] {
        writing_ = false;
        Busy = false;
    });
    const TInstruction* row = instr::Find(instruction);
    const std::string name = instr::GroupName(instruction);
    if (std::find(write_log_.begin(), write_log_.end(), instruction) == write_log_.end())
        write_log_.push_back(instruction);
    // Once something is sent, what the gauge holds is known again only by reading it back.
    gauge_known_ = false;
    if (instruction == instr::TableSizeWrite || instruction == instr::TableDataWrite)
        gauge_table_known_ = false;
    Raise(OnWritingSetting, this, name);

    if (instruction == instr::AlarmWrite) {
        bool ok = true;
        for (uint8_t i = 0; ok && i < img::AlarmCount; ++i)
            ok = WriteAlarm(i);
        if (ok)
            Raise(OnSettingWritten, this, name);
        else
            Raise(OnSettingWriteError, this, name);
        return ok;
    }
    if (!row || row->Kind != TKind::Write)
        return NotSent(instruction);

    if (!Exchange(*row, ack_, write_cursor_)) {
        Raise(OnSettingWriteError, this, name);
        return false;
    }
    if (row->FollowUpCommit) {
        const TOutcome written = outcome_;
        Exchange(Row(instr::Commit), ack_, write_cursor_); // outcome ignored
        outcome_ = written;
    }

    Raise(OnSettingWritten, this, name);
    finish.Now();
    // Raised last: the main window reconnects from it, which must find the write finished.
    if (instruction == instr::NodeIdWrite && NodeId != kBroadcastNode)
        Raise(OnNodeIdChanged, this, Image.Rs485Id);
    return true;
}

bool T7310::WriteAlarm(uint8_t index) {
    if (index >= img::AlarmCount)
        return false;
    instr::TCursor cursor;
    cursor.AlarmIndex = index;
    return Exchange(Row(instr::AlarmWrite), ack_, cursor);
}

bool T7310::WriteTableRows(uint8_t start, uint8_t count) {
    if (!RowsValid(start, count))
        return NotSent(instr::TableDataWrite);
    write_cursor_.TableStart = start;
    write_cursor_.TableCount = count;
    return WriteGroup(instr::TableDataWrite);
}

bool T7310::WriteAllSettings() {
    for (uint8_t code : instr::WriteAllOrder())
        if (!WriteGroup(code))
            return false;
    if (Image.IsNonStandardTank())
        return WriteTankTable();
    return true;
}

bool T7310::WriteSeries(std::initializer_list<uint8_t> codes) {
    for (uint8_t code : codes) {
        const TInstruction* row = instr::Find(code);
        if (row && !AppliesTo(row->Family))
            continue;
        if (!WriteGroup(code))
            return false;
    }
    return true;
}

bool T7310::WriteAlarms() {
    return WriteSeries({instr::AlarmWrite});
}
bool T7310::WriteTankSettings() {
    return WriteSeries(
        {instr::TankDescriptionWrite, instr::TankNameWrite, instr::OutputOptionsWrite});
}
bool T7310::WriteSensorParameters() {
    return WriteSeries({instr::TankMinWrite, instr::TankMaxWrite, instr::TankDescriptionWrite});
}
// B2 only for an extended gauge: the others have no display resolution (28 is not read).
bool T7310::WriteDisplayOptions() {
    return WriteSeries({instr::DisplayOptionsWrite, instr::DisplayResolutionWrite});
}
bool T7310::WriteNodeId() {
    return WriteSeries({instr::NodeIdWrite});
}
bool T7310::WriteDefaultProtocol() {
    return WriteSeries({instr::DefaultProtocolWrite});
}
// B1 only for a gauge with a flow output.
bool T7310::WriteSummary() {
    return WriteSeries(
        {instr::FlowScalingWrite, instr::SafeCapacityWrite, instr::ResolutionHysteresisWrite});
}

// ---- tank table ----

void T7310::TableRowFailed(uint8_t instruction, size_t row, size_t rows) {
    if (outcome_.Ok)
        NotSent(instruction);
    outcome_.Row = static_cast<int>(row + 1);
    outcome_.Rows = static_cast<int>(rows);
}

void T7310::RaiseProgress(int percent) {
    Raise(OnTableProgress, this, percent);
}

namespace {
// Integer part of row / size x 100, in single precision.
int RowPercent(size_t row, size_t size) {
    return static_cast<int>(static_cast<float>(row) / static_cast<float>(size) * 100.0f);
}
} // namespace

bool T7310::ReadTankTable() {
    const bool ok = ReadTableBlocks(Image);
    if (ok) {
        gauge_table_known_ = true;
        Raise(OnTankTable, this, Image.TankTable, Image.TankDescription);
    }
    return ok;
}

bool T7310::ReadTableBlocks(const TDeviceImage& target) {
    RaiseProgress(0);
    bool ok = ReadGroup(instr::TableSizeRead);
    const size_t size = ok ? target.TableSize() : 0;
    for (size_t i = 0; ok && i < size; ++i) {
        // Beyond the last row of the table, the range check fails the read.
        ok = ReadTableRows(static_cast<uint8_t>(i), 1);
        if (ok)
            RaiseProgress(RowPercent(i, size));
        else
            TableRowFailed(instr::TableDataRead, i, size);
    }
    RaiseProgress(100);
    return ok;
}

bool T7310::ReadGaugeTable() {
    read_target_ = &GaugeImage;
    ScopeExit restore([this] { read_target_ = nullptr; });
    if (!ReadTableBlocks(GaugeImage))
        return false;
    gauge_table_known_ = true;
    return true;
}

bool T7310::ReadGaugeImage(TDeviceImage& into, bool withTable) {
    TDeviceImage read = GaugeImage;
    read_target_ = &read;
    ScopeExit restore([this] { read_target_ = nullptr; });
    bool ok = ReadSettingBlocks(false);
    const bool table = withTable;
    if (ok && table)
        ok = ReadTableBlocks(read);
    restore.Now();
    if (!ok)
        return false;
    GaugeImage = read;
    gauge_known_ = true;
    if (table)
        gauge_table_known_ = true;
    into = std::move(read);
    return true;
}

bool T7310::WriteTankTable() {
    RaiseProgress(0);
    bool ok = WriteGroup(instr::TableSizeWrite);
    const size_t size = ok ? Image.TableSize() : 0;
    for (size_t i = 0; ok && i < size; ++i) {
        ok = WriteTableRows(static_cast<uint8_t>(i), 1);
        if (ok)
            RaiseProgress(RowPercent(i, size));
        else
            TableRowFailed(instr::TableDataWrite, i, size);
    }
    RaiseProgress(100);
    return ok;
}

// ---- alarm test mode, contrast ----

bool T7310::SetAlarmTestMode(bool on) {
    if (on) {
        if (!Exchange(Row(instr::TestModeOn), ack_, write_cursor_))
            return false;
        if (AlarmTestActive)
            SetAlarmTestOutputs(0);
        AlarmTestActive = true;
        Raise(OnAlarmTestMode, this, true);
        return true;
    }
    if (!Exchange(Row(instr::TestModeOff), ack_, write_cursor_))
        return false;
    AlarmTestActive = false;
    Raise(OnAlarmTestMode, this, false);
    return true;
}

bool T7310::SetAlarmTestOutputs(uint8_t bits) {
    if (!AlarmTestActive)
        return false;
    return Exchange(Row(instr::TestOutputs), ack_, write_cursor_, bits);
}

bool T7310::EndAlarmTest() {
    if (!AlarmTestActive)
        return true;
    if (!connected_)
        return false;
    // No poll in between: a poll's time-out would abort these waits.
    const bool wasBusy = Busy;
    const bool polling = poll_timer_->Enabled();
    Busy = true;
    poll_timer_->SetEnabled(false);
    const ScopeExit restore([this, wasBusy, polling] {
        Busy = wasBusy;
        poll_timer_->SetEnabled(polling);
    });
    // Requests already queued (a poll) go out first; a time-out among them would abort the
    // waits below and the disconnect that follows would drop what was never sent.
    QDeadlineTimer drained(static_cast<qint64>(link_->TxQueueSize() + 1) * 3 * BaseReplyTimeout);
    while (connected_ && (link_->TxQueueSize() > 0 || !link_->ClearToSend()) &&
           !drained.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents,
                                        std::max(1, WaitCheckInterval));
    const bool outputsOff = SetAlarmTestOutputs(0);
    return SetAlarmTestMode(false) && outputsOff;
}

void T7310::PreviewContrast(uint8_t contrast) {
    Request(Row(instr::Contrast), write_cursor_, contrast);
}

// ---- status poll ----

void T7310::PollStatus() {
    if (!connected_)
        return;
    poll_timer_->SetEnabled(false);
    if (settings_read_) {
        if (!writing_) {
            // Each poll reports what arrived since the previous one, then asks again.
            if (replied_[instr::DeviceStateRead]) {
                replied_[instr::DeviceStateRead] = false;
                Raise(OnDeviceState, this, Image.DeviceState);
            }
            Request(Row(instr::DeviceStateRead), read_cursor_);
            if (replied_[instr::AlarmOutputsRead]) {
                replied_[instr::AlarmOutputsRead] = false;
                Raise(OnAlarmOutputs, this, Image.AlarmOutputs);
            }
            Request(Row(instr::AlarmOutputsRead), read_cursor_);
            if (replied_[instr::VolumeRead]) {
                replied_[instr::VolumeRead] = false;
                Raise(OnVolume, this, static_cast<float>(GetBEDouble(Image.Volume.data())));
            }
            Request(Row(instr::VolumeRead), read_cursor_);
        }
    } else if (ReadAllSettings()) {
        settings_read_ = true;
    }
    poll_timer_->SetInterval(PollInterval);
    poll_timer_->SetEnabled(true);
}
