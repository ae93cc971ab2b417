// SPDX-License-Identifier: GPL-3.0-or-later
// What a write will change, whether the gauge kept it, and the journal: `diff`, `write` with
// and without the read-back, `set-node` on a gauge that ignores it, and `history`, run as a
// user runs them against simulated gauges.

#include "CliHarness.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>

using namespace clitest;

namespace {

constexpr size_t kContrast = 43 + 5;  // display options record in the file, contrast
constexpr size_t kTankType = 52 + 12; // tank record in the file, tank type
constexpr size_t kTableSize = 98;     // table size byte, then the rows
constexpr uint8_t kNonStandard = 5;

QJsonDocument Json(const std::string& out) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(out));
}

} // namespace

TEST(CliVerify, DiffWriteAndHistoryTellWhatChangesAndWhatWasKept) {
    TConfigHome home;
    QTemporaryDir files;
    std::vector<std::unique_ptr<sim::GaugeSimulator>> gauges;
    for (int i = 0; i < 7; ++i) {
        gauges.push_back(StartSim());
        ASSERT_TRUE(gauges.back());
    }
    const QString same = files.filePath(QStringLiteral("same.TLS"));
    ASSERT_TRUE(SaveSettingsFile(*gauges[0], 1, same.toStdString()));
    std::string bytes = ReadFile(same);
    bytes[kContrast] = 77;
    const QString contrast = files.filePath(QStringLiteral("contrast.TLS"));
    WriteFile(contrast, bytes);
    // A Non standard tank with the gauge's table but for the second row's volume.
    bytes[kTankType] = kNonStandard;
    const uint8_t rows = gauges[2]->Block(0x1C)[0];
    ASSERT_GE(rows, 2);
    bytes[kTableSize] = static_cast<char>(rows);
    for (uint8_t row = 0; row < rows; ++row) {
        const Bytes point = gauges[2]->Block(0x1D, row);
        std::copy(point.begin(), point.end(), bytes.begin() + kTableSize + 1 + 8 * row);
    }
    bytes[kTableSize + 1 + 8 + 7] ^= 1; // row 2, volume, lowest byte
    const QString table = files.filePath(QStringLiteral("table.TLS"));
    WriteFile(table, bytes);

    gauges[3]->SetFault(0xA4, sim::Fault::Forget);
    gauges[4]->SetFault(0xA4, sim::Fault::Forget);
    gauges[5]->SetFault(0xA9, sim::Fault::Forget);
    const std::vector<TRun> runs = RunAll({Target(*gauges[0], 1) << "diff" << same,
                                           Target(*gauges[1], 1) << "--json"
                                                                 << "diff" << contrast,
                                           Target(*gauges[2], 1) << "diff" << table,
                                           Target(*gauges[3], 1) << "write" << contrast,
                                           Target(*gauges[4], 1) << "write"
                                                                 << "--no-verify" << contrast,
                                           Target(*gauges[5], 1) << "set-node"
                                                                 << "7",
                                           Target(*gauges[6], 1) << "write" << contrast},
                                          home);
    ASSERT_EQ(runs.size(), 7u);

    EXPECT_EQ(runs[0].exitCode, 0) << runs[0].err;
    EXPECT_EQ(runs[0].out, "0 differences\n");

    EXPECT_EQ(runs[1].exitCode, 5) << runs[1].err;
    const QJsonObject diff = Json(runs[1].out).object();
    const QJsonArray differences = diff["differences"].toArray();
    ASSERT_EQ(differences.size(), 1) << runs[1].out;
    const QJsonObject entry = differences[0].toObject();
    EXPECT_EQ(entry["id"].toInt(), 33);
    EXPECT_EQ(entry["group"].toString(), QStringLiteral("Display Options"));
    EXPECT_EQ(entry["name"].toString(), QStringLiteral("Contrast"));
    EXPECT_EQ(entry["gauge"].toString(), QStringLiteral("128"));
    EXPECT_EQ(entry["file"].toString(), QStringLiteral("77"));
    EXPECT_TRUE(diff["table"].toArray().isEmpty());

    EXPECT_EQ(runs[2].exitCode, 5) << runs[2].err;
    EXPECT_NE(
        runs[2].out.find("Tank Description / Tank Type: Cylinder 2 Endcaps -> Non standard\n"),
        std::string::npos)
        << runs[2].out;
    EXPECT_NE(runs[2].out.find("\nTank Table / row 2: "), std::string::npos) << runs[2].out;
    EXPECT_NE(runs[2].out.find("\n3 differences\n"), std::string::npos) << runs[2].out;

    EXPECT_EQ(runs[3].exitCode, 5) << runs[3].err;
    EXPECT_EQ(runs[3].out, "the gauge did not keep:\nDisplay Options / Contrast: 128 -> 77\n");
    EXPECT_EQ(gauges[3]->Block(0x14)[5], 128);

    EXPECT_EQ(runs[4].exitCode, 0) << runs[4].err;
    EXPECT_EQ(runs[5].exitCode, 5) << runs[5].err;
    EXPECT_EQ(runs[5].out, "the gauge did not keep:\nOther Settings / RS 485 ID: 1 -> 7\n");
    EXPECT_EQ(runs[6].exitCode, 0) << runs[6].err;
    EXPECT_EQ(gauges[6]->Block(0x14)[5], 77);

    // The journal holds one line per write, whatever ran at the same time.
    const std::vector<TRun> history =
        RunAll({{"--json", "history"}, {"history"}, {"--node", "1", "history", "extra"}}, home);
    EXPECT_EQ(history[0].exitCode, 0) << history[0].err;
    std::map<std::string, int> results;
    for (const QJsonValue& line : Json(history[0].out).array()) {
        const QJsonObject object = line.toObject();
        const std::string operation = object["operation"].toString().toStdString();
        const std::string result = object["result"].toString().toStdString();
        ++results[operation + " " + result + (object["as_left"].isNull() ? "" : " as-left")];
        EXPECT_TRUE(QFile::exists(object["as_found"].toString()));
    }
    const std::map<std::string, int> expected{{"write-all not-kept as-left", 1},
                                              {"write-all ok", 1},
                                              {"write-all ok as-left", 1},
                                              {"node-id not-kept as-left", 1}};
    EXPECT_EQ(results, expected) << history[0].out;
    EXPECT_EQ(history[1].exitCode, 0);
    EXPECT_NE(
        history[1].out.find("write-all: not-kept\n    Display Options / Contrast: 128 -> 77\n"),
        std::string::npos)
        << history[1].out;
    EXPECT_EQ(history[2].exitCode, 2) << "history takes no argument";
}

TEST(CliVerify, TheJournalNamesWhoWroteAndWhy) {
    TConfigHome home;
    home.StoreTechnician(QStringLiteral("Grace Hopper"));
    QTemporaryDir files;
    auto first = StartSim();
    auto second = StartSim();
    ASSERT_TRUE(first && second);
    const QString file = files.filePath(QStringLiteral("contrast.TLS"));
    ASSERT_TRUE(SaveSettingsFile(*first, 1, file.toStdString()));
    std::string bytes = ReadFile(file);
    bytes[kContrast] = 77;
    WriteFile(file, bytes);
    // One write names its user and reason; the other takes the stored technician.
    const std::vector<TRun> runs =
        RunAll({Target(*first, 1) << "--user"
                                  << "Ada Lovelace"
                                  << "--reason"
                                  << "sensor replaced"
                                  << "write" << file,
                Target(*second, 1) << "write" << file},
               home);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].exitCode, 0) << runs[0].err;
    EXPECT_EQ(runs[1].exitCode, 0) << runs[1].err;
    const TRun history = RunOne({"--json", "history"}, home);
    std::map<QString, QJsonValue> reasonOf;
    for (const QJsonValue& line : Json(history.out).array())
        reasonOf[line[QStringLiteral("user")].toString()] = line[QStringLiteral("reason")];
    ASSERT_EQ(reasonOf.size(), 2u) << history.out;
    EXPECT_EQ(reasonOf[QStringLiteral("Ada Lovelace")], QJsonValue(QStringLiteral("sensor replaced")));
    EXPECT_EQ(reasonOf[QStringLiteral("Grace Hopper")], QJsonValue());
    const TRun text = RunOne({"history"}, home);
    EXPECT_NE(text.out.find("by: Ada Lovelace, reason: sensor replaced"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("by: Grace Hopper, reason: -"), std::string::npos) << text.out;
}
