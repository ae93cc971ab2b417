// SPDX-License-Identifier: GPL-3.0-or-later
// `write --template NAME`: a template saved by the configurator written to gauges, refused for
// a gauge of another family and for a name that is not a template, before anything is sent.

#include "CliHarness.h"

#include "GaugeFamily.h"
#include "Templates.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace clitest;

namespace {

constexpr size_t kContrast = 43 + 5; // display options record in the file, contrast

} // namespace

TEST(CliTemplate, WrittenToItsFamilyAndRefusedElsewhere) {
    TConfigHome home;
    auto same = StartSim("T8310");
    auto other = StartSim("T7310", "3");
    auto unknown = StartSim("T8310");
    ASSERT_TRUE(same && other && unknown);
    // A template as the configurator saves it: the gauge's own file with another contrast.
    const QString file = home.Path() + QStringLiteral("/site.TLS");
    ASSERT_TRUE(SaveSettingsFile(*same, 1, file.toStdString()));
    std::string bytes = ReadFile(file);
    bytes[kContrast] = 77;
    TTemplateStore store(home.Path() + QStringLiteral("/data/ZUR/Configurator/templates"));
    QString error;
    ASSERT_TRUE(store.Save(QStringLiteral("Site A"), TGaugeFamily::T8310,
                           std::vector<uint8_t>(bytes.begin(), bytes.end()), &error))
        << error.toStdString();

    const std::vector<TRun> runs =
        RunAll({Target(*same, 1) << "write"
                                 << "--template"
                                 << "Site A",
                Target(*other, 1) << "write"
                                  << "--template"
                                  << "Site A",
                Target(*unknown, 1) << "write"
                                    << "--template"
                                    << "Site B"},
               home);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].exitCode, 0) << runs[0].err;
    EXPECT_NE(runs[0].out.find("template \"Site A\""), std::string::npos) << runs[0].out;
    EXPECT_EQ(same->Block(0x14)[5], 77);

    EXPECT_EQ(runs[1].exitCode, 4) << runs[1].err;
    EXPECT_NE(runs[1].err.find("this gauge is a T7310"), std::string::npos) << runs[1].err;
    EXPECT_TRUE(Writes(*other).empty());

    EXPECT_EQ(runs[2].exitCode, 4) << runs[2].err;
    EXPECT_NE(runs[2].err.find("no template \"Site B\""), std::string::npos) << runs[2].err;
    EXPECT_TRUE(unknown->Instructions().empty()); // no port was opened for it
}
