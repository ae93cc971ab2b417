// SPDX-License-Identifier: GPL-3.0-or-later
// Settings prepared without a gauge: the families, what settles a file's family, the blank
// image, the refusal of another family's settings and the templates kept for the next site.

#include "GaugeFamily.h"
#include "GaugeSession.h"
#include "SettingsFile.h"
#include "T7310.h"
#include "Templates.h"
#include "ZURSettings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(GaugeFamily, FlagsAndNamesGoBothWays) {
    for (const TFamilyFacts& facts : Families()) {
        SCOPED_TRACE(facts.Name);
        T7310 device;
        TakeFamily(device, facts.Family);
        EXPECT_EQ(FamilyOf(device), facts.Family);
        EXPECT_EQ(device.IsExtended(), IsExtendedFamily(facts.Family));
        EXPECT_EQ(device.Image.DeviceName, facts.DeviceName);
        EXPECT_EQ(FamilyNamed(facts.Name), facts.Family);
        // The family's conditions are the device object's.
        for (auto condition : {instr::TFamily::Any, instr::TFamily::Extended,
                               instr::TFamily::Is8310, instr::TFamily::FlowScaling})
            EXPECT_EQ(FamilyHas(facts.Family, condition), device.AppliesTo(condition));
    }
    EXPECT_EQ(FamilyNamed("t8310"), TGaugeFamily::T8310);
    EXPECT_EQ(FamilyNamed("T9310"), std::nullopt);
}

TEST(GaugeFamily, WhatSettlesTheFamilyOfAFile) {
    EXPECT_EQ(FamiliesForFormat(2), std::vector<TGaugeFamily>{TGaugeFamily::T7310});
    EXPECT_EQ(FamiliesForFormat(3),
              (std::vector<TGaugeFamily>{TGaugeFamily::T7310Extended, TGaugeFamily::T8310,
                                         TGaugeFamily::PRM8310}));
    EXPECT_TRUE(FamiliesForFormat(4).empty());
    const struct {
        const char* folder;
        uint32_t format;
        std::optional<TGaugeFamily> family;
    } cases[] = {
        {"T8310-node01", 3, TGaugeFamily::T8310},
        {"PRM8310-node12", 3, TGaugeFamily::PRM8310},
        {"T7310-node01", 3, TGaugeFamily::T7310Extended},
        {"T7310-node01", 2, TGaugeFamily::T7310},
        {"T8310-node01", 2, std::nullopt}, // a T8310 never saves format 2
        {"Downloads", 3, std::nullopt},
        {"-node01", 3, std::nullopt},
        {"X9-node01", 3, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(FamilyOfArchiveFolder(QString::fromLatin1(c.folder), c.format), c.family);
    }
}

TEST(GaugeFamily, ABlankImageHoldsEveryValueAtItsLowest) {
    for (const TFamilyFacts& facts : Families()) {
        SCOPED_TRACE(facts.Name);
        T7310 device;
        TakeFamily(device, facts.Family);
        device.Image.TankTable[0] = 40;
        device.Image.TankName = "old tank";
        device.Report.SerialNumber = "SN1";
        BlankImage(device);
        const TZURSettings& settings = device.Settings();
        int checked = 0;
        for (size_t i = 0; i < settings.Count(); ++i) {
            const TZURSetting& setting = settings.Item(i);
            if (!setting.Writable() || !setting.Raw() || !device.AppliesTo(setting.Family))
                continue;
            EXPECT_EQ(setting.Value(device.Image), static_cast<uint32_t>(setting.Min))
                << setting.Name;
            ++checked;
        }
        EXPECT_GT(checked, 20);
        EXPECT_EQ(device.Image.TankType(), 0); // "none"
        EXPECT_EQ(device.Image.TableSize(), 0);
        EXPECT_TRUE(device.Image.TankName.empty());
        EXPECT_TRUE(device.Report.SerialNumber.empty());
        EXPECT_EQ(device.Image.DeviceName, facts.DeviceName);
    }
}

TEST(GaugeFamily, AnotherFamilysSettingsAreRefusedWithWhatCannotBeHeld) {
    const struct {
        TGaugeFamily prepared;
        TGaugeFamily gauge;
        bool refused;
        const char* named; // a phrase the refusal must hold
    } cases[] = {
        {TGaugeFamily::T8310, TGaugeFamily::T8310, false, ""},
        {TGaugeFamily::T8310, TGaugeFamily::T7310, true, "A T7310 cannot hold"},
        {TGaugeFamily::T7310, TGaugeFamily::T8310, true, "Settings for a T7310 hold no"},
        {TGaugeFamily::PRM8310, TGaugeFamily::T8310, true, "A T8310 cannot hold"},
        {TGaugeFamily::T7310Extended, TGaugeFamily::T8310, true, "this gauge is a T8310"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(FamilyFacts(c.prepared).Name) + " on " +
                     FamilyFacts(c.gauge).Name);
        T7310 device;
        TakeFamily(device, c.gauge);
        QTemporaryDir dir;
        TArchive archive(dir.path());
        const TGaugeSession session(device, archive);
        const std::string refusal = session.PreparedFamilyRefusal(c.prepared);
        EXPECT_EQ(!refusal.empty(), c.refused);
        if (!c.refused)
            continue;
        EXPECT_NE(refusal.find(c.named), std::string::npos) << refusal;
        EXPECT_NE(refusal.find("Nothing was written."), std::string::npos) << refusal;
    }
    // Each name the refusal gives is a catalogue setting the gauge's family lacks.
    for (const std::string& name : SettingsNotHeld(TGaugeFamily::PRM8310, TGaugeFamily::T8310)) {
        bool flowOnly = false;
        for (size_t i = 0; i < Catalogue().Count(); ++i)
            if (Catalogue().Item(i).Name == name)
                flowOnly = Catalogue().Item(i).Family == instr::TFamily::FlowScaling;
        EXPECT_TRUE(flowOnly) << name;
    }
}

class TemplateStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir_;
    TTemplateStore store_{dir_.path() + QStringLiteral("/templates")};
};

TEST_F(TemplateStoreTest, SavedTemplatesListFindAndGo) {
    const std::vector<uint8_t> bytes{3, 0, 0, 0, 9, 8, 7};
    QString error;
    ASSERT_TRUE(store_.Save(QStringLiteral("Farm tank"), TGaugeFamily::PRM8310, bytes, &error))
        << error.toStdString();
    ASSERT_TRUE(store_.Save(QStringLiteral("bund"), TGaugeFamily::T7310, {2, 0, 0, 0}, &error));
    const QList<TTemplate> listed = store_.List();
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(listed[0].Name, QStringLiteral("bund")); // by name, letter case ignored
    EXPECT_EQ(listed[1].Family, TGaugeFamily::PRM8310);
    QFile file(listed[1].Path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray stored = file.readAll();
    EXPECT_EQ(std::vector<uint8_t>(stored.begin(), stored.end()), bytes);

    // Saving under a name again replaces that template.
    ASSERT_TRUE(store_.Save(QStringLiteral("bund"), TGaugeFamily::T8310, bytes, &error));
    EXPECT_EQ(store_.Find(QStringLiteral("bund"))->Family, TGaugeFamily::T8310);
    EXPECT_EQ(store_.List().size(), 2);

    ASSERT_TRUE(store_.Remove(QStringLiteral("bund"), &error));
    EXPECT_FALSE(store_.Find(QStringLiteral("bund")));
    EXPECT_FALSE(store_.Remove(QStringLiteral("bund"), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(TemplateStoreTest, BadNamesAndUnknownFamiliesAreRefused) {
    for (const char* name : {"", "   ", "a/b", "..", ".hidden", " lead", "trail ", "a\\b",
                             "what?", "tab\there"}) {
        SCOPED_TRACE(name);
        QString error;
        EXPECT_FALSE(store_.Save(QString::fromLatin1(name), TGaugeFamily::T8310, {3}, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_FALSE(store_.Save(QString(65, QLatin1Char('x')), TGaugeFamily::T8310, {3}, nullptr));
    EXPECT_TRUE(store_.List().isEmpty());

    // A settings file whose family is unknown is not offered: it could not be opened as one.
    QString error;
    ASSERT_TRUE(store_.Save(QStringLiteral("odd"), TGaugeFamily::T8310, {3}, &error));
    QFile family(store_.Folder() + QStringLiteral("/odd.family"));
    ASSERT_TRUE(family.open(QIODevice::WriteOnly | QIODevice::Truncate));
    family.write("T9310\n");
    family.close();
    EXPECT_TRUE(store_.List().isEmpty());
}
