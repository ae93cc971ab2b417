// SPDX-License-Identifier: GPL-3.0-or-later
// The window in German: each text a user reads on the menus, the pages, the docks and the
// dialogs differs from the same widget's text in English, unless it is one that stays in every
// language (unit symbols, model names, numbers). The window is built twice in one run, once per
// language, connected to the same simulated gauge, and the widgets are matched by their place in
// the widget tree.

#include "AppFixture.h"
#include "FmAbout.h"
#include "FmAllSettings.h"
#include "FmCompare.h"
#include "ImageCompare.h"
#include "T7310.h"
#include "FmMain.h"
#include "FmProgramSettings.h"
#include "FmProvisionSite.h"
#include "FmScanBus.h"
#include "FmTableChart.h"
#include "FmTableShape.h"
#include "ZurApplication.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>

#include <map>
#include <set>

namespace {

// Texts that read the same in German: the program's and the models' names, unit symbols,
// protocol and signal names, and what the simulated gauge reports of itself.
const std::set<QString> kSameInEveryLanguage = {
    QStringLiteral("T7310 / T8310 Configurator"),
    QStringLiteral("&OK"),
    QStringLiteral("OK"),
    QStringLiteral("Master"),
    QStringLiteral("Firmware"),
    QStringLiteral("Modbus"),
    QStringLiteral("FAST"),
    QStringLiteral("TEST"),
    QStringLiteral("Hex"),
    QStringLiteral("Tx"),
    QStringLiteral("Rx"),
    QStringLiteral("SG"),
    QStringLiteral("Name"),
    QStringLiteral("Alarm 1"),
    QStringLiteral("Alarm 2"),
    QStringLiteral("Alarm 3"),
    QStringLiteral("Status"),
    QStringLiteral("Start"),
    QStringLiteral("&Start"),
    QStringLiteral("Export"),
    QStringLiteral("&Export"),
    QStringLiteral("Filter"),
    QStringLiteral("&Filter"),
    QStringLiteral("&Pause"),
    QStringLiteral("Name:"),
    QStringLiteral("Bus"),
    QStringLiteral("TEST Alarm 1"),
    QStringLiteral("TEST Alarm 2"),
    QStringLiteral("TEST Alarm 3"),
};

// A text that holds no word: numbers, units in brackets, separators. Also what the gauge
// itself says, and device paths, which no translation changes.
bool Wordless(const QString& text) {
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{3,}"));
    static const QRegularExpression symbols(QStringLiteral(
        "^[\\s\\d.,:;%()/=+\\-]*(m|mm|in|ft|mA|m³|in³|ft³|L|Gal|bps|s|ms|MS)?[\\s\\d.,:;%()/"
        "=+\\-]*$"));
    static const QRegularExpression device(QStringLiteral("/dev/"));
    return !word.match(text).hasMatch() || symbols.match(text).hasMatch() ||
           device.match(text).hasMatch();
}

QString Place(const QObject* object) {
    QString place;
    for (const QObject* o = object; o; o = o->parent())
        place.prepend(QLatin1Char('/') + o->metaObject()->className() + QLatin1Char(':') +
                      o->objectName() + QLatin1Char('#') +
                      QString::number(o->parent() ? o->parent()->children().indexOf(o) : 0));
    return place;
}

using TTexts = std::map<QString, QString>; // where -> text

void Add(TTexts& texts, const QString& where, const QString& text) {
    if (!text.trimmed().isEmpty())
        texts[where] = text;
}

void AddMenu(TTexts& texts, const QString& where, QMenu* menu) {
    Add(texts, where, menu->title());
    int i = 0;
    for (QAction* action : menu->actions()) {
        const QString place = where + QStringLiteral("/action") + QString::number(i++);
        if (action->menu())
            AddMenu(texts, place, action->menu());
        else if (!action->isSeparator())
            Add(texts, place, action->text());
    }
}

// Every text a user reads under root: captions, buttons, group and tab titles, table headers,
// window titles, menus and the names a screen reader says.
TTexts Texts(QWidget* root) {
    TTexts texts;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        const QString at = Place(w);
        if (w->isWindow())
            Add(texts, at + QStringLiteral("|title"), w->windowTitle());
        Add(texts, at + QStringLiteral("|accessible"), w->accessibleName());
        Add(texts, at + QStringLiteral("|tooltip"), w->toolTip());
        if (auto* label = qobject_cast<QLabel*>(w))
            Add(texts, at, label->text());
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            Add(texts, at, button->text());
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            Add(texts, at, group->title());
        if (auto* tabs = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                Add(texts, at + QStringLiteral("|tab") + QString::number(i), tabs->tabText(i));
        if (auto* view = qobject_cast<QTableView*>(w); view && view->model())
            for (int c = 0; c < view->model()->columnCount(); ++c)
                Add(texts, at + QStringLiteral("|column") + QString::number(c),
                    view->model()->headerData(c, Qt::Horizontal).toString());
        if (auto* bar = qobject_cast<QMenuBar*>(w)) {
            int i = 0;
            for (QAction* action : bar->actions())
                if (action->menu())
                    AddMenu(texts, at + QStringLiteral("/menu") + QString::number(i++),
                            action->menu());
        }
    }
    return texts;
}

class GermanWindow : public TAppTest {
protected:
    void SetUp() override {
        TAppTest::SetUp();
        sim::Options options;
        options.model = "PRM8310"; // the extended gauge: every tab, the summary too
        StartGauge(options);
    }
    void TearDown() override {
        Speak(QLocale(QLocale::English, QLocale::UnitedStates));
        TAppTest::TearDown();
    }
    static void Speak(const QLocale& locale) {
        QLocale::setDefault(locale);
        TZurApplication::InstallTranslations(locale);
    }

    // The texts of the connected window with its docks open, and of the dialogs it opens.
    std::map<QString, TTexts> Everything() {
        TfmMain& w = Window();
        EXPECT_TRUE(ConnectAs(QStringLiteral("1")));
        EXPECT_TRUE(Choose(w.miTrafficMonitor));
        EXPECT_TRUE(Choose(w.miAllSettings));
        std::map<QString, TTexts> all;
        all[QStringLiteral("window")] = Texts(&w);
        // Parentless, so the dialogs go before the window does.
        TfmAbout about;
        all[QStringLiteral("about")] = Texts(&about);
        TfmProgramSettings settings(*w.ProgramSettings());
        all[QStringLiteral("program settings")] = Texts(&settings);
        TfmScanBus scan(TfmScanBus::TTarget{});
        all[QStringLiteral("scan bus")] = Texts(&scan);
        TfmProvisionSite site(TfmProvisionSite::TTarget{});
        all[QStringLiteral("provision site")] = Texts(&site);
        TfmTableShape shape(nullptr, TLengthUnit::Metre, TVolumeUnit::Litre);
        all[QStringLiteral("generate")] = Texts(&shape);
        TfmTableChart chart(nullptr, TLengthUnit::Metre, TVolumeUnit::Litre);
        all[QStringLiteral("fit chart")] = Texts(&chart);
        return all;
    }
};

TEST_F(GermanWindow, NoTextOfTheMenusPagesAndDialogsStaysEnglish) {
    Speak(QLocale(QLocale::English, QLocale::UnitedStates));
    const std::map<QString, TTexts> english = Everything();
    ASSERT_TRUE(DisconnectWindow());
    DropWindow();
    Speak(QLocale(QLocale::German, QLocale::Germany));
    const std::map<QString, TTexts> german = Everything();

    int compared = 0;
    for (const auto& [part, texts] : english) {
        const TTexts& other = german.at(part);
        for (const auto& [where, text] : texts) {
            const auto found = other.find(where);
            if (found == other.end() || Wordless(text) || kSameInEveryLanguage.count(text))
                continue;
            ++compared;
            EXPECT_NE(found->second.toStdString(), text.toStdString())
                << part.toStdString() << ": \"" << text.toStdString() << "\" stays English at "
                << where.toStdString();
        }
    }
    // The walk reached the window's texts, not an empty tree.
    EXPECT_GT(compared, 300);
}

} // namespace

namespace {

// The setting names the list and the comparison show are the window's, in German; the journal's
// and the tool's words for the same difference stay as they are.
TEST_F(GermanWindow, SettingNamesOfTheListAndTheComparison) {
    Speak(QLocale(QLocale::German, QLocale::Germany));
    TSettingsModel model(Device());
    const struct {
        const char* Name;
        const char* Group;
        const char* German;
        const char* GermanGroup;
    } cases[] = {{"Contrast", "Display Options", "Kontrast", "Anzeigeoptionen"},
                 {"Alarm 2 - Setpoint", "Alarm 2", "Alarm 2 – Grenzwert", "Alarm 2"},
                 {"Height", "Tank Max", "Höhe", "Tank maximal"},
                 {"RS 485 ID", "Other Settings", "RS-485-Knoten-ID", "Weitere Einstellungen"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        int row = -1;
        for (int r = 0; r < model.rowCount({}) && row < 0; ++r)
            if (const TZURSetting* item = model.Setting(r);
                item && item->Name == c.Name && item->Group == c.Group)
                row = r;
        ASSERT_GE(row, 0);
        EXPECT_EQ(model.data(model.index(row, TSettingsModel::scName), Qt::DisplayRole).toString(),
                  QString::fromUtf8(c.German));
        EXPECT_EQ(model.data(model.index(row, TSettingsModel::scGroup), Qt::DisplayRole).toString(),
                  QString::fromUtf8(c.GermanGroup));

        TDifferencesBox box;
        box.Differences.Settings = {{33, c.Group, c.Name, "1", "2"}};
        TfmCompare compare(box);
        EXPECT_EQ(compare.tbSettings->item(0, 1)->text(), QString::fromUtf8(c.German));
        EXPECT_EQ(DifferenceLine(box.Differences.Settings.front()),
                  std::string(c.Group) + " / " + c.Name + ": 1 -> 2");
    }
}

} // namespace
