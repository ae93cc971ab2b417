// SPDX-License-Identifier: GPL-3.0-or-later
// t7310-cli --fast: the same command with fast transfers gives the same result.

#include "CliHarness.h"

#include <gtest/gtest.h>

using namespace clitest;

namespace {

TEST(CliFast, FastTransfersReadAsTheStandardModeDoes) {
    TConfigHome home;
    auto standard = StartSim("PRM8310");
    auto fast = StartSim("PRM8310");
    ASSERT_TRUE(standard && fast);
    const std::vector<TRun> runs =
        RunAll({Target(*standard, 1) << "read", QStringList{"--fast"} << Target(*fast, 1) << "read",
                QStringList{"--help"}},
               home);
    ASSERT_EQ(runs[0].exitCode, 0) << runs[0].err;
    ASSERT_EQ(runs[1].exitCode, 0) << runs[1].err;
    EXPECT_EQ(runs[1].err, "");
    EXPECT_EQ(runs[1].out, runs[0].out);
    EXPECT_NE(runs[2].out.find("--fast"), std::string::npos) << runs[2].out;
}

} // namespace
