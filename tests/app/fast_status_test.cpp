// The stored "Fast Transfers" choice reaches the link at connect, and the status bar shows
// "FAST" beside the connection state while such a connection is up.

#include "AppFixture.h"

#include "ComPortMap.h"
#include "FmProgramSettings.h"
#include "ProgramSettings.h"
#include "SerialPacket.h"
#include "T7310.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace {

struct FastCase {
    const char* stored; // null: never stored, the default
    bool fast;
};

class FastStatus : public TAppTest, public ::testing::WithParamInterface<FastCase> {};

TEST_P(FastStatus, TheStoredChoiceSetsTheLinkAndTheStatusBarShowsIt) {
    const FastCase& c = GetParam();
    if (c.stored)
        OpenUserKey(QStringLiteral("\\SOFTWARE\\ZUR\\Configurator\\"))
            ->setValue(QStringLiteral("Fast Transfers"), QString::fromLatin1(c.stored));
    StartGauge();
    QLabel* label = Window().lbFastTransfers;
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("FAST"));
    EXPECT_FALSE(label->isVisible());

    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    EXPECT_EQ(PanelText(1), QStringLiteral("CONNECTED"));
    EXPECT_EQ(Device().Link().FastActive(), c.fast);
    EXPECT_EQ(label->isVisible(), c.fast);
    EXPECT_TRUE(Device().SettingsRead());

    ASSERT_TRUE(DisconnectWindow());
    EXPECT_EQ(PanelText(1), QStringLiteral("DISCONNECTED"));
    EXPECT_FALSE(label->isVisible());
}

INSTANTIATE_TEST_SUITE_P(StoredValues, FastStatus,
                         ::testing::Values(FastCase{nullptr, false}, FastCase{"0", false},
                                           FastCase{"1", true}));

using FastSetting = TAppTest;

// The fifth program setting: written as off on first start, and changed only by OK in the
// program settings dialog.
TEST_F(FastSetting, TheDialogsCheckBoxKeepsTheChoice) {
    TProgramSettings settings;
    DeclareConfiguratorSettings(settings);
    settings.LoadAll();
    ASSERT_NE(settings.Lookup(kFastTransfers), nullptr);
    EXPECT_EQ(settings.Lookup(kFastTransfers)->Kind, TProgramSetting::pkBoolean);
    EXPECT_EQ(StoredValue(kFastTransfers), QStringLiteral("0"));

    struct Step {
        bool click;   // toggle the box
        bool ok;      // OK, else Cancel
        bool checked; // as the dialog opens next
        const char* stored;
    };
    const Step steps[] = {{true, false, false, "0"},
                          {true, true, true, "1"},
                          {false, true, true, "1"},
                          {true, false, true, "1"},
                          {true, true, false, "0"}};
    for (const Step& step : steps) {
        TfmProgramSettings dialog(settings);
        dialog.show();
        QCheckBox* box = dialog.findChild<QCheckBox*>(QStringLiteral("cbFastTransfers"));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->accessibleName(), QStringLiteral("Fast transfers (frame replies by length; "
                                                        "try with your gauges first)"));
        if (step.click)
            QTest::mouseClick(box, Qt::LeftButton);
        QTest::mouseClick(step.ok ? dialog.btOK : dialog.Button2, Qt::LeftButton);
        TfmProgramSettings next(settings);
        EXPECT_EQ(next.cbFastTransfers->isChecked(), step.checked);
        EXPECT_EQ(StoredValue(kFastTransfers), QString::fromLatin1(step.stored));
    }
}

} // namespace
