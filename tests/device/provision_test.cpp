// SPDX-License-Identifier: GPL-3.0-or-later
// Provisioning a site: the site file's checks before anything is sent, and each gauge's result
// against simulated buses with faults, a second run, a bus unplugged mid-run, a stop between
// and inside a write series, and the requests each bus received.

#include "DeviceFixture.h"

#include "Archive.h"
#include "ByteOrder.h"
#include "Instructions.h"
#include "Provision.h"
#include "SiteFile.h"
#include "TankTableCsv.h"
#include "Templates.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

using namespace devtest;

namespace {

constexpr size_t kContrast = 5; // in the display options record
constexpr uint8_t kSiteContrast = 77;

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

std::set<int> NodesAddressed(const sim::GaugeSimulator& bus) {
    std::set<int> nodes;
    for (const Bytes& frame : bus.Frames())
        if (frame.size() > 3)
            nodes.insert(frame[3]);
    return nodes;
}

sim::Options Gauge(uint8_t node, const std::string& model = "T8310", const std::string& pcid = "5",
                   std::map<uint8_t, sim::Fault> faults = {}) {
    sim::Options options = TestOptions(model, pcid, node);
    options.faults = std::move(faults);
    return options;
}

// Buses of simulated gauges, settings files in a folder of their own, and the provisioner at
// the tests' short periods.
class SiteRig {
public:
    SiteRig() : templates_(dir_.path() + QStringLiteral("/templates")) {}

    sim::GaugeSimulator& AddBus(std::vector<sim::Options> gauges) {
        buses_.push_back(std::make_unique<sim::GaugeSimulator>(std::move(gauges)));
        std::string error;
        EXPECT_TRUE(buses_.back()->Start(&error)) << error;
        return *buses_.back();
    }
    QString Bus(size_t i) const { return QString::fromStdString(buses_[i]->SlavePath()); }
    sim::GaugeSimulator& Sim(size_t i) { return *buses_[i]; }

    // A gauge's own settings file with the site's contrast (so a gauge of that family with
    // the simulator's defaults differs in that one setting).
    // No contrast: the file holds what a gauge of that family holds.
    QString SettingsFile(const QString& name, const std::string& model, const std::string& pcid,
                         std::optional<uint8_t> contrast = kSiteContrast,
                         const std::function<void(TDeviceImage&)>& tweak = {}) {
        Rig rig(TestOptions(model, pcid, 1));
        EXPECT_TRUE(rig.Connect()) << rig.error;
        if (contrast)
            rig.device.Image.DisplayOptions[kContrast] = *contrast;
        if (tweak)
            tweak(rig.device.Image);
        const QString path = dir_.path() + QLatin1Char('/') + name;
        EXPECT_TRUE(rig.device.SaveToFile(path.toStdString()));
        return path;
    }
    void WriteText(const QString& name, const std::string& text) {
        QFile file(dir_.path() + QLatin1Char('/') + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }
    TTemplateStore& Templates() { return templates_; }
    QString Folder() const { return dir_.path(); }
    QString Archive() const { return dir_.path() + QStringLiteral("/archive"); }

    TSite Site(const std::string& text, const QString& defaultDevice = {}) {
        return ParseSite(text, dir_.path(), defaultDevice, templates_);
    }

    std::unique_ptr<TProvisioner> Provisioner(const TSite& site, bool dryRun = false) {
        TProvisionOptions options;
        options.DryRun = dryRun;
        options.ArchiveFolder = Archive();
        options.PrepareDevice = [](T7310& device) { Shorten(device); };
        options.User = QStringLiteral("Site technician");
        options.Reason = QStringLiteral("commissioning");
        return std::make_unique<TProvisioner>(site, options);
    }
    // Runs the site to its end; the reports.
    std::vector<TGaugeReport> Run(const TSite& site, bool dryRun = false) {
        const auto run = Provisioner(site, dryRun);
        run->Start();
        run->Wait();
        return run->Reports();
    }

private:
    QTemporaryDir dir_;
    TTemplateStore templates_;
    std::vector<std::unique_ptr<sim::GaugeSimulator>> buses_;
};

std::string Line(int node, const QString& settings, const QString& device,
                 const std::string& rest = "") {
    return std::to_string(node) + "," + settings.toStdString() + "," + device.toStdString() +
           rest + "\n";
}

} // namespace

TEST(SiteFile, EveryLineIsCheckedBeforeAnythingIsSent) {
    SiteRig rig;
    rig.SettingsFile(QStringLiteral("t8310.TLS"), "T8310", "5");
    rig.SettingsFile(QStringLiteral("t7310.TLS"), "T7310", "3");
    rig.WriteText(QStringLiteral("notes.TLS"), "not a settings file");
    rig.WriteText(QStringLiteral("table.csv"), "Height,Volume\n0,0\n1,100\n");
    const struct {
        const char* what;
        std::string text;
        int line;          // of the first problem; 0 for the file as a whole, -1: no problem
        const char* words; // in that problem
    } cases[] = {
        {"good, with a default bus", "node,settings\n1,t8310.TLS\n2,t7310.TLS\n", -1, ""},
        {"semicolons, a byte-order mark, quotes and blank lines",
         "\xEF\xBB\xBFNode;Settings;Tag\n\n1;t8310.TLS;\"North; old\"\n\n", -1, ""},
        {"no header", "", 0, "no header"},
        {"no settings column", "node,tag\n1,x\n", 1, "no \"settings\" column"},
        {"unknown column", "node,settings,colour\n1,t8310.TLS,red\n", 1, "unknown column"},
        {"a column twice", "node,settings,node\n1,t8310.TLS,2\n", 1, "named twice"},
        {"node 99", "node,settings\n99,t8310.TLS\n", 2, "node \"99\""},
        {"node not a number", "node,settings\n\n1x,t8310.TLS\n", 3, "not a node ID"},
        {"negative node", "node,settings\n-1,t8310.TLS\n", 2, "not a node ID"},
        {"missing file", "node,settings\n1,t8310.TLS\n2,gone.TLS\n", 3, "gone.TLS"},
        {"not a settings file", "node,settings\n1,notes.TLS\n", 2, "not a settings file"},
        {"no settings", "node,settings\n1,\n", 2, "no settings file"},
        {"missing template", "node,settings\n1,template:Nowhere\n", 2, "no template \"Nowhere\""},
        {"duplicate node on one bus", "node,settings,device\n1,t8310.TLS,/dev/a\n1,t7310.TLS,/dev/a\n",
         3, "already on line 2"},
        {"the same node on two buses", "node,settings,device\n1,t8310.TLS,/dev/a\n1,t8310.TLS,/dev/b\n",
         -1, ""},
        {"a table for a standard tank", "node,settings,table\n1,t8310.TLS,table.csv\n", 2,
         "not Non standard"},
        {"a table that is missing", "node,settings,table\n1,t8310.TLS,none.csv\n", 2, "none.csv"},
        {"too many fields", "node,settings\n1,t8310.TLS,extra\n", 2, "3 fields"},
        {"a quote left open", "node,settings,tag\n1,t8310.TLS,\"North\n", 2, "not closed"},
        {"only a header", "node,settings\n", 0, "lists no gauge"},
    };
    for (const auto& c : cases) {
        const TSite site = rig.Site(c.text, QStringLiteral("/dev/default"));
        if (c.line < 0) {
            EXPECT_TRUE(site.Ok()) << c.what << ": " << site.ProblemText().toStdString();
            continue;
        }
        ASSERT_FALSE(site.Problems.empty()) << c.what;
        EXPECT_EQ(site.Problems.front().Line, c.line) << c.what;
        EXPECT_TRUE(site.Problems.front().Text.contains(QString::fromUtf8(c.words)))
            << c.what << ": " << site.Problems.front().Text.toStdString();
        EXPECT_FALSE(site.Ok()) << c.what;
    }
    // Without a default, a line must name its bus.
    const TSite noBus = rig.Site("node,settings\n1,t8310.TLS\n");
    ASSERT_EQ(noBus.Problems.size(), 1u);
    EXPECT_TRUE(noBus.Problems[0].Text.contains(QStringLiteral("no device"))) << noBus.ProblemText().toStdString();

    // What a good line holds: paths from the site's folder, the families of the file's format.
    const TSite good = rig.Site("node;settings;device;tag\n7;t7310.TLS;/dev/x;\"Day \"\"A\"\"\"\n");
    ASSERT_TRUE(good.Ok()) << good.ProblemText().toStdString();
    EXPECT_EQ(good.Gauges[0].Node, 7);
    EXPECT_EQ(good.Gauges[0].Line, 2);
    EXPECT_EQ(good.Gauges[0].Tag, QStringLiteral("Day \"A\""));
    EXPECT_EQ(good.Gauges[0].SettingsPath, QDir(rig.Folder()).filePath(QStringLiteral("t7310.TLS")));
    EXPECT_EQ(good.Gauges[0].Families, std::vector<TGaugeFamily>{TGaugeFamily::T7310});
}

TEST(Provision, EachGaugeEndsAsItsBusAndFileSay) {
    SiteRig rig;
    // Bus 0: matching, differing, forgetting the display write, silent. Bus 1: a T7310 for a
    // T8310's file, a template for its family.
    rig.AddBus({Gauge(1), Gauge(2), Gauge(3, "T8310", "5", {{instr::DisplayOptionsWrite, sim::Fault::Forget}}),
                Gauge(4, "T8310", "5", {{0, sim::Fault::NoReply}})});
    rig.AddBus({Gauge(5, "T7310", "3"), Gauge(6)});
    rig.SettingsFile(QStringLiteral("same.TLS"), "T8310", "5", std::nullopt);
    const QString site = rig.SettingsFile(QStringLiteral("site.TLS"), "T8310", "5");
    QFile file(site);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QString error;
    ASSERT_TRUE(rig.Templates().Save(QStringLiteral("tanks"), TGaugeFamily::T8310,
                                     std::vector<uint8_t>(bytes.begin(), bytes.end()), &error));

    const std::string text = "node,settings,device,tag\n" + Line(1, QStringLiteral("same.TLS"), rig.Bus(0), ",same") +
                             Line(2, QStringLiteral("site.TLS"), rig.Bus(0), ",differs") +
                             Line(3, QStringLiteral("site.TLS"), rig.Bus(0), ",forgets") +
                             Line(4, QStringLiteral("site.TLS"), rig.Bus(0), ",silent") +
                             Line(5, QStringLiteral("site.TLS"), rig.Bus(1), ",other family") +
                             Line(6, QStringLiteral("template:tanks"), rig.Bus(1), ",template");
    const TSite checked = rig.Site(text);
    ASSERT_TRUE(checked.Ok()) << checked.ProblemText().toStdString();
    const std::vector<TGaugeReport> reports = rig.Run(checked);
    ASSERT_EQ(reports.size(), 6u);

    const struct {
        TProvisionResult result;
        int changes;
        const char* reason; // in a failure's reason
        bool archived;
    } expected[] = {
        {TProvisionResult::Unchanged, 0, "", false},
        {TProvisionResult::Written, 1, "", true},
        {TProvisionResult::NotKept, 1, "", true},
        {TProvisionResult::Failed, 0, "no answer", false},
        {TProvisionResult::Failed, 0, "wrong family", false},
        {TProvisionResult::Written, 1, "", true},
    };
    for (size_t i = 0; i < reports.size(); ++i) {
        const TGaugeReport& report = reports[i];
        SCOPED_TRACE("gauge " + std::to_string(i + 1) + ": " + ReportResultText(report).toStdString());
        EXPECT_EQ(report.Result, expected[i].result);
        EXPECT_EQ(report.Changes, expected[i].changes);
        EXPECT_TRUE(report.Reason.contains(QLatin1String(expected[i].reason)));
        EXPECT_EQ(!report.AsFound.isEmpty() && QFile::exists(report.AsFound), expected[i].archived);
        EXPECT_EQ(!report.AsLeft.isEmpty() && QFile::exists(report.AsLeft), expected[i].archived);
    }
    EXPECT_EQ(reports[1].Family, QStringLiteral("T8310"));
    EXPECT_TRUE(reports[4].Reason.contains(QStringLiteral("T7310"))) << reports[4].Reason.toStdString();

    // Only the gauges that differed were written, and each bus saw only its own nodes.
    std::map<int, Bytes> writes = WritesByNode(rig.Sim(0));
    const std::map<int, Bytes> writes1 = WritesByNode(rig.Sim(1));
    writes.insert(writes1.begin(), writes1.end());
    EXPECT_EQ(writes.count(1), 0u);
    EXPECT_EQ(writes.count(4), 0u);
    EXPECT_EQ(writes.count(5), 0u) << "a gauge of another family is never written";
    for (int node : {2, 3, 6}) {
        ASSERT_EQ(writes.count(node), 1u) << node;
        // Write All Settings' series, then the family's own values; never a table here.
        EXPECT_EQ(writes[node].front(), instr::WriteAllOrder().front()) << node;
        EXPECT_EQ(std::count(writes[node].begin(), writes[node].end(), instr::TableDataWrite), 0) << node;
    }
    EXPECT_EQ(NodesAddressed(rig.Sim(0)), (std::set<int>{1, 2, 3, 4}));
    // A gauge that already holds the site's settings is asked exactly what a connect asks.
    Rig alone;
    ASSERT_TRUE(alone.Connect()) << alone.error;
    Bytes askedOfNode1;
    for (const Bytes& frame : rig.Sim(0).Frames())
        if (frame.size() > 3 && frame[3] == 1)
            askedOfNode1.push_back(frame[2]);
    EXPECT_EQ(Hex(askedOfNode1), Hex(alone.Sent()));
    EXPECT_EQ(NodesAddressed(rig.Sim(1)), (std::set<int>{5, 6}));

    // Each write has its journal line.
    const TArchive::TJournal journal = TArchive(rig.Archive()).ReadJournal();
    EXPECT_EQ(journal.Entries.size(), 3u);
    for (const QJsonObject& entry : journal.Entries)
    {
        EXPECT_EQ(entry[QStringLiteral("operation")].toString(), QStringLiteral("write-all"));
        EXPECT_EQ(entry[QStringLiteral("user")].toString(), QStringLiteral("Site technician"));
        EXPECT_EQ(entry[QStringLiteral("reason")].toString(), QStringLiteral("commissioning"));
    }

    // Run again: only what was left is touched.
    rig.Sim(0).ClearLog();
    rig.Sim(1).ClearLog();
    const std::vector<TGaugeReport> again = rig.Run(checked);
    const TProvisionResult second[] = {TProvisionResult::Unchanged, TProvisionResult::Unchanged,
                                       TProvisionResult::NotKept,   TProvisionResult::Failed,
                                       TProvisionResult::Failed,    TProvisionResult::Unchanged};
    for (size_t i = 0; i < again.size(); ++i)
        EXPECT_EQ(again[i].Result, second[i]) << "gauge " << i + 1 << ": " << ReportResultText(again[i]).toStdString();
    const std::map<int, Bytes> rewritten = WritesByNode(rig.Sim(0));
    EXPECT_EQ(rewritten.size(), 1u);
    EXPECT_EQ(rewritten.count(3), 1u);
    EXPECT_TRUE(WritesByNode(rig.Sim(1)).empty());
}

TEST(Provision, ASiteTableReplacesTheFilesTable) {
    SiteRig rig;
    rig.AddBus({Gauge(1)});
    rig.SettingsFile(QStringLiteral("bund.TLS"), "T8310", "5", kSiteContrast, [](TDeviceImage& image) {
        image.TankRecord()[img::TankType] = img::TankTypeNonStandard;
    });
    rig.WriteText(QStringLiteral("bund.csv"), "Height,Volume\n0,0\n1.5,200\n3,650.25\n");
    const TSite site = rig.Site("node,settings,table\n1,bund.TLS,bund.csv\n", rig.Bus(0));
    ASSERT_TRUE(site.Ok()) << site.ProblemText().toStdString();
    const std::vector<TGaugeReport> reports = rig.Run(site);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].Result, TProvisionResult::Written) << ReportResultText(reports[0]).toStdString();
    // The gauge holds the site's three points.
    EXPECT_EQ(rig.Sim(0).Block(instr::TableSizeRead).at(0), 3);
    const Bytes last = rig.Sim(0).Block(instr::TableDataRead, 2);
    ASSERT_GE(last.size(), 8u);
    EXPECT_EQ(GetBE32(last.data()), 3000u);
    EXPECT_EQ(GetBE32(last.data() + 4), 650250u);
}

TEST(Provision, DryRunReadsAndComparesOnly) {
    SiteRig rig;
    rig.AddBus({Gauge(1), Gauge(2)});
    rig.SettingsFile(QStringLiteral("site.TLS"), "T8310", "5");
    const TSite site = rig.Site("node,settings\n1,site.TLS\n2,site.TLS\n", rig.Bus(0));
    ASSERT_TRUE(site.Ok()) << site.ProblemText().toStdString();
    const std::vector<TGaugeReport> reports = rig.Run(site, true);
    for (const TGaugeReport& report : reports) {
        EXPECT_EQ(report.Result, TProvisionResult::Differs) << ReportResultText(report).toStdString();
        EXPECT_EQ(report.Changes, 1);
        ASSERT_EQ(report.Differences.Settings.size(), 1u);
        EXPECT_EQ(report.Differences.Settings[0].To, std::to_string(kSiteContrast));
        EXPECT_TRUE(report.AsFound.isEmpty());
    }
    EXPECT_TRUE(WritesByNode(rig.Sim(0)).empty());
    EXPECT_FALSE(QFile::exists(TArchive(rig.Archive()).JournalPath()));
}

TEST(Provision, OneBusUnpluggedTheOtherGoesOn) {
    SiteRig rig;
    rig.AddBus({Gauge(1), Gauge(2), Gauge(3)});
    rig.AddBus({Gauge(1), Gauge(2), Gauge(3)});
    rig.SettingsFile(QStringLiteral("site.TLS"), "T8310", "5");
    std::string text = "node,settings,device\n";
    for (size_t bus : {0u, 1u})
        for (int node = 1; node <= 3; ++node)
            text += Line(node, QStringLiteral("site.TLS"), rig.Bus(bus));
    const TSite site = rig.Site(text);
    ASSERT_TRUE(site.Ok()) << site.ProblemText().toStdString();
    const auto run = rig.Provisioner(site);
    run->OnGauge = [&](size_t gauge, const TGaugeReport& report) {
        if (gauge == 0 && IsFinal(report.Result))
            rig.Sim(0).Unplug();
    };
    run->Start();
    run->Wait();
    const std::vector<TGaugeReport>& reports = run->Reports();
    EXPECT_EQ(reports[0].Result, TProvisionResult::Written) << ReportResultText(reports[0]).toStdString();
    for (size_t i : {1u, 2u}) {
        EXPECT_EQ(reports[i].Result, TProvisionResult::Failed) << i;
        EXPECT_FALSE(reports[i].Reason.isEmpty());
    }
    for (size_t i : {3u, 4u, 5u})
        EXPECT_EQ(reports[i].Result, TProvisionResult::Written) << ReportResultText(reports[i]).toStdString();
}

TEST(Provision, StopEndsAtTheExchangeInFlight) {
    const struct {
        const char* what;
        size_t gauge;     // whose report asks for the stop
        const char* step; // when running this step
        TProvisionResult first;
    } cases[] = {
        {"inside the first gauge's write series", 0, "writing", TProvisionResult::Written},
        {"while the second gauge is read", 1, "reading", TProvisionResult::Written},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SiteRig rig;
        // Replies slow enough that a stop always lands inside the step it was asked in.
        std::vector<sim::Options> gauges = {Gauge(1), Gauge(2), Gauge(3)};
        for (sim::Options& gauge : gauges)
            gauge.reply_delay_ms = 15;
        rig.AddBus(gauges);
        rig.SettingsFile(QStringLiteral("site.TLS"), "T8310", "5");
        const TSite site = rig.Site("node,settings\n1,site.TLS\n2,site.TLS\n3,site.TLS\n", rig.Bus(0));
        ASSERT_TRUE(site.Ok());
        const auto run = rig.Provisioner(site);
        run->OnGauge = [&](size_t gauge, const TGaugeReport& report) {
            if (gauge == c.gauge && report.Result == TProvisionResult::Running &&
                report.Step == QLatin1String(c.step))
                run->Stop();
        };
        run->Start();
        run->Wait();
        const std::vector<TGaugeReport>& reports = run->Reports();
        EXPECT_EQ(reports[0].Result, c.first) << ReportResultText(reports[0]).toStdString();
        EXPECT_FALSE(reports[0].AsLeft.isEmpty()) << "the series was read back to its end";
        EXPECT_EQ(reports[1].Result, TProvisionResult::Stopped) << ReportResultText(reports[1]).toStdString();
        EXPECT_EQ(reports[2].Result, TProvisionResult::Stopped);
        const std::map<int, Bytes> writes = WritesByNode(rig.Sim(0));
        ASSERT_EQ(writes.count(1), 1u);
        EXPECT_EQ(writes.at(1).back(), instr::ResolutionHysteresisWrite) << "the whole series went";
        EXPECT_EQ(writes.count(2) + writes.count(3), 0u);
    }
}
