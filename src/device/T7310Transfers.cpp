// SPDX-License-Identifier: GPL-3.0-or-later
#include "T7310.h"

#include "ByteOrder.h"
#include "SerialPacket.h"
#include "T7310Detail.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <algorithm>
#include <cstring>

using instr::TInstruction;
using instr::TKind;
using instr::TPrefix;
using namespace device_detail;

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

bool T7310::ReadSettingBlocks(bool identity, const std::set<uint8_t>* only) {
    for (uint8_t code : instr::ReadAllOrder()) {
        const TInstruction& row = Row(code);
        if (!AppliesTo(row.Family) || (code == instr::Identity && !identity) ||
            (only && !only->count(code)))
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

size_t T7310::BlockRows(TRowBlocks blocks) const {
    if (!link_->FastActive() || blocks == TRowBlocks::SingleRows)
        return 1;
    return kTableBlockRows;
}

bool T7310::MayBeSingleRowGauge(TFailure failure) {
    // A reply of the wrong size, a refusal or silence is what a gauge that takes one row
    // only may answer to a count above 1; a spoilt checksum is the line, not the gauge.
    return failure == TFailure::WrongReply || failure == TFailure::Refused ||
           failure == TFailure::NoReply;
}

void T7310::SayRowByRow() {
    if (row_by_row_said_)
        return;
    row_by_row_said_ = true;
    Raise(OnTableRowByRow, this, std::string(kRowByRowText));
}

bool T7310::ReadRowsSingly(size_t start, size_t count, size_t& failedRow) {
    for (size_t row = start; row < start + count; ++row)
        if (!ReadTableRows(static_cast<uint8_t>(row), 1)) {
            failedRow = row;
            return false;
        }
    return true;
}

T7310::TBlockResult T7310::ReadRowBlock(size_t start, size_t count, size_t& failedRow) {
    failedRow = start;
    if (ReadTableRows(static_cast<uint8_t>(start), static_cast<uint8_t>(count))) {
        if (count > 1)
            block_reads_ = TRowBlocks::Blocks;
        return TBlockResult::Done;
    }
    // Only the first block read of a connection may show that the count is not honoured.
    if (count == 1 || block_reads_ != TRowBlocks::Untried ||
        !MayBeSingleRowGauge(outcome_.Failure))
        return TBlockResult::Failed;
    block_reads_ = TRowBlocks::SingleRows;
    SayRowByRow();
    return ReadRowsSingly(start, count, failedRow) ? TBlockResult::Done : TBlockResult::Failed;
}

T7310::TBlockResult T7310::WriteRowBlock(size_t start, size_t count, size_t& failedRow) {
    failedRow = start;
    const bool probe = count > 1 && block_writes_ == TRowBlocks::Untried;
    if (!WriteTableRows(static_cast<uint8_t>(start), static_cast<uint8_t>(count))) {
        if (!probe || outcome_.Failure != TFailure::Refused)
            return TBlockResult::Failed;
        block_writes_ = TRowBlocks::SingleRows;
        SayRowByRow();
        return TBlockResult::Restart;
    }
    if (!probe)
        return TBlockResult::Done;

    // Read the block straight back (into an image of its own: Image keeps what was written).
    TDeviceImage back = Image;
    TDeviceImage* const target = read_target_;
    read_target_ = &back;
    const ScopeExit restore([this, target] { read_target_ = target; });
    size_t readFailed = start;
    const bool read = BlockRows(block_reads_) > 1
                          ? ReadRowBlock(start, count, readFailed) == TBlockResult::Done
                          : ReadRowsSingly(start, count, readFailed);
    if (!read) {
        failedRow = readFailed;
        return TBlockResult::Failed;
    }
    const size_t bytes = count * img::TableRowSize;
    if (std::memcmp(back.TableRow(start), Image.TableRow(start), bytes) != 0) {
        block_writes_ = TRowBlocks::SingleRows;
        SayRowByRow();
        return TBlockResult::Restart;
    }
    // Rows after the first that the gauge held already tell nothing: probe the next block.
    const size_t after = img::TableRowsOffset + (start + 1) * img::TableRowSize;
    const bool told =
        !rows_before_ || std::memcmp(rows_before_->data() + after, Image.TankTable.data() + after,
                                     bytes - img::TableRowSize) != 0;
    if (told)
        block_writes_ = TRowBlocks::Blocks;
    return TBlockResult::Done;
}

bool T7310::TransferTable(uint8_t rowsCode, bool sized, const TDeviceImage& table, bool write) {
    bool ok = sized;
    const size_t size = ok ? table.TableSize() : 0;
    size_t i = 0;
    while (ok && i < size) {
        // Beyond the last row of the table, the range check fails the transfer.
        const size_t fit = i < img::TableRows ? img::TableRows - i : 1;
        const size_t count =
            std::min({BlockRows(write ? block_writes_ : block_reads_), size - i, fit});
        size_t failedRow = i;
        const TBlockResult result =
            write ? WriteRowBlock(i, count, failedRow) : ReadRowBlock(i, count, failedRow);
        if (result == TBlockResult::Restart) {
            // The gauge kept only the first row of a block: the whole table again, row by row.
            i = 0;
            continue;
        }
        ok = result == TBlockResult::Done;
        if (ok) {
            i += count;
            RaiseProgress(RowPercent(i - 1, size));
        } else {
            TableRowFailed(rowsCode, failedRow, size);
        }
    }
    RaiseProgress(100);
    return ok;
}

bool T7310::ReadTableBlocks(const TDeviceImage& target) {
    RaiseProgress(0);
    const bool sized = ReadGroup(instr::TableSizeRead);
    return TransferTable(instr::TableDataRead, sized, target, false);
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
    return ReadIntoGaugeImage(into, nullptr, withTable, true);
}

bool T7310::ReadGaugeBack(TDeviceImage& into, const std::set<uint8_t>& writes) {
    std::set<uint8_t> reads;
    for (uint8_t code : writes)
        if (const uint8_t read = instr::ReadBackOf(code))
            reads.insert(read);
    const bool table = reads.count(instr::TableDataRead) || reads.count(instr::TableSizeRead);
    return ReadIntoGaugeImage(into, &reads, table, known_at_log_start_);
}

bool T7310::ReadIntoGaugeImage(TDeviceImage& into, const std::set<uint8_t>* only, bool table,
                               bool knownAfter) {
    TDeviceImage read = GaugeImage;
    read_target_ = &read;
    ScopeExit restore([this] { read_target_ = nullptr; });
    bool ok = ReadSettingBlocks(false, only);
    if (ok && table)
        ok = ReadTableBlocks(read);
    restore.Now();
    if (!ok)
        return false;
    GaugeImage = read;
    gauge_known_ = knownAfter;
    if (table)
        gauge_table_known_ = true;
    into = std::move(read);
    return true;
}

bool T7310::WriteTankTable() {
    if (gauge_table_known_)
        rows_before_ = GaugeImage.TankTable;
    const ScopeExit forget([this] { rows_before_.reset(); });
    RaiseProgress(0);
    const bool sized = WriteGroup(instr::TableSizeWrite);
    return TransferTable(instr::TableDataWrite, sized, Image, true);
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
    const bool ok = Exchange(Row(instr::TestOutputs), ack_, write_cursor_, bits);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    // Every run is kept, so a commissioning record can say which outputs were proved.
    TAlarmTestRun* open = !AlarmTests.empty() && AlarmTests.back().Ending.empty()
                              ? &AlarmTests.back()
                              : nullptr;
    if (open && (bits == 0 || ok)) {
        open->Ended = now;
        open->Ending = bits != 0 ? "ended early"
                       : ok      ? "completed"
                                 : "outputs not switched off: the gauge did not answer";
    }
    if (bits != 0)
        AlarmTests.push_back(
            {bits, now, ok ? QDateTime() : now,
             ok ? std::string() : std::string("not switched on: the gauge did not answer")});
    return ok;
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
    if (!AlarmTests.empty() && AlarmTests.back().Ending.empty()) {
        AlarmTests.back().Ending = "ended early";
        AlarmTests.back().Ended = QDateTime::currentDateTimeUtc();
    }
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
