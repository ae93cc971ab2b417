// SPDX-License-Identifier: GPL-3.0-or-later
// The Tank Settings page against a simulated gauge: the layout of each tank type, how lengths
// and diameters are shown and stored, the write series and its failures, Read Settings, and
// the tank name the gauge can hold.

#include "PageFixture.h"

#include "ByteOrder.h"
#include "FmTankType.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTest>

namespace {

using TankType = TPageTest;

std::vector<uint8_t> TankRecordOf(const sim::GaugeSimulator& gauge) {
    return gauge.Block(0x16);
}

TEST_F(TankType, EachTypeShowsItsPictureRowsAndNote) {
    const struct {
        int type;
        const char* picture;
        std::vector<QString> captions; // visible rows
        bool params;                   // "Tank parameters:" shown
        bool units;                    // units caption and list shown
        const char* note;              // start of the note, or null
    } cases[] = {
        {0, "", {}, false, false, "No tank type selected."},
        {1, "iTank1", {"Length", "Diameter", "One Dish ="}, true, true, nullptr},
        {2, "iTank2", {"Length", "Height", "Width"}, true, true, nullptr},
        {3, "iTank3", {"Diameter", "Height", "One Dish ="}, true, true, nullptr},
        {4, "iTank4", {"Diameter", "Height"}, true, true, nullptr},
        {5, "", {}, false, true, "Non standard tank selected."},
    };
    auto& page = MakePage<TfmTankType>();
    // Before any read the boxes keep their first text whatever the type.
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        page.ShowTankType(c.type);
        EXPECT_EQ(page.cbTankType->currentIndex(), c.type);
        EXPECT_EQ(page.Picture(), QString::fromLatin1(c.picture));
        EXPECT_EQ(page.iTank->pixmap().isNull(), c.picture[0] == 0);
        QLabel* captions[] = {page.lb1, page.lb2, page.lb3};
        QLineEdit* edits[] = {page.e1, page.e2, page.e3};
        for (size_t row = 0; row < 3; ++row) {
            const bool shown = row < c.captions.size();
            EXPECT_EQ(captions[row]->isVisible(), shown) << "row " << row + 1;
            EXPECT_EQ(edits[row]->isVisible(), shown) << "row " << row + 1;
            if (shown) {
                EXPECT_EQ(captions[row]->text(), c.captions[row]);
                EXPECT_EQ(edits[row]->text(), QStringLiteral("2.34"));
            }
        }
        EXPECT_EQ(page.lbTankParams->isVisible(), c.params);
        EXPECT_EQ(page.cbUOM->isVisible(), c.units);
        EXPECT_EQ(page.lbUOM->isVisible(), c.units);
        EXPECT_EQ(page.lbNotes->isVisible(), c.note != nullptr);
        if (c.note) {
            EXPECT_TRUE(page.lbNotes->text().startsWith(QString::fromLatin1(c.note)));
        }
    }
    // Each drawing is a valid picture that names the dimensions it shows.
    const char* const names[] = {"Length Diameter Extent", "Length Width Height",
                                 "Diameter Height Extent", "Diameter Height"};
    QSvgRenderer* drawings[] = {page.iTank1, page.iTank2, page.iTank3, page.iTank4};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(drawings[i]->isValid()) << i + 1;
        QFile file(QStringLiteral(":/tanks/iTank%1.svg").arg(i + 1));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray svg = file.readAll();
        for (const QByteArray& name : QByteArray(names[i]).split(' '))
            EXPECT_TRUE(svg.contains('>' + name + '<')) << i + 1 << " " << name.data();
    }
    EXPECT_THROW(page.ShowTankType(6), std::out_of_range);
    EXPECT_THROW(page.ShowTankUnits(3), std::out_of_range);
    EXPECT_EQ(page.cbTankType->currentIndex(), 5) << "a bad index changes nothing";
}

TEST_F(TankType, LengthsAreShownAndStoredInThousandthsAndADiameterAsARadius) {
    using Fields = std::array<uint32_t, 5>; // length, height, width, radius, extent
    const struct {
        uint8_t type;
        Fields stored;
        const char* shown; // the boxes after Read Settings, "|" between rows
        const char* typed;
        Fields written;
    } cases[] = {
        {1,
         {2345, 0, 0, 1173, 12345678},
         "2.345|2.346|12346.000",
         "2.345|2.345|0.0004",
         {2345, 0, 0, 1173, 0}},
        {2,
         {1500, 250, 999, 7, 8},
         "1.500|0.250|0.999",
         "4000000|0|1.5",
         {4000000000u, 0, 1500, 7, 8}},
        {3,
         {9, 2000, 9, 500, 100},
         "1.000|2.000|0.100",
         "4000000|3|0.25",
         {9, 3000, 9, 2000000000u, 250}},
        {4, {9, 2500, 9, 1000, 77}, "2.000|2.500", "1|1", {9, 1000, 9, 500, 77}},
    };
    const size_t fields[] = {img::TankLength, img::TankHeight, img::TankWidth, img::TankRadius,
                             img::TankExtent};
    StartGauge();
    auto& page = MakePage<TfmTankType>();
    ASSERT_TRUE(Connect());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        std::vector<uint8_t> tank = TankRecordOf(Gauge());
        tank[img::TankType] = c.type;
        for (size_t i = 0; i < 5; ++i)
            PutBE32(tank.data() + fields[i], c.stored[i]);
        Gauge().SetBlock(0x16, tank);
        Dialogs.Clear();
        Gauge().ClearLog();
        Device().Image.TankName = "HELD"; // Read Settings shows the name already held
        Click(page.btReadSettings);
        EXPECT_EQ(Requests(), (std::vector<uint8_t>{0x16, 0x17}));
        EXPECT_EQ(page.eTankName->text(), QStringLiteral("HELD"));
        QLineEdit* edits[] = {page.e1, page.e2, page.e3};
        const QStringList shown = QString::fromLatin1(c.shown).split(u'|');
        const QStringList typed = QString::fromLatin1(c.typed).split(u'|');
        for (qsizetype row = 0; row < shown.size(); ++row) {
            EXPECT_EQ(edits[row]->text(), shown[row]) << row + 1;
            edits[row]->setText(typed[row]);
        }
        Click(page.btWriteSettings);
        EXPECT_EQ(Dialogs.Boxes(),
                  QStringList{QStringLiteral("Tank settings written successfully.")});
        for (size_t i = 0; i < 5; ++i)
            EXPECT_EQ(GetBE32(TankRecordOf(Gauge()).data() + fields[i]), c.written[i]) << i;
    }
}

TEST_F(TankType, WriteSendsTheSeriesOrReportsWhyNot) {
    StartGauge();
    auto& page = MakePage<TfmTankType>();
    page.SetPageEnabled(true);
    // Nothing loaded yet: nothing is sent.
    Click(page.btWriteSettings);
    EXPECT_EQ(Dialogs.Boxes(), QStringList{TZURPage::kWriteErrorText});

    ASSERT_TRUE(Connect());
    std::vector<bool> nonStandard;
    QObject::connect(&page, &TfmTankType::NonStandardTank,
                     [&](bool flag) { nonStandard.push_back(flag); });
    const struct {
        const char* what;
        int type;
        const char* third; // text of e3
        bool enable;       // 4-20 mA output box
        const char* named; // check name in the refusal, or null when written
    } cases[] = {
        {"Extent named for the dish row", 1, "-0.001", false, "Extent"},
        {"an empty box", 2, "", true, "Width"},
        {"Non standard writes no dimension", 5, "", true, nullptr},
        {"a good cuboid", 2, "1", false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Dialogs.Clear();
        Gauge().ClearLog();
        nonStandard.clear();
        page.ShowTankType(c.type);
        page.e3->setText(QString::fromLatin1(c.third));
        page.cbEnable420Output->setChecked(c.enable);
        Click(page.btWriteSettings);
        const QStringList boxes = Dialogs.Boxes();
        // The output options are stored even when a check refuses the dimensions.
        EXPECT_EQ(Device().Image.OutputOptions[img::OutputEnable4to20], c.enable ? 1 : 0);
        if (c.named) {
            ASSERT_EQ(boxes.size(), 2) << boxes.join(u'|').toStdString();
            EXPECT_TRUE(boxes[0].contains(QLatin1String(c.named))) << boxes[0].toStdString();
            EXPECT_EQ(boxes[1], TZURPage::kWriteErrorText);
            EXPECT_TRUE(Requests().empty());
            EXPECT_TRUE(nonStandard.empty());
            continue;
        }
        std::vector<uint8_t> writes = Requests();
        std::erase(writes, 0xC6); // the commit after the tank record
        EXPECT_EQ(writes, (std::vector<uint8_t>{0xA6, 0xA5, 0xA3}));
        EXPECT_EQ(nonStandard, std::vector<bool>{c.type == 5});
        EXPECT_EQ(TankRecordOf(Gauge())[img::TankType], c.type);
    }
    // A failed write in the series: the write error box, no event; a failed read: "Error".
    Dialogs.Clear();
    nonStandard.clear();
    Gauge().SetFault(0xA5, sim::Fault::Nack);
    Click(page.btWriteSettings);
    Gauge().SetFault(0x17, sim::Fault::NoReply);
    Click(page.btReadSettings);
    EXPECT_EQ(Dialogs.Boxes(), (QStringList{TZURPage::kWriteErrorText, QStringLiteral("Error")}));
    EXPECT_TRUE(nonStandard.empty());
}

TEST_F(TankType, TheNameTakesElevenSingleByteCharacters) {
    StartGauge();
    auto& page = MakePage<TfmTankType>();
    ASSERT_TRUE(Connect());
    const struct {
        QString typed;
        QString shown;
    } cases[] = {
        {QStringLiteral("TANK 7"), QStringLiteral("TANK 7")},
        {QStringLiteral("CUVE \u00C9TAGE 2"), QStringLiteral("CUVE \u00C9TAGE ")},
        {QStringLiteral("\u03A9 OMEGA \u20AC"), QStringLiteral(" OMEGA ")},
    };
    for (const auto& c : cases) {
        page.eTankName->clear();
        // Typed one key at a time, as a keyboard with these characters sends them.
        for (const QChar ch : c.typed) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QCoreApplication::sendEvent(page.eTankName, &press);
        }
        EXPECT_EQ(page.eTankName->text(), c.shown);
        ASSERT_TRUE(page.GatherTankSettings());
        EXPECT_EQ(Device().Image.TankName, c.shown.toLatin1().toStdString());
    }
    EXPECT_EQ(page.eTankName->accessibleName(), QStringLiteral("Tank name:"));
}

TEST_F(TankType, ATwelveCharacterNameFromTheGaugeIsWrittenBackWhole) {
    StartGauge();
    auto& page = MakePage<TfmTankType>();
    ASSERT_TRUE(Connect());
    for (const std::string name : {"DIESEL TANK1", "TANK 7"}) {
        Device().Image.TankName = name;
        Click(page.btReadSettings); // shows the name already held
        ASSERT_TRUE(page.GatherTankSettings());
        EXPECT_EQ(Device().Image.TankName, name);
    }
    // Once shortened by the user, the name takes no more than 11 characters again.
    Device().Image.TankName = "DIESEL TANK1";
    Click(page.btReadSettings);
    page.eTankName->setFocus();
    QTest::keyClick(page.eTankName, Qt::Key_Backspace);
    QTest::keyClicks(page.eTankName, QStringLiteral("23"));
    EXPECT_EQ(page.eTankName->text(), QStringLiteral("DIESEL TANK"));
}

} // namespace
