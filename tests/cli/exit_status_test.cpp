// SPDX-License-Identifier: GPL-3.0-or-later
// Every exit status, each failure with one line on stderr naming what failed; the defaults of
// port, baud rate and node ID come from the configurator's settings store.

#include "CliHarness.h"

#include <QDir>
#include <gtest/gtest.h>

#include <functional>

using namespace clitest;

namespace {

using sim::Fault;

struct TCase {
    const char* what;
    const char* model;
    const char* pcid;
    std::function<void(sim::GaugeSimulator&)> setup;
    QStringList command; // after --device and --node
    int status;
    std::vector<std::string> mentions; // each must appear in the stderr line
};

TEST(CliExitStatus, EachOutcomeEndsWithItsStatusAndOneLineNamingWhatFailed) {
    TConfigHome home;
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    const QString csv = files.filePath("table.csv");
    WriteFile(csv, "Height,Volume\r\n0,0\r\n1,10\r\n2,20\r\n");
    const QString tls = files.filePath("gauge.TLS");
    {
        auto source = StartSim("T8310");
        ASSERT_TRUE(source && SaveSettingsFile(*source, 1, tls.toStdString()));
    }
    auto fault = [](uint8_t code, Fault kind) {
        return [=](sim::GaugeSimulator& gauge) { gauge.SetFault(code, kind); };
    };
    auto none = [](sim::GaugeSimulator&) {};

    const std::vector<TCase> cases = {
        {"a gauge that answers", "T8310", "5", none, {"identify"}, 0, {}},
        {"a silent gauge",
         "T8310",
         "5",
         fault(0, Fault::NoReply),
         {"identify"},
         1,
         {"did not identify itself"}},
        {"another node answers",
         "T8310",
         "5",
         fault(0xDF, Fault::OtherNode),
         {"identify"},
         1,
         {"did not identify itself"}},
        {"a bad checksum",
         "T7310",
         "3",
         fault(0xDF, Fault::BadChecksum),
         {"read"},
         1,
         {"did not identify itself"}},
        {"a refused read",
         "T8310",
         "5",
         fault(0x16, Fault::Nack),
         {"read"},
         1,
         {"reading Tank Descriptions failed"}},
        {"an alarm read refused",
         "T7310",
         "3",
         fault(0x10, Fault::Nack),
         {"status"},
         1,
         {"reading Alarm Settings failed"}},
        {"garbage for a reply",
         "T8310",
         "5",
         fault(0x14, Fault::Garbage),
         {"identify"},
         1,
         {"reading Display Options failed"}},
        {"the adapter pulled out",
         "T8310",
         "5",
         fault(0x15, Fault::Unplug),
         {"read"},
         1,
         {"reading Tank Name failed"}},
        {"no status reply",
         "T8310",
         "5",
         fault(0x1E, Fault::NoReply),
         {"status"},
         1,
         {"reading the status failed"}},
        {"a refused write",
         "T8310",
         "5",
         fault(0xA5, Fault::Nack),
         {"write", tls},
         1,
         {"writing Tank Name failed"}},
        {"a refused table row",
         "T8310",
         "5",
         fault(0xAB, Fault::Nack),
         {"table-write", csv},
         1,
         {"writing Table Data at row 1 of 3 failed"}},
        {"a refused table row read",
         "T7310",
         "3",
         [](sim::GaugeSimulator& gauge) {
             gauge.SetBlock(0x1C, {3});
             gauge.SetFault(0x1D, Fault::Nack);
         },
         {"table-read", files.filePath("out.csv")},
         1,
         {"reading Table Data at row 1 of 3 failed"}},
        {"a refused protocol flag",
         "T7310",
         "5",
         fault(0xAD, Fault::Nack),
         {"set-protocol", "modbus"},
         1,
         {"writing Default Protocol failed"}},
        {"PC software ID 2",
         "T8310",
         "2",
         none,
         {"read"},
         3,
         {"This device has been programmed not to communicate with this version of VI "
          "Rizedorered software There are 3 reasons"}},
        {"PC software ID abc",
         "T7310",
         "abc",
         none,
         {"identify"},
         3,
         {"This device has been programmed not to communicate"}},
    };

    std::vector<std::unique_ptr<sim::GaugeSimulator>> gauges;
    std::vector<TCall> calls;
    for (const TCase& c : cases) {
        gauges.push_back(StartSim(c.model, c.pcid, 1));
        ASSERT_TRUE(gauges.back());
        c.setup(*gauges.back());
        calls.push_back({Target(*gauges.back(), 1) + c.command, &home});
    }

    // The stored values stand in for the options left out.
    TConfigHome stored;
    auto byStore = StartSim("T7310", "3", 3);
    ASSERT_TRUE(byStore);
    stored.StoreProgramSettings("3", 5, 9600);
    stored.MapPort(5, byStore->SlavePath());
    calls.push_back({{"identify"}, &stored});
    TConfigHome badNode;
    badNode.StoreProgramSettings("abc", 1, 9600);
    calls.push_back({{"--device", "/dev/null", "identify"}, &badNode});
    const std::string missingDevice = QDir::temp().filePath("no-such-adapter-7310").toStdString();
    calls.push_back(
        {{"--device", QString::fromStdString(missingDevice), "--node", "1", "identify"}, &home});

    // Usage errors, found before anything is opened.
    const std::vector<QStringList> usage = {
        {},
        {"frobnicate"},
        {"--node", "100", "identify"},
        {"--node", "1", "--baud", "fast", "identify"},
        {"--device", "/dev/null", "--port", "1", "--node", "1", "identify"},
        {"--node", "1", "--verbose", "identify"},
        {"--node", "1", "identify", "extra"},
        {"--node", "1", "set-node", "99"},
        {"--node", "1", "set-node", "-1"},
        {"--node", "1", "set-protocol", "rtu"},
        {"--node", "1", "write"},
        {"--node", "1", "read", "--save"},
    };
    for (const QStringList& args : usage)
        calls.push_back({args, &home});

    const std::vector<TRun> runs = RunAll(calls);

    for (size_t i = 0; i < cases.size(); ++i) {
        const TCase& c = cases[i];
        const TRun& run = runs[i];
        SCOPED_TRACE(c.what);
        EXPECT_EQ(run.exitCode, c.status) << run.err;
        if (c.status == 0) {
            EXPECT_EQ(run.err, "");
            continue;
        }
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.err.rfind("t7310-cli: " + gauges[i]->SlavePath() + " node 1: ", 0), 0u)
            << run.err;
        for (const std::string& mention : c.mentions)
            EXPECT_NE(run.err.find(mention), std::string::npos) << run.err;
    }
    auto gaugeOf = [&](const std::string& what) -> sim::GaugeSimulator& {
        const auto found = std::find_if(cases.begin(), cases.end(),
                                        [&](const TCase& c) { return c.what == what; });
        return *gauges[static_cast<size_t>(found - cases.begin())];
    };
    // A command whose first read fails stops there, without waiting for the poll to retry.
    const std::vector<uint8_t> sent = gaugeOf("a refused read").Instructions();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), 0x16);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), 0x16), 1);
    // A refusing gauge is asked for its identity and nothing else.
    EXPECT_EQ(gaugeOf("PC software ID 2").Instructions(), std::vector<uint8_t>{0xDF});

    size_t next = cases.size();
    const TRun& fromStore = runs[next++];
    EXPECT_EQ(fromStore.exitCode, 0) << fromStore.err;
    EXPECT_NE(fromStore.out.find("Device Name: T7310"), std::string::npos) << fromStore.out;
    const TRun& noNode = runs[next++];
    EXPECT_EQ(noNode.exitCode, 2);
    EXPECT_NE(noNode.err.find("no node ID"), std::string::npos) << noNode.err;
    const TRun& missing = runs[next++];
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err.rfind("t7310-cli: cannot open " + missingDevice + ": ", 0), 0u)
        << missing.err;
    EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << missing.err;

    for (const QStringList& args : usage) {
        const TRun& run = runs[next++];
        SCOPED_TRACE(args.join(' ').toStdString());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err.rfind("t7310-cli: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find("\nusage: t7310-cli [--device PATH | --port N]"), std::string::npos)
            << run.err;
        EXPECT_TRUE(run.out.empty());
    }
}

} // namespace
