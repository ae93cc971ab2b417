// SPDX-License-Identifier: GPL-3.0-or-later
// The frame every page shares: the Write Settings flow with its boxes, the binding table's
// show, checks and stores, and the read failure report chosen by the page's description.

#include "PageFixture.h"

#include "ByteOrder.h"

#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

namespace {

// A page with one bound edit box: the display damping, in seconds with two decimals.
class TProbePage final : public TDampingPage {
public:
    TProbePage(QWidget* host, T7310& device, TReadFailure failure)
        : TDampingPage(host, device,
                       {.Heading = QStringLiteral("Probe:"),
                        .HelpObjectName = QStringLiteral("lbProbeText"),
                        .HelpText = QStringLiteral("help"),
                        .SuccessText = QStringLiteral("Probe written."),
                        .ReadFailure = failure}) {
        eDamping = Edit("eDamping", QStringLiteral("0"));
        Caption(QStringLiteral("Screen Damping"), eDamping);
        BindDamping(eDamping, {"Damping", false, 0, 65});
    }
    QLineEdit* eDamping = nullptr;

protected:
    bool ReadSettings() override {
        if (!Device.ReadGroup(0x14))
            return false;
        ShowFields();
        return true;
    }
};

class PageFrame : public TPageTest {
protected:
    TProbePage& Probe(TReadFailure failure = TReadFailure::Silent) {
        auto* page = new TProbePage(&Host(), Device(), failure);
        probe_ = page;
        Host().layout()->addWidget(page);
        Host().show();
        return *page;
    }
    uint16_t GaugeDamping() { return GetBE16(Gauge().Block(0x14).data() + img::DisplayDamping); }
    TProbePage* probe_ = nullptr;
};

} // namespace

TEST_F(PageFrame, WriteChecksStoresAndReportsEachOutcome) {
    StartGauge();
    TProbePage& page = Probe();
    ASSERT_TRUE(Connect());
    page.SetPageEnabled(true);
    struct Case {
        const char* entry;
        bool sent;
        uint16_t stored; // on the gauge afterwards
        QStringList boxes;
    };
    const Case cases[] = {
        {"1.5", true, 1500, {QStringLiteral("Probe written.")}},
        {"65", true, 65000, {QStringLiteral("Probe written.")}},
        {"0.0004", true, 0, {QStringLiteral("Probe written.")}},
        {"65.01", false, 0, {}},
        {"abc", false, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        Dialogs.Clear();
        Gauge().ClearLog();
        page.eDamping->setText(QString::fromLatin1(c.entry));
        Click(page.btWriteSettings);
        const std::vector<uint8_t> sent = Requests();
        EXPECT_EQ(!sent.empty() && sent.front() == 0xA4, c.sent);
        const QStringList boxes = Dialogs.Boxes();
        if (c.sent) {
            EXPECT_EQ(boxes, c.boxes);
            EXPECT_EQ(GaugeDamping(), c.stored);
        } else {
            // The check's own message, then the write error box.
            ASSERT_EQ(boxes.size(), 2) << boxes.join(QLatin1Char('|')).toStdString();
            EXPECT_EQ(boxes[1], TZURPage::kWriteErrorText);
            EXPECT_TRUE(page.eDamping->hasFocus());
        }
    }
}

TEST_F(PageFrame, ShowFieldsWritesTheStoredValueBack) {
    StartGauge();
    TProbePage& page = Probe();
    ASSERT_TRUE(Connect());
    PutBE16(Device().Image.DisplayOptions.data() + img::DisplayDamping, 12345);
    page.Show();
    EXPECT_EQ(page.eDamping->text(), QStringLiteral("12.35"));
    // The caption names the edit box for assistive tools.
    EXPECT_EQ(page.eDamping->accessibleName(), QStringLiteral("Screen Damping"));
}

TEST_F(PageFrame, ReadFailureIsReportedAsTheDescriptionSays) {
    for (TReadFailure failure : {TReadFailure::Silent, TReadFailure::ErrorBox}) {
        StartGauge();
        TProbePage& page = Probe(failure);
        ASSERT_TRUE(Connect());
        Gauge().SetFault(0x14, sim::Fault::NoReply);
        Dialogs.Clear();
        Click(page.btReadSettings);
        EXPECT_EQ(Dialogs.Boxes(), failure == TReadFailure::ErrorBox
                                       ? QStringList{QStringLiteral("Error")}
                                       : QStringList{});
        Disconnect();
        delete probe_;
    }
}
