// SPDX-License-Identifier: GPL-3.0-or-later
#include "ComPortMap.h"
#include "FmAbout.h"
#include "FmProgramSettings.h"
#include "ProgramSettings.h"
#include "ScriptedDialogService.h"
#include "TempStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class ProgramSettingsDialog : public ::testing::Test {
protected:
    // A store whose "Comm Port" holds port, loaded as the main window loads it.
    void Load(int port) {
        store_.Write(store_.ConfiguratorFile(),
                     QStringLiteral("[General]\nComm%20Port=%1\n").arg(port).toLatin1());
        DeclareConfiguratorSettings(settings_);
        settings_.LoadAll();
    }
    int StoredPort() const {
        return QSettings(store_.ConfiguratorFile(), QSettings::IniFormat).value(kCommPort).toInt();
    }
    int Port() { return settings_.Lookup(kCommPort)->IntegerValue; }

    TTempStore store_;
    TProgramSettings settings_;
    TScriptedDialogService dialogs_;
};

TEST_F(ProgramSettingsDialog, OpensOnTheStoredPortAndOkStoresTheSelection) {
    struct Case {
        int stored;
        int index;
        QString text;
    };
    const Case cases[] = {{1, 0, "COM 1"}, {12, 11, "COM 12"}, {30, 29, "COM 30"},
                          {31, -1, ""},    {0, -1, ""},        {-4, -1, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        TTempStore store;
        TProgramSettings settings;
        store.Write(store.ConfiguratorFile(),
                    QStringLiteral("[General]\nComm%20Port=%1\n").arg(c.stored).toLatin1());
        DeclareConfiguratorSettings(settings);
        settings.LoadAll();

        TfmProgramSettings dialog(settings);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Settings"));
        EXPECT_EQ(dialog.width(), 290);
        auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("cbCommPort"));
        ASSERT_NE(combo, nullptr);
        ASSERT_EQ(combo->count(), 30);
        EXPECT_EQ(combo->itemText(0), QStringLiteral("COM 1"));
        EXPECT_EQ(combo->itemText(29), QStringLiteral("COM 30"));
        EXPECT_EQ(combo->currentIndex(), c.index);
        EXPECT_EQ(combo->currentText(), c.text);

        dialog.show();
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("btOK")), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        const int expected = c.index + 1; // nothing selected stores 0
        EXPECT_EQ(settings.Lookup(kCommPort)->IntegerValue, expected);
        EXPECT_EQ(
            QSettings(store.ConfiguratorFile(), QSettings::IniFormat).value(kCommPort).toInt(),
            expected);
    }
    EXPECT_EQ(dialogs_.Records().size(), 0u);
}

TEST_F(ProgramSettingsDialog, CancelAndEscapeLeaveTheStoreUntouched) {
    for (bool escape : {false, true}) {
        SCOPED_TRACE(escape);
        Load(2);
        const QByteArray before = store_.Read(store_.ConfiguratorFile());
        TfmProgramSettings dialog(settings_);
        dialog.show();
        dialog.cbCommPort->setCurrentIndex(6);
        dialog.cbDevicePath->setEditText(QStringLiteral("/dev/ttyUSB3"));
        if (escape)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            QTest::mouseClick(dialog.Button2, Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(Port(), 2);
        EXPECT_EQ(store_.Read(store_.ConfiguratorFile()), before);
        EXPECT_FALSE(store_.Exists(store_.PortsFile()));
        EXPECT_EQ(ResolveCommPort(7), QStringLiteral("/dev/ttyS6"));
    }
}

TEST_F(ProgramSettingsDialog, OnlyTheSelectedPositionCounts) {
    Load(3);
    for (const QString& typed :
         {QStringLiteral("COM 9x"), QStringLiteral("COM 9"), QStringLiteral("/dev/ttyUSB0")}) {
        SCOPED_TRACE(typed.toStdString());
        TfmProgramSettings dialog(settings_);
        dialog.show();
        QLineEdit* edit = dialog.cbCommPort->lineEdit();
        ASSERT_NE(edit, nullptr);
        edit->clear();
        QTest::keyClicks(edit, typed);
        QTest::mouseClick(dialog.btOK, Qt::LeftButton);
        EXPECT_EQ(StoredPort(), 3);
        EXPECT_EQ(dialog.cbCommPort->count(), 30); // typing added no item
    }
}

TEST_F(ProgramSettingsDialog, DevicePathFollowsTheSelection) {
    SetCommPortDevice(5, QStringLiteral("/dev/ttyUSB0"));
    Load(1);
    TfmProgramSettings dialog(settings_);
    dialog.show();
    struct Step {
        int index;
        QString label;
        QString device;
    };
    const Step steps[] = {{0, "/dev/ttyS0", "/dev/ttyS0"},
                          {4, "/dev/ttyUSB0", "/dev/ttyUSB0"},
                          {29, "/dev/ttyS29", "/dev/ttyS29"},
                          {-1, "no port selected", ""}};
    EXPECT_EQ(dialog.lbDevicePath->text(), steps[0].label);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.index);
        dialog.cbCommPort->setCurrentIndex(step.index);
        EXPECT_EQ(dialog.lbDevicePath->text(), step.label);
        EXPECT_EQ(dialog.cbDevicePath->currentText(), step.device);
        EXPECT_EQ(dialog.cbDevicePath->isEnabled(), step.index >= 0);
    }
    // The keyboard moves the selection the same way.
    dialog.cbCommPort->setCurrentIndex(3);
    QTest::keyClick(dialog.cbCommPort, Qt::Key_Down);
    EXPECT_EQ(dialog.cbCommPort->currentIndex(), 4);
    EXPECT_EQ(dialog.lbDevicePath->text(), QStringLiteral("/dev/ttyUSB0"));
}

TEST_F(ProgramSettingsDialog, ChosenDeviceIsKeptUnderPorts) {
    struct Case {
        QString typed;
        QString stored; // the "COM3" value afterwards; empty: no entry
    };
    const Case cases[] = {{"/tmp/gauge-link", "/tmp/gauge-link"},
                          {"  /dev/ttyACM1 ", "/dev/ttyACM1"},
                          {"/dev/ttyS2", ""}, // the default needs no entry
                          {"", ""}};
    Load(3);
    SetCommPortDevice(3, QStringLiteral("/dev/ttyUSB9"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        TfmProgramSettings dialog(settings_);
        dialog.show();
        QLineEdit* edit = dialog.cbDevicePath->lineEdit();
        edit->clear();
        QTest::keyClicks(edit, c.typed);
        QTest::mouseClick(dialog.btOK, Qt::LeftButton);
        const QVariant value =
            QSettings(store_.PortsFile(), QSettings::IniFormat).value(QStringLiteral("COM3"));
        EXPECT_EQ(value.toString(), c.stored);
        EXPECT_EQ(ResolveCommPort(3), c.stored.isEmpty() ? QStringLiteral("/dev/ttyS2") : c.stored);
        SetCommPortDevice(3, QStringLiteral("/dev/ttyUSB9"));
    }
}

TEST_F(ProgramSettingsDialog, UnwritableStoreKeepsTheDialogOpenAndTheOldPort) {
    Load(4);
    store_.Write(store_.Root() + QStringLiteral("/plain"), "x");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       store_.Root() + QStringLiteral("/plain/below"));
    TfmProgramSettings dialog(settings_);
    dialog.show();
    dialog.cbCommPort->setCurrentIndex(8);
    QTest::mouseClick(dialog.btOK, Qt::LeftButton);
    ASSERT_EQ(dialogs_.Boxes().size(), 1);
    EXPECT_TRUE(dialogs_.Boxes()[0].startsWith(QStringLiteral("Error accessing program settings")));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Port(), 4);
}

TEST_F(ProgramSettingsDialog, TheCheckedWriteSettingsDefaultOnAndOkStoresThem) {
    struct Case {
        bool confirm;
        bool verify;
    };
    Load(1);
    EXPECT_TRUE(settings_.Lookup(kConfirmChanges)->BooleanValue);
    EXPECT_TRUE(settings_.Lookup(kVerifyWrites)->BooleanValue);
    for (const Case c : {Case{false, true}, Case{true, false}, Case{false, false}}) {
        SCOPED_TRACE(testing::Message() << c.confirm << c.verify);
        TfmProgramSettings dialog(settings_);
        dialog.show();
        if (dialog.cbConfirmChanges->isChecked() != c.confirm)
            QTest::mouseClick(dialog.cbConfirmChanges, Qt::LeftButton, {}, QPoint(8, 10));
        if (dialog.cbVerifyWrites->isChecked() != c.verify)
            QTest::mouseClick(dialog.cbVerifyWrites, Qt::LeftButton, {}, QPoint(8, 10));
        QTest::mouseClick(dialog.btOK, Qt::LeftButton);
        QSettings stored(store_.ConfiguratorFile(), QSettings::IniFormat);
        EXPECT_EQ(stored.value(kConfirmChanges).toInt(), c.confirm ? 1 : 0);
        EXPECT_EQ(stored.value(kVerifyWrites).toInt(), c.verify ? 1 : 0);
        // The next dialog shows what is stored.
        TfmProgramSettings again(settings_);
        EXPECT_EQ(again.cbConfirmChanges->isChecked(), c.confirm);
        EXPECT_EQ(again.cbVerifyWrites->isChecked(), c.verify);
    }
}

TEST(AboutBox, ShowsTitleAndVersionAndClosesOnOkOrEscape) {
    for (bool escape : {false, true}) {
        TfmAbout about;
        EXPECT_EQ(about.windowTitle(), QStringLiteral("About..."));
        EXPECT_EQ(about.width(), 401);
        EXPECT_EQ(about.lbTitle->text(), QStringLiteral("T7310 / T8310 Configurator"));
        EXPECT_EQ(about.lbTitle->font().family(), QStringLiteral("Arial Black"));
        EXPECT_EQ(about.lbTitle->font().pixelSize(), 24);
        auto* version = about.findChild<QLabel*>(QStringLiteral("lbSoftwareVersion"));
        ASSERT_NE(version, nullptr);
        EXPECT_EQ(version->text(), QStringLiteral("Software Version: ") + ReadFileVersion());
        EXPECT_TRUE(version->text().contains(
            QRegularExpression("^Software Version: \\d+\\.\\d+\\.\\d+\\.\\d+$")));
        EXPECT_EQ(about.Button1->text(), QStringLiteral("&OK"));
        EXPECT_EQ(about.lbLicence->text(),
                  QStringLiteral("This program comes with ABSOLUTELY NO WARRANTY. It is free "
                                 "software: you may redistribute it and/or modify it under the "
                                 "terms of the GNU General Public License version 3 or later."));
        about.show();
        // Every line of the wrapped notices fits: nothing is cut at the fixed size.
        for (QLabel* label : {about.lbNotice, about.lbLicence}) {
            SCOPED_TRACE(label->objectName().toStdString());
            EXPECT_GE(label->height(), label->heightForWidth(label->width()));
            EXPECT_TRUE(about.rect().contains(label->geometry()));
        }
        EXPECT_TRUE(about.rect().contains(about.Button1->geometry()));
        if (escape)
            QTest::keyClick(&about, Qt::Key_Escape);
        else
            QTest::mouseClick(about.Button1, Qt::LeftButton);
        EXPECT_FALSE(about.isVisible());
    }
}

} // namespace

namespace {

TEST(ProgramSettingsReconnect, TheCheckBoxShowsAndStoresReconnectWhenTheAdapterReturns) {
    struct Case {
        const char* file; // the store before the dialog opens
        bool shown;
        bool clicked; // the user clicks the box before OK
        bool stored;
    };
    const Case cases[] = {
        {"[General]\n", true, false, true}, // the default is on
        {"[General]\n", true, true, false},
        {"[General]\nReconnect%20when%20the%20adapter%20returns=0\n", false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TTempStore store;
        store.Write(store.ConfiguratorFile(), c.file);
        TProgramSettings settings;
        DeclareConfiguratorSettings(settings);
        settings.LoadAll();
        TfmProgramSettings dialog(settings);
        auto* box = dialog.findChild<QCheckBox*>(QStringLiteral("cbReconnect"));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), QStringLiteral("Reconnect when the adapter returns"));
        EXPECT_EQ(box->isChecked(), c.shown);
        dialog.show();
        if (c.clicked)
            QTest::mouseClick(box, Qt::LeftButton);
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("btOK")), Qt::LeftButton);

        TProgramSettings reloaded;
        DeclareConfiguratorSettings(reloaded);
        reloaded.LoadAll();
        EXPECT_EQ(reloaded.Lookup(kReconnectOnReturn)->BooleanValue, c.stored);
    }
}

} // namespace

TEST_F(ProgramSettingsDialog, TheTechnicianDefaultsToTheLoginAndOkStoresIt) {
    Load(1);
    EXPECT_EQ(settings_.Lookup(kTechnician)->TextValue, SystemUserName());
    TfmProgramSettings dialog(settings_);
    dialog.show();
    EXPECT_EQ(dialog.edTechnician->text(), SystemUserName());
    // Found by the label beside it.
    bool labelled = false;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        labelled = labelled || (label->buddy() == dialog.edTechnician &&
                                label->text() == QStringLiteral("&Technician"));
    EXPECT_TRUE(labelled);
    dialog.edTechnician->clear();
    QTest::keyClicks(dialog.edTechnician, QStringLiteral("  Grace Hopper "));
    QTest::mouseClick(dialog.btOK, Qt::LeftButton);
    QSettings stored(store_.ConfiguratorFile(), QSettings::IniFormat);
    EXPECT_EQ(stored.value(kTechnician).toString(), QStringLiteral("Grace Hopper"));
    TfmProgramSettings again(settings_);
    EXPECT_EQ(again.edTechnician->text(), QStringLiteral("Grace Hopper"));
}
