// SPDX-License-Identifier: GPL-3.0-or-later
// View > All Settings as a user meets it: every setting of the gauge's family in one table,
// found through the filter (Ctrl+F), "Changed only", a value edited in place with the
// catalogue's check and shown marked on its page, an edit on a page shown in the list, and a
// double-click that shows the setting's page.

#include "AppFixture.h"

#include "FmAlarms.h"
#include "FmAllSettings.h"
#include "FmDisplayOptions.h"
#include "T7310.h"
#include "ZURSettings.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

namespace {

QString Cell(TfmAllSettings& list, int row, int column) {
    const QAbstractItemModel* model = list.tvSettings->model();
    return model->index(row, column).data().toString();
}

// The row the table shows for a setting's name, or -1.
int RowNamed(TfmAllSettings& list, const QString& name) {
    for (int row = 0; row < list.RowsShown(); ++row)
        if (Cell(list, row, TSettingsModel::scName) == name)
            return row;
    return -1;
}

} // namespace

class AllSettings : public TAppTest {
protected:
    TfmAllSettings& Open() {
        TfmMain& w = Window();
        EXPECT_TRUE(Choose(w.miAllSettings));
        Activate();
        return *w.AllSettings;
    }
    // Keys go to the active window only; a closed menu may leave none active.
    void Activate() {
        QApplication::setActiveWindow(&Window());
        EXPECT_EQ(QApplication::activeWindow(), &Window());
    }
    // Types into the value cell of a row through the table's own editor: F2, the text, Enter.
    void TypeValue(TfmAllSettings& list, int row, const QString& text) {
        QTableView* view = list.tvSettings;
        view->setFocus();
        view->setCurrentIndex(view->model()->index(row, TSettingsModel::scValue));
        QTest::keyClick(view, Qt::Key_F2);
        QWidget* editor = QApplication::focusWidget();
        ASSERT_NE(editor, view) << "F2 opens the editor";
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The delegate commits what was typed once the key event is over.
        QCoreApplication::processEvents();
    }
};

TEST_F(AllSettings, EverySettingOfTheFamilyAndTheFilter) {
    const struct {
        const char* model;
        bool flowScaling; // a PRM8310 has the flow output
    } cases[] = {{"T8310", false}, {"PRM8310", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        sim::Options options;
        options.model = c.model;
        StartGauge(options);
        ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
        TfmAllSettings& list = Open();
        ASSERT_TRUE(list.isVisible());
        size_t values = 0;
        const TZURSettings& catalogue = Device().Settings();
        for (size_t i = 0; i < catalogue.Count(); ++i)
            if (catalogue.Item(i).IsValue() && Device().AppliesTo(catalogue.Item(i).Family))
                ++values;
        EXPECT_EQ(list.RowsShown(), static_cast<int>(values));
        EXPECT_EQ(RowNamed(list, QStringLiteral("Flow Frequency Scaling")) >= 0, c.flowScaling);

        // Found by its name, with its value as the page shows it, the gauge's, unit and range.
        QTest::keyClicks(list.edFilter, QStringLiteral("damp"));
        ASSERT_EQ(list.RowsShown(), 1);
        EXPECT_EQ(Cell(list, 0, TSettingsModel::scGroup), QStringLiteral("Display Options"));
        EXPECT_EQ(Cell(list, 0, TSettingsModel::scName), QStringLiteral("Damping"));
        const QString damping = Cell(list, 0, TSettingsModel::scValue);
        EXPECT_FALSE(damping.isEmpty());
        EXPECT_EQ(Cell(list, 0, TSettingsModel::scGauge), damping);
        EXPECT_EQ(Cell(list, 0, TSettingsModel::scUnit), QStringLiteral("s"));
        EXPECT_EQ(Cell(list, 0, TSettingsModel::scRange), QStringLiteral("0.00 - 65.02"));
        // The group matches too: every alarm's five rows less the headings.
        list.edFilter->setText(QStringLiteral("Alarm 2"));
        EXPECT_EQ(list.RowsShown(), 4);
        list.edFilter->clear();
        ASSERT_TRUE(DisconnectWindow());
        DropWindow();
    }
}

TEST_F(AllSettings, CtrlFPutsTheCursorInTheFilter) {
    StartGauge();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    TfmMain& w = Window();
    Activate();
    ASSERT_FALSE(w.AllSettings->isVisible());
    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(w.AllSettings->isVisible());
    EXPECT_TRUE(w.miAllSettings->isChecked());
    EXPECT_TRUE(w.AllSettings->edFilter->hasFocus());
}

TEST_F(AllSettings, AnEditInTheListIsTheEditOnItsPage) {
    StartGauge();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    TfmAllSettings& list = Open();
    auto* display = dynamic_cast<TfmDisplayOptions*>(Window().Page(TfmMain::psDisplayOptions));
    ASSERT_NE(display, nullptr);
    list.edFilter->setText(QStringLiteral("Damping"));
    ASSERT_EQ(list.RowsShown(), 1);
    const uint32_t before = Device().Settings().Find(35)->Value(Device().Image);

    // Refused with the catalogue's own message; nothing changes.
    Dialogs.Clear();
    TypeValue(list, 0, QStringLiteral("99"));
    ASSERT_EQ(Dialogs.Boxes().size(), 1);
    EXPECT_TRUE(Dialogs.Boxes()[0].contains(QStringLiteral("not in the range")))
        << Dialogs.Boxes()[0].toStdString();
    EXPECT_EQ(Device().Settings().Find(35)->Value(Device().Image), before);
    EXPECT_FALSE(display->Edited());

    // Taken: in the image, on the page marked as not yet written, and "Changed only" has it.
    Dialogs.Clear();
    TypeValue(list, 0, QStringLiteral("1.25"));
    EXPECT_TRUE(Dialogs.Boxes().isEmpty()) << Dialogs.Boxes().join(u'|').toStdString();
    EXPECT_EQ(Device().Settings().Find(35)->Value(Device().Image), 1250u);
    EXPECT_EQ(display->eDamping->text(), QStringLiteral("1.25"));
    EXPECT_TRUE(display->Edited());
    list.edFilter->clear();
    list.cbChangedOnly->setChecked(true);
    ASSERT_EQ(list.RowsShown(), 1);
    EXPECT_EQ(Cell(list, 0, TSettingsModel::scName), QStringLiteral("Damping"));
    EXPECT_EQ(Cell(list, 0, TSettingsModel::scValue), QStringLiteral("1.25"));

    // Written with Write All Settings like any other edit.
    Dialogs.AnswerAccept();
    ASSERT_TRUE(Choose(Window().miWriteAllSettings));
    EXPECT_TRUE(WaitUntilDone([&] { return !display->Edited(); }, 10000));
    EXPECT_EQ(Gauge().Block(0x14)[7] * 256 + Gauge().Block(0x14)[8], 1250);
    EXPECT_EQ(list.RowsShown(), 0) << "nothing differs from the gauge any more";
}

TEST_F(AllSettings, AnEditOnAPageShowsInTheListAndADoubleClickShowsThePage) {
    StartGauge();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    TfmAllSettings& list = Open();
    auto* alarms = dynamic_cast<TfmAlarms*>(Window().Page(TfmMain::psAlarmSetpoints));
    ASSERT_NE(alarms, nullptr);
    alarms->eMSetpoint->setText(QStringLiteral("12.50"));
    list.cbChangedOnly->setChecked(true);
    ASSERT_EQ(list.RowsShown(), 1);
    EXPECT_EQ(Cell(list, 0, TSettingsModel::scName), QStringLiteral("Alarm M - Setpoint"));
    EXPECT_EQ(Cell(list, 0, TSettingsModel::scValue), QStringLiteral("12.50"));

    // A double-click on the name shows the page with the setting's box focused.
    list.cbChangedOnly->setChecked(false);
    list.edFilter->setText(QStringLiteral("Damping"));
    ASSERT_EQ(list.RowsShown(), 1);
    QTableView* view = list.tvSettings;
    const QModelIndex name = view->model()->index(0, TSettingsModel::scName);
    view->scrollTo(name);
    // A double-click as the window system delivers it: a press, then the double-click.
    const QPoint at = view->visualRect(name).center();
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(Window().pcMain->currentWidget(), Window().tsDisplayOptions);
    auto* display = dynamic_cast<TfmDisplayOptions*>(Window().Page(TfmMain::psDisplayOptions));
    ASSERT_NE(display, nullptr);
    EXPECT_TRUE(WaitUntilDone([&] { return display->eDamping->hasFocus(); }, 2000));
}
