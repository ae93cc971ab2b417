// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliHarness.h"

#include "ComPortMap.h"
#include "ProgramSettings.h"
#include "SerialPacket.h"
#include "T7310.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#ifndef T7310_CLI_PATH
#error "T7310_CLI_PATH must name the built t7310-cli"
#endif

namespace clitest {

TConfigHome::TConfigHome() {
    // This process's own store goes to the same folder the children will use.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
}

void TConfigHome::StoreProgramSettings(const QString& lastConnectId, int commPort,
                                       int baudRate) const {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
    TProgramSettings settings;
    DeclareConfiguratorSettings(settings);
    settings.LoadAll();
    settings.Lookup(kLastConnectId)->TextValue = lastConnectId;
    settings.Lookup(kCommPort)->IntegerValue = commPort;
    settings.Lookup(kBaudRate)->IntegerValue = baudRate;
    settings.SaveAll();
}

void TConfigHome::StoreTechnician(const QString& name) const {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
    TProgramSettings settings;
    DeclareConfiguratorSettings(settings);
    settings.LoadAll();
    settings.Lookup(kTechnician)->TextValue = name;
    settings.SaveAll();
}

void TConfigHome::MapPort(int commPort, const std::string& devicePath) const {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
    SetCommPortDevice(commPort, QString::fromStdString(devicePath));
}

std::unique_ptr<QProcess> StartChild(const QStringList& args, const TConfigHome& home) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.Path());
    // The archive and journal of the tool's writes stay in the test's folder too.
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.Path() + QStringLiteral("/data"));
    auto child = std::make_unique<QProcess>();
    child->setProcessEnvironment(environment);
    child->setProgram(QStringLiteral(T7310_CLI_PATH));
    child->setArguments(args);
    child->start();
    return child;
}

std::vector<TRun> RunAll(const std::vector<TCall>& calls, int deadlineMs) {
    std::vector<std::unique_ptr<QProcess>> children;
    for (const TCall& call : calls)
        children.push_back(StartChild(call.args, *call.home));
    QDeadlineTimer deadline(deadlineMs);
    std::vector<TRun> runs;
    for (size_t i = 0; i < children.size(); ++i) {
        QProcess& child = *children[i];
        TRun run;
        run.finished =
            child.waitForFinished(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)));
        if (!run.finished) {
            child.kill();
            child.waitForFinished(5000);
        }
        run.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
        run.out = child.readAllStandardOutput().toStdString();
        run.err = child.readAllStandardError().toStdString();
        if (!run.finished)
            ADD_FAILURE() << "t7310-cli " << calls[i].args.join(' ').toStdString()
                          << " did not end within " << deadlineMs << " ms";
        runs.push_back(std::move(run));
    }
    return runs;
}

std::vector<TRun> RunAll(const std::vector<QStringList>& calls, const TConfigHome& home,
                         int deadlineMs) {
    std::vector<TCall> all;
    for (const QStringList& args : calls)
        all.push_back({args, &home});
    return RunAll(all, deadlineMs);
}

TRun RunOne(const QStringList& args, const TConfigHome& home, int deadlineMs) {
    return RunAll({args}, home, deadlineMs).front();
}

std::unique_ptr<sim::GaugeSimulator> StartSim(const std::string& model, const std::string& pcid,
                                              uint8_t node) {
    sim::Options options;
    options.model = model;
    options.pcid = pcid;
    options.node = node;
    auto gauge = std::make_unique<sim::GaugeSimulator>(options);
    std::string error;
    if (!gauge->Start(&error)) {
        ADD_FAILURE() << "simulator: " << error;
        return nullptr;
    }
    return gauge;
}

QStringList Target(const sim::GaugeSimulator& gauge, int node) {
    return {QStringLiteral("--device"), QString::fromStdString(gauge.SlavePath()),
            QStringLiteral("--node"), QString::number(node)};
}

std::vector<std::pair<std::string, std::string>> ParseListing(const std::string& out) {
    std::vector<std::pair<std::string, std::string>> listing;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line.rfind("Device family:", 0) == 0 || line.rfind("    ", 0) == 0)
            continue;
        if (line.rfind("  ", 0) != 0) {
            listing.emplace_back("", line);
            continue;
        }
        const std::string item = line.substr(2);
        const size_t colon = item.find(':');
        if (colon == std::string::npos) {
            listing.emplace_back("<no colon>", item);
            continue;
        }
        std::string text = item.substr(colon + 1);
        if (!text.empty() && text[0] == ' ')
            text.erase(0, 1);
        listing.emplace_back(item.substr(0, colon), text);
    }
    return listing;
}

std::string Field(const std::string& out, const std::string& name) {
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos || line.compare(start, name.size() + 1, name + ":") != 0)
            continue;
        std::string text = line.substr(start + name.size() + 1);
        return !text.empty() && text[0] == ' ' ? text.substr(1) : text;
    }
    return "<missing>";
}

namespace {

// Milliseconds per exchange instead of the protocol's few hundred.
void Shorten(T7310& device) {
    device.PollInterval = 1000000;
    device.WaitCheckInterval = 5;
    device.ConnectWait = 2000;
    device.DisconnectPause = 20;
    device.BaseReplyTimeout = 500;
    device.Link().ReadIntervalTimeout = 20;
    device.Link().SetProcessMessageTimerInterval(5);
}

bool ConnectFast(T7310& device, sim::GaugeSimulator& gauge, uint8_t node) {
    Shorten(device);
    device.ProgramSoftwareId = 3;
    device.SetDevicePath(gauge.SlavePath());
    if (!device.Connect(1, node, 9600)) {
        ADD_FAILURE() << "in-process connect to " << gauge.SlavePath() << " failed";
        return false;
    }
    if (!device.SettingsRead()) {
        ADD_FAILURE() << "in-process read of all settings failed";
        device.Disconnect();
        return false;
    }
    return true;
}

} // namespace

std::vector<std::pair<std::string, std::string>> CatalogueListing(sim::GaugeSimulator& gauge,
                                                                  uint8_t node) {
    std::vector<std::pair<std::string, std::string>> listing;
    T7310 device;
    if (!ConnectFast(device, gauge, node))
        return listing;
    const TZURSettings& settings = device.Settings();
    for (size_t i = 0; i < settings.Count(); ++i) {
        const TZURSetting& item = settings.Item(i);
        if (item.DataType == stGroup)
            listing.emplace_back("", item.Name);
        else
            listing.emplace_back(item.Name, item.AsText(true, true));
    }
    device.Disconnect();
    return listing;
}

bool SaveSettingsFile(sim::GaugeSimulator& gauge, uint8_t node, const std::string& fileName) {
    T7310 device;
    if (!ConnectFast(device, gauge, node))
        return false;
    const bool saved = device.SaveToFile(fileName);
    device.Disconnect();
    return saved;
}

std::string ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll().toStdString();
}

void WriteFile(const QString& path, const std::string& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

Bytes Writes(const sim::GaugeSimulator& gauge) {
    Bytes writes;
    for (uint8_t code : gauge.Instructions())
        if (code >= 0xA0 && code <= 0xBF)
            writes.push_back(code);
    return writes;
}

Bytes BE16(uint16_t value) {
    return {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

Bytes BE32(uint32_t value) {
    return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace clitest
