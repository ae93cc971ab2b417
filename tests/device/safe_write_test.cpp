// SPDX-License-Identifier: GPL-3.0-or-later
// A write that never loses a setting, against the simulated gauge: the gauge's settings
// archived as found and as left byte for byte as Save As writes them, the read-back and its
// comparison, the journal line, and an archive that cannot be written.

#include "DeviceFixture.h"

#include "Archive.h"
#include "SafeWrite.h"
#include "SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

using namespace devtest;

namespace {

QByteArray Encoded(const TDeviceImage& image, const T7310& device) {
    const std::vector<uint8_t> bytes =
        EncodeSettingsFile(image, device.Report, device.IsExtended());
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(SafeWrite, ArchivesVerifiesAndJournalsEachOutcome) {
    struct Case {
        const char* what;
        sim::Fault fault;
        const char* result;
        bool asLeft;
        std::vector<std::string> notKept;
    };
    const Case cases[] = {
        {"kept", sim::Fault::None, "ok", true, {}},
        {"forgotten",
         sim::Fault::Forget,
         "not-kept",
         true,
         {"Display Options / Contrast: 128 -> 90"}},
        {"refused", sim::Fault::Nack, "failed", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        TArchive archive(folder.path());
        Rig rig;
        ASSERT_TRUE(rig.started) << rig.error;
        ASSERT_TRUE(rig.Connect());
        rig.sim.SetFault(0xA4, c.fault);
        const TDeviceImage found = rig.device.GaugeImage;
        rig.device.Image.DisplayOptions[img::DisplayContrast] = 90;

        TSafeWrite write(rig.device, archive, "display-options");
        int archiveErrors = 0;
        write.OnArchiveError = [&](const QString&) { ++archiveErrors; };
        ASSERT_TRUE(write.Prepare());
        write.Begin();
        const bool written = rig.device.WriteDisplayOptions();
        if (written) {
            EXPECT_TRUE(write.Verify());
        }
        EXPECT_STREQ(WriteResultText(write.Record(written)), c.result);
        EXPECT_EQ(archiveErrors, 0);

        std::vector<std::string> notKept;
        for (const TSettingDifference& d : write.NotKept().Settings)
            notKept.push_back(DifferenceLine(d));
        EXPECT_EQ(notKept, c.notKept);
        ASSERT_EQ(write.Changes().Settings.size(), 1u);
        EXPECT_EQ(DifferenceLine(write.Changes().Settings[0]),
                  "Display Options / Contrast: 128 -> 90");

        EXPECT_EQ(FileBytes(write.AsFound()), Encoded(found, rig.device));
        EXPECT_TRUE(write.AsFound().contains(QStringLiteral("/T8310-node01/")));
        EXPECT_TRUE(write.AsFound().endsWith(QStringLiteral("-as-found.TLS")));
        if (c.asLeft) {
            EXPECT_EQ(FileBytes(write.AsLeft()), Encoded(rig.device.GaugeImage, rig.device));
        }

        const TArchive::TJournal journal = archive.ReadJournal();
        ASSERT_EQ(journal.Entries.size(), 1);
        const QJsonObject line = journal.Entries[0];
        EXPECT_EQ(line["operation"].toString(), QStringLiteral("display-options"));
        EXPECT_EQ(line["result"].toString(), QString::fromLatin1(c.result));
        EXPECT_EQ(line["node"].toInt(), 1);
        EXPECT_EQ(line["device"].toString(), QString::fromStdString(rig.sim.SlavePath()));
        EXPECT_EQ(line["identity"].toObject()["name"].toString(), QStringLiteral("T8310"));
        EXPECT_TRUE(line["time"].toString().endsWith(QLatin1Char('Z')));
        EXPECT_EQ(line["changes"].toArray().size(), 1);
        EXPECT_EQ(line["changes"].toArray()[0].toObject()["id"].toInt(), 33);
        EXPECT_EQ(line["as_found"].toString(), write.AsFound());
        EXPECT_EQ(line["as_left"].isNull(), !c.asLeft);
    }
}

TEST(SafeWrite, ReadsTheGaugeFirstWhenAWriteLeftItUnknown) {
    QTemporaryDir folder;
    TArchive archive(folder.path());
    Rig rig;
    ASSERT_TRUE(rig.Connect());
    EXPECT_TRUE(rig.device.GaugeImageKnown());
    ASSERT_TRUE(rig.device.WriteGroup(0xA3)); // not through a checked write
    EXPECT_FALSE(rig.device.GaugeImageKnown());

    rig.ClearSent();
    TSafeWrite write(rig.device, archive, "tank-settings");
    ASSERT_TRUE(write.Prepare());
    const Bytes sent = rig.Sent();
    EXPECT_NE(std::find(sent.begin(), sent.end(), 0x13), sent.end()) << Hex(sent);
    EXPECT_TRUE(std::none_of(sent.begin(), sent.end(), [](uint8_t c) { return c >= 0xA0; }));
    EXPECT_TRUE(rig.device.GaugeImageKnown());
}

TEST(SafeWrite, AnArchiveThatCannotBeWrittenNeverStopsTheWrite) {
    QTemporaryDir folder;
    QFile blocker(folder.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TArchive archive(blocker.fileName() + QStringLiteral("/archive")); // under a plain file
    Rig rig;
    ASSERT_TRUE(rig.Connect());
    rig.device.Image.DisplayOptions[img::DisplayContrast] = 77;

    TSafeWrite write(rig.device, archive, "display-options");
    QStringList errors;
    write.OnArchiveError = [&](const QString& text) { errors << text; };
    ASSERT_TRUE(write.Prepare());
    write.Begin();
    ASSERT_TRUE(rig.device.WriteDisplayOptions());
    ASSERT_TRUE(write.Verify());
    EXPECT_STREQ(WriteResultText(write.Record(true)), "ok");
    EXPECT_EQ(rig.sim.Block(0x14)[img::DisplayContrast], 77);
    EXPECT_EQ(errors.size(), 3) << errors.join('\n').toStdString(); // as found, as left, journal
    EXPECT_TRUE(write.AsFound().isEmpty());
}

TEST(Archive, NamesFilesByTimeAndKeepsTheNewest200PerGauge) {
    QTemporaryDir folder;
    TArchive archive(folder.path());
    const QDateTime time(QDate(2026, 12, 8), QTime(9, 30, 15), Qt::UTC);
    const QString gauge = TArchive::GaugeFolderName("T8310", 1);
    EXPECT_EQ(gauge, QStringLiteral("T8310-node01"));
    EXPECT_EQ(TArchive::GaugeFolderName("../x y", 42), QStringLiteral("gauge.._x_y-node42"));
    QStringList paths;
    for (int i = 0; i < TArchive::kMaxFilesPerGauge + 2; ++i) {
        QString error;
        paths << archive.SaveImage(gauge, QStringLiteral("as-found"), {uint8_t(i)}, time, &error);
        ASSERT_FALSE(paths.back().isEmpty()) << error.toStdString();
    }
    EXPECT_TRUE(paths[0].endsWith(QStringLiteral("/T8310-node01/20261208T093015Z-as-found.TLS")));
    EXPECT_TRUE(paths[1].endsWith(QStringLiteral("/20261208T093015Z-as-found-2.TLS")));
    const QDir kept(folder.filePath(gauge));
    EXPECT_EQ(kept.entryList(QDir::Files).size(), TArchive::kMaxFilesPerGauge);
    EXPECT_FALSE(QFile::exists(paths[0])) << "the oldest go first";
    EXPECT_FALSE(QFile::exists(paths[1]));
    EXPECT_TRUE(QFile::exists(paths[2]));
    EXPECT_EQ(FileBytes(paths.back()), QByteArray(1, char(TArchive::kMaxFilesPerGauge + 1)));
}

TEST(Archive, AJournalLineThatIsNotJsonIsCountedAndLeftOut) {
    QTemporaryDir folder;
    TArchive archive(folder.path());
    EXPECT_TRUE(archive.ReadJournal().Entries.isEmpty());
    ASSERT_TRUE(archive.AppendJournal({{"operation", "alarms"}}, nullptr));
    QFile journal(archive.JournalPath());
    ASSERT_TRUE(journal.open(QIODevice::Append));
    journal.write("{\"cut short\n");
    journal.close();
    ASSERT_TRUE(archive.AppendJournal({{"operation", "summary"}}, nullptr));
    const TArchive::TJournal read = archive.ReadJournal();
    ASSERT_EQ(read.Entries.size(), 2);
    EXPECT_EQ(read.Entries[1]["operation"].toString(), QStringLiteral("summary"));
    EXPECT_EQ(read.BadLines, 1);
}
