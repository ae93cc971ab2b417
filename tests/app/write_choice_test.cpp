// SPDX-License-Identifier: GPL-3.0-or-later
// Write only what you choose: the differences box of Write All Settings ticks every change, an
// unticked one keeps the gauge's value in what is written (the record still goes whole), and
// the box counts what will change as the user ticks.

#include "AppFixture.h"

#include "FmCompare.h"
#include "FmDisplayOptions.h"
#include "T7310.h"

#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTableWidget>
#include <QTest>

namespace {

TDifferences TwoChanges() {
    TDifferences differences;
    differences.Settings.push_back({33, "Display Options", "Contrast", "128", "90"});
    differences.Settings.push_back({35, "Display Options", "Damping", "500 MS", "1250 MS"});
    return differences;
}

} // namespace

TEST(WriteChoice, TheBoxTicksEveryChangeAndCountsThem) {
    const struct {
        const char* what;
        bool asks;
        bool choices;
        bool checkBoxes;
    } cases[] = {
        {"a question with choices", true, true, true},
        {"a question without", true, false, false},
        {"a box that only shows", false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<bool> chosen;
        TDifferencesBox box;
        box.Heading = QStringLiteral("Writing will change these settings on the gauge");
        box.AcceptText = c.asks ? QStringLiteral("&Write") : QString();
        box.Differences = TwoChanges();
        box.Chosen = c.choices ? &chosen : nullptr;
        TfmCompare dialog(box);
        QTableWidget* table = dialog.tbSettings;
        ASSERT_EQ(table->rowCount(), 2);
        // A check box is shown where the item has a check state.
        EXPECT_EQ(table->item(0, 0)->data(Qt::CheckStateRole).isValid(), c.checkBoxes);
        EXPECT_EQ(dialog.lbChosen != nullptr, c.checkBoxes);
        EXPECT_EQ(dialog.Chosen(), (std::vector<bool>{true, true}));
        if (!c.checkBoxes)
            continue;
        EXPECT_TRUE(dialog.lbChosen->text().startsWith(QStringLiteral("2 of 2 settings")));
        table->item(1, 0)->setCheckState(Qt::Unchecked);
        EXPECT_TRUE(dialog.lbChosen->text().startsWith(QStringLiteral("1 of 2 settings")))
            << dialog.lbChosen->text().toStdString();
        EXPECT_EQ(dialog.Chosen(), (std::vector<bool>{true, false}));
    }
}

TEST(DifferencesBox, AReasonLineOnlyWhereAWriteIsAsked) {
    for (const bool asks : {true, false}) {
        SCOPED_TRACE(asks);
        QString reason = QStringLiteral("kept from last time");
        TDifferencesBox box;
        box.AcceptText = asks ? QStringLiteral("&Write") : QString();
        box.Differences = TwoChanges();
        box.Reason = &reason;
        TfmCompare dialog(box);
        EXPECT_EQ(dialog.edReason != nullptr, asks);
        if (!asks) {
            EXPECT_TRUE(dialog.Reason().isEmpty());
            continue;
        }
        EXPECT_EQ(dialog.edReason->text(), reason) << "the line starts with what the caller had";
        const QLabel* caption = nullptr;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            if (label->buddy() == dialog.edReason)
                caption = label;
        ASSERT_NE(caption, nullptr);
        EXPECT_EQ(caption->text(), QStringLiteral("&Reason:"));
        dialog.edReason->clear();
        QTest::keyClicks(dialog.edReason, QStringLiteral(" new probe "));
        EXPECT_EQ(dialog.Reason(), QStringLiteral("new probe"));
    }
}

class WriteChosen : public TAppTest {};

TEST_F(WriteChosen, AnUntickedSettingKeepsTheGaugesValueOnTheWire) {
    StartGauge();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    auto* display = dynamic_cast<TfmDisplayOptions*>(Window().Page(TfmMain::psDisplayOptions));
    ASSERT_NE(display, nullptr);
    const std::vector<uint8_t> before = Gauge().Block(0x14);
    const QString dampingShown = display->eDamping->text();
    display->tbContrast->setValue(90);
    display->eDamping->setText(QStringLiteral("1.25"));
    Gauge().ClearLog();
    Dialogs.Clear();
    Dialogs.AnswerAcceptExcept({QStringLiteral("Damping")});
    ASSERT_TRUE(Choose(Window().miWriteAllSettings));
    EXPECT_TRUE(WaitUntilDone([&] { return !Dialogs.Boxes().isEmpty(); }, 10000));
    EXPECT_EQ(Dialogs.Boxes(), QStringList{QStringLiteral("Settings written successfully")});

    // The box offered both; the record went whole, with the gauge's damping in it.
    const std::vector<uint8_t> after = Gauge().Block(0x14);
    EXPECT_EQ(after[img::DisplayContrast], 90);
    EXPECT_EQ(after[img::DisplayDamping], before[img::DisplayDamping]);
    EXPECT_EQ(after[img::DisplayDamping + 1], before[img::DisplayDamping + 1]);
    const std::vector<uint8_t> sent = Requests();
    EXPECT_NE(std::find(sent.begin(), sent.end(), 0xA4), sent.end());
    // The page shows what the gauge holds now, nothing marked.
    EXPECT_EQ(display->eDamping->text(), dampingShown);
    EXPECT_EQ(display->tbContrast->value(), 90);
    EXPECT_FALSE(display->Edited());
}
