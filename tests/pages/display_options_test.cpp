// SPDX-License-Identifier: GPL-3.0-or-later
// The Display Options page: the layout by family, the contrast preview, the field checks
// through Write Settings, the write series and the values that go back unchanged.

#include "PageFixture.h"

#include "ByteOrder.h"
#include "FmDisplayOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <algorithm>

namespace {

struct Family {
    const char* model;
    const char* pcid;
};
const Family kT7310{"T7310", "3"};
const Family kT7310Extended{"T7310", "5"};
const Family kT8310{"T8310", "5"};

class DisplayOptions : public TPageTest {
protected:
    // The page connected to a gauge of the family, whose display record is adjusted first.
    TfmDisplayOptions& Open(Family family, uint8_t enabled = 1, uint8_t uom = 2,
                            uint32_t resolution = 2500) {
        StartGauge(PageGaugeOptions(family.model, family.pcid));
        std::vector<uint8_t> record = Gauge().Block(0x14);
        record[img::DisplayEnabled] = enabled;
        record[img::DisplayUom] = uom;
        Gauge().SetBlock(0x14, record);
        if (Gauge().IsExtended()) {
            uint8_t bytes[4];
            PutBE32(bytes, resolution);
            Gauge().SetBlock(0x28, {bytes, bytes + 4});
        }
        TfmDisplayOptions& page = MakePage<TfmDisplayOptions>();
        EXPECT_TRUE(Connect());
        Gauge().ClearLog();
        return page;
    }
    uint32_t GaugeResolution() { return GetBE32(Gauge().Block(0x28).data()); }
    uint8_t GaugeByte(size_t offset) { return Gauge().Block(0x14)[offset]; }
    size_t Sent(uint8_t code) {
        const std::vector<uint8_t> codes = Gauge().Instructions();
        return static_cast<size_t>(std::count(codes.begin(), codes.end(), code));
    }
    // Runs the event loop through a window in which nothing should be sent.
    void Idle(int ms) {
        WaitUntilDone([] { return false; }, ms);
    }
};

TEST_F(DisplayOptions, LayoutByFamily) {
    struct Case {
        Family family;
        bool label;
        const char* caption;
        bool sigFigs, decimalPoints, resolution;
        const char* resolutionText; // what the (possibly hidden) box holds
    };
    const Case cases[] = {
        {kT7310, true, "Number of Significant Figures", true, true, false, "5"},
        {kT7310Extended, false, "", false, false, false, "2.500"},
        {kT8310, true, "Display Resolution", false, false, true, "2.500"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.family.model) + " " + c.family.pcid);
        TfmDisplayOptions& page = Open(c.family);
        EXPECT_EQ(page.Label8->isVisible(), c.label);
        if (c.label) {
            EXPECT_EQ(page.Label8->text(), QLatin1String(c.caption));
        }
        EXPECT_EQ(page.eSigFigs->isVisible(), c.sigFigs);
        EXPECT_EQ(page.cbShowDPs->isVisible(), c.decimalPoints);
        EXPECT_EQ(page.eDisplayResolution->isVisible(), c.resolution);
        EXPECT_EQ(page.eDisplayResolution->isEnabled(), c.resolution);
        EXPECT_EQ(page.eDisplayResolution->text(), QLatin1String(c.resolutionText));
        EXPECT_TRUE(page.btWriteSettings->isEnabled());
        EXPECT_EQ(page.cbDisplayUOMs->currentText(), QStringLiteral("Litres"));
        Disconnect();
        delete &page;
    }
}

TEST_F(DisplayOptions, GaugeWithoutDisplayGetsNoControls) {
    TfmDisplayOptions& page = Open(kT8310, 0);
    for (QWidget* w : std::initializer_list<QWidget*>{
             page.tbContrast, page.eSigFigs, page.cbDisplayUOMs, page.cbShowDPs, page.eDamping,
             page.eDisplayResolution, page.btReadSettings, page.btWriteSettings})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
}

TEST_F(DisplayOptions, OnePreviewAfterTheBarStopsAndNoneOtherwise) {
    TfmDisplayOptions& page = Open(kT8310);
    for (int value : {10, 60, 128})
        page.tbContrast->setValue(value);
    EXPECT_EQ(page.lbContrastValue->text(), QStringLiteral("50%"));
    ASSERT_TRUE(WaitUntilDone([&] { return Gauge().ContrastPreview() == 128; }));
    Idle(500);
    EXPECT_EQ(Sent(0xC7), 1u);

    // Showing values moves the bar but previews nothing.
    Gauge().ClearLog();
    Device().Image.DisplayOptions[img::DisplayContrast] = 255;
    page.ShowDisplayOptions(Device().Image.DisplayOptions);
    EXPECT_EQ(page.lbContrastValue->text(), QStringLiteral("100%"));
    Idle(500);
    EXPECT_EQ(Sent(0xC7), 0u);

    // Disconnected, the bar changes only the percentage.
    Disconnect();
    page.tbContrast->setEnabled(true);
    page.tbContrast->setValue(0);
    EXPECT_EQ(page.lbContrastValue->text(), QStringLiteral("0%"));
    EXPECT_FALSE(page.ContrastTimer->isActive());
}

TEST_F(DisplayOptions, FieldChecksAtBothEnds) {
    struct Case {
        Family family;
        QLineEdit* TfmDisplayOptions::*box;
        const char* entry;
        bool written;
        size_t offset; // where the value lands: display record byte, or ~0 for the resolution
        uint32_t stored;
    };
    constexpr size_t kResolution = ~size_t{0};
    const Case cases[] = {
        {kT7310, &TfmDisplayOptions::eSigFigs, "8", false, 0, 0},
        {kT7310, &TfmDisplayOptions::eSigFigs, "0", false, 0, 0},
        {kT7310, &TfmDisplayOptions::eSigFigs, "7", true, img::DisplaySignificantFigures, 7},
        {kT7310, &TfmDisplayOptions::eDamping, "65", true, img::DisplayDamping, 65000},
        {kT7310, &TfmDisplayOptions::eDamping, "65.01", false, 0, 0},
        {kT8310, &TfmDisplayOptions::eDisplayResolution, "0.0005", false, 0, 0},
        {kT8310, &TfmDisplayOptions::eDisplayResolution, "0.001", true, kResolution, 1},
        {kT8310, &TfmDisplayOptions::eDisplayResolution, "1000", true, kResolution, 1000000},
        {kT8310, &TfmDisplayOptions::eDisplayResolution, "1000.5", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.family.model) + " " + c.entry);
        TfmDisplayOptions& page = Open(c.family);
        (page.*c.box)->setText(QLatin1String(c.entry));
        Click(page.btWriteSettings);
        const QStringList boxes = Dialogs.Boxes();
        if (c.written) {
            EXPECT_EQ(boxes, QStringList{QStringLiteral("Display options written successfully.")});
            const uint32_t stored = c.offset == kResolution ? GaugeResolution()
                                    : c.offset == img::DisplayDamping
                                        ? GetBE16(Gauge().Block(0x14).data() + c.offset)
                                        : GaugeByte(c.offset);
            EXPECT_EQ(stored, c.stored);
        } else {
            ASSERT_EQ(boxes.size(), 2) << boxes.join(QLatin1Char('|')).toStdString();
            EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("Error with value: ")));
            EXPECT_EQ(boxes[1], TZURPage::kWriteErrorText);
            EXPECT_EQ(Sent(0xA4), 0u);
        }
        Disconnect();
        Dialogs.Clear();
        delete &page;
    }
}

TEST_F(DisplayOptions, WriteSeriesByFamilyAndWhatGoesBackUnchanged) {
    struct Case {
        Family family;
        uint8_t uom;
        std::vector<uint8_t> sent;
    };
    const Case cases[] = {
        // No display resolution was read from a plain T7310, so none is written to it.
        {kT7310, 7, {0xA4, 0xC6}},
        // Hidden on an extended T7310, yet what was read goes back, not the box's "5".
        {kT7310Extended, 2, {0xA4, 0xC6, 0xB2}},
        {kT8310, 9, {0xA4, 0xC6, 0xB2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.family.model) + " " + c.family.pcid);
        TfmDisplayOptions& page = Open(c.family, 1, c.uom, 4321);
        if (c.uom > 5) {
            EXPECT_EQ(page.cbDisplayUOMs->currentText(), QStringLiteral("unknown (%1)").arg(c.uom));
        }
        Click(page.btWriteSettings);
        EXPECT_EQ(Requests(), c.sent);
        EXPECT_EQ(GaugeByte(img::DisplayUom), c.uom);
        if (Gauge().IsExtended()) {
            EXPECT_EQ(GaugeResolution(), 4321u);
        }
        EXPECT_EQ(Dialogs.Boxes(),
                  QStringList{QStringLiteral("Display options written successfully.")});
        Disconnect();
        Dialogs.Clear();
        delete &page;
    }
}

TEST_F(DisplayOptions, FailedResolutionWriteIsAFailure) {
    TfmDisplayOptions& page = Open(kT8310);
    Gauge().SetFault(0xB2, sim::Fault::Nack);
    Click(page.btWriteSettings);
    EXPECT_EQ(Sent(0xA4), 1u);
    EXPECT_EQ(Dialogs.Boxes(), QStringList{TZURPage::kWriteErrorText});
}

} // namespace
