// SPDX-License-Identifier: GPL-3.0-or-later
// `provision SITE.csv`: a site of two buses provisioned at once, each gauge's line on stderr and
// the table on stdout, the exit status by the worst result, JSON, a bad site file refused before
// anything is sent, a second run touching only what was left, and Ctrl+C.

#include "CliHarness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <sstream>

using namespace clitest;

namespace {

constexpr size_t kContrast = 43 + 5; // display options record in the file, contrast

bool IsWrite(uint8_t code) {
    return code >= 0xA0 && code <= 0xB4;
}

// The write instruction codes each node of a bus received.
std::map<int, Bytes> WritesByNode(const sim::GaugeSimulator& bus) {
    std::map<int, Bytes> writes;
    for (const Bytes& frame : bus.Frames())
        if (frame.size() > 3 && IsWrite(frame[2]))
            writes[frame[3]].push_back(frame[2]);
    return writes;
}

std::unique_ptr<sim::GaugeSimulator> StartBus(std::vector<sim::Options> gauges) {
    auto bus = std::make_unique<sim::GaugeSimulator>(std::move(gauges));
    std::string error;
    if (!bus->Start(&error)) {
        ADD_FAILURE() << "simulator: " << error;
        return nullptr;
    }
    return bus;
}

sim::Options Gauge(uint8_t node, std::map<uint8_t, sim::Fault> faults = {}) {
    sim::Options options;
    options.node = node;
    options.faults = std::move(faults);
    return options;
}

// The table's row whose first two columns are these (bus and node, or node and tag).
std::string RowOf(const std::string& out, const std::string& one, const std::string& two) {
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string first, second;
        fields >> first >> second;
        if (first == one && second == two)
            return line;
    }
    return "<no row>";
}

class CliProvision : public ::testing::Test {
protected:
    void SetUp() override {
        a = StartBus({Gauge(1), Gauge(2, {{0xA4, sim::Fault::Forget}})});
        b = StartBus({Gauge(3), Gauge(4)});
        ASSERT_TRUE(a && b);
        // The gauges' own file with another contrast: every gauge differs in that one setting.
        const QString own = home.Path() + QStringLiteral("/own.TLS");
        ASSERT_TRUE(SaveSettingsFile(*a, 1, own.toStdString()));
        std::string bytes = ReadFile(own);
        bytes[kContrast] = 77;
        WriteFile(home.Path() + QStringLiteral("/site.TLS"), bytes);
    }
    QString SiteFile(const std::string& text) {
        const QString path = home.Path() + QStringLiteral("/site.csv");
        WriteFile(path, text);
        return path;
    }
    std::string TwoBuses() const {
        return "node,settings,device,tag\n1,site.TLS," + a->SlavePath() + ",North\n2,site.TLS," +
               a->SlavePath() + ",\"Day, east\"\n3,site.TLS," + b->SlavePath() +
               ",South\n4,own.TLS," + b->SlavePath() + ",\n";
    }

    TConfigHome home;
    std::unique_ptr<sim::GaugeSimulator> a;
    std::unique_ptr<sim::GaugeSimulator> b;
};

} // namespace

TEST_F(CliProvision, TwoBusesAtOnceThenOnlyWhatWasLeft) {
    const QString site = SiteFile(TwoBuses());
    const TRun first = RunOne({QStringLiteral("provision"), site, QStringLiteral("--fast")}, home);
    EXPECT_EQ(first.exitCode, 5) << first.err;
    const std::string busA = a->SlavePath(), busB = b->SlavePath();
    const struct {
        const std::string& bus;
        int node;
        const char* words; // in the node's row
    } rows[] = {{busA, 1, "written    1 change"},
                {busA, 2, "not-kept   1 not kept"},
                {busB, 3, "written    1 change"},
                {busB, 4, "unchanged"}};
    for (const auto& row : rows) {
        const std::string line = RowOf(first.out, row.bus, std::to_string(row.node));
        EXPECT_NE(line.find(row.words), std::string::npos) << line << "\n" << first.out;
        EXPECT_NE(first.err.find("node " + std::to_string(row.node) + " "), std::string::npos)
            << "a line per gauge as it ends:\n" << first.err;
    }
    EXPECT_NE(RowOf(first.out, busA, "2").find("Day, east"), std::string::npos);
    EXPECT_EQ(WritesByNode(*a).count(1), 1u);
    EXPECT_EQ(WritesByNode(*b).count(4), 0u) << "a gauge that holds the file is not written";

    a->ClearLog();
    b->ClearLog();
    const TRun second = RunOne({QStringLiteral("--fast"), QStringLiteral("provision"), site}, home);
    EXPECT_EQ(second.exitCode, 5) << second.err;
    for (int node : {1, 3, 4})
        EXPECT_NE(RowOf(second.out, node < 3 ? busA : busB, std::to_string(node)).find("unchanged"), std::string::npos)
            << second.out;
    const std::map<int, Bytes> writesA = WritesByNode(*a);
    EXPECT_EQ(writesA.size(), 1u);
    EXPECT_EQ(writesA.count(2), 1u) << "only the gauge left over is written again";
    EXPECT_TRUE(WritesByNode(*b).empty());
}

TEST_F(CliProvision, ExitStatusJsonAndDryRun) {
    const std::string busA = a->SlavePath();
    const QString bad = home.Path() + QStringLiteral("/bad.csv");
    WriteFile(bad, "node,settings\n1,site.TLS\n120,site.TLS\n");
    const QString good = home.Path() + QStringLiteral("/good.csv");
    WriteFile(good, "node,settings\n1,site.TLS\n");
    const QString silent = home.Path() + QStringLiteral("/silent.csv");
    WriteFile(silent, "node,settings\n3,site.TLS\n9,site.TLS\n");
    const QString device = QString::fromStdString(busA);

    const std::vector<TRun> runs = RunAll(
        {{QStringLiteral("--device"), device, QStringLiteral("provision"), bad},
         {QStringLiteral("provision")},
         {QStringLiteral("--device"), device, QStringLiteral("provision"), good,
          QStringLiteral("--dry-run"), QStringLiteral("--json"), QStringLiteral("--fast")}},
        home);
    EXPECT_EQ(runs[0].exitCode, 4) << runs[0].err;
    EXPECT_NE(runs[0].err.find("bad.csv:3: node \"120\""), std::string::npos) << runs[0].err;
    EXPECT_NE(runs[0].err.find("nothing was sent"), std::string::npos) << runs[0].err;
    EXPECT_EQ(runs[1].exitCode, 2) << runs[1].err;
    EXPECT_EQ(runs[2].exitCode, 5) << runs[2].err;
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(runs[2].out)).object();
    EXPECT_TRUE(json[QStringLiteral("dry_run")].toBool());
    const QJsonArray gauges = json[QStringLiteral("gauges")].toArray();
    ASSERT_EQ(gauges.size(), 1);
    const QJsonObject row = gauges[0].toObject();
    EXPECT_EQ(row[QStringLiteral("result")].toString(), QStringLiteral("differs"));
    EXPECT_EQ(row[QStringLiteral("changes")].toInt(), 1);
    EXPECT_EQ(row[QStringLiteral("differences")].toArray().size(), 1);
    EXPECT_TRUE(WritesByNode(*a).empty()) << "neither a bad site nor a dry run writes";

    // Written (at the standard timing); and a node that does not answer fails the run.
    const std::vector<TRun> more =
        RunAll({{QStringLiteral("--device"), device, QStringLiteral("provision"), good},
                {QStringLiteral("--device"), QString::fromStdString(b->SlavePath()),
                 QStringLiteral("--fast"), QStringLiteral("provision"), silent}},
               home);
    EXPECT_EQ(more[0].exitCode, 0) << more[0].err;
    EXPECT_EQ(more[1].exitCode, 1) << more[1].err;
    EXPECT_NE(more[1].out.find("failed"), std::string::npos) << more[1].out;
    EXPECT_NE(more[1].out.find("no answer"), std::string::npos) << more[1].out;
    EXPECT_NE(more[0].out.find("written"), std::string::npos) << more[0].out;
    EXPECT_NE(RowOf(more[1].out, "3", "T8310").find("written"), std::string::npos) << more[1].out;
    EXPECT_NE(RowOf(more[1].out, "9", "-").find("failed"), std::string::npos) << more[1].out;
}

TEST_F(CliProvision, CtrlCStopsAtTheEndOfTheExchangeInFlight) {
    // A slow bus, so the interrupt lands while the second gauge is being read.
    std::vector<sim::Options> gauges = {Gauge(1), Gauge(2), Gauge(3)};
    for (sim::Options& gauge : gauges)
        gauge.reply_delay_ms = 40;
    auto slow = StartBus(gauges);
    ASSERT_TRUE(slow);
    const QString site = SiteFile("node,settings\n1,site.TLS\n2,site.TLS\n3,site.TLS\n");

    const std::unique_ptr<QProcess> started = StartChild(
        {QStringLiteral("--device"), QString::fromStdString(slow->SlavePath()),
         QStringLiteral("--fast"), QStringLiteral("provision"), site},
        home);
    QProcess& child = *started;
    ASSERT_TRUE(child.waitForStarted());
    std::string err;
    QDeadlineTimer deadline(kDeadline);
    while (err.find("node 1 ") == std::string::npos && !deadline.hasExpired() &&
           child.state() == QProcess::Running) {
        child.waitForReadyRead(50);
        err += child.readAllStandardError().toStdString();
    }
    ASSERT_NE(err.find("node 1 "), std::string::npos) << err;
    ::kill(static_cast<pid_t>(child.processId()), SIGINT);
    ASSERT_TRUE(child.waitForFinished(kDeadline));
    const std::string out = child.readAllStandardOutput().toStdString();
    err += child.readAllStandardError().toStdString();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 130) << err;
    EXPECT_NE(out.find("written"), std::string::npos) << out;
    EXPECT_NE(out.find("stopped"), std::string::npos) << out;
    const std::map<int, Bytes> writes = WritesByNode(*slow);
    EXPECT_EQ(writes.count(1), 1u);
    EXPECT_EQ(writes.count(2) + writes.count(3), 0u) << "nothing after the stop was written";
}
