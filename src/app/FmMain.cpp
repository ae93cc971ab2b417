// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmMain.h"

#include "WindowText.h"

#include "DialogService.h"
#include "EditHistory.h"
#include "FmAlarms.h"
#include "FmAllSettings.h"
#include "FmDeviceStatus.h"
#include "FmDisplayOptions.h"
#include "FmManualLin.h"
#include "FmSensorParams.h"
#include "FmSummary.h"
#include "FmTankType.h"
#include "FmTrafficMonitor.h"
#include "Page.h"
#include "ProgramSettings.h"
#include "SerialPacket.h"
#include "T7310.h"
#include "Templates.h"
#include "WriteSafety.h"
#include "ZURSettings.h"
#include "ZurApplication.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <stdexcept>



namespace {

const char* const kCaption = "T7310 / T8310 Configurator";

QFont ArialPixels(const char* family, int pixels) {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixels);
    return font;
}

// The 14 x 14 tab icon: a small gauge dial in the tab's colour.
QIcon TabIcon(const QColor& colour) {
    QPixmap pixmap(14, 14);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour.darker(150), 1));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(1.5, 1.5, 11, 11));
    painter.setPen(QPen(Qt::white, 1.5));
    painter.drawLine(QPointF(7, 7), QPointF(10, 4));
    return QIcon(pixmap);
}

QWidget* NewSheet(const char* name) {
    auto* sheet = new QWidget;
    sheet->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return sheet;
}

} // namespace

TfmMain::TfmMain(QWidget* parent) : QMainWindow(parent), TemplateFolder(TTemplateStore::DefaultFolder()) {
    // 1. The window from its layout.
    CreateLayout();
    CreateMenus();
    CreateTimers();

    // 2. The program settings store.
    try {
        LoadProgramSettings();
    } catch (...) {
        Dialogs().Plain(this, tr("Error accessing program settings"));
    }

    // 3. Shown only for a Non standard tank and for an extended device.
    SetSheetVisible(tsManualLin, false);
    SetSheetVisible(tsSummary, false);

    // 4. The device object.
    try {
        CreateDeviceObject();
        Safety_ = std::make_unique<TWriteSafety>(
            this, *Device_, ProgramSettings_.get(),
            [this](const QString& text) { ShowStatusText(text, kStatusSeconds); });
    } catch (...) {
        Dialogs().Plain(this, tr("Error creating T7310 Device Object"));
    }

    try {
        CreateTrafficMonitor();
    } catch (...) {
        // The window works without its monitor.
    }

    // 5. The pages.
    try {
        CreatePages();
    } catch (...) {
        Dialogs().Plain(this, tr("Error creating tabsheets"));
    }

    try {
        CreateAllSettings();
    } catch (...) {
        // The window works without the list.
    }

    // 6.
    SetActiveSheet(tsDeviceStatus);
    FillTemplatesMenu();
    SummaryKey = false;

    // The window sees key presses before its controls do, and mouse presses on the page
    // control and its tab bar.
    qApp->installEventFilter(this);
}

TfmMain::~TfmMain() {
    qApp->removeEventFilter(this);
    if (TrafficMonitor)
        TrafficMonitor->SetLink(nullptr);
    // The list of all settings points into the device object's catalogue.
    delete AllSettings;
    AllSettings = nullptr;
    // The device object goes first (it closes the link), then the store (unsaved); the pages
    // follow as the window's children.
    Safety_.reset();
    Device_.reset();
    ProgramSettings_.reset();
}

// ---------------------------------------------------------------------------------------------
// Construction

void TfmMain::CreateLayout() {
    setObjectName(QStringLiteral("fmMain"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setFont(ArialPixels("Arial", 11));
    resize(740, 564);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));

    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* line = new QFrame(client);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedHeight(1);
    column->addWidget(line);

    pcMain = new QTabWidget(client);
    pcMain->setObjectName(QStringLiteral("pcMain"));
    pcMain->setIconSize(QSize(14, 14));
    // With all seven tabs shown the labels are wider than the window: scroll them rather
    // than widen the window past its size.
    pcMain->setUsesScrollButtons(true);
    auto* spaced = new QHBoxLayout;
    spaced->setContentsMargins(4, 0, 4, 4);
    spaced->addWidget(pcMain);
    column->addLayout(spaced, 1);
    setCentralWidget(client);

    tsDeviceStatus = NewSheet("tsDeviceStatus");
    tsDisplayOptions = NewSheet("tsDisplayOptions");
    tsSensorParams = NewSheet("tsSensorParams");
    tsTankTypes = NewSheet("tsTankTypes");
    tsManualLin = NewSheet("tsManualLin");
    tsAlarmSetpoints = NewSheet("tsAlarmSetpoints");
    tsSummary = NewSheet("tsSummary");

    // The title panel above the device status page.
    pnTitle = new QLabel(QString::fromLatin1(kCaption), tsDeviceStatus);
    pnTitle->setObjectName(QStringLiteral("pnTitle"));
    pnTitle->setFixedHeight(74);
    pnTitle->setAlignment(Qt::AlignCenter);
    pnTitle->setAutoFillBackground(true);
    QPalette title = pnTitle->palette();
    title.setColor(QPalette::Window, QColor(88, 88, 104));
    title.setColor(QPalette::WindowText, Qt::white);
    pnTitle->setPalette(title);
    // Arial Black where it is installed; elsewhere the heaviest Arial there is.
    const bool arialBlack = QFontDatabase::families().contains(QStringLiteral("Arial Black"));
    QFont heading = ArialPixels(arialBlack ? "Arial Black" : "Arial", 29);
    heading.setWeight(QFont::Black);
    pnTitle->setFont(heading);
    lbSoftwareVersion = new QLabel(tr("Software Version: "), pnTitle);
    lbSoftwareVersion->setObjectName(QStringLiteral("lbSoftwareVersion"));
    QFont plain = font();
    plain.setWeight(QFont::Normal); // not the title's weight
    lbSoftwareVersion->setFont(plain);
    lbSoftwareVersion->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    auto* corner = new QGridLayout(pnTitle);
    corner->setContentsMargins(4, 2, 6, 3);
    corner->addWidget(lbSoftwareVersion, 0, 0, Qt::AlignRight | Qt::AlignBottom);
    pnDeviceStatus = new QWidget(tsDeviceStatus);
    pnDeviceStatus->setObjectName(QStringLiteral("pnDeviceStatus"));
    auto* statusHost = new QVBoxLayout(pnDeviceStatus);
    statusHost->setContentsMargins(0, 0, 0, 0);
    tsDeviceStatus->layout()->addWidget(pnTitle);
    tsDeviceStatus->layout()->addWidget(pnDeviceStatus);
    static_cast<QVBoxLayout*>(tsDeviceStatus->layout())->setStretch(1, 1);

    struct Tab {
        QWidget* sheet;
        const char* caption;
        QColor colour;
    };
    const Tab tabs[] = {
        {tsDeviceStatus, QT_TR_NOOP("Device Status"), QColor(70, 130, 180)},
        {tsDisplayOptions, QT_TR_NOOP("Display Options"), QColor(60, 160, 90)},
        {tsSensorParams, QT_TR_NOOP("Sensor Parameters"), QColor(200, 140, 40)},
        {tsTankTypes, QT_TR_NOOP("Tank Settings"), QColor(90, 110, 200)},
        {tsManualLin, QT_TR_NOOP("Manual Linearisation"), QColor(150, 90, 170)},
        {tsAlarmSetpoints, QT_TR_NOOP("Alarm Setpoints"), QColor(200, 60, 60)},
        {tsSummary, QT_TR_NOOP("Summary"), QColor(110, 110, 110)},
    };
    ++ProgramTabChange;
    for (const Tab& tab : tabs)
        pcMain->addTab(tab.sheet, TabIcon(tab.colour), tr(tab.caption));
    --ProgramTabChange;
    connect(pcMain, &QTabWidget::currentChanged, this, [this] {
        if (ProgramTabChange == 0)
            TZurApplication::Guard([this] { pcMainChange(); });
    });

    // Panel 0 for messages, panel 1 for the connection state; like the platform's status bar,
    // the last panel reaches to the right edge.
    sb = new QStatusBar(this);
    sb->setObjectName(QStringLiteral("sb"));
    for (int i = 0; i < 2; ++i) {
        Panels[i] = new QLabel(sb);
        Panels[i]->setObjectName(QStringLiteral("sbPanel%1").arg(i));
        Panels[i]->setFrameShape(QFrame::Panel);
        Panels[i]->setFrameShadow(QFrame::Sunken);
    }
    Panels[0]->setFixedWidth(620);
    Panels[1]->setMinimumWidth(50);
    Panels[1]->setAlignment(Qt::AlignCenter);
    Panels[1]->setText(tr("DISCONNECTED"));
    Panels[0]->setAccessibleDescription(tr("Status message"));
    Panels[1]->setAccessibleDescription(tr("Connection state"));
    // ---- fast transfers ----
    lbFastTransfers = new QLabel(tr("FAST"), sb);
    lbFastTransfers->setObjectName(QStringLiteral("lbFastTransfers"));
    lbFastTransfers->setFrameShape(QFrame::Panel);
    lbFastTransfers->setFrameShadow(QFrame::Sunken);
    lbFastTransfers->setAccessibleDescription(tr("Fast transfers"));
    lbFastTransfers->setToolTip(tr("Fast transfers: replies framed by length"));
    lbFastTransfers->hide();
    // ---- end of fast transfers ----
    sb->addWidget(Panels[0]);
    sb->addWidget(lbFastTransfers);
    sb->addWidget(Panels[1], 1);
    setStatusBar(sb);
}

QAction* TfmMain::AddItem(QMenu* menu, const char* name, const QString& caption, bool enabled,
                          void (TfmMain::*command)()) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    item->setEnabled(enabled);
    if (command)
        connect(item, &QAction::triggered, this, [this, command] { Command(command); });
    return item;
}

void TfmMain::CreateMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("mnFile"));
    miNewSettings =
        AddItem(file, "miNewSettings", tr("&New Settings..."), true, &TfmMain::miNewSettingsClick);
    miNewSettings->setShortcut(QKeySequence::New);
    // Open and Save work without a gauge too: on settings prepared offline.
    miOpen = AddItem(file, "miOpen", tr("&Open"), true, &TfmMain::miOpenClick);
    miOpen->setShortcut(QKeySequence::Open);
    miSave = AddItem(file, "miSave", tr("Sa&ve"), false, &TfmMain::miSaveClick);
    miSave->setShortcut(QKeySequence::Save);
    miSaveAs = AddItem(file, "miSaveAs", tr("&Save As"), false, &TfmMain::miSaveAsClick);
    miSaveAsTemplate = AddItem(file, "miSaveAsTemplate", tr("Save as &Template..."), false,
                               &TfmMain::miSaveAsTemplateClick);
    mnTemplates = file->addMenu(tr("Te&mplates"));
    mnTemplates->setObjectName(QStringLiteral("mnTemplates"));
    mnTemplates->menuAction()->setObjectName(QStringLiteral("miTemplates"));
    // Listed afresh each time, so a template saved by another window shows too.
    connect(mnTemplates, &QMenu::aboutToShow, this, [this] { FillTemplatesMenu(); });
    miHistory = AddItem(file, "miHistory", tr("&History..."), true, &TfmMain::miHistoryClick);
    file->addSeparator();
    miCertificate = AddItem(file, "miCertificate", tr("Commissioning &Certificate..."), false,
                            &TfmMain::miCertificateClick);
    miPrint = AddItem(file, "miPrint", tr("&Print..."), false, &TfmMain::miPrintClick);
    miPrint->setShortcut(QKeySequence::Print);
    file->addSeparator();
    miProgramSettings = AddItem(file, "miProgramSettings", tr("Program &Settings..."), true,
                                &TfmMain::miProgramSettingsClick);
    file->addSeparator();
    miExit = AddItem(file, "miExit", tr("E&xit"), true, &TfmMain::miExitClick);

    CreateEditMenu();

    QMenu* device = menuBar()->addMenu(tr("&Device"));
    device->setObjectName(QStringLiteral("mnDevice"));
    miConnect = AddItem(device, "miConnect", tr("&Connect"), true, &TfmMain::miConnectClick);
    miScanBus = AddItem(device, "miScanBus", tr("Scan &Bus..."), true, &TfmMain::miScanBusClick);
    miProvisionSite = AddItem(device, "miProvisionSite", tr("&Provision Site..."), true,
                              &TfmMain::miProvisionSiteClick);
    device->addSeparator();
    miReadAllSettings = AddItem(device, "miReadAllSettings", tr("&Read All Settings"), false,
                                &TfmMain::miReadAllSettingsClick);
    miWriteAllSettings = AddItem(device, "miWriteAllSettings", tr("&Write All Settings"), false,
                                 &TfmMain::miWriteAllSettingsClick);
    miCompare =
        AddItem(device, "miCompare", tr("Compare with &Gauge..."), false, &TfmMain::miCompareClick);
    device->addSeparator();
    miChangeNodeID = AddItem(device, "miChangeNodeID", tr("Change RS-485 Node &ID"), false,
                             &TfmMain::miChangeNodeIDClick);
    // A check item: the mark follows the device's flag, not the click, so the command sets it.
    miDefaultProtocol =
        AddItem(device, "miDefaultProtocol", tr("&Modbus Protocol Default"), false, nullptr);
    miDefaultProtocol->setCheckable(true);
    connect(miDefaultProtocol, &QAction::triggered, this, [this](bool checked) {
        miDefaultProtocol->setChecked(!checked);
        Command(&TfmMain::miDefaultProtocolClick);
    });

    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->setObjectName(QStringLiteral("mnView"));
    miTrafficMonitor = AddItem(view, "miTrafficMonitor", tr("&Traffic Monitor"), true,
                               &TfmMain::miTrafficMonitorClick);
    miTrafficMonitor->setCheckable(true);
    miAllSettings =
        AddItem(view, "miAllSettings", tr("&All Settings"), true, &TfmMain::miAllSettingsClick);
    miAllSettings->setCheckable(true);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("mnHelp"));
    miAbout = AddItem(help, "miAbout", tr("&About..."), true, &TfmMain::miAboutClick);
}

void TfmMain::CreateEditMenu() {
    History_ = std::make_unique<TEditHistory>();
    // An undo shows its page, as a click on its tab would.
    History_->Reveal = [this](QWidget* control) {
        for (int slot = 0; slot < psCount; ++slot) {
            QWidget* sheet = TabSheet(static_cast<TPageSlot>(slot));
            if (sheet && sheet->isAncestorOf(control))
                pcMain->setCurrentWidget(sheet);
        }
    };
    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->setObjectName(QStringLiteral("mnEdit"));
    QUndoStack& stack = History_->Stack();
    miUndo = stack.createUndoAction(this, tr("&Undo"));
    miUndo->setObjectName(QStringLiteral("miUndo"));
    miUndo->setShortcuts(QKeySequence::Undo);
    miRedo = stack.createRedoAction(this, tr("&Redo"));
    miRedo->setObjectName(QStringLiteral("miRedo"));
    // Ctrl+Shift+Z on every desktop, beside the platform's own.
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    const QKeySequence shiftZ(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    if (!redoKeys.contains(shiftZ))
        redoKeys.prepend(shiftZ);
    miRedo->setShortcuts(redoKeys);
    for (QAction* item : {miUndo, miRedo}) {
        item->setShortcutContext(Qt::WindowShortcut);
        edit->addAction(item);
    }
}

void TfmMain::CreateTimers() {
    const auto make = [this](int interval, void (TfmMain::*tick)()) {
        auto timer = std::make_unique<TMEKTimer>();
        timer->SetEnabled(false);
        timer->SetInterval(interval);
        timer->SetOnTimer([this, tick](void*) { Command(tick); });
        return timer;
    };
    // The status text timer's interval is set by each message.
    StatusBarTextTimer = make(kStatusSeconds * 1000, &TfmMain::StatusBarTextTimerTimer);
    ReadTableTimer = make(550, &TfmMain::ReadTableTimerTimer);
    SerialTimeoutTimer = make(1, &TfmMain::SerialTimeoutTimerTimer);
}

void TfmMain::LoadProgramSettings() {
    ProgramSettings_ = std::make_unique<TProgramSettings>();
    DeclareConfiguratorSettings(*ProgramSettings_);
    ProgramSettings_->LoadAll();
    lbSoftwareVersion->setText(tr("Software Version: ") + ReadFileVersion());
}

void TfmMain::CreateDeviceObject() {
    Device_ = std::make_unique<T7310>();
    T7310& d = *Device_;
    d.OnConnected = [this](T7310*) { DeviceConnected(); };
    d.OnDisconnected = [this](T7310*) { DeviceDisconnected(); };
    d.OnCommsError = [this](T7310*, uint8_t) { DeviceCommsError(); };
    d.OnReadAllStart = [this](T7310*) {
        ShowStatusText(tr("Reading Settings..."), kStatusSeconds);
        SetFileCommandsEnabled(false);
    };
    d.OnReadingSetting = [this](T7310*, const std::string& name) {
        // The read-back of a checked write leaves the status bar saying what was written;
        // only a failure shows.
        if (Safety_ && Safety_->Session().Verifying())
            return;
        ShowStatusText(tr("Reading Setting - ") + Text(name), kStatusSeconds);
    };
    d.OnReadAllDone = [this](T7310*) {
        ShowStatusText(tr("Read Settings."), kStatusSeconds);
        SetFileCommandsEnabled(true);
        // The pages show what was read (some only from the events after this one): nothing on
        // them is an edit any more, however the read was started.
        QTimer::singleShot(0, this, [this] { MarkPagesShown(); });
    };
    d.OnWritingSetting = [this](T7310*, const std::string& name) {
        ShowStatusText(tr("Writing Setting - ") + Text(name), kStatusSeconds);
    };
    d.OnSettingWritten = [this](T7310*, const std::string& name) {
        ShowStatusText(tr("Written Setting - ") + Text(name), kStatusSeconds);
    };
    d.OnSettingWriteError = [this](T7310*, const std::string& name) {
        ShowStatusText(tr("**ERROR** Writing Setting - ") + Text(name), kStatusSeconds);
    };
    d.OnNonStandardTank = [this](T7310*, bool nonStandard) { DeviceNonStandardTank(nonStandard); };
    d.OnDefaultProtocol = [this](T7310*, bool modbus) { DeviceDefaultProtocol(modbus); };
    d.OnNodeIdChanged = [this](T7310*, uint8_t newId) { DeviceNodeIdChanged(newId); };
    d.OnIncompatible = [this](T7310*, const std::string& text) {
        Dialogs().Error(this, Text(text));
    };
    d.OnTableRowByRow = [this](T7310*, const std::string& text) {
        ShowStatusText(Text(text), kStatusSeconds);
        std::fprintf(stderr, "%s\n", text.c_str());
    };
    d.ProgramSoftwareId = TGaugeSession::kProgramSoftwareId;
}

void TfmMain::CreatePages() {
    if (!Device_)
        throw std::runtime_error("no device object for the pages");
    // Created in this order, each with its host as owner and the device object: sensor
    // parameters, tank settings, manual linearisation, alarm setpoints, display options,
    // device status, summary. A page slots in as
    //     AttachPage(psDisplayOptions, new TfmDisplayOptions(PageHost(psDisplayOptions),
    //     *Device_));
    // A page that is not built yet leaves its host empty.
    AttachPage(psSensorParams, new TfmSensorParameters(PageHost(psSensorParams), *Device_));
    auto* tankPage = new TfmTankType(PageHost(psTankTypes), *Device_);
    AttachPage(psTankTypes, tankPage);
    connect(tankPage, &TfmTankType::NonStandardTank, this,
            [this](bool nonStandard) { DeviceNonStandardTank(nonStandard); });
    AttachPage(psManualLin, new TfmManualLin(PageHost(psManualLin), *Device_));
    AttachPage(psAlarmSetpoints, new TfmAlarms(PageHost(psAlarmSetpoints), *Device_));
    AttachPage(psDisplayOptions, new TfmDisplayOptions(PageHost(psDisplayOptions), *Device_));
    AttachPage(psDeviceStatus, new TfmDeviceStatus(PageHost(psDeviceStatus), *Device_));
    AttachPage(psSummary, new TfmSummary(PageHost(psSummary), *Device_));
}

void TfmMain::CreateTrafficMonitor() {
    TrafficMonitor = new TfmTrafficMonitor(this);
    addDockWidget(Qt::BottomDockWidgetArea, TrafficMonitor);
    TrafficMonitor->SetLink(Device_ ? &Device_->Link() : nullptr);
    TrafficMonitor->OnClosed = [this] {
        miTrafficMonitor->setChecked(false);
        TrafficMonitor->Remember(false, true);
    };
    TrafficMonitor->Restore();
    const TProgramSettings& stored = TrafficMonitor->Settings();
    const TProgramSetting* visible = stored.Lookup(QString::fromLatin1(kTrafficMonitorVisible));
    const TProgramSetting* height = stored.Lookup(QString::fromLatin1(kTrafficMonitorHeight));
    const bool open = visible && visible->BooleanValue;
    TrafficMonitor->setVisible(open);
    miTrafficMonitor->setChecked(open);
    if (open && height && height->IntegerValue > 0)
        resizeDocks({TrafficMonitor}, {height->IntegerValue}, Qt::Vertical);
}

void TfmMain::ShowTrafficMonitorAtItsHeight() {
    TrafficMonitor->setVisible(true);
    // Opened from the menu it would otherwise take only what the pages leave it.
    const TProgramSetting* stored =
        TrafficMonitor->Settings().Lookup(QString::fromLatin1(kTrafficMonitorHeight));
    if (!stored || stored->IntegerValue <= 0)
        return;
    resizeDocks({TrafficMonitor}, {stored->IntegerValue}, Qt::Vertical);
    // The pages keep their minimum height: grow the window for the rest, as far as the screen
    // allows.
    layout()->activate();
    const int missing = stored->IntegerValue - TrafficMonitor->height();
    const QScreen* screen = this->screen();
    if (missing > 0 && screen && isVisible()) {
        const int room = screen->availableGeometry().height() - frameGeometry().height();
        resize(width(), height() + std::min(missing, std::max(room, 0)));
        resizeDocks({TrafficMonitor}, {stored->IntegerValue}, Qt::Vertical);
    }
}

void TfmMain::AttachPage(TPageSlot slot, TZURPage* page) {
    if (slot < 0 || slot >= psCount || !page)
        throw std::invalid_argument("AttachPage: no such page slot");
    QWidget* host = PageHost(slot);
    page->setParent(host);
    host->layout()->addWidget(page);
    page->show();
    Pages[slot] = page;
    // Each page's own write is archived, read back and journalled like Write All Settings.
    static const char* const operations[psCount] = {
        "sensor-parameters", "tank-settings", "tank-table", "alarms",
        "display-options",   "device-status", "summary"};
    const char* operation = operations[slot];
    page->SetWriteGuard([this, operation](const std::function<bool()>& series) {
        if (!Safety_)
            return series();
        return CheckedWrite(operation, series, false) == TWriteSafety::TOutcome::Written;
    });
    connect(page, &TZURPage::EditedChanged, this, [this, slot](bool edited) {
        UpdateTabMarker(slot, edited);
        UpdateTitle();
    });
    History_->Watch(page);
}

// ---------------------------------------------------------------------------------------------
// Edited, not yet written

void TfmMain::UpdateTabMarker(TPageSlot slot, bool edited) {
    const int index = pcMain->indexOf(TabSheet(slot));
    if (index < 0)
        return;
    QString caption = pcMain->tabText(index);
    if (caption.endsWith(QStringLiteral(" *")))
        caption.chop(2);
    pcMain->setTabText(index, edited ? caption + QStringLiteral(" *") : caption);
    pcMain->setTabToolTip(index, edited ? tr("Edited, not yet written") : QString());
}

void TfmMain::MarkPagesShown() {
    for (TZURPage* page : Pages)
        if (page)
            page->MarkShown();
}

bool TfmMain::PagesEdited() const {
    for (TZURPage* page : Pages)
        if (page && page->Edited())
            return true;
    return false;
}

QWidget* TfmMain::TabSheet(TPageSlot slot) const {
    switch (slot) {
    case psSensorParams:
        return tsSensorParams;
    case psTankTypes:
        return tsTankTypes;
    case psManualLin:
        return tsManualLin;
    case psAlarmSetpoints:
        return tsAlarmSetpoints;
    case psDisplayOptions:
        return tsDisplayOptions;
    case psDeviceStatus:
        return tsDeviceStatus;
    case psSummary:
        return tsSummary;
    case psCount:
        break;
    }
    return nullptr;
}

QWidget* TfmMain::PageHost(TPageSlot slot) const {
    return slot == psDeviceStatus ? pnDeviceStatus : TabSheet(slot);
}

QLabel* TfmMain::Panel(int index) const {
    return index >= 0 && index < 2 ? Panels[index] : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Status text

void TfmMain::ShowStatusText(const QString& text, int seconds) {
    Panels[0]->setText(QStringLiteral("   ") + text);
    // The timer is free-running: giving it the interval it has, or enabling it while it runs,
    // does not restart it, so the text stays only until the next tick.
    StatusBarTextTimer->SetInterval(seconds * 1000);
    StatusBarTextTimer->SetEnabled(true);
}

void TfmMain::StatusBarTextTimerTimer() {
    Panels[0]->clear();
}
