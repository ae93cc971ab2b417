// SPDX-License-Identifier: GPL-3.0-or-later
// t7310-cli report: the summary report to a file or stdout, the report fields from a format-3
// settings file and nothing else from it, and every exit status.

#include "CliHarness.h"

#include "SettingsFile.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace clitest;

namespace {

TEST(CliReport, WritesTheSummaryReportAndEndsWithItsStatus) {
    TConfigHome home;
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    auto t8310 = StartSim("T8310");
    auto t7310 = StartSim("T7310", "3");
    ASSERT_TRUE(t8310 && t7310);

    // A format-3 file with installation details and a tank name of its own; a format-2 file.
    const QString fields = files.filePath("site.TLS");
    const QString format2 = files.filePath("old.TLS");
    ASSERT_TRUE(SaveSettingsFile(*t8310, 1, fields.toStdString()));
    ASSERT_TRUE(SaveSettingsFile(*t7310, 1, format2.toStdString()));
    std::string bytes = ReadFile(fields);
    ASSERT_EQ(bytes.size(), tls::Format3Size);
    bytes.replace(tls::TankDescription, 4, "XXXX");
    bytes[tls::BundAlarm] = 1;
    bytes[tls::SensorDistance] = char(250);
    bytes.replace(tls::SerialNumberLength, 5, std::string("\x04SN-7", 5));
    WriteFile(fields, bytes);
    const QString report = files.filePath("T8310 Settings");
    ASSERT_TRUE(QDir(files.path()).mkdir("taken"));

    // One gauge per run: the runs go at once and each holds its port.
    std::vector<std::unique_ptr<sim::GaugeSimulator>> gauges;
    auto a = [&] {
        gauges.push_back(StartSim("T8310"));
        return Target(*gauges.back(), 1);
    };
    const QStringList b = Target(*t7310, 1);
    const struct {
        QStringList args;
        int status;
        const char* err; // part of the one stderr line; empty when none
    } cases[] = {
        {a() + QStringList{"report", "-"}, 0, ""},
        {a() + QStringList{"report", report}, 0, ""},
        {a() + QStringList{"report", "--fields", fields, "-"}, 0, ""},
        {b + QStringList{"report", "-"}, 2,
         "report: the gauge is not an extended gauge (T8310, or T7310 with PC software ID 4 or "
         "more)"},
        {a() + QStringList{"report", "--fields", format2, "-"}, 4, "not a format 3 settings file"},
        {a() + QStringList{"report", "--fields", files.filePath("none.TLS"), "-"}, 4, "none.TLS"},
        {a() + QStringList{"report", files.filePath("taken")}, 4, "taken"},
        {a() + QStringList{"report", "one", "two"}, 2, "unexpected argument two"},
    };
    std::vector<QStringList> calls;
    for (const auto& c : cases)
        calls.push_back(c.args);
    const std::vector<TRun> runs = RunAll(calls, home);
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(cases[i].args.join(' ').toStdString());
        ASSERT_TRUE(runs[i].finished);
        EXPECT_EQ(runs[i].exitCode, cases[i].status) << runs[i].err;
        EXPECT_NE(runs[i].err.find(cases[i].err), std::string::npos) << runs[i].err;
    }

    const std::string plain = runs[0].out;
    EXPECT_EQ(plain.rfind("T8310 SUMMARY\r\n-------------\r\nUnit Serial Number:    \r\n", 0), 0u);
    EXPECT_EQ(plain.substr(plain.size() - 25), "\r\nFile Saved As:         ");
    EXPECT_EQ(ReadFile(report), plain) << "the file holds the same bytes as stdout";

    // Only the report fields come from the file: the tank name is still the gauge's.
    std::string expected = plain;
    using Edit = std::pair<std::string, std::string>;
    for (const auto& [from, to] :
         {Edit{"Number:    \r\n", "Number:    SN-7\r\n"}, Edit{"sensor 0mm", "sensor 250mm"},
          Edit{"Fitted:     No", "Fitted:     Yes"}}) {
        const size_t at = expected.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        expected.replace(at, from.size(), to);
    }
    EXPECT_EQ(runs[2].out, expected);
}

} // namespace
