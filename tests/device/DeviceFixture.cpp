// SPDX-License-Identifier: GPL-3.0-or-later
#include "DeviceFixture.h"
#include "TestFrame.h"
#include "TestPty.h"

#include "SerialPacket.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace devtest {

void Shorten(T7310& device, const Periods& periods) {
    device.Link().SetProcessMessageTimerInterval(periods.dispatch);
    device.Link().ReadIntervalTimeout = static_cast<uint32_t>(periods.silence);
    device.BaseReplyTimeout = periods.base;
    device.WaitCheckInterval = periods.check;
    device.ConnectWait = periods.connectWait;
    device.DisconnectPause = periods.disconnectPause;
    device.PollInterval = periods.poll;
    device.ProgramSoftwareId = 3;
}

void EventLog::Attach(T7310& d) {
    auto add = [this](std::string text) { entries.push_back(std::move(text)); };
    d.OnConnected = [add](T7310*) { add("Connected"); };
    d.OnDisconnected = [add](T7310*) { add("Disconnected"); };
    d.OnCommsError = [add](T7310*, uint8_t code) {
        char text[32];
        std::snprintf(text, sizeof text, "CommsError %02X", code);
        add(text);
    };
    d.OnWritingSetting = [add](T7310*, const std::string& g) { add("WritingSetting " + g); };
    d.OnSettingWritten = [add](T7310*, const std::string& g) { add("SettingWritten " + g); };
    d.OnSettingWriteError = [add](T7310*, const std::string& g) { add("SettingWriteError " + g); };
    d.OnReadAllStart = [add](T7310*) { add("ReadAllStart"); };
    d.OnReadAllDone = [add](T7310*) { add("ReadAllDone"); };
    d.OnReadingSetting = [add](T7310*, const std::string& g) { add("ReadingSetting " + g); };
    d.OnTankShape = [add](T7310*, const TTankDescription&) { add("TankShape"); };
    d.OnSensorSettings = [add](T7310*, const TAlarmRefs&, const uint8_t*) {
        add("SensorSettings");
    };
    d.OnAlarms = [add](T7310*, const TAlarmRefs&) { add("Alarms"); };
    d.OnDisplayOptions = [add](T7310*, const TDisplayOptions&) { add("DisplayOptions"); };
    d.OnDeviceState = [add](T7310*, uint8_t s) { add("DeviceState " + std::to_string(s)); };
    d.OnAlarmOutputs = [add](T7310*, uint8_t b) { add("AlarmOutputs " + std::to_string(b)); };
    d.OnVolume = [add](T7310*, float v) { add("Volume " + std::to_string(v)); };
    d.OnOutputOptions = [add](T7310*, const TOutputOptions&) { add("OutputOptions"); };
    d.OnSettingsRead = [add](T7310*) { add("SettingsRead"); };
    d.OnDefaultProtocol = [add](T7310*, bool m) {
        add(m ? "DefaultProtocol 1" : "DefaultProtocol 0");
    };
    d.OnNodeIdChanged = [add](T7310*, uint8_t id) { add("NodeIdChanged " + std::to_string(id)); };
    d.OnAlarmTestMode = [add](T7310*, bool on) { add(on ? "AlarmTestMode 1" : "AlarmTestMode 0"); };
    d.OnTableProgress = [add](T7310*, int p) { add("TableProgress " + std::to_string(p)); };
    d.OnTankTable = [add](T7310*, const TTankTable&, const TTankDescription&) { add("TankTable"); };
    d.OnIncompatible = [add](T7310*, const std::string& text) { add("Incompatible " + text); };
    d.OnTableRowByRow = [add](T7310*, const std::string& text) { add("RowByRow " + text); };
}

std::vector<std::string> EventLog::Only(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& e : entries)
        if (e.compare(0, prefix.size(), prefix) == 0)
            out.push_back(e);
    return out;
}

sim::Options TestOptions(const std::string& model, const std::string& pcid, uint8_t node) {
    sim::Options options;
    options.model = model;
    options.pcid = pcid;
    options.node = node;
    options.split_silence_ms = 80;
    return options;
}

Rig::Rig(const sim::Options& options, const Periods& periods) : sim(options) {
    started = sim.Start(&error);
    sim.SetVolume(1234.5);
    Shorten(device, periods);
    if (started)
        device.SetDevicePath(sim.SlavePath());
    log.Attach(device);
    device.Link().OnRx = [this](TWin32Port*, char*, int count) {
        if (count > 0)
            bytes_received_ += static_cast<size_t>(count);
    };
}

Rig::~Rig() {
    device.Link().OnRx = nullptr;
    if (device.Connected())
        device.Disconnect();
}

bool Rig::Connect() {
    return Connect(sim.Node());
}

bool Rig::Connect(uint8_t node) {
    if (!started)
        return false;
    // Whatever the gauge said while the port was closed never arrives.
    const size_t replied = RepliedBytes();
    if (!device.Link().Connected() && replied > bytes_received_ + bytes_lost_)
        bytes_lost_ = replied - bytes_received_;
    return device.Connect(1, node, 9600);
}

void Rig::ClearSent() {
    sim.ClearLog();
    bytes_received_ = 0;
    bytes_lost_ = 0;
}

size_t Rig::RepliedBytes() const {
    size_t sent = 0;
    for (const Bytes& reply : sim.Replies())
        sent += reply.size();
    return sent;
}

bool Rig::Drain() {
    return WaitUntilDone([this] {
        const TSerialPacket& link = device.Link();
        // A closed link receives nothing more and keeps its queue until the next connect.
        if (!link.Connected())
            return !link.TimeoutTimer().Enabled();
        return bytes_received_ + bytes_lost_ >= RepliedBytes() && link.TxQueueSize() == 0 &&
               !link.TimeoutTimer().Enabled();
    });
}

RawGauge::RawGauge() {
    const TTestPty pty = OpenTestPty(true, false);
    if (pty.Master < 0)
        return;
    master_ = pty.Master;
    slave_path_ = pty.SlavePath;
    notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Readable(); });
}

RawGauge::~RawGauge() {
    notifier_.reset();
    if (master_ >= 0)
        close(master_);
}

void RawGauge::Readable() {
    uint8_t buffer[512];
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) {
        // Nobody holds the slave open (EIO, reported without end): look again a little later
        // instead of spinning.
        if (n < 0 && errno == EIO) {
            notifier_->setEnabled(false);
            QTimer::singleShot(5, notifier_.get(), [this] { notifier_->setEnabled(true); });
        }
        return;
    }
    pending_.insert(pending_.end(), buffer, buffer + n);
    while (pending_.size() >= 4 && pending_.size() >= size_t{pending_[1]} + 4) {
        const size_t size = size_t{pending_[1]} + 4;
        Bytes request(pending_.begin(), pending_.begin() + static_cast<long>(size));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(size));
        requests.push_back(request);
        const Bytes reply = script ? script(request) : Bytes{};
        if (!reply.empty()) [[maybe_unused]]
            auto written = write(master_, reply.data(), reply.size());
    }
}

Bytes Frame(uint8_t flags, uint8_t instruction, const Bytes& data) {
    return BuildTestFrame(flags, instruction, data);
}

Bytes IdentityReply(uint8_t node, const std::string& text) {
    Bytes data(text.size() + 2, 0);
    data[0] = node;
    std::copy(text.begin(), text.end(), data.begin() + 1);
    return Frame(kReplyFlags, 0xDF, data);
}

bool ConnectRaw(T7310& device, RawGauge& gauge, uint8_t node, const std::string& identity) {
    if (!gauge.IsOpen())
        return false;
    Shorten(device);
    device.SetDevicePath(gauge.SlavePath());
    // Identity answered; the first read of all settings is refused at its first request.
    gauge.script = [node, identity](const Bytes& request) {
        if (request[2] == 0xDF)
            return IdentityReply(node, identity);
        return Frame(0x0E, request[2], {node});
    };
    return device.Connect(1, node, 9600);
}

} // namespace devtest
