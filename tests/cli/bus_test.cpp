// SPDX-License-Identifier: GPL-3.0-or-later
// t7310-cli scan over simulated buses, and --trace: what each prints where, and its exit status.

#include "CliHarness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

using namespace clitest;

namespace {

std::unique_ptr<sim::GaugeSimulator> StartBus(const std::vector<sim::Options>& gauges) {
    auto bus = std::make_unique<sim::GaugeSimulator>(gauges);
    std::string error;
    if (!bus->Start(&error)) {
        ADD_FAILURE() << "simulator: " << error;
        return nullptr;
    }
    return bus;
}

sim::Options Gauge(const char* model, const char* pcid, uint8_t node) {
    sim::Options options;
    options.model = model;
    options.pcid = pcid;
    options.node = node;
    return options;
}

QStringList Device(const sim::GaugeSimulator& bus) {
    return {QStringLiteral("--device"), QString::fromStdString(bus.SlavePath())};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

struct TScanCase {
    const char* what;
    std::vector<sim::Options> gauges;
    QStringList args; // after --device
    int status;
    std::vector<std::string> out; // stdout, line by line
    bool sends;
};

TEST(CliScan, ListsTheGaugesThatAnswerAndEndsWithItsStatus) {
    TConfigHome home;
    const std::vector<sim::Options> three = {Gauge("T8310", "5", 1), Gauge("T7310", "3", 5),
                                             Gauge("PRM8310", "5", 5)};
    const std::vector<TScanCase> cases = {
        {"three gauges, two on one ID",
         three,
         {"scan", "--from", "0", "--to", "6"},
         0,
         {"Node 1: T8310 version 2.10, PC software ID 5 (T8310)",
          "Node 5: bad reply (two gauges with one ID?)", "1 gauge"},
         true},
        {"two gauges apart",
         {Gauge("T7310", "4", 2), Gauge("PRM8310", "5", 3)},
         {"scan", "--to", "3"},
         0,
         {"Node 2: T7310 version 2.10, PC software ID 4 (T7310 extended)",
          "Node 3: PRM8310 version 2.10, PC software ID 5 (T8310 with flow scaling)", "2 gauges"},
         true},
        {"only a collision",
         {Gauge("T7310", "3", 4), Gauge("T8310", "5", 4)},
         {"scan", "--from", "3", "--to", "5"},
         1,
         {"Node 4: bad reply (two gauges with one ID?)", "0 gauges"},
         true},
        {"a reversed range", three, {"scan", "--from", "9", "--to", "3"}, 2, {}, false},
        {"a range past 98", three, {"scan", "--to", "99"}, 2, {}, false},
        {"an unknown scan option", three, {"scan", "--node", "3"}, 2, {}, false},
    };
    std::vector<std::unique_ptr<sim::GaugeSimulator>> buses;
    std::vector<QStringList> calls;
    for (const TScanCase& c : cases) {
        buses.push_back(StartBus(c.gauges));
        ASSERT_TRUE(buses.back());
        calls.push_back(Device(*buses.back()) + c.args);
    }
    const std::vector<TRun> runs = RunAll(calls, home);
    for (size_t i = 0; i < cases.size(); ++i) {
        const TScanCase& c = cases[i];
        ASSERT_TRUE(runs[i].finished) << c.what;
        EXPECT_EQ(runs[i].exitCode, c.status) << c.what << "\n" << runs[i].err;
        if (c.status != 2)
            EXPECT_EQ(Lines(runs[i].out), c.out) << c.what;
        else
            EXPECT_TRUE(runs[i].out.empty() && !runs[i].err.empty()) << c.what;
        EXPECT_EQ(!buses[i]->Frames().empty(), c.sends) << c.what;
    }
}

TEST(CliScan, JsonListsGaugesAndOnlyTheBadReplies) {
    TConfigHome home;
    auto bus = StartBus({Gauge("T8310", "5", 1), Gauge("T7310", "3", 5), Gauge("PRM8310", "5", 5)});
    ASSERT_TRUE(bus);
    const TRun run = RunOne(Device(*bus) + QStringList{"--json", "scan", "--to", "6"}, home);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    const QJsonArray gauges = root["gauges"].toArray();
    ASSERT_EQ(gauges.size(), 1);
    EXPECT_EQ(gauges[0].toObject(), (QJsonObject{{"node", 1},
                                                 {"name", "T8310"},
                                                 {"version", "2.10"},
                                                 {"pcid", "5"},
                                                 {"family", "T8310"}}));
    EXPECT_EQ(
        root["errors"].toArray(),
        (QJsonArray{QJsonObject{{"node", 5}, {"error", "bad reply (two gauges with one ID?)"}}}));
}

TEST(CliTrace, EveryFrameGoesToStderrTimedAndDecoded) {
    TConfigHome home;
    auto answering = StartSim("T8310", "5", 1);
    auto silent = StartSim("T8310", "5", 1);
    ASSERT_TRUE(answering && silent);
    silent->SetFault(0x11, sim::Fault::NoReply);
    const std::vector<TRun> runs =
        RunAll({Target(*answering, 1) + QStringList{"--trace", "identify"},
                Target(*silent, 1) + QStringList{"--trace", "identify"}},
               home);
    ASSERT_TRUE(runs[0].finished && runs[1].finished);
    EXPECT_EQ(runs[0].exitCode, 0) << runs[0].err;
    EXPECT_EQ(runs[1].exitCode, 1);
    // Nothing of the trace on stdout.
    EXPECT_EQ(runs[0].out.find(" TX "), std::string::npos);
    EXPECT_NE(runs[0].out.find("Device family: T8310"), std::string::npos);

    const std::regex tx(R"(\d+\.\d{3} TX n1 [0-9A-F]{2} .+ len=\d+( [0-9A-F]{2})+)");
    const std::regex rx(R"(\d+\.\d{3} RX n1 [0-9A-F]{2} .+ len=\d+( [0-9A-F]{2})+ ok \d+ms)");
    std::vector<std::string> lines = Lines(runs[0].err);
    ASSERT_GE(lines.size(), 3u);
    // The last line counts what the lines before it show.
    const std::string counts = lines.back();
    lines.pop_back();
    EXPECT_EQ(lines[0].substr(lines[0].find(' ')), " TX n1 DF identity len=1 0A 01 DF 01 D5");
    size_t sent = 0, received = 0;
    double last = 0;
    for (const std::string& line : lines) {
        const bool isTx = std::regex_match(line, tx);
        const bool isRx = std::regex_match(line, rx);
        EXPECT_TRUE(isTx || isRx) << line;
        sent += isTx;
        received += isRx;
        const double stamp = std::stod(line);
        EXPECT_GE(stamp, last) << line;
        last = stamp;
    }
    EXPECT_EQ(sent, received);
    EXPECT_GE(sent, 20u); // identity, then every read of a T8310's settings
    std::smatch m;
    ASSERT_TRUE(std::regex_match(counts, m,
                                 std::regex(R"(trace: requests (\d+), replies (\d+), time-outs 0, )"
                                            R"(NAKs 0, bad checksums 0, stray chunks 0, )"
                                            R"(median reply \d+ ms, longest reply \d+ ms)")))
        << counts;
    EXPECT_EQ(std::stoul(m[1]), sent);
    EXPECT_EQ(std::stoul(m[2]), received);

    // The time-out is a line of its own, with no RX line for that request.
    const std::string err = runs[1].err;
    const size_t request = err.find(" TX n1 11 Tank A to D Min");
    const size_t timeout = err.find(" TIMEOUT n1 11 Tank A to D Min no reply ");
    ASSERT_NE(request, std::string::npos) << err;
    ASSERT_NE(timeout, std::string::npos) << err;
    EXPECT_EQ(err.find(" RX ", request), std::string::npos) << err;
    EXPECT_NE(err.find(", time-outs 1, "), std::string::npos) << err;
}

} // namespace
