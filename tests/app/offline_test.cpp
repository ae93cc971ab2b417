// SPDX-License-Identifier: GPL-3.0-or-later
// Settings prepared at the desk and written on site: File > New Settings and Open without a
// gauge, the family question, Save and the unsaved-edits question, templates, and the connect
// that offers the prepared settings to the gauge.

#include "AppFixture.h"

#include "FmAlarms.h"
#include "FmAllSettings.h"
#include "FmDeviceStatus.h"
#include "FmSensorParams.h"
#include "FmTankType.h"
#include "GaugeFamily.h"
#include "Page.h"
#include "T7310.h"
#include "Templates.h"
#include "ZurApplication.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QTableView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>

namespace {

std::vector<uint8_t> FileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    return {data.begin(), data.end()};
}

// Write instructions are A0 to BF (the identity, DF, is a read).
bool AnyWrite(const std::vector<uint8_t>& codes) {
    return std::any_of(codes.begin(), codes.end(), [](uint8_t c) { return c >= 0xA0 && c < 0xC0; });
}

std::string Codes(const std::vector<uint8_t>& codes) {
    std::string text;
    for (uint8_t c : codes)
        text += QString::number(c, 16).toStdString() + " ";
    return text;
}

std::string NameBytes(const std::vector<uint8_t>& block) {
    std::string text(block.begin(), block.end());
    return text.substr(0, text.find('\0'));
}

} // namespace

class Offline : public TAppTest {
protected:
    TfmTankType& TankPage() {
        return *dynamic_cast<TfmTankType*>(Window().Page(TfmMain::psTankTypes));
    }
    TfmAlarms& AlarmPage() {
        return *dynamic_cast<TfmAlarms*>(Window().Page(TfmMain::psAlarmSetpoints));
    }
    // File > New Settings, blank, of the family listed under that name.
    void NewBlank(const char* family) {
        Dialogs.AnswerChoice(QCoreApplication::translate("TfmMain", "Blank settings"));
        Dialogs.AnswerChoice(QString::fromLatin1(family));
        ASSERT_TRUE(Choose(Window().miNewSettings));
        ASSERT_TRUE(Window().Offline());
    }
    // A settings file of a family, written by a device object as Save As does.
    QString MakeFile(const QString& folder, TGaugeFamily family, const std::string& tankName) {
        T7310 device;
        TakeFamily(device, family);
        BlankImage(device);
        device.Image.TankName = tankName;
        device.Image.Rs485Id = 17;
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/site.TLS");
        EXPECT_TRUE(device.SaveToFile(path.toStdString()));
        return path;
    }
    QTemporaryDir files_;
};

TEST_F(Offline, NewBlankSettingsAreEditableButNothingSends) {
    NewBlank("T8310");
    TfmMain& window = Window();
    EXPECT_EQ(PanelText(1), QStringLiteral("OFFLINE"));
    EXPECT_TRUE(window.windowTitle().startsWith(QStringLiteral("Untitled")));
    EXPECT_TRUE(window.isWindowModified());
    EXPECT_TRUE(TabShown(window.tsSummary)); // a T8310 has the summary
    // The entries are there; what would talk to a gauge is not.
    EXPECT_TRUE(TankPage().cbTankType->isEnabled());
    EXPECT_EQ(TankPage().cbTankType->currentIndex(), 0); // "none"
    EXPECT_FALSE(TankPage().btReadSettings->isEnabled());
    EXPECT_FALSE(TankPage().btWriteSettings->isEnabled());
    for (const auto& alarm : AlarmPage().Alarm) {
        EXPECT_TRUE(alarm.Enabled->isEnabled());
        EXPECT_FALSE(alarm.Test->isEnabled());
    }
    for (QAction* gaugeCommand : {window.miReadAllSettings, window.miWriteAllSettings,
                                  window.miChangeNodeID, window.miCompare})
        EXPECT_FALSE(gaugeCommand->isEnabled()) << gaugeCommand->objectName().toStdString();
    EXPECT_TRUE(window.miSave->isEnabled());
    EXPECT_TRUE(window.miConnect->isEnabled());
    auto* status = dynamic_cast<TfmDeviceStatus*>(window.Page(TfmMain::psDeviceStatus));
    EXPECT_EQ(status->lbConnectionStatus->text(), QStringLiteral("Offline"));
    EXPECT_EQ(status->lbDeviceName->text(), QStringLiteral("T8310"));

    // The list of all settings has the family's settings, none of them on a gauge.
    ASSERT_TRUE(Choose(window.miAllSettings));
    window.AllSettings->edFilter->setText(QStringLiteral("Damping"));
    const QAbstractItemModel* rows = window.AllSettings->tvSettings->model();
    ASSERT_GE(rows->rowCount(), 1);
    EXPECT_EQ(rows->index(0, TSettingsModel::scName).data().toString(), QStringLiteral("Damping"));
    EXPECT_TRUE(rows->index(0, TSettingsModel::scGauge).data().toString().isEmpty());
}

TEST_F(Offline, OpenEditSaveAndReopenByteForByte) {
    // Settings saved by the window, with a node ID of their own (what a gauge's file holds).
    NewBlank("T8310");
    TankPage().eTankName->setText(QStringLiteral("Bund tank"));
    const QString original = files_.path() + QStringLiteral("/site.TLS");
    Dialogs.AnswerSaveFile(original);
    ASSERT_TRUE(Choose(Window().miSaveAs));
    std::vector<uint8_t> bytes = FileBytes(original);
    ASSERT_EQ(bytes.size(), 1236u) << Dialogs.Transcript().join(QLatin1Char('\n')).toStdString();
    bytes[4] = 17;
    QFile patched(original);
    ASSERT_TRUE(patched.open(QIODevice::WriteOnly | QIODevice::Truncate));
    patched.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    patched.close();
    DropWindow();

    Dialogs.AnswerOpenFile(original);
    Dialogs.AnswerChoice(QStringLiteral("T8310")); // a format 3 file outside the archive
    ASSERT_TRUE(Choose(Window().miOpen));
    ASSERT_TRUE(Window().Offline());
    EXPECT_EQ(TankPage().eTankName->text(), QStringLiteral("Bund tank"));
    EXPECT_FALSE(Window().isWindowModified());
    EXPECT_TRUE(Window().windowTitle().startsWith(QStringLiteral("site.TLS")));

    // Saved without an edit, it is the same file.
    const QString copy = files_.path() + QStringLiteral("/copy.TLS");
    Dialogs.AnswerSaveFile(copy);
    ASSERT_TRUE(Choose(Window().miSaveAs));
    EXPECT_EQ(FileBytes(copy), bytes) << Dialogs.Transcript().join(QLatin1Char('\n')).toStdString();

    // An edit marks the title; Save writes it to the file now open and clears the mark.
    TankPage().eTankName->setText(QStringLiteral("Farm tank"));
    EXPECT_TRUE(Window().isWindowModified());
    ASSERT_TRUE(Choose(Window().miSave));
    EXPECT_FALSE(Window().isWindowModified());
    T7310 reader;
    TakeFamily(reader, TGaugeFamily::T8310);
    ASSERT_TRUE(reader.LoadWholeFile(copy.toStdString()));
    EXPECT_EQ(reader.Image.TankName, "Farm tank");
    EXPECT_EQ(reader.Image.Rs485Id, 17);
}

// A .TLS file holds its numbers the same in every language: typed with the locale's decimal
// separator, saved, and opened again in the same language, the page shows what was typed.
TEST_F(Offline, SettingsFilesAreTheSameInEveryLanguageAndReadBackAsTyped) {
    struct Case {
        QLocale locale;
        const char* typed;
        const char* shown; // the page after the file is opened again
    };
    const Case cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), "1.5", "1.500"},
        {QLocale(QLocale::German, QLocale::Germany), "1,5", "1,500"},
    };
    std::vector<std::vector<uint8_t>> files;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        QLocale::setDefault(c.locale);
        TZurApplication::InstallTranslations(c.locale);
        NewBlank("T8310");
        auto& sensor = *dynamic_cast<TfmSensorParameters*>(Window().Page(TfmMain::psSensorParams));
        sensor.eSG->setText(QString::fromLatin1(c.typed));
        const QString path =
            files_.path() + QLatin1Char('/') + c.locale.name() + QStringLiteral(".TLS");
        Dialogs.AnswerSaveFile(path);
        ASSERT_TRUE(Choose(Window().miSaveAs));
        files.push_back(FileBytes(path));
        DropWindow();

        Dialogs.AnswerOpenFile(path);
        Dialogs.AnswerChoice(QStringLiteral("T8310"));
        ASSERT_TRUE(Choose(Window().miOpen));
        auto& again = *dynamic_cast<TfmSensorParameters*>(Window().Page(TfmMain::psSensorParams));
        EXPECT_EQ(again.eSG->text().toStdString(), c.shown);
        DropWindow();
        Dialogs.Clear();
    }
    QLocale::setDefault(QLocale::system());
    TZurApplication::InstallTranslations(QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_EQ(files.size(), 2u);
    EXPECT_FALSE(files[0].empty());
    EXPECT_EQ(files[0], files[1]);
}

TEST_F(Offline, TheFamilyIsAskedOnlyWhenTheFileLeavesItOpen) {
    const QString archive =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
        QStringLiteral("/ZUR/Configurator");
    const struct {
        const char* what;
        QString folder;
        TGaugeFamily family;
        const char* answer; // null: no question
        bool opens;
    } cases[] = {
        {"format 2", files_.path() + QStringLiteral("/a"), TGaugeFamily::T7310, nullptr, true},
        {"an archive folder", archive + QStringLiteral("/PRM8310-node03"), TGaugeFamily::PRM8310,
         nullptr, true},
        {"format 3 elsewhere", files_.path() + QStringLiteral("/b"),
         TGaugeFamily::T7310Extended, "T7310 extended", true},
        {"the question cancelled", files_.path() + QStringLiteral("/c"), TGaugeFamily::T8310, "",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DropWindow();
        const QString path = MakeFile(c.folder, c.family, "x");
        Dialogs.Clear();
        Dialogs.AnswerOpenFile(path);
        if (c.answer && *c.answer)
            Dialogs.AnswerChoice(QString::fromLatin1(c.answer));
        else if (c.answer)
            Dialogs.CancelChoice();
        ASSERT_TRUE(Choose(Window().miOpen));
        const int questions = static_cast<int>(std::count_if(
            Dialogs.Records().begin(), Dialogs.Records().end(),
            [](const TDialogRecord& r) { return r.Kind == TDialogKind::Choice; }));
        EXPECT_EQ(questions, c.answer ? 1 : 0);
        EXPECT_EQ(Window().Offline(), c.opens);
        if (c.opens) {
            EXPECT_EQ(FamilyOf(Device()), c.family);
        }
    }
}

TEST_F(Offline, UnsavedEditsAreAskedAboutBeforeTheyGo) {
    const struct {
        TSaveChoice choice;
        bool closes;
        bool saved;
    } cases[] = {
        {TSaveChoice::Cancel, false, false},
        {TSaveChoice::Discard, true, false},
        {TSaveChoice::Save, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.choice));
        DropWindow();
        Dialogs.Clear();
        NewBlank("T7310");
        TankPage().eTankName->setText(QStringLiteral("Edited"));
        const QString target = files_.path() + QStringLiteral("/saved.TLS");
        QFile::remove(target);
        Dialogs.AnswerSaveChanges(c.choice);
        if (c.choice == TSaveChoice::Save)
            Dialogs.AnswerSaveFile(target); // never saved: Save asks where
        Window().close();
        EXPECT_EQ(Window().isVisible(), !c.closes);
        EXPECT_EQ(QFile::exists(target), c.saved);
    }
}

TEST_F(Offline, TemplatesSaveStartNewSettingsAndGo) {
    NewBlank("T8310");
    TankPage().eTankName->setText(QStringLiteral("Bund A"));
    Dialogs.AnswerText(QStringLiteral("Site A"));
    ASSERT_TRUE(Choose(Window().miSaveAsTemplate));
    const QList<TTemplate> stored = TTemplateStore(Window().TemplateFolder).List();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].Family, TGaugeFamily::T8310);

    // New settings from it: its family without asking, its values, and no file yet.
    Dialogs.AnswerSaveChanges(TSaveChoice::Discard);
    Dialogs.AnswerChoice(QStringLiteral("Template: Site A (T8310)"));
    ASSERT_TRUE(Choose(Window().miNewSettings));
    EXPECT_EQ(TankPage().eTankName->text(), QStringLiteral("Bund A"));
    EXPECT_TRUE(Window().OfflineFileName().isEmpty());
    EXPECT_TRUE(Window().windowTitle().startsWith(QStringLiteral("Untitled")));

    // The Templates submenu lists it and deletes it.
    Window().mnTemplates->aboutToShow();
    QAction* remove = Window().findChild<QAction*>(QStringLiteral("miDeleteTemplate:Site A"));
    ASSERT_NE(remove, nullptr);
    Dialogs.AnswerYes();
    remove->trigger();
    EXPECT_TRUE(WaitUntilDone([&] { return Dialogs.ScriptDone(); }, 2000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(TTemplateStore(Window().TemplateFolder).List().isEmpty());
}

TEST_F(Offline, ConnectingOffersThePreparedSettings) {
    for (bool write : {true, false}) {
        SCOPED_TRACE(write ? "Yes" : "No");
        DropWindow();
        Dialogs.Clear();
        StartGauge();
        const std::string gaugeName = NameBytes(Gauge().Block(0x15));
        NewBlank("T8310");
        TankPage().eTankName->setText(QStringLiteral("Prepared"));
        Gauge().ClearLog();
        Dialogs.AnswerText(QStringLiteral("1"));
        if (write) {
            Dialogs.AnswerYes();
            Dialogs.AnswerAccept(); // the differences of Write All Settings
        } else {
            Dialogs.AnswerNo();
        }
        ASSERT_TRUE(Choose(Window().miConnect));
        ASSERT_TRUE(WaitUntilDone([&] { return Dialogs.ScriptDone() && !Dialogs.Boxes().isEmpty(); },
                                  15000))
            << Dialogs.Transcript().join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(Device().Connected());
        EXPECT_FALSE(Window().Offline());
        EXPECT_EQ(PanelText(1), QStringLiteral("CONNECTED"));
        const std::vector<uint8_t> sent = Requests();
        if (write) {
            EXPECT_TRUE(Dialogs.Boxes().contains(QStringLiteral("Settings written successfully")));
            EXPECT_EQ(NameBytes(Gauge().Block(0x15)), "Prepared");
            EXPECT_NE(std::find(sent.begin(), sent.end(), 0xA5), sent.end());
        } else {
            // Nothing sent but reads; the pages show the gauge; the unsaved settings were kept.
            EXPECT_FALSE(AnyWrite(sent)) << Codes(sent);
            EXPECT_EQ(NameBytes(Gauge().Block(0x15)), gaugeName);
            EXPECT_EQ(TankPage().eTankName->text().toStdString(), gaugeName);
            ASSERT_EQ(Dialogs.Boxes().size(), 1);
            EXPECT_TRUE(Dialogs.Boxes()[0].contains(QStringLiteral("were kept in")));
        }
        DisconnectWindow();
    }
}

TEST_F(Offline, AGaugeOfAnotherFamilyIsRefusedBeforeAnythingIsWritten) {
    sim::Options options;
    options.model = "T7310";
    options.pcid = "3";
    StartGauge(options);
    NewBlank("T8310");
    Gauge().ClearLog();
    Dialogs.AnswerText(QStringLiteral("1"));
    ASSERT_TRUE(Choose(Window().miConnect));
    ASSERT_TRUE(WaitUntilDone([&] { return !Dialogs.Boxes().isEmpty(); }, 15000));
    EXPECT_TRUE(Device().Connected());
    EXPECT_FALSE(AnyWrite(Requests())) << Codes(Requests());
    const TDialogRecord& refusal = Dialogs.Records().back();
    EXPECT_EQ(refusal.Kind, TDialogKind::Error);
    EXPECT_TRUE(refusal.Text.contains(QStringLiteral("this gauge is a T7310")))
        << refusal.Text.toStdString();
    EXPECT_TRUE(refusal.Text.contains(QStringLiteral("Nothing was written.")));
}
