// SPDX-License-Identifier: GPL-3.0-or-later
// The window never loses a setting: Write All Settings shows what it will change and asks,
// reads back what it wrote and says when the gauge did not keep it, Compare with Gauge, the
// archive and journal after a write and after a dropped line, and History...

#include "AppFixture.h"

#include "FmDisplayOptions.h"
#include "FmHistory.h"
#include "Page.h"
#include "ProgramSettings.h"
#include "SettingsFile.h"
#include "T7310.h"
#include "WriteSafety.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTest>

namespace {

constexpr uint8_t kContrastGauge = 128; // the simulated gauge's contrast

QList<TDialogRecord> OfKind(const TScriptedDialogService& dialogs, TDialogKind kind) {
    QList<TDialogRecord> found;
    for (const TDialogRecord& record : dialogs.Records())
        if (record.Kind == kind)
            found << record;
    return found;
}

} // namespace

class Verify : public TAppTest {
protected:
    // Connected, with the contrast on the Display Options page moved to 90.
    void ConnectAndEdit() {
        StartGauge();
        ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
        auto* display = dynamic_cast<TfmDisplayOptions*>(Window().Page(TfmMain::psDisplayOptions));
        ASSERT_NE(display, nullptr);
        display->tbContrast->setValue(90);
        Device().Image.DisplayOptions[img::DisplayContrast] = 90;
        Gauge().ClearLog();
        Dialogs.Clear();
    }
    void SetProgramSetting(const char* name, bool on) {
        Window().ProgramSettings()->Lookup(QString::fromLatin1(name))->BooleanValue = on;
    }
    bool WroteAnything() const {
        const std::vector<uint8_t> sent = Requests();
        return std::any_of(sent.begin(), sent.end(), [](uint8_t c) {
            return c >= 0xA0 && c <= 0xBF;
        }); // writes, not previews
    }
    TArchive::TJournal Journal() { return Window().Safety()->Archive().ReadJournal(); }
};

TEST_F(Verify, WriteAllShowsWhatWillChangeAndWritesOnlyWhenAsked) {
    struct Case {
        const char* what;
        bool accept;
        sim::Fault fault;
        bool verify;
        QString differencesOnWrite; // the second box: what the gauge did not keep
        QStringList boxes;
        QString panel;
        const char* result; // journal; none when cancelled
        bool asLeft;
    };
    const QString contrast = QStringLiteral("Display Options / Contrast: 128 -> 90");
    const QString failed = QStringLiteral("An error occured whilst writing the settings");
    const Case cases[] = {
        {"cancelled", false, sim::Fault::None, true, {}, {}, {}, nullptr, false},
        {"written and kept",
         true,
         sim::Fault::None,
         true,
         {},
         {QStringLiteral("Settings written successfully")},
         "   Settings written successfully",
         "ok",
         true},
        {"forgotten",
         true,
         sim::Fault::Forget,
         true,
         contrast,
         {failed},
         "   **ERROR** Verifying",
         "not-kept",
         true},
        {"forgotten, not verified",
         true,
         sim::Fault::Forget,
         false,
         {},
         {QStringLiteral("Settings written successfully")},
         "   Settings written successfully",
         "ok",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ConnectAndEdit();
        SetProgramSetting(kVerifyWrites, c.verify);
        Gauge().SetFault(0xA4, c.fault);
        if (c.accept)
            Dialogs.AnswerAccept();
        else
            Dialogs.AnswerCancel();
        ASSERT_TRUE(Choose(Window().miWriteAllSettings));

        const QList<TDialogRecord> shown = OfKind(Dialogs, TDialogKind::Differences);
        ASSERT_EQ(shown.size(), c.differencesOnWrite.isEmpty() ? 1 : 2);
        EXPECT_EQ(shown[0].Caption, QStringLiteral("Write All Settings"));
        EXPECT_EQ(shown[0].Value, contrast) << "asked before anything is sent";
        if (shown.size() == 2) {
            EXPECT_EQ(shown[1].Text, QStringLiteral("The gauge did not keep these settings"));
            EXPECT_EQ(shown[1].Value, c.differencesOnWrite);
        }
        EXPECT_EQ(Dialogs.Boxes(), c.boxes);
        EXPECT_EQ(WroteAnything(), c.accept);
        if (c.accept) {
            EXPECT_EQ(PanelText(0), c.panel);
        }
        const TArchive::TJournal journal = Journal();
        ASSERT_EQ(journal.Entries.size(), c.result ? 1 : 0);
        if (c.result) {
            const QJsonObject line = journal.Entries[0];
            EXPECT_EQ(line["result"].toString(), QString::fromLatin1(c.result));
            EXPECT_EQ(line["operation"].toString(), QStringLiteral("write-all"));
            EXPECT_TRUE(QFile::exists(line["as_found"].toString()));
            EXPECT_EQ(line["as_left"].isString(), c.asLeft);
            EXPECT_EQ(QFileInfo(line["as_found"].toString()).dir().dirName(),
                      QStringLiteral("T8310-node01"));
        }
        // The next case starts from a fresh archive and gauge.
        ASSERT_TRUE(DisconnectWindow());
        QDir(Window().Safety()->Archive().Folder()).removeRecursively();
    }
}

TEST_F(Verify, WithNothingToChangeTheQuestionSaysSoAndStillOffersWrite) {
    StartGauge();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    Dialogs.Clear();
    Dialogs.AnswerAccept();
    ASSERT_TRUE(Choose(Window().miWriteAllSettings));
    const QList<TDialogRecord> shown = OfKind(Dialogs, TDialogKind::Differences);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].Value.isEmpty());
    EXPECT_EQ(Dialogs.Boxes(), QStringList{QStringLiteral("Settings written successfully")});

    // Switched off, nothing is asked.
    Dialogs.Clear();
    Window().ProgramSettings()->Lookup(QString::fromLatin1(kConfirmChanges))->BooleanValue = false;
    ASSERT_TRUE(Choose(Window().miWriteAllSettings));
    EXPECT_TRUE(OfKind(Dialogs, TDialogKind::Differences).isEmpty());
}

TEST_F(Verify, CompareWithGaugeShowsTheDifferencesAndLeavesTheEditsAlone) {
    ConnectAndEdit();
    ASSERT_TRUE(Choose(Window().miCompare));
    const QList<TDialogRecord> shown = OfKind(Dialogs, TDialogKind::Differences);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].Caption, QStringLiteral("Compare with Gauge"));
    EXPECT_EQ(shown[0].Value, QStringLiteral("Display Options / Contrast: 128 -> 90"));
    EXPECT_EQ(Device().Image.DisplayOptions[img::DisplayContrast], 90);
    EXPECT_EQ(Device().GaugeImage.DisplayOptions[img::DisplayContrast], kContrastGauge);
    EXPECT_FALSE(WroteAnything());
}

TEST_F(Verify, ADroppedLineSavesWhatWasNotWrittenAndSaysWhere) {
    ConnectAndEdit();
    Gauge().SetFault(0xA4, sim::Fault::Unplug); // the last group of Write All Settings
    Dialogs.AnswerAccept();
    ASSERT_TRUE(Choose(Window().miWriteAllSettings));
    ASSERT_TRUE(WaitUntilDone([&] { return Dialogs.Boxes().size() == 2; }, 8000))
        << Dialogs.Transcript().join('\n').toStdString();
    const QStringList boxes = Dialogs.Boxes();
    EXPECT_EQ(boxes[0], QStringLiteral("An error occured whilst writing the settings"));
    ASSERT_TRUE(boxes[1].startsWith(QStringLiteral("Device disconnected...\n\nThe settings not yet "
                                                   "written were saved to\n")))
        << boxes[1].toStdString();
    const QString saved = boxes[1].section(QLatin1Char('\n'), 3, 3);
    EXPECT_TRUE(saved.endsWith(QStringLiteral("-unwritten.TLS"))) << saved.toStdString();
    EXPECT_TRUE(boxes[1].contains(QStringLiteral("File > Open")));
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::vector<uint8_t> expected =
        EncodeSettingsFile(Device().Image, Device().Report, Device().IsExtended());
    EXPECT_EQ(file.readAll(), QByteArray(reinterpret_cast<const char*>(expected.data()),
                                         static_cast<qsizetype>(expected.size())));

    const TArchive::TJournal journal = Journal();
    ASSERT_EQ(journal.Entries.size(), 1);
    EXPECT_EQ(journal.Entries[0]["result"].toString(), QStringLiteral("failed"));
    EXPECT_TRUE(journal.Entries[0]["as_left"].isNull());
}

TEST_F(Verify, HistoryListsTheJournalAndOpensAnArchivedFile) {
    ConnectAndEdit();
    Dialogs.AnswerAccept();
    ASSERT_TRUE(Choose(Window().miWriteAllSettings));
    const QJsonObject line = Journal().Entries.value(0);
    ASSERT_FALSE(line.isEmpty());

    for (bool canOpen : {false, true}) {
        SCOPED_TRACE(canOpen);
        TfmHistory history(Window().Safety()->Archive(), canOpen);
        history.show();
        ASSERT_EQ(history.tbJournal->rowCount(), 1);
        EXPECT_EQ(history.tbJournal->item(0, 2)->text(), QStringLiteral("write-all"));
        EXPECT_EQ(history.tbJournal->item(0, 3)->text(), QStringLiteral("ok"));
        EXPECT_TRUE(history.edChanges->toPlainText().startsWith(
            QStringLiteral("Display Options / Contrast: 128 -> 90\n")));
        EXPECT_EQ(history.btOpenAsFound->isEnabled(), canOpen);
        EXPECT_EQ(history.btOpenAsLeft->isEnabled(), canOpen);
        QTest::mouseClick(history.btOpenAsFound, Qt::LeftButton);
        EXPECT_EQ(history.ChosenFile(), canOpen ? line["as_found"].toString() : QString());
        EXPECT_EQ(history.result(), canOpen ? QDialog::Accepted : QDialog::Rejected);
    }
}

TEST_F(Verify, TheJournalAndHistoryNameTheTechnicianAndTheReasonTyped) {
    const struct {
        const char* reason; // typed in the box's Reason line
        QJsonValue journal;
        const char* shown; // in the history's changes
    } cases[] = {
        {"  float replaced ", QStringLiteral("float replaced"), "Reason: float replaced"},
        {"", QJsonValue(), "Reason: -"},
    };
    ConnectAndEdit();
    Window().ProgramSettings()->Lookup(QString::fromLatin1(kTechnician))->TextValue =
        QStringLiteral("Grace Hopper");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        Device().Image.DisplayOptions[img::DisplayContrast] =
            Device().GaugeImage.DisplayOptions[img::DisplayContrast] == 90 ? 91 : 90;
        Dialogs.AnswerAcceptWithReason(QString::fromUtf8(c.reason));
        ASSERT_TRUE(Choose(Window().miWriteAllSettings));
        const QJsonObject line = Journal().Entries.last();
        EXPECT_EQ(line["user"], QJsonValue(QStringLiteral("Grace Hopper")));
        EXPECT_EQ(line["reason"], c.journal);
        TfmHistory history(Window().Safety()->Archive(), false);
        history.show();
        EXPECT_EQ(history.tbJournal->item(0, 5)->text(), QStringLiteral("Grace Hopper"));
        EXPECT_TRUE(history.edChanges->toPlainText().contains(QString::fromUtf8(c.shown)))
            << history.edChanges->toPlainText().toStdString();
    }
}

namespace {

// A page with one edit box, as the window hosts any page.
class TEditPage final : public TZURPage {
public:
    TEditPage(QWidget* host, T7310& device) : TZURPage(host, device, {}) {
        eName = Edit("eName", QStringLiteral("DIESEL"));
        Caption(QStringLiteral("Tank Name"), eName);
    }
    void SetPageEnabled(bool) override {}
    QLineEdit* eName = nullptr;
};

} // namespace

TEST_F(Verify, AnEditedPageMarksItsTabUntilEverythingIsWritten) {
    StartGauge();
    TfmMain& w = Window();
    auto* page = new TEditPage(nullptr, Device());
    w.AttachPage(TfmMain::psDisplayOptions, page);
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    const int tab = w.pcMain->indexOf(w.tsDisplayOptions);
    EXPECT_EQ(w.pcMain->tabText(tab), QStringLiteral("Display Options"));

    QTest::keyClicks(page->eName, QStringLiteral(" 2"));
    EXPECT_EQ(w.pcMain->tabText(tab), QStringLiteral("Display Options *"));
    EXPECT_EQ(w.pcMain->tabToolTip(tab), QStringLiteral("Edited, not yet written"));

    Dialogs.AnswerAccept();
    ASSERT_TRUE(Choose(w.miWriteAllSettings));
    EXPECT_EQ(w.pcMain->tabText(tab), QStringLiteral("Display Options"));
    EXPECT_EQ(page->eName->text(), QStringLiteral("DIESEL 2")) << "the entry stays as typed";
}
