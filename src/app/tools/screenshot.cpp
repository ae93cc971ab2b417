// SPDX-License-Identifier: GPL-3.0-or-later
// t7310-screenshot FILE.png [MODEL [SHEET]]: renders the main window, connected to a simulated
// gauge, from the real widgets into a PNG for the documentation; SHEET is the object name of
// the tab sheet to show (tsDisplayOptions ...), by default the Device Status tab. It works in a
// settings folder of its own, so the user's settings are not touched, and answers the connect
// prompt with node 1. SHEET fmTrafficMonitor opens the traffic monitor dock instead (and
// fmAllSettings the list of every setting, filtered, with an edit made in it);
// fmCompare renders the box Write All Settings shows before it writes an edited contrast and
// tank name, fmVerify the box after a gauge that forgot the contrast, and fmHistory the
// History... dialog after that write. fmTableShape renders Generate... with a 2.5 m sphere,
// fmTableChart Fit Chart... with a 3,000-row chart of a lying tank, fmProvisionSite the
// Provision Site dialog after a site of two buses and six gauges (one forgetting its display
// writes, one holding the site's settings already). The archive goes to the temporary folder
// too.

#include "ComPortMap.h"
#include "FmAllSettings.h"
#include "FmCompare.h"
#include "FmHistory.h"
#include "FmMain.h"
#include "FmProvisionSite.h"
#include "FmManualLin.h"
#include "FmTableChart.h"
#include "FmTableShape.h"
#include "GaugeSimulator.h"
#include "ScriptedDialogService.h"
#include "SerialPacket.h"
#include "T7310.h"
#include "TankGeometry.h"
#include "WriteSafety.h"
#include "ZurApplication.h"

#include <QAction>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

bool WaitFor(const std::function<bool()>& done, int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return done();
}

bool Save(QWidget& widget, const QString& output) {
    if (!widget.grab().save(output, "PNG")) {
        std::fprintf(stderr, "t7310-screenshot: cannot write %s\n", qPrintable(output));
        return false;
    }
    std::printf("%s\n", qPrintable(output));
    return true;
}

// The contrast and tank name edited on their pages, then Write All Settings: the box asked
// before the write (answered Cancel), the box after a gauge that forgot the contrast, or the
// History... dialog once the write is journalled.
int WriteAllPicture(TfmMain& window, sim::GaugeSimulator& gauge, TScriptedDialogService& dialogs,
                    const std::string& sheet, const QString& output) {
    auto* contrast = window.findChild<QSlider*>(QStringLiteral("tbContrast"));
    auto* name = window.findChild<QLineEdit*>(QStringLiteral("eTankName"));
    if (!contrast || !name || !window.Safety()) {
        std::fprintf(stderr, "t7310-screenshot: no contrast or tank name to edit\n");
        return 1;
    }
    QCoreApplication::processEvents(); // the pages take what the connect showed
    contrast->setValue(90);
    name->setText(QStringLiteral("KEROSENE 2"));
    bool saved = false;
    const bool boxWanted = sheet != "fmHistory";
    dialogs.OnDifferences = [&](QWidget* parent, const TDifferencesBox& box) {
        const bool asking = !box.AcceptText.isEmpty();
        if (!boxWanted || asking != (sheet == "fmCompare"))
            return;
        TfmCompare shown(box, parent);
        shown.show();
        QCoreApplication::processEvents();
        saved = Save(shown, output);
    };
    if (sheet == "fmCompare") {
        dialogs.AnswerCancel();
    } else {
        dialogs.AnswerAccept();
        if (sheet == "fmVerify")
            gauge.SetFault(0xA4, sim::Fault::Forget);
    }
    window.miWriteAllSettings->trigger();
    if (sheet == "fmHistory") {
        TfmHistory history(window.Safety()->Archive(), true, &window);
        history.show();
        history.tbJournal->selectRow(0);
        QCoreApplication::processEvents();
        saved = Save(history, output);
    }
    if (!saved)
        std::fprintf(stderr, "t7310-screenshot: nothing to render:\n%s\n",
                     qPrintable(dialogs.Transcript().join(QLatin1Char('\n'))));
    return saved ? 0 : 1;
}

// The Manual Linearisation page's Generate... or Fit Chart... dialog, filled in as a user would.
int TableDialogPicture(TfmMain& window, TScriptedDialogService& dialogs, const std::string& sheet,
                       const QString& folder, const QString& output) {
    auto* page = window.findChild<TfmManualLin*>();
    if (!page) {
        std::fprintf(stderr, "t7310-screenshot: no Manual Linearisation page\n");
        return 1;
    }
    QDialog* dialog = nullptr;
    if (sheet == "fmTableShape") {
        page->btGenerate->click();
        auto* shape = page->findChild<TfmTableShape*>();
        if (shape) {
            shape->cbShape->setCurrentIndex(static_cast<int>(TTankKind::Sphere));
            shape->edDiameter->setText(QStringLiteral("2.5"));
        }
        dialog = shape;
    } else {
        // A lying 2 m tank with dished heads, strapped every millimetre or so.
        TTankShape tank;
        tank.Kind = TTankKind::HorizontalCylinder;
        tank.Diameter = 2000;
        tank.Length = 5000;
        tank.Ends.Kind = THeadKind::Torispherical;
        std::string message;
        const std::optional<TTankGeometry> geometry = TTankGeometry::Make(tank, message);
        const QString chart = folder + QStringLiteral("/strapping-chart.csv");
        QFile file(chart);
        if (!geometry || !file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "t7310-screenshot: no chart to fit\n");
            return 1;
        }
        file.write("Height (mm);Volume (l)\r\n");
        for (int row = 0; row < 3000; ++row) {
            const double height = geometry->FullHeight() * row / 2999;
            file.write(QStringLiteral("%1;%2\r\n")
                           .arg(height, 0, 'f', 2)
                           .arg(geometry->Volume(height) / 1e6, 0, 'f', 3)
                           .toLatin1());
        }
        file.close();
        page->btFitChart->click();
        auto* fit = page->findChild<TfmTableChart*>();
        if (fit) {
            dialogs.AnswerOpenFile(chart);
            fit->btBrowse->click();
            fit->cbLengthUnit->setCurrentIndex(static_cast<int>(TLengthUnit::Millimetre));
            fit->cbVolumeUnit->setCurrentIndex(static_cast<int>(TVolumeUnit::Litre));
        }
        dialog = fit;
    }
    if (!dialog) {
        std::fprintf(stderr, "t7310-screenshot: the dialog did not open\n");
        return 1;
    }
    dialog->resize(dialog->sizeHint().expandedTo(QSize(900, 520)));
    QCoreApplication::processEvents();
    return Save(*dialog, output) ? 0 : 1;
}

} // namespace

// Two buses of three gauges, a site file for them, and the dialog once the run has ended.
int ProvisionPicture(const QString& folder, const QString& output) {
    auto gauge = [](uint8_t node, std::map<uint8_t, sim::Fault> faults = {}) {
        sim::Options options;
        options.node = node;
        options.faults = std::move(faults);
        return options;
    };
    sim::GaugeSimulator north({gauge(1), gauge(2, {{0xA4, sim::Fault::Forget}}), gauge(3)});
    sim::GaugeSimulator south({gauge(11), gauge(12), gauge(13)});
    std::string error;
    if (!north.Start(&error) || !south.Start(&error)) {
        std::fprintf(stderr, "t7310-screenshot: %s\n", error.c_str());
        return 1;
    }
    // The gauges' own settings, and the site's: the same with another contrast.
    T7310 reader;
    reader.ProgramSoftwareId = 3;
    reader.SetDevicePath(north.SlavePath());
    const QString own = folder + QStringLiteral("/spare.TLS");
    if (!reader.Connect(1, 1, 9600) || !reader.SaveToFile(own.toStdString())) {
        std::fprintf(stderr, "t7310-screenshot: no settings from the simulated gauge\n");
        return 1;
    }
    reader.Disconnect();
    QFile ownFile(own);
    QByteArray bytes = ownFile.open(QIODevice::ReadOnly) ? ownFile.readAll() : QByteArray();
    if (bytes.size() < 49)
        return 1;
    bytes[43 + 5] = 77;
    QFile siteSettings(folder + QStringLiteral("/diesel.TLS"));
    QFile site(folder + QStringLiteral("/site.csv"));
    if (!siteSettings.open(QIODevice::WriteOnly) || siteSettings.write(bytes) != bytes.size() ||
        !site.open(QIODevice::WriteOnly))
        return 1;
    siteSettings.close();
    const QByteArray southBus = QByteArray::fromStdString(south.SlavePath());
    site.write("node,settings,device,tag\n1,diesel.TLS,,North 1\n2,diesel.TLS,,North 2\n"
               "3,spare.TLS,,North spare\n11,diesel.TLS," + southBus + ",South 1\n12,diesel.TLS," +
               southBus + ",South 2\n13,diesel.TLS," + southBus + ",South 3\n");
    site.close();

    TfmProvisionSite::TTarget target;
    target.DefaultDevice = QString::fromStdString(north.SlavePath());
    target.Fast = true;
    target.ArchiveFolder = folder + QStringLiteral("/archive");
    TfmProvisionSite dialog(target);
    dialog.show();
    if (!dialog.LoadSiteFile(site.fileName()))
        return 1;
    dialog.btStart->click();
    WaitFor([&] { return dialog.Run() && !dialog.Run()->Running(); }, 60000);
    WaitFor([&] { return false; }, 200);
    return Save(dialog, output) ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: t7310-screenshot FILE.png [T7310|T8310|PRM8310 [SHEET]]\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    const std::string sheetName = argc == 4 ? argv[3] : "";
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir settings;
    if (!settings.isValid()) {
        std::fprintf(stderr, "t7310-screenshot: no temporary folder\n");
        return 1;
    }
    // The writes below archive and journal: never into the user's own archive.
    setenv("XDG_DATA_HOME", qPrintable(settings.path()), 1);
    TZurApplication application(argc, argv);

    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());

    if (sheetName == "fmProvisionSite")
        return ProvisionPicture(settings.path(), output);

    sim::Options options;
    // A tank that fills and empties in two minutes, so the trend shows a slope.
    options.volume_period_s = 120;
    if (argc >= 3)
        options.model = argv[2];
    sim::GaugeSimulator gauge(options);
    std::string error;
    if (!gauge.Start(&error)) {
        std::fprintf(stderr, "t7310-screenshot: %s\n", error.c_str());
        return 1;
    }
    SetCommPortDevice(1, QString::fromStdString(gauge.SlavePath()));
    // The Manual Linearisation tab belongs to a Non standard tank: the gauge holds one, so the
    // window shows the tab and reads the table as it does for a real gauge.
    const bool tableDialog = sheetName == "fmTableShape" || sheetName == "fmTableChart";
    const bool nonStandard = sheetName == "tsManualLin" || tableDialog;
    if (nonStandard) {
        std::vector<uint8_t> tank = gauge.Block(0x16);
        tank.at(0) = 5;
        gauge.SetBlock(0x16, tank);
    }

    TScriptedDialogService dialogs;
    dialogs.AnswerText(QStringLiteral("1"));
    TfmMain window;
    if (T7310* device = window.Device()) {
        // A shorter line silence than a real gauge needs; the picture is the same.
        device->Link().ReadIntervalTimeout = 20;
    }
    window.show();
    // The traffic monitor is a dock, not a tab: opened before the connect, it shows it.
    const bool monitor = argc == 4 && std::string(argv[3]) == "fmTrafficMonitor";
    // The list of all settings is a dock too, shown with a filter and an edit made in it.
    const bool list = argc == 4 && std::string(argv[3]) == "fmAllSettings";
    if (monitor)
        window.miTrafficMonitor->trigger();
    // Settings prepared without a gauge: blank ones of the model's family, the tank named and
    // the list of all settings filtered, not saved yet.
    if (sheetName == "offline") {
        dialogs.Clear();
        dialogs.AnswerChoice(QStringLiteral("Blank settings"));
        dialogs.AnswerChoice(QString::fromStdString(options.model));
        window.miNewSettings->trigger();
        auto* tankName = window.findChild<QLineEdit*>(QStringLiteral("eTankName"));
        if (!window.Offline() || !tankName) {
            std::fprintf(stderr, "t7310-screenshot: no offline settings:\n%s\n",
                         qPrintable(dialogs.Transcript().join(QLatin1Char('\n'))));
            return 1;
        }
        tankName->setText(QStringLiteral("North bund"));
        window.pcMain->setCurrentWidget(window.tsTankTypes);
        window.miAllSettings->trigger();
        window.AllSettings->edFilter->setText(QStringLiteral("damping"));
        WaitFor([&] { return false; }, 300);
        if (!window.grab().save(output, "PNG"))
            return 1;
        std::printf("%s\n", argv[1]);
        return 0;
    }
    window.miConnect->trigger();
    if (!window.Device() || !window.Device()->Connected()) {
        std::fprintf(stderr, "t7310-screenshot: the window did not connect:\n%s\n",
                     qPrintable(dialogs.Transcript().join(QLatin1Char('\n'))));
        return 1;
    }
    const bool safety =
        sheetName == "fmCompare" || sheetName == "fmVerify" || sheetName == "fmHistory";
    if (safety)
        return WriteAllPicture(window, gauge, dialogs, sheetName, output);
    if (tableDialog)
        return TableDialogPicture(window, dialogs, sheetName, settings.path(), output);
    if (list) {
        window.miAllSettings->trigger();
        window.AllSettings->edFilter->setText(QStringLiteral("alarm m"));
        window.AllSettings->Model().setData(
            window.AllSettings->tvSettings->model()->index(0, TSettingsModel::scValue),
            QStringLiteral("85"), Qt::EditRole);
    }
    if (argc == 4 && !monitor && !list) {
        auto* sheet = window.findChild<QWidget*>(QString::fromLocal8Bit(argv[3]));
        const int index = sheet ? window.pcMain->indexOf(sheet) : -1;
        if (index < 0) {
            std::fprintf(stderr, "t7310-screenshot: no tab sheet %s\n", argv[3]);
            return 2;
        }
        if (!nonStandard)
            window.pcMain->setTabVisible(index, true);
        window.pcMain->setCurrentIndex(index);
    }
    // Let the status poll report (one period after the replies came) and, on the Device
    // Status tab, the trend gather a few points.
    auto* state = window.findChild<QLabel*>(QStringLiteral("lbState"));
    WaitFor([&] { return state && !state->text().startsWith(QLatin1Char('<')); }, 8000);
    WaitFor([&] { return false; }, argc == 4 ? 300 : 6000);
    if (!window.grab().save(output, "PNG")) {
        std::fprintf(stderr, "t7310-screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s\n", argv[1]);
    return 0;
}
