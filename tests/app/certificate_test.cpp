// SPDX-License-Identifier: GPL-3.0-or-later
// File > Commissioning Certificate... and File > Print...: after a write and an alarm test the
// saved PDF marks the change, names both archive files and the test; the file is typed or
// chosen with Browse..., opened when asked; offline the certificate says so; Print... goes
// through the print dialog to the printer.

#include "AppFixture.h"

#include "Certificate.h"

#include "FmAlarms.h"
#include "FmCertificate.h"
#include "FmDisplayOptions.h"
#include "ProgramSettings.h"
#include "T7310.h"
#include "TestPdf.h"
#include "WriteSafety.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QSlider>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

class Certificate : public TAppTest {
protected:
    void SetUp() override {
        TAppTest::SetUp();
        ASSERT_TRUE(out_.isValid());
    }
    QString Out(const char* name) const { return out_.filePath(QString::fromLatin1(name)); }

    // Connected, contrast written as 90, and the Master alarm tested to its end.
    void WriteAndTest() {
        StartGauge();
        ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
        auto* display = dynamic_cast<TfmDisplayOptions*>(Window().Page(TfmMain::psDisplayOptions));
        ASSERT_NE(display, nullptr);
        display->tbContrast->setValue(90);
        Dialogs.AnswerAcceptWithReason(QStringLiteral("handover"));
        ASSERT_TRUE(Choose(Window().miWriteAllSettings));
        ClickTab(Window().tsAlarmSetpoints);
        auto* alarms = dynamic_cast<TfmAlarms*>(Window().Page(TfmMain::psAlarmSetpoints));
        ASSERT_NE(alarms, nullptr);
        alarms->AlarmTestTimer->setInterval(20);
        QTest::mouseClick(alarms->btTestM, Qt::LeftButton);
        ASSERT_TRUE(WaitUntilDone([&] { return !alarms->TestInProgress(); }, 5000));
        Dialogs.Clear();
    }

    QTemporaryDir out_;
};

QList<TDialogRecord> OfKind(const TScriptedDialogService& dialogs, TDialogKind kind) {
    QList<TDialogRecord> found;
    for (const TDialogRecord& record : dialogs.Records())
        if (record.Kind == kind)
            found << record;
    return found;
}

TEST_F(Certificate, SavedAfterAWriteWithTheChangeTheArchiveAndTheAlarmTest) {
    WriteAndTest();
    ASSERT_TRUE(Window().miCertificate->isEnabled());
    const QString pdf = Out("gauge.pdf");
    bool ran = false;
    WhenOpen<TfmCertificate>([&](TfmCertificate& dialog) {
        ran = true;
        EXPECT_TRUE(dialog.lbAbout->text().contains(QStringLiteral("1 setting changed")))
            << dialog.lbAbout->text().toStdString();
        EXPECT_TRUE(dialog.edFile->text().endsWith(QStringLiteral(".pdf")));
        EXPECT_TRUE(dialog.cbOpenAfterSaving->isChecked()) << "opens by default";
        // From the keyboard: the name typed over the suggestion, Enter saves.
        dialog.edFile->selectAll();
        QTest::keyClicks(dialog.edFile, pdf);
        QTest::keyClick(dialog.edFile, Qt::Key_Return);
    });
    ASSERT_TRUE(Choose(Window().miCertificate));
    ASSERT_TRUE(ran);
    const QString text = PdfText(pdf);
    ASSERT_FALSE(text.isEmpty()) << "no PDF at " << pdf.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("» +Contrast +128 +90"))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Master +[-0-9]+ [:0-9]+ +completed after"))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("reason: handover")));
    const TArchive::TJournal journal = Window().Safety()->Archive().ReadJournal();
    ASSERT_FALSE(journal.Entries.isEmpty());
    for (const char* side : {"as_found", "as_left"}) {
        const QString path = journal.Entries.back()[QLatin1String(side)].toString();
        EXPECT_TRUE(text.contains(QFileInfo(path).fileName())) << side;
        EXPECT_TRUE(text.contains(FileSha256(path))) << side;
    }
    const QList<TDialogRecord> opened = OfKind(Dialogs, TDialogKind::OpenDocument);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].Text, pdf);
}

TEST_F(Certificate, BrowseChoosesTheFileAndTheTickIsRemembered) {
    StartGauge();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    Dialogs.Clear();
    const QString chosen = Out("chosen");
    Dialogs.AnswerSaveFile(chosen);
    WhenOpen<TfmCertificate>([&](TfmCertificate& dialog) {
        QTest::mouseClick(dialog.btBrowse, Qt::LeftButton);
        EXPECT_EQ(dialog.edFile->text(), chosen);
        dialog.cbOpenAfterSaving->setChecked(false);
        QTest::mouseClick(dialog.btSave, Qt::LeftButton);
    });
    ASSERT_TRUE(Choose(Window().miCertificate));
    EXPECT_TRUE(QFile::exists(chosen + QStringLiteral(".pdf"))) << "the suffix is added";
    EXPECT_TRUE(OfKind(Dialogs, TDialogKind::OpenDocument).isEmpty());
    EXPECT_EQ(StoredValue(QString::fromLatin1(kOpenCertificate)), QStringLiteral("0"));
    EXPECT_TRUE(PdfText(chosen + QStringLiteral(".pdf"))
                    .contains(QStringLiteral("No write of this gauge is recorded")));
}

TEST_F(Certificate, OfflineItSaysSoAndPrintGoesToThePrinter) {
    // File > New Settings: a T8310 prepared without a gauge.
    Dialogs.AnswerChoice(QStringLiteral("Blank settings"));
    Dialogs.AnswerChoice(QStringLiteral("T8310"));
    ASSERT_TRUE(Choose(Window().miNewSettings));
    ASSERT_TRUE(Window().Offline());
    ASSERT_TRUE(Window().miCertificate->isEnabled());
    ASSERT_TRUE(Window().miPrint->isEnabled());

    const QString printed = Out("printed.pdf");
    Dialogs.AnswerPrintToFile(printed);
    ASSERT_TRUE(Choose(Window().miPrint));
    const QString text = PdfText(printed);
    EXPECT_TRUE(text.contains(QStringLiteral("Prepared without a gauge"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("As found")));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Page 1 of [2-9]"))));

    // Cancelled, nothing is printed.
    QFile::remove(printed);
    Dialogs.CancelPrint();
    ASSERT_TRUE(Choose(Window().miPrint));
    EXPECT_FALSE(QFile::exists(printed));
    EXPECT_EQ(Dialogs.UnexpectedCount(), 0) << Dialogs.Transcript().join('\n').toStdString();
}

TEST_F(Certificate, OfflineTheSettingsFileIsNamedOnlyWhileItHoldsWhatThePagesShow) {
    Dialogs.AnswerChoice(QStringLiteral("Blank settings"));
    Dialogs.AnswerChoice(QStringLiteral("T8310"));
    ASSERT_TRUE(Choose(Window().miNewSettings));
    const QString saved = Out("prepared.TLS");
    Dialogs.AnswerSaveFile(saved);
    ASSERT_TRUE(Choose(Window().miSaveAs));
    ASSERT_EQ(Window().OfflineFileName(), saved);
    const struct {
        const char* What;
        bool Edit;
        bool Named;
    } cases[] = {{"saved", false, true}, {"edited since", true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        if (c.Edit) {
            auto* display =
                dynamic_cast<TfmDisplayOptions*>(Window().Page(TfmMain::psDisplayOptions));
            ASSERT_NE(display, nullptr);
            display->tbContrast->setValue(display->tbContrast->value() + 7);
        }
        const QString printed = Out(c.Edit ? "edited.pdf" : "saved.pdf");
        Dialogs.AnswerPrintToFile(printed);
        ASSERT_TRUE(Choose(Window().miPrint));
        EXPECT_EQ(PdfText(printed).contains(FileSha256(saved)), c.Named);
    }
}

TEST_F(Certificate, NotOfferedWithoutSettings) {
    EXPECT_FALSE(Window().miCertificate->isEnabled());
    EXPECT_FALSE(Window().miPrint->isEnabled());
}

} // namespace
