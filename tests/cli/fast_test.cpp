// t7310-cli --fast: the same commands with fast transfers give the same results.

#include "CliHarness.h"

#include <gtest/gtest.h>

using namespace clitest;

namespace {

TEST(CliFast, FastTransfersReadAndWriteAsTheStandardModeDoes) {
    TConfigHome home;
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    const QString in = files.filePath("in.csv");
    WriteFile(in, "Height,Volume\n0,0\n0.5,12.5\n1.25,250\n2,600.1\n");
    const QString out = files.filePath("out.csv");

    auto standard = StartSim("PRM8310");
    auto fast = StartSim("PRM8310");
    ASSERT_TRUE(standard && fast);
    const std::vector<TRun> reads =
        RunAll({Target(*standard, 1) << "read", QStringList{"--fast"} << Target(*fast, 1) << "read",
                QStringList{"--help"}},
               home);
    ASSERT_EQ(reads[0].exitCode, 0) << reads[0].err;
    ASSERT_EQ(reads[1].exitCode, 0) << reads[1].err;
    EXPECT_EQ(reads[1].err, "");
    EXPECT_EQ(reads[1].out, reads[0].out);
    EXPECT_NE(reads[2].out.find("--fast"), std::string::npos) << reads[2].out;

    const TRun write =
        RunOne(QStringList{"--fast"} << Target(*fast, 1) << "table-write" << in, home);
    ASSERT_EQ(write.exitCode, 0) << write.err;
    EXPECT_EQ(Writes(*fast), (Bytes{0xAA, 0xAB, 0xAB, 0xAB, 0xAB}));
    const TRun back =
        RunOne(QStringList{"--fast"} << Target(*fast, 1) << "table-read" << out, home);
    ASSERT_EQ(back.exitCode, 0) << back.err;
    EXPECT_EQ(ReadFile(out),
              "Height,Volume\r\n0.000,0.000\r\n0.500,12.500\r\n1.250,250.000\r\n2.000,600.100\r\n");
}

} // namespace
