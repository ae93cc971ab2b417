// SPDX-License-Identifier: GPL-3.0-or-later
// Edited, not yet written: the frame marks every control whose content differs from what the
// page last showed, and clears the marks when the page is shown, read or written again.

#include "PageFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace {

// A bound edit box with its caption, a combo box with its caption, a check box that is its own
// caption, and a switch that is not a setting.
class TMarkedPage final : public TDampingPage {
public:
    TMarkedPage(QWidget* host, T7310& device) : TDampingPage(host, device, {}) {
        eDamping = Edit("eDamping", QString());
        lbDamping = Caption(QStringLiteral("Damping"), eDamping);
        cbUnit = new QComboBox(Body);
        cbUnit->addItems({QStringLiteral("Litres"), QStringLiteral("Gallons")});
        lbUnit = Caption(QStringLiteral("Unit"), cbUnit);
        cbShow = new QCheckBox(QStringLiteral("Show Decimal Point"), Body);
        cbTest = new QCheckBox(QStringLiteral("Test outputs"), Body);
        IgnoreEdits(cbTest);
        BindDamping(eDamping, {"Damping", true, 0, 65000});
    }

    QLineEdit* eDamping = nullptr;
    QLabel* lbDamping = nullptr;
    QComboBox* cbUnit = nullptr;
    QLabel* lbUnit = nullptr;
    QCheckBox* cbShow = nullptr;
    QCheckBox* cbTest = nullptr;
};

class EditMarker : public TPageTest {
protected:
    TMarkedPage& Page() {
        auto* page = new TMarkedPage(&Host(), Device());
        Host().layout()->addWidget(page);
        Host().show();
        return *page;
    }
    // Shown, with the frame's own follow-up done.
    static void Shown(TMarkedPage& page) {
        page.Show();
        QCoreApplication::processEvents();
    }
};

} // namespace

TEST_F(EditMarker, MarksWhatDiffersFromWhatThePageShowed) {
    StartGauge();
    ASSERT_TRUE(Connect());
    TMarkedPage& page = Page();
    page.SetPageEnabled(true);
    struct Case {
        const char* what;
        std::function<void(TMarkedPage&)> edit;
        std::function<QWidget*(TMarkedPage&)> marked; // the control whose caption is bold
        std::function<QWidget*(TMarkedPage&)> caption;
    };
    const Case cases[] = {
        {"typed into a bound edit box",
         [](TMarkedPage& p) { QTest::keyClicks(p.eDamping, QStringLiteral("5")); },
         [](TMarkedPage& p) { return p.eDamping; }, [](TMarkedPage& p) { return p.lbDamping; }},
        {"typed and typed back",
         [](TMarkedPage& p) {
             QTest::keyClicks(p.eDamping, QStringLiteral("5"));
             QTest::keyClick(p.eDamping, Qt::Key_Backspace);
         },
         nullptr, nullptr},
        {"another item chosen", [](TMarkedPage& p) { p.cbUnit->setCurrentIndex(1); },
         [](TMarkedPage& p) { return p.cbUnit; }, [](TMarkedPage& p) { return p.lbUnit; }},
        {"a check box clicked", [](TMarkedPage& p) { QTest::mouseClick(p.cbShow, Qt::LeftButton); },
         [](TMarkedPage& p) { return p.cbShow; }, [](TMarkedPage& p) { return p.cbShow; }},
        {"a switch that is not a setting",
         [](TMarkedPage& p) { QTest::mouseClick(p.cbTest, Qt::LeftButton); }, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Shown(page);
        ASSERT_FALSE(page.Edited());
        page.eDamping->end(false);
        QSignalSpy changed(&page, &TZURPage::EditedChanged);
        c.edit(page);
        const bool marked = c.marked != nullptr;
        EXPECT_EQ(page.Edited(), marked);
        // The tab follows the last word: marked, or marked and cleared again.
        EXPECT_EQ(changed.isEmpty() ? false : changed.last().at(0).toBool(), marked);
        EXPECT_EQ(page.EditedControls().size(), marked ? 1 : 0);
        for (QWidget* caption :
             {static_cast<QWidget*>(page.lbDamping), static_cast<QWidget*>(page.lbUnit),
              static_cast<QWidget*>(page.cbShow)}) {
            const bool expected = marked && caption == c.caption(page);
            EXPECT_EQ(caption->font().bold(), expected) << caption->objectName().toStdString();
        }
        if (marked) {
            EXPECT_EQ(c.marked(page)->accessibleDescription(), TZURPage::kEditedText);
        }
        // Shown again: every mark goes, and the controls keep what they show.
        Shown(page);
        EXPECT_FALSE(page.Edited());
        EXPECT_FALSE(page.lbDamping->font().bold() || page.lbUnit->font().bold() ||
                     page.cbShow->font().bold());
        EXPECT_TRUE(page.eDamping->accessibleDescription().isEmpty());
    }
}

TEST_F(EditMarker, WritingClearsTheMarksAndAFailedWriteKeepsThem) {
    StartGauge();
    ASSERT_TRUE(Connect());
    TMarkedPage& page = Page();
    page.SetPageEnabled(true);
    Shown(page);
    for (bool refused : {true, false}) {
        SCOPED_TRACE(refused);
        Gauge().SetFault(0xA4, refused ? sim::Fault::Nack : sim::Fault::None);
        page.eDamping->setText(QStringLiteral("250"));
        ASSERT_TRUE(page.Edited());
        Dialogs.Clear();
        QTest::mouseClick(page.btWriteSettings, Qt::LeftButton);
        EXPECT_EQ(Dialogs.Records().size(), 1u);
        EXPECT_EQ(page.Edited(), refused);
        EXPECT_EQ(page.lbDamping->font().bold(), refused);
    }
}
