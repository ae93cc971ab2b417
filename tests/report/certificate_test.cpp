// SPDX-License-Identifier: GPL-3.0-or-later
// The commissioning certificate: its data built from a device object, the archive files and the
// journal line of the last write (standard and Non standard tanks, several families, with and
// without a write), then the PDF laid out from it, read back with pdftotext; and a PDF that
// cannot be written leaves the older one of that name as it was.

#include "Archive.h"
#include "Certificate.h"
#include "CertificatePdf.h"
#include "GaugeFamily.h"
#include "SettingsFile.h"
#include "T7310.h"
#include "TankTableCsv.h"
#include "ZURSettings.h"
#include "TestPdf.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

enum class TWrite { None, Verified, NotKept, Unverified };

struct TCase {
    const char* Name;
    TGaugeFamily Family;
    int TankType; // 1..4 drawn, 5 Non standard
    TWrite Write;
    bool Offline;
};

const TZURSetting& Named(const char* name, const char* group = nullptr) {
    const TZURSettings& items = Catalogue();
    for (size_t i = 0; i < items.Count(); ++i)
        if (items.Item(i).Name == name && items.Item(i).IsValue() &&
            (!group || items.Item(i).Group == group))
            return items.Item(i);
    throw std::runtime_error(std::string("no setting ") + name);
}

TTableRows Rows(int count, double scale) {
    TTableRows rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({QString::number(i * 0.05, 'f', 3).toStdString(),
                        QString::number(i * i * scale, 'f', 3).toStdString()});
    return rows;
}

QString Sha256Of(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromLatin1(
        QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
}

class Certificate : public ::testing::TestWithParam<TCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        archive_ = std::make_unique<TArchive>(dir_.filePath(QStringLiteral("archive")));
    }

    // The gauge as found: a blank image of the family with the case's tank and a contrast of
    // 128; as left, the contrast 77 and (Non standard) a longer table.
    void Prepare(const TCase& c) {
        TakeFamily(device_, c.Family);
        BlankImage(device_);
        device_.NodeId = 7;
        device_.Image.Rs485Id = 7;
        Named("Tank Type").SetValue(device_.Image, static_cast<uint32_t>(c.TankType));
        Named("Length", "Tank Description").SetValue(device_.Image, 6000);
        Named("Height", "Tank Description").SetValue(device_.Image, 2500);
        Named("Radius", "Tank Description").SetValue(device_.Image, 1250);
        Named("Contrast").SetValue(device_.Image, 128);
        if (c.TankType == img::TankTypeNonStandard) {
            ASSERT_TRUE(StoreTable(Rows(12, 10), device_.Image.TankTable));
        }
        device_.Report.Name = "North Yard";
        device_.Report.SerialNumber = "SN4471";
        found_ = device_.Image;
        Named("Contrast").SetValue(device_.Image, 77);
        if (c.TankType == img::TankTypeNonStandard) {
            ASSERT_TRUE(StoreTable(Rows(70, 12), device_.Image.TankTable));
        }
    }

    QString Archive(const TDeviceImage& image, const char* kind) {
        QString error;
        const QString path = archive_->SaveImage(
            TArchive::GaugeFolderName(FamilyFacts(FamilyOf(device_)).DeviceName, 7),
            QString::fromLatin1(kind),
            EncodeSettingsFile(image, device_.Report, device_.IsExtended()),
            QDateTime::currentDateTimeUtc(), &error);
        EXPECT_FALSE(path.isEmpty()) << error.toStdString();
        return path;
    }

    void Journal(TWrite write) {
        if (write == TWrite::None)
            return;
        asFound_ = Archive(found_, "as-found");
        if (write != TWrite::Unverified)
            asLeft_ = Archive(write == TWrite::NotKept ? found_ : device_.Image, "as-left");
        QJsonArray notKept;
        if (write == TWrite::NotKept)
            notKept.append(QJsonObject{{"group", "Display Options"}, {"name", "Contrast"},
                                       {"from", "128"}, {"to", "77"}});
        QString error;
        ASSERT_TRUE(archive_->AppendJournal(
            {{"time", "2026-12-10T09:15:00Z"},
             {"node", 7},
             {"identity", QJsonObject{{"name", FamilyFacts(FamilyOf(device_)).DeviceName}}},
             {"operation", "write-all"},
             {"result", write == TWrite::NotKept ? "not-kept" : "ok"},
             {"as_found", asFound_},
             {"as_left", asLeft_.isEmpty() ? QJsonValue() : QJsonValue(asLeft_)},
             {"not_kept", notKept},
             {"user", "Ada Lovelace"},
             {"reason", "commissioning"}},
            &error))
            << error.toStdString();
        // Another gauge's later write must not be taken for this one's.
        ASSERT_TRUE(archive_->AppendJournal(
            {{"time", "2026-12-10T09:20:00Z"}, {"node", 8},
             {"identity", QJsonObject{{"name", FamilyFacts(FamilyOf(device_)).DeviceName}}},
             {"operation", "write-all"}, {"result", "failed"}},
            &error));
    }

    TCertificate Build(const TCase& c) {
        TCertificateSources sources;
        sources.Device = &device_;
        sources.Offline = c.Offline;
        sources.Port = QStringLiteral("/dev/ttyUSB0");
        sources.Archive = archive_.get();
        if (c.Offline) {
            settingsFile_ = dir_.filePath(QStringLiteral("prepared.TLS"));
            QFile file(settingsFile_);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            const auto bytes = EncodeSettingsFile(device_.Image, device_.Report, device_.IsExtended());
            file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
            sources.SettingsFile = settingsFile_;
        }
        sources.Technician = QStringLiteral("Ada Lovelace");
        sources.Program = QStringLiteral("T7310 / T8310 Configurator");
        sources.Version = QStringLiteral("1.2.3.4");
        return BuildCertificate(sources);
    }

    const TCertificateSetting* Setting(const TCertificate& c, const char* name) const {
        for (const TCertificateGroup& group : c.Groups)
            for (const TCertificateSetting& s : group.Settings)
                if (s.Name == QLatin1String(name))
                    return &s;
        return nullptr;
    }

    QString Header(const TCertificate& c, const char* caption) const {
        for (const TCertificateLine& line : c.Header)
            if (line.Caption == QLatin1String(caption))
                return line.Value;
        return {};
    }

    QString ProofText(const TCertificate& c) const {
        QStringList lines;
        for (const TCertificateLine& line : c.Proof)
            lines << line.Caption + QStringLiteral(": ") + line.Value;
        return lines.join(u'\n');
    }

    QTemporaryDir dir_;
    std::unique_ptr<TArchive> archive_;
    T7310 device_;
    TDeviceImage found_;
    QString asFound_;
    QString asLeft_;
    QString settingsFile_;
};

TEST_P(Certificate, DataAndPdfSayWhatWasFoundAndLeft) {
    const TCase c = GetParam();
    Prepare(c);
    Journal(c.Write);
    const bool compared = !c.Offline && c.Write != TWrite::None;
    const TCertificate certificate = Build(c);

    // ---- the data ----
    EXPECT_EQ(certificate.Offline, c.Offline);
    EXPECT_EQ(Header(certificate, "Family"), QLatin1String(FamilyFacts(c.Family).Name));
    EXPECT_EQ(Header(certificate, "Node ID"), QStringLiteral("7"));
    EXPECT_EQ(Header(certificate, "Technician"), QStringLiteral("Ada Lovelace"));
    EXPECT_EQ(Header(certificate, "Port").startsWith(QStringLiteral("none")), c.Offline);
    EXPECT_EQ(Header(certificate, "Site name"), QStringLiteral("North Yard"));
    // As found from the as-found file, as left from the as-left file (which, not kept, holds
    // the old contrast), else the gauge as read.
    const bool notKept = compared && c.Write == TWrite::NotKept;
    const bool changes = compared && !notKept;
    const TCertificateSetting* contrast = Setting(certificate, "Contrast");
    ASSERT_NE(contrast, nullptr);
    EXPECT_EQ(contrast->Left, notKept ? QStringLiteral("128") : QStringLiteral("77"));
    EXPECT_EQ(contrast->Found, c.Offline ? QString()
                               : compared ? QStringLiteral("128")
                                          : QStringLiteral("77"));
    EXPECT_EQ(contrast->Changed, changes);
    const TCertificateSetting* table = Setting(certificate, "Tank Table");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->Changed, changes && c.TankType == img::TankTypeNonStandard);
    int changed = 0;
    for (const TCertificateGroup& group : certificate.Groups)
        for (const TCertificateSetting& s : group.Settings)
            changed += s.Changed ? 1 : 0;
    EXPECT_EQ(certificate.ChangedCount, changed);
    EXPECT_EQ(certificate.NonStandard, c.TankType == img::TankTypeNonStandard);
    const size_t rows = c.TankType != img::TankTypeNonStandard ? 0 : notKept ? 12 : 70;
    EXPECT_EQ(certificate.Table.size(), rows);
    EXPECT_EQ(certificate.Dimensions.empty(), c.TankType == img::TankTypeNonStandard);

    const QString proof = ProofText(certificate);
    switch (c.Offline ? TWrite::None : c.Write) {
    case TWrite::None:
        EXPECT_TRUE(proof.contains(c.Offline ? QStringLiteral("prepared without a gauge")
                                             : QStringLiteral("No write of this gauge")))
            << proof.toStdString();
        break;
    case TWrite::Verified:
        EXPECT_TRUE(proof.contains(QStringLiteral("Read back and matched"))) << proof.toStdString();
        break;
    case TWrite::NotKept:
        EXPECT_TRUE(proof.contains(QStringLiteral(
            "1 setting not kept: Display Options / Contrast: gauge 128, written 77")))
            << proof.toStdString();
        break;
    case TWrite::Unverified:
        EXPECT_TRUE(proof.contains(QStringLiteral("not read back"))) << proof.toStdString();
        break;
    }
    if (compared) {
        EXPECT_TRUE(proof.contains(QStringLiteral("Journal line: 2026-12-10T09:15:00Z")));
        EXPECT_TRUE(proof.contains(QStringLiteral("by Ada Lovelace, reason: commissioning")));
        ASSERT_TRUE(certificate.AsFound.has_value());
        EXPECT_EQ(certificate.AsFound->Path, asFound_);
        EXPECT_EQ(certificate.AsFound->Sha256, Sha256Of(asFound_));
        EXPECT_EQ(certificate.AsLeft.has_value(), c.Write != TWrite::Unverified);
        if (certificate.AsLeft) {
            EXPECT_EQ(certificate.AsLeft->Sha256, Sha256Of(asLeft_));
        }
    } else if (c.Offline) {
        ASSERT_TRUE(certificate.AsLeft.has_value());
        EXPECT_EQ(certificate.AsLeft->Sha256, Sha256Of(settingsFile_));
    }
    EXPECT_EQ(certificate.ContentSha256,
              QString::fromLatin1(QCryptographicHash::hash(CertificateText(certificate).toUtf8(),
                                                           QCryptographicHash::Sha256)
                                      .toHex()));

    // ---- the PDF ----
    const QString pdf = dir_.filePath(QStringLiteral("certificate.pdf"));
    QString reason;
    ASSERT_TRUE(SaveCertificatePdf(pdf, certificate, QPageSize::A4, &reason)) << reason.toStdString();
    const QString text = PdfText(pdf);
    ASSERT_FALSE(text.isEmpty()) << "pdftotext (poppler-utils) must read " << pdf.toStdString();
    const int pages = PdfPageCount(pdf);
    ASSERT_GE(pages, 2);
    for (int page = 1; page <= pages; ++page)
        EXPECT_TRUE(text.contains(QStringLiteral("Page %1 of %2").arg(page).arg(pages)))
            << "page " << page;
    EXPECT_FALSE(text.contains(QStringLiteral("Page %1 of").arg(pages + 1)));
    EXPECT_TRUE(text.contains(certificate.ContentSha256));
    EXPECT_TRUE(text.contains(QStringLiteral("Ada Lovelace")));
    EXPECT_EQ(text.contains(QRegularExpression(QStringLiteral("» +Contrast +128 +77"))), changes)
        << text.toStdString();
    EXPECT_EQ(text.contains(QStringLiteral("As found")), !c.Offline);
    if (compared) {
        EXPECT_TRUE(text.contains(certificate.AsFound->Sha256));
    }
    if (rows == 70) {
        // Row 70 of the table and the curve's axis titles.
        EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("\\b70 +3\\.450 +57132\\.000"))))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Height (m)")));
        EXPECT_TRUE(text.contains(QStringLiteral("Volume (m³)")));
    } else if (!certificate.Dimensions.empty()) {
        const TCertificateLine& first = certificate.Dimensions.front();
        EXPECT_TRUE(text.contains(first.Caption + QStringLiteral(": ") + first.Value))
            << text.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Images, Certificate,
    ::testing::Values(TCase{"T8310Drawn", TGaugeFamily::T8310, 1, TWrite::Verified, false},
                      TCase{"PRM8310NonStandard", TGaugeFamily::PRM8310, 5, TWrite::Verified, false},
                      TCase{"T7310NoWrite", TGaugeFamily::T7310, 2, TWrite::None, false},
                      TCase{"T7310NonStandardNotKept", TGaugeFamily::T7310, 5, TWrite::NotKept, false},
                      TCase{"T8310Unverified", TGaugeFamily::T8310, 4, TWrite::Unverified, false},
                      TCase{"PRM8310Offline", TGaugeFamily::PRM8310, 3, TWrite::Verified, true}),
    [](const ::testing::TestParamInfo<TCase>& info) { return std::string(info.param.Name); });

TEST(CertificateAlarmTests, EachRunOfTheConnectionIsListed) {
    T7310 device;
    TakeFamily(device, TGaugeFamily::T8310);
    BlankImage(device);
    const QDateTime start = QDateTime::fromString(QStringLiteral("2026-12-10T10:00:00Z"), Qt::ISODate);
    device.AlarmTests = {
        {kAlarmTestMasks[0], start, start.addSecs(5), "completed"},
        {kAlarmTestMasks[2], start.addSecs(60), start.addSecs(62), "ended early"},
        {kAlarmTestMasks[1], start.addSecs(90), {}, ""},
    };
    TCertificateSources sources;
    sources.Device = &device;
    const TCertificate connected = BuildCertificate(sources);
    ASSERT_EQ(connected.AlarmTests.size(), 3u);
    const struct {
        const char* Output;
        const char* Ending;
    } expected[] = {{"Master", "completed after 5 s"},
                    {"Alarm 2", "ended early after 2 s"},
                    {"Alarm 1", "still running"}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(connected.AlarmTests[i].Output, QLatin1String(expected[i].Output));
        EXPECT_EQ(connected.AlarmTests[i].Ending, QLatin1String(expected[i].Ending));
    }
    sources.Offline = true;
    EXPECT_TRUE(BuildCertificate(sources).AlarmTests.empty()) << "no test runs without a gauge";
}

TEST(CertificateFile, AFailedWriteLeavesTheOlderCertificate) {
    QTemporaryDir dir;
    T7310 device;
    TakeFamily(device, TGaugeFamily::T7310);
    BlankImage(device);
    TCertificateSources sources;
    sources.Device = &device;
    sources.Offline = true;
    const TCertificate certificate = BuildCertificate(sources);

    const QString folder = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString pdf = QDir(folder).filePath(QStringLiteral("c.pdf"));
    QString reason;
    ASSERT_TRUE(SaveCertificatePdf(pdf, certificate, QPageSize::Letter, &reason));
    QFile old(pdf);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    const QByteArray before = old.readAll();
    old.close();
    EXPECT_TRUE(before.startsWith("%PDF"));

    // No room for the temporary file beside it: the write fails, the old file stays whole.
    ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0500), 0);
    const bool saved = SaveCertificatePdf(pdf, certificate, QPageSize::A4, &reason);
    chmod(QFile::encodeName(folder).constData(), 0700);
    if (geteuid() != 0) {
        EXPECT_FALSE(saved);
        EXPECT_FALSE(reason.isEmpty());
    }
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    if (!saved) {
        EXPECT_EQ(old.readAll(), before);
    }
    // A folder in the file's place is refused the same way, whoever runs the test.
    EXPECT_FALSE(SaveCertificatePdf(folder, certificate, QPageSize::A4, &reason));
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

} // namespace
