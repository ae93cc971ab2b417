// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs the built t7310-cli as a child process against simulated gauges on real ptys, with the
// program settings store in a temporary folder. The tool runs at the protocol's own periods, so
// tests start their child processes together and wait for all of them.

#include "GaugeSimulator.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace clitest {

using Bytes = std::vector<uint8_t>;

// Longest a command may take against any gauge before the test calls it hung.
inline constexpr int kDeadline = 60000;

struct TRun {
    bool finished = false;
    int exitCode = -1;
    std::string out;
    std::string err;
};

// A fresh per-user store for the child processes (XDG_CONFIG_HOME), also used by this
// process's own QSettings so a test can prepare the stored values.
class TConfigHome {
public:
    TConfigHome();
    QString Path() const { return dir_.path(); }
    // Stores the configurator's three values, as the window would have saved them.
    void StoreProgramSettings(const QString& lastConnectId, int commPort, int baudRate) const;
    // Stores the configurator's "Technician".
    void StoreTechnician(const QString& name) const;
    // Maps COM number n to a device path.
    void MapPort(int commPort, const std::string& devicePath) const;

private:
    QTemporaryDir dir_;
};

// One child process per entry, all started at once; results in the same order.
struct TCall {
    QStringList args;
    const TConfigHome* home;
};
std::vector<TRun> RunAll(const std::vector<TCall>& calls, int deadlineMs = kDeadline);
std::vector<TRun> RunAll(const std::vector<QStringList>& calls, const TConfigHome& home,
                         int deadlineMs = kDeadline);
TRun RunOne(const QStringList& args, const TConfigHome& home, int deadlineMs = kDeadline);
// The tool started as a child with the home's store, for a test that talks to it while it runs.
std::unique_ptr<QProcess> StartChild(const QStringList& args, const TConfigHome& home);

// A started simulator; null (with a test failure) when the pty cannot be opened.
std::unique_ptr<sim::GaugeSimulator> StartSim(const std::string& model = "T8310",
                                              const std::string& pcid = "5", uint8_t node = 1);
// "--device <slave> --node <n>"
QStringList Target(const sim::GaugeSimulator& gauge, int node);

// The "  Name: text" lines of the tool's settings listing, in order; headings as ("", name).
std::vector<std::pair<std::string, std::string>> ParseListing(const std::string& out);
// The value of the first "Name: text" line (any indentation) with that name, or "<missing>".
std::string Field(const std::string& out, const std::string& name);

// Reads all settings of the gauge with an in-process device object at shortened periods and
// returns the catalogue's own listing in the same form as ParseListing.
std::vector<std::pair<std::string, std::string>> CatalogueListing(sim::GaugeSimulator& gauge,
                                                                  uint8_t node);
// Saves the gauge's settings to a .TLS file through an in-process device object.
bool SaveSettingsFile(sim::GaugeSimulator& gauge, uint8_t node, const std::string& fileName);

std::string ReadFile(const QString& path);
void WriteFile(const QString& path, const std::string& bytes);

// The codes of the write instructions the gauge received.
Bytes Writes(const sim::GaugeSimulator& gauge);

Bytes BE16(uint16_t value);
Bytes BE32(uint32_t value);
Bytes Concat(std::initializer_list<Bytes> parts);

} // namespace clitest
