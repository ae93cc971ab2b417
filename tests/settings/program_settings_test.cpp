// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramSettings.h"
#include "TempStore.h"

#include <QSettings>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

QVariant StoredValue(const QString& file, const QString& name) {
    QSettings ini(file, QSettings::IniFormat);
    return ini.value(name);
}

TEST(ProgramSettings, FirstStartWritesTheThreeDefaults) {
    TTempStore store;
    ASSERT_FALSE(store.Exists(store.ConfiguratorFile()));

    TProgramSettings settings;
    EXPECT_EQ(settings.BasePath, QStringLiteral("\\SOFTWARE\\ZUR\\"));
    DeclareConfiguratorSettings(settings);
    settings.LoadAll();

    EXPECT_EQ(settings.Lookup(kLastConnectId)->TextValue, QString());
    EXPECT_EQ(settings.Lookup(kCommPort)->IntegerValue, 1);
    EXPECT_EQ(settings.Lookup(kBaudRate)->IntegerValue, 9600);
    EXPECT_EQ(settings.Lookup(kCommPort)->KeyPath,
              QStringLiteral("\\SOFTWARE\\ZUR\\Configurator\\"));

    const QString file = store.ConfiguratorFile();
    ASSERT_TRUE(store.Exists(file));
    QSettings ini(file, QSettings::IniFormat);
    EXPECT_TRUE(ini.contains(kLastConnectId));
    EXPECT_EQ(ini.value(kLastConnectId).toString(), QString());
    EXPECT_EQ(ini.value(kCommPort).toString(), QStringLiteral("1"));
    EXPECT_EQ(ini.value(kBaudRate).toString(), QStringLiteral("9600"));
}

TEST(ProgramSettings, StoredValuesWinOverDefaultsAndAreNotRewritten) {
    struct Case {
        const char* file;
        const char* lastId;
        int port;
        int baud;
    };
    const Case cases[] = {
        {"[General]\nBaud Rate=19200\n", "", 1, 19200},
        {"[General]\nBaud%20Rate=4800\nComm%20Port=7\n", "", 7, 4800},
        {"[General]\nLast%20Connect%20ID=12\nComm%20Port=31\n", "12", 31, 9600},
        {"[General]\nComm%20Port=-3\nLast%20Connect%20ID=\"5, 6\"\n", "5, 6", -3, 9600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TTempStore store;
        store.Write(store.ConfiguratorFile(), c.file);
        TProgramSettings settings;
        DeclareConfiguratorSettings(settings);
        settings.LoadAll();
        EXPECT_EQ(settings.Lookup(kLastConnectId)->TextValue, QString::fromLatin1(c.lastId));
        EXPECT_EQ(settings.Lookup(kCommPort)->IntegerValue, c.port);
        EXPECT_EQ(settings.Lookup(kBaudRate)->IntegerValue, c.baud);
        // Missing values were added, present ones kept.
        EXPECT_EQ(StoredValue(store.ConfiguratorFile(), kBaudRate).toInt(), c.baud);
        EXPECT_EQ(StoredValue(store.ConfiguratorFile(), kCommPort).toInt(), c.port);
    }
}

TEST(ProgramSettings, WrongTypedOrDamagedStoreRaisesAndStopsThere) {
    struct Case {
        const char* file;
        bool fileUnchanged; // nothing may be written before the failing value
        const char* lastId; // values after LoadAll failed
        int port;
    };
    const Case cases[] = {
        {"[General]\nLast%20Connect%20ID=1\nComm%20Port=abc\n", true, "1", 0},
        {"[General]\nLast%20Connect%20ID=1\nComm%20Port=99999999999\n", true, "1", 0},
        {"[General]\nLast%20Connect%20ID=1\nComm%20Port=1.5\n", true, "1", 0},
        {"[General]\nLast%20Connect%20ID=1\nComm%20Port=@ByteArray(\\x1)\n", true, "1", 0},
        {"[General]\nLast%20Connect%20ID=1\nComm%20Port=1, 2\n", true, "1", 0},
        {"[General]\nLast%20Connect%20ID=@ByteArray(12)\nComm%20Port=1\n", true, "", 0},
        {"[General]\nComm%20Port=4\nBaud%20Rate=fast\n", false, "", 4}, // default id written
        {"[General\nComm%20Port=1\n", true, "", 0},                     // malformed file
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TTempStore store;
        store.Write(store.ConfiguratorFile(), c.file);
        TProgramSettings settings;
        DeclareConfiguratorSettings(settings);
        EXPECT_THROW(settings.LoadAll(), TSettingsError);
        if (c.fileUnchanged) {
            EXPECT_EQ(store.Read(store.ConfiguratorFile()), QByteArray(c.file));
        }
        // Loaded up to the failing value; the ones after it keep their unloaded values.
        EXPECT_EQ(settings.Lookup(kLastConnectId)->TextValue, QString::fromLatin1(c.lastId));
        EXPECT_EQ(settings.Lookup(kCommPort)->IntegerValue, c.port);
        EXPECT_EQ(settings.Lookup(kBaudRate)->IntegerValue, 0);
    }
}

TEST(ProgramSettings, UnwritableStoreRaisesFromLoadAndSave) {
    TTempStore store;
    // A folder in place of the settings file: it can be neither read nor written.
    QDir().mkpath(store.ConfiguratorFile());
    TProgramSettings blocked;
    DeclareConfiguratorSettings(blocked);
    EXPECT_THROW(blocked.LoadAll(), TSettingsError);
    EXPECT_THROW(blocked.SaveAll(), TSettingsError);

    // A settings folder below a plain file cannot be created.
    TTempStore other;
    other.Write(other.Root() + QStringLiteral("/plain"), "x");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       other.Root() + QStringLiteral("/plain/below"));
    TProgramSettings settings;
    DeclareConfiguratorSettings(settings);
    EXPECT_THROW(settings.LoadAll(), TSettingsError);
    EXPECT_THROW(settings.SaveAll(), TSettingsError);
}

void DeclareAllKinds(TProgramSettings& settings) {
    settings.AddBoolean("Test", "Flag", true);
    settings.AddInteger("Test", "Number", -7);
    settings.AddText("Test", "Words", "a b");
    settings.AddReal("Test", "Real", 2.5f);
}

TEST(ProgramSettings, EveryKindRoundTripsWithItsStoredType) {
    TTempStore store;
    TProgramSettings settings;
    DeclareAllKinds(settings);
    settings.LoadAll();
    EXPECT_TRUE(settings.Lookup("Flag")->BooleanValue);
    EXPECT_EQ(settings.Lookup("Real")->RealValue, 2.5f);

    settings.Lookup("Flag")->BooleanValue = false;
    settings.Lookup("Number")->IntegerValue = 2147483647;
    settings.Lookup("Words")->TextValue = "x, y";
    settings.Lookup("Real")->RealValue = -0.125f;
    settings.SaveAll();

    // Booleans as numbers, reals as the 8 bytes of a double.
    const QString file = store.FileOf("Test");
    EXPECT_EQ(StoredValue(file, "Flag").toString(), QStringLiteral("0"));
    const QByteArray real = StoredValue(file, "Real").toByteArray();
    ASSERT_EQ(real.size(), 8);
    EXPECT_EQ(qFromLittleEndian<double>(real.constData()), -0.125);

    TProgramSettings again;
    DeclareAllKinds(again);
    again.LoadAll();
    EXPECT_FALSE(again.Lookup("Flag")->BooleanValue);
    EXPECT_EQ(again.Lookup("Number")->IntegerValue, 2147483647);
    EXPECT_EQ(again.Lookup("Words")->TextValue, QStringLiteral("x, y"));
    EXPECT_EQ(again.Lookup("Real")->RealValue, -0.125f);
}

TEST(ProgramSettings, LookupFindsTheFirstExactName) {
    TProgramSettings settings;
    settings.AddInteger("A", "Comm Port", 1);
    settings.AddInteger("B", "Comm Port", 2);
    ASSERT_NE(settings.Lookup("Comm Port"), nullptr);
    EXPECT_EQ(settings.Lookup("Comm Port")->IntegerDefault, 1);
    EXPECT_EQ(settings.Lookup("comm port"), nullptr);
    EXPECT_EQ(settings.Lookup("Baud Rate"), nullptr);
}

TEST(ProgramSettings, VersionText) {
    const QString expected = QStringLiteral("%1.%2.%3.%4")
                                 .arg(ZUR_VERSION_MAJOR + 0)
                                 .arg(ZUR_VERSION_MINOR + 0)
                                 .arg(ZUR_VERSION_PATCH + 0)
                                 .arg(ZUR_VERSION_TWEAK + 0);
    EXPECT_EQ(ReadFileVersion(), expected);
    EXPECT_EQ(FormatFileVersion(std::array<int, 4>{1, 0, 0, 18}), QStringLiteral("1.0.0.18"));
    EXPECT_EQ(FormatFileVersion(std::nullopt), QStringLiteral("Could not access version info"));
}

} // namespace
