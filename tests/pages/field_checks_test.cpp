// SPDX-License-Identifier: GPL-3.0-or-later
// The field checks on a real edit box: the message goes to an information box on the edit's
// window, then the edit has the focus with its whole text selected.

#include "FieldChecks.h"
#include "ScriptedDialogService.h"

#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

class FieldChecksTest : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        // Any other dialog than the check's information box is a fault here.
        dialogs.OnShow = [this](const TDialogRecord& shown) {
            EXPECT_EQ(shown.Kind, TDialogKind::Information) << shown.Text.toStdString();
            FocusWhileShown.push_back(window->focusWidget());
        };
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        other = new QLineEdit(window.get());
        edit = new QLineEdit(window.get());
        layout->addWidget(other);
        layout->addWidget(edit);
        window->show();
        other->setFocus();
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    TScriptedDialogService dialogs;
    std::vector<QWidget*> FocusWhileShown; // where the focus was as each box was shown
    std::unique_ptr<QWidget> window;
    QLineEdit* other = nullptr; // owned by window
    QLineEdit* edit = nullptr;  // owned by window
};

enum class TKind { Whole, Real };

struct TFieldCase {
    TKind Kind;
    const char* Text;
    float Lo;
    float Hi;
    const char* Message; // empty: accepted
};

TEST_F(FieldChecksTest, FailureShowsTheMessageThenSelectsTheEntry) {
    const TFieldCase cases[] = {
        {TKind::Whole, "100", 1, 100, ""},
        {TKind::Whole, "101", 1, 100,
         "Error with value: Contrast\nThe value 101 is not in the range: 1 - 100"},
        {TKind::Whole, "1.5", 1, 100,
         "Error with value: Contrast\n'1.5' is not a valid integer value"},
        {TKind::Whole, "", 1, 100,
         "Error with value: Contrast\nYou must enter a value for this setting"},
        {TKind::Real, "4000000", 0, 4000000, ""},
        {TKind::Real, "-0.001", 0, 4000000,
         "Error with value: Contrast\nThe value -0.001 is not in the range: 0.000 - "
         "4000000.000"},
        {TKind::Real, "x1", 0, 4000000,
         "Error with value: Contrast\n'x1' is not a valid floating point value"},
    };
    for (const TFieldCase& c : cases) {
        SCOPED_TRACE(std::string(c.Text) + " in " + std::to_string(c.Lo) + ".." +
                     std::to_string(c.Hi));
        dialogs.Clear();
        FocusWhileShown.clear();
        other->setFocus();
        edit->setText(c.Text);
        edit->deselect();
        const bool ok = c.Kind == TKind::Whole
                            ? CheckWholeNumberField("Contrast", edit, static_cast<int>(c.Lo),
                                                    static_cast<int>(c.Hi))
                            : CheckRealNumberField("Contrast", edit, c.Lo, c.Hi);
        const bool accepted = std::string(c.Message).empty();
        EXPECT_EQ(ok, accepted);
        EXPECT_EQ(edit->text(), QString(c.Text)); // the check never changes the entry
        if (accepted) {
            EXPECT_TRUE(dialogs.Records().empty());
            EXPECT_EQ(window->focusWidget(), other);
            EXPECT_FALSE(edit->hasSelectedText());
            continue;
        }
        ASSERT_EQ(dialogs.Records().size(), 1u);
        EXPECT_EQ(dialogs.Records()[0].Text.toStdString(), c.Message);
        EXPECT_EQ(dialogs.Records()[0].Parent, window.get());
        // The box comes first; the focus moves only after it has closed.
        EXPECT_EQ(FocusWhileShown.at(0), other);
        EXPECT_EQ(window->focusWidget(), edit);
        EXPECT_EQ(edit->selectedText(), edit->text());
        if (!edit->text().isEmpty()) {
            EXPECT_TRUE(edit->hasSelectedText());
        }
    }
}

TEST_F(FieldChecksTest, RealCheckFollowsTheUserLocale) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    edit->setText("1,5");
    EXPECT_TRUE(CheckRealNumberField("Radius", edit, 0, 10));
    EXPECT_TRUE(dialogs.Records().empty());

    edit->setText("10,5");
    EXPECT_FALSE(CheckRealNumberField("Radius", edit, 0, 10));
    ASSERT_EQ(dialogs.Records().size(), 1u);
    EXPECT_EQ(dialogs.Records()[0].Text.toStdString(),
              "Error with value: Radius\nThe value 10,5 is not in the range: 0,000 - 10,000");
}

TEST_F(FieldChecksTest, NoEditBoxFailsQuietly) {
    EXPECT_FALSE(CheckWholeNumberField("Contrast", nullptr, 0, 10));
    EXPECT_FALSE(CheckRealNumberField("Contrast", nullptr, 0, 10));
    EXPECT_TRUE(dialogs.Records().empty());
}

} // namespace
