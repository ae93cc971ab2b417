// SPDX-License-Identifier: GPL-3.0-or-later
// identify, read, status, set-node and set-protocol against each gauge family, checked against
// the simulated gauge and against the catalogue's own text forms.

#include "CliHarness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <cstring>

using namespace clitest;

namespace {

struct TFamily {
    const char* model;
    const char* pcid;
    const char* familyText;
    bool is8310;
    bool hasFlowScaling;
    bool is7310Extended;
};

const TFamily kFamilies[] = {
    {"T7310", "3", "T7310", false, false, false},
    {"T7310", "5", "T7310 extended", false, false, true},
    {"T8310", "5", "T8310", true, false, false},
    {"PRM8310", "5", "T8310 with flow scaling", true, true, false},
};

// Values whose text forms are known without the catalogue.
void SetKnownValues(sim::GaugeSimulator& gauge) {
    // Alarm 1: 123.45 %, enabled, falling edge (0), 250 ms.
    gauge.SetBlock(0x10, Concat({BE16(12345), {1, 0}, BE16(250)}), 1);
    // Display: enabled, 4 figures, unit code 6 (not in the list), contrast 128, damping 500.
    gauge.SetBlock(0x14, Concat({{1, 4, 6, 0, 0, 128, 1}, BE16(500)}));
    // Vertical Cylinder in feet.
    gauge.SetBlock(
        0x16, Concat({{4, 2}, BE16(1000), BE32(1), BE32(2), BE32(3), BE32(4), BE32(0xFFFFFFFF)}));
    gauge.SetBlock(0x15, {'F', 'A', 'M', 'I', 'L', 'Y'});
}

QJsonObject ParseObject(const std::string& text) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return document.object();
}

TEST(CliCommands, EachFamilyIdentifiesItselfAndListsEveryItemAsTheCatalogueShowsIt) {
    TConfigHome home;
    // Per family: identify, identify --json, read, read --json, each on a gauge of its own.
    constexpr size_t kCalls = 4;
    std::vector<std::unique_ptr<sim::GaugeSimulator>> gauges;
    std::vector<QStringList> calls;
    for (const TFamily& family : kFamilies) {
        for (size_t call = 0; call < kCalls; ++call) {
            gauges.push_back(StartSim(family.model, family.pcid, 4));
            ASSERT_TRUE(gauges.back());
            SetKnownValues(*gauges.back());
            QStringList args = Target(*gauges.back(), 4);
            if (call % 2 == 1)
                args << "--json";
            args << (call < 2 ? "identify" : "read");
            calls.push_back(args);
        }
    }
    // And a Non standard tank, whose table a read fetches as the window does.
    gauges.push_back(StartSim("T8310"));
    ASSERT_TRUE(gauges.back());
    sim::GaugeSimulator& nonStandard = *gauges.back();
    nonStandard.SetBlock(0x16,
                         Concat({{5, 0}, BE16(1000), BE32(0), BE32(0), BE32(0), BE32(0), BE32(0)}));
    nonStandard.SetBlock(0x1C, {2});
    nonStandard.SetBlock(0x1D, Concat({BE32(0), BE32(0)}), 0);
    nonStandard.SetBlock(0x1D, Concat({BE32(1500), BE32(250000)}), 1);
    calls.push_back(Target(nonStandard, 1) << "--json"
                                           << "read");

    const std::vector<TRun> runs = RunAll(calls, home);

    {
        SCOPED_TRACE("Non standard tank");
        const TRun& run = runs.back();
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const QJsonArray table = ParseObject(run.out)["tank_table"].toArray();
        ASSERT_EQ(table.size(), 2);
        EXPECT_EQ(table[1].toObject()["height"].toString(), "1.500");
        EXPECT_EQ(table[1].toObject()["volume"].toString(), "250.000");
        const std::vector<uint8_t> sent = nonStandard.Instructions();
        EXPECT_EQ(std::count(sent.begin(), sent.end(), 0x1D), 2);
    }

    for (size_t f = 0; f < std::size(kFamilies); ++f) {
        const TFamily& family = kFamilies[f];
        SCOPED_TRACE(std::string(family.model) + " " + family.pcid);
        const TRun* run = &runs[f * kCalls];
        for (size_t call = 0; call < kCalls; ++call) {
            EXPECT_EQ(run[call].exitCode, 0) << run[call].err;
            // Progress goes to a terminal only; here stderr is a pipe.
            EXPECT_EQ(run[call].err, "");
        }

        EXPECT_EQ(Field(run[0].out, "Device Name"), family.model);
        EXPECT_EQ(Field(run[0].out, "Software Version"), "2.10");
        EXPECT_EQ(Field(run[0].out, "Device PC SoftwareID"), family.pcid);
        EXPECT_EQ(Field(run[0].out, "Device family"), family.familyText);

        const QJsonObject identity = ParseObject(run[1].out);
        EXPECT_EQ(identity["device_name"].toString().toStdString(), family.model);
        EXPECT_EQ(identity["software_version"].toString(), "2.10");
        EXPECT_EQ(identity["pc_software_id"].toString().toStdString(), family.pcid);
        EXPECT_EQ(identity["is8310"].toBool(true), family.is8310);
        EXPECT_EQ(identity["has_flow_scaling"].toBool(true), family.hasFlowScaling);
        EXPECT_EQ(identity["is7310_extended"].toBool(true), family.is7310Extended);

        // The text forms, worked out by hand from the raw values.
        const std::string& listing = run[2].out;
        const struct {
            const char* name;
            const char* text;
        } known[] = {
            {"Alarm 1 - Setpoint", "123.45 %"},
            {"Alarm 1 - Enabled", "ON"},
            {"Alarm 1 - Direction", "FALLING EDGE"},
            {"Alarm 1 - Hysteresis", "250 MS"},
            {"Display UOM", "err."},
            {"Damping", "500 MS"},
            {"Tank Type", "Vertical Cylinder"},
            {"Tank UOM", "Feet"},
            {"Tank SG", "1000"},
            {"Extent", "-1"},
            {"Tank Name", "FAMILY"},
            {"RS 485 ID", "4"},
            {"Device Name", family.model},
        };
        for (const auto& item : known)
            EXPECT_EQ(Field(listing, item.name), item.text) << item.name;

        // Every line matches the catalogue's own text of the same gauge, in catalogue order.
        const auto expected = CatalogueListing(*gauges[f * kCalls + 2], 4);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(ParseListing(listing), expected);

        const QJsonObject read = ParseObject(run[3].out);
        EXPECT_EQ(read["identity"].toObject(), identity);
        const QJsonArray settings = read["settings"].toArray();
        std::string group;
        size_t index = 0;
        for (const auto& [name, text] : expected) {
            if (name.empty()) {
                group = text;
                continue;
            }
            ASSERT_LT(index, static_cast<size_t>(settings.size()));
            const QJsonObject entry = settings[static_cast<qsizetype>(index++)].toObject();
            EXPECT_EQ(entry["group"].toString().toStdString(), group) << name;
            EXPECT_EQ(entry["name"].toString().toStdString(), name);
            EXPECT_EQ(entry["text"].toString().toStdString(), text) << name;
        }
        EXPECT_EQ(index, static_cast<size_t>(settings.size()));
        EXPECT_FALSE(read.contains("tank_table")) << "a standard tank has no table to read";
    }
}

TEST(CliCommands, StatusReportsTheLivePollsStateVolumeAndAlarmOutputs) {
    TConfigHome home;
    const struct {
        uint8_t state;
        uint8_t outputs;
        double volume;
        uint8_t unit;
        const char* stateText;
        const char* volumeText;
        const char* outputsText;
    } cases[] = {
        {3, 0x30, 1234.5, 2, "Running", "1234.50 Litres", "Master, Alarm 1"},
        {9, 0x0F, 0.25, 0, "unknown state", "0.25", "none"},
        {6, 0xF0, 0.1, 5, "Alarm Test", "0.10 Cubic Feet", "Master, Alarm 1, Alarm 2, Alarm 3"},
    };
    std::vector<std::unique_ptr<sim::GaugeSimulator>> gauges;
    std::vector<QStringList> calls;
    for (const auto& c : cases) {
        for (bool json : {false, true}) {
            gauges.push_back(StartSim("T7310", "3"));
            ASSERT_TRUE(gauges.back());
            sim::GaugeSimulator& gauge = *gauges.back();
            gauge.SetBlock(0x1E, {c.state});
            gauge.SetBlock(0x19, {c.outputs});
            gauge.SetVolume(c.volume);
            gauge.SetBlock(0x14, Concat({{1, 4, c.unit, 0, 0, 128, 1}, BE16(500)}));
            QStringList args = Target(gauge, 1);
            if (json)
                args << "--json";
            calls.push_back(args << "status");
        }
    }
    const std::vector<TRun> runs = RunAll(calls, home);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const TRun& text = runs[2 * i];
        const TRun& json = runs[2 * i + 1];
        ASSERT_EQ(text.exitCode, 0) << text.err;
        ASSERT_EQ(json.exitCode, 0) << json.err;
        EXPECT_EQ(Field(text.out, "Device State"), c.stateText);
        EXPECT_EQ(Field(text.out, "Tank Volume"), c.volumeText);
        EXPECT_EQ(Field(text.out, "Alarm Outputs"), c.outputsText);
        const QJsonObject object = ParseObject(json.out);
        EXPECT_EQ(object["state"].toInt(-1), c.state);
        EXPECT_EQ(object["state_text"].toString().toStdString(), c.stateText);
        EXPECT_EQ(object["alarm_outputs"].toInt(-1), c.outputs);
        // The volume travels as a single-precision value; its shortest form is what was set.
        EXPECT_EQ(object["volume"].toDouble(), c.volume) << json.out;
    }
}

TEST(CliCommands, SetNodeAndSetProtocolChangeOnlyWhatTheyName) {
    TConfigHome home;
    const struct {
        const char* what;
        uint8_t node;
        int connectAs;
        QStringList command;
        uint8_t protocolBefore;
        uint8_t nodeAfter;
        uint8_t protocolAfter;
        std::vector<uint8_t> writes;
        const char* line;
    } cases[] = {
        {"a new node ID", 1, 1, {"set-node", "7"}, 0, 7, 0, {0xA9}, "RS 485 ID: 7"},
        {"through the broadcast ID", 3, 99, {"set-node", "0"}, 0, 0, 0, {0xA9}, "RS 485 ID: 0"},
        {"the ID the gauge has", 5, 5, {"set-node", "5"}, 0, 5, 0, {}, "RS 485 ID: 5 (unchanged)"},
        {"Modbus on",
         1,
         1,
         {"set-protocol", "modbus"},
         0,
         1,
         1,
         {0xAD},
         "Default Protocol: Modbus"},
        {"Modbus off",
         1,
         1,
         {"set-protocol", "standard"},
         1,
         1,
         0,
         {0xAD},
         "Default Protocol: Standard"},
    };
    std::vector<std::unique_ptr<sim::GaugeSimulator>> gauges;
    std::vector<QStringList> calls;
    for (const auto& c : cases) {
        gauges.push_back(StartSim("T8310", "5", c.node));
        ASSERT_TRUE(gauges.back());
        gauges.back()->SetBlock(0x22, {c.protocolBefore});
        calls.push_back(Target(*gauges.back(), c.connectAs) + c.command);
    }
    const std::vector<TRun> runs = RunAll(calls, home);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.what);
        EXPECT_EQ(runs[i].exitCode, 0) << runs[i].err;
        EXPECT_EQ(runs[i].out, std::string(c.line) + "\n");
        EXPECT_EQ(gauges[i]->Node(), c.nodeAfter);
        EXPECT_EQ(gauges[i]->Block(0x22), std::vector<uint8_t>{c.protocolAfter});
        EXPECT_EQ(Writes(*gauges[i]), c.writes);
    }
}

} // namespace
