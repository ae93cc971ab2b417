// SPDX-License-Identifier: GPL-3.0-or-later
// `certificate OUT.pdf` after a write: the changed setting marked, the archive files named with
// hashes that match them; `certificate --file` without a gauge; `provision --certificates DIR`
// one certificate per gauge written; and what the command refuses.

#include "CliHarness.h"
#include "TestPdf.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace clitest;

namespace {

constexpr size_t kContrast = 43 + 5; // display options record in the file, contrast

QString Sha256Of(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unreadable");
    return QString::fromLatin1(
        QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
}

QJsonObject Json(const TRun& run) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
}

class CliCertificate : public ::testing::Test {
protected:
    TConfigHome home;
};

TEST_F(CliCertificate, AfterAWriteTheChangeIsMarkedAndTheArchiveFilesProved) {
    auto gauge = StartSim("T8310", "5", 1);
    ASSERT_NE(gauge, nullptr);
    home.StoreTechnician(QStringLiteral("Grace Hopper"));
    const QString file = home.Path() + QStringLiteral("/new.TLS");
    ASSERT_TRUE(SaveSettingsFile(*gauge, 1, file.toStdString()));
    std::string bytes = ReadFile(file);
    bytes[kContrast] = static_cast<char>(77);
    WriteFile(file, bytes);
    const TRun write = RunOne(Target(*gauge, 1) << QStringLiteral("--reason")
                                                << QStringLiteral("handover") << QStringLiteral("write")
                                                << file,
                              home);
    ASSERT_EQ(write.exitCode, 0) << write.err;

    const QString pdf = home.Path() + QStringLiteral("/gauge.pdf");
    const TRun made = RunOne(Target(*gauge, 1) << QStringLiteral("--json")
                                               << QStringLiteral("certificate") << pdf,
                             home);
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const QJsonObject json = Json(made);
    EXPECT_EQ(json[QStringLiteral("changed")].toInt(), 1);
    const QString text = PdfText(pdf);
    ASSERT_FALSE(text.isEmpty()) << "pdftotext (poppler-utils) must read " << pdf.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("» +Contrast +128 +77"))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Grace Hopper")));
    EXPECT_TRUE(text.contains(QStringLiteral("reason: handover")));
    EXPECT_TRUE(text.contains(QStringLiteral("Read back and matched")));
    EXPECT_TRUE(text.contains(json[QStringLiteral("content_sha256")].toString()));
    for (const char* side : {"as_found", "as_left"}) {
        const QJsonObject named = json[QLatin1String(side)].toObject();
        const QString path = named[QStringLiteral("path")].toString();
        ASSERT_TRUE(QFile::exists(path)) << side << ": " << path.toStdString();
        EXPECT_EQ(named[QStringLiteral("sha256")].toString(), Sha256Of(path)) << side;
        EXPECT_TRUE(text.contains(Sha256Of(path))) << side << " hash on the certificate";
        EXPECT_TRUE(text.contains(QFileInfo(path).fileName())) << side << " file named";
    }
}

TEST_F(CliCertificate, ASettingsFileWithoutAGauge) {
    auto gauge = StartSim("T7310", "3", 1);
    ASSERT_NE(gauge, nullptr);
    const QString file = home.Path() + QStringLiteral("/prepared.TLS");
    ASSERT_TRUE(SaveSettingsFile(*gauge, 1, file.toStdString()));
    gauge.reset(); // no gauge from here on
    const QString pdf = home.Path() + QStringLiteral("/prepared.pdf");
    const TRun made = RunOne({QStringLiteral("--user"), QStringLiteral("Ada"),
                              QStringLiteral("certificate"), QStringLiteral("--file"), file, pdf},
                             home);
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Prepared without a gauge"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("As found")));
    EXPECT_TRUE(text.contains(Sha256Of(file))) << "the settings file's hash";
    EXPECT_TRUE(text.contains(QStringLiteral("Ada")));
}

TEST_F(CliCertificate, RefusedBeforeAnythingIsWritten) {
    const QString notSettings = home.Path() + QStringLiteral("/junk.TLS");
    WriteFile(notSettings, "not a settings file");
    const QString pdf = home.Path() + QStringLiteral("/x.pdf");
    const struct {
        QStringList Args;
        int Status;
        const char* Says;
    } cases[] = {
        {{QStringLiteral("certificate")}, 2, "needs the PDF file"},
        {{QStringLiteral("certificate"), QStringLiteral("--family"), QStringLiteral("T8310"), pdf},
         2, "goes with --file"},
        {{QStringLiteral("certificate"), QStringLiteral("--file"), notSettings, pdf}, 4,
         "not a settings file"},
        {{QStringLiteral("certificate"), QStringLiteral("--file"),
          home.Path() + QStringLiteral("/missing.TLS"), pdf},
         4, "missing.TLS"},
        {{QStringLiteral("provision"), notSettings, QStringLiteral("--certificates")}, 2,
         "needs a folder"},
    };
    for (const auto& c : cases) {
        const TRun run = RunOne(c.Args, home);
        EXPECT_EQ(run.exitCode, c.Status) << c.Args.join(u' ').toStdString() << ": " << run.err;
        EXPECT_NE(run.err.find(c.Says), std::string::npos) << run.err;
        EXPECT_FALSE(QFile::exists(pdf));
    }
}

TEST_F(CliCertificate, ProvisionWritesOnePerGaugeWritten) {
    sim::Options one, two;
    one.node = 1;
    two.node = 2;
    auto bus = std::make_unique<sim::GaugeSimulator>(std::vector<sim::Options>{one, two});
    std::string error;
    ASSERT_TRUE(bus->Start(&error)) << error;
    const QString settings = home.Path() + QStringLiteral("/site.TLS");
    ASSERT_TRUE(SaveSettingsFile(*bus, 1, settings.toStdString()));
    // Node 1 already holds the file's settings; node 2 gets a new contrast.
    std::string bytes = ReadFile(settings);
    const QString changed = home.Path() + QStringLiteral("/two.TLS");
    bytes[kContrast] = static_cast<char>(60);
    WriteFile(changed, bytes);
    const QString site = home.Path() + QStringLiteral("/site.csv");
    WriteFile(site, "node,settings,device,tag\n1,site.TLS," + bus->SlavePath() + ",North\n2,two.TLS," +
                        bus->SlavePath() + ",South/3\n");
    const QString folder = home.Path() + QStringLiteral("/certificates");
    ASSERT_TRUE(QDir().mkpath(folder));
    const TRun run = RunOne({QStringLiteral("--json"), QStringLiteral("provision"), site,
                             QStringLiteral("--certificates"), folder},
                            home);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const QStringList made = QDir(folder).entryList(QDir::Files);
    ASSERT_EQ(made, QStringList{QStringLiteral("T8310-node02-South_3.pdf")}) << run.out;
    const QString text = PdfText(QDir(folder).filePath(made.front()));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("» +Contrast +128 +60"))))
        << text.toStdString();
    EXPECT_NE(run.out.find("T8310-node02-South_3.pdf"), std::string::npos) << run.out;
}

} // namespace
