// SPDX-License-Identifier: GPL-3.0-or-later
// "Fast Transfers": the check box keeps the choice, the link takes it at connect, and the
// status bar shows "FAST" beside the connection state while such a connection is up.

#include "AppFixture.h"

#include "FmProgramSettings.h"
#include "ProgramSettings.h"
#include "SerialPacket.h"
#include "T7310.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

using FastTransfers = TAppTest;

TEST_F(FastTransfers, TheCheckBoxKeepsTheChoiceAndTheNextConnectRunsFast) {
    struct Step {
        bool ok;   // else Cancel, after a click on the box
        bool fast; // stored afterwards
    };
    for (const Step& step : {Step{false, false}, Step{true, true}, Step{false, true}}) {
        TProgramSettings settings;
        DeclareConfiguratorSettings(settings);
        settings.LoadAll(); // the first start writes the default, off
        TfmProgramSettings dialog(settings);
        dialog.show();
        EXPECT_EQ(dialog.cbFastTransfers->accessibleName(),
                  QStringLiteral("Fast transfers (frame replies by length; try with your gauges "
                                 "first)"));
        QTest::mouseClick(dialog.cbFastTransfers, Qt::LeftButton);
        QTest::mouseClick(step.ok ? dialog.btOK : dialog.Button2, Qt::LeftButton);
        EXPECT_EQ(StoredValue(kFastTransfers), QString::number(step.fast ? 1 : 0));
    }
    StartGauge();
    QLabel* label = Window().lbFastTransfers;
    EXPECT_FALSE(label->isVisible());
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    EXPECT_TRUE(Device().Link().FastActive());
    EXPECT_TRUE(Device().SettingsRead());
    EXPECT_EQ(PanelText(1), QStringLiteral("CONNECTED"));
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), QStringLiteral("FAST"));
    ASSERT_TRUE(DisconnectWindow());
    EXPECT_FALSE(label->isVisible());
}

} // namespace
