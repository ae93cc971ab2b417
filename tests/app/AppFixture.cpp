// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppFixture.h"

#include "ByteOrder.h"
#include "ComPortMap.h"
#include "SerialPacket.h"
#include "T7310.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>

void TAppTest::SetUp() {
    // A fresh settings folder per test, so no test sees another's values (QSettings keeps
    // files it has read in a cache keyed by path).
    settings_ = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(settings_->isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_->path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings_->path());
    qputenv("XDG_CONFIG_HOME", settings_->path().toLocal8Bit());
    // The archive and journal of the window's writes too.
    qputenv("XDG_DATA_HOME", (settings_->path() + QStringLiteral("/data")).toLocal8Bit());
}

void TAppTest::TearDown() {
    window_.reset();
    gauge_.reset();
    EXPECT_EQ(Dialogs.UnexpectedCount(), 0)
        << Dialogs.Transcript().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(Dialogs.ScriptDone()) << "answers left in the dialog script";
}

void TAppTest::StartGauge(const sim::Options& options) {
    gauge_ = std::make_unique<sim::GaugeSimulator>(options);
    std::string error;
    ASSERT_TRUE(gauge_->Start(&error)) << error;
    SetCommPortDevice(1, QString::fromStdString(gauge_->SlavePath()));
}

void TAppTest::StartBus(const std::vector<sim::Options>& gauges) {
    gauge_ = std::make_unique<sim::GaugeSimulator>(gauges);
    std::string error;
    ASSERT_TRUE(gauge_->Start(&error)) << error;
    SetCommPortDevice(1, QString::fromStdString(gauge_->SlavePath()));
}

void TAppTest::DropWindow() {
    window_.reset();
}

TfmMain& TAppTest::Window() {
    if (!window_) {
        window_ = std::make_unique<TfmMain>();
        if (T7310* device = window_->Device()) {
            device->WaitCheckInterval = 2;
            device->DisconnectPause = 20;
            device->PollInterval = 200;
            device->BaseReplyTimeout = 400; // generous: the suite also runs under sanitizers, two at a time
            device->Link().ReadIntervalTimeout = 25;
            device->Link().SetProcessMessageTimerInterval(5);
        }
        window_->show();
        window_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }
    return *window_;
}

T7310& TAppTest::Device() {
    T7310* device = Window().Device();
    if (!device)
        throw std::runtime_error("the window has no device object");
    return *device;
}

bool TAppTest::Choose(QAction* item) {
    TfmMain& window = Window();
    QMenu* menu = nullptr;
    for (QObject* owner : item->associatedObjects())
        if ((menu = qobject_cast<QMenu*>(owner)))
            break;
    if (!menu)
        return false;
    QMenuBar* bar = window.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    if (!WaitUntilDone([menu] { return menu->isVisible(); }, 2000))
        return false;
    const bool enabled = item->isEnabled();
    bool triggered = false;
    const auto connection =
        QObject::connect(item, &QAction::triggered, [&triggered] { triggered = true; });
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    QObject::disconnect(connection);
    // A disabled item leaves its menu open.
    if (menu->isVisible())
        menu->hide();
    return enabled && triggered;
}

bool TAppTest::ConnectAs(const QString& text) {
    Dialogs.AnswerText(text);
    Choose(Window().miConnect);
    return Device().Connected();
}

bool TAppTest::DisconnectWindow() {
    Choose(Window().miConnect);
    return !Device().Connected();
}

QString TAppTest::PanelText(int index) const {
    return window_->Panel(index)->text();
}

void TAppTest::ClickTab(QWidget* sheet) {
    QTabWidget* tabs = Window().pcMain;
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tabs->indexOf(sheet)).center());
}

bool TAppTest::TabShown(QWidget* sheet) const {
    return window_->pcMain->isTabVisible(window_->pcMain->indexOf(sheet));
}

QString TAppTest::StoredValue(const QString& name) const {
    return OpenUserKey(QStringLiteral("\\SOFTWARE\\ZUR\\Configurator\\"))->value(name).toString();
}

std::vector<uint8_t> TAppTest::Requests() const {
    std::vector<uint8_t> codes = gauge_->Instructions();
    codes.erase(std::remove_if(codes.begin(), codes.end(),
                               [](uint8_t c) { return c == 0x1E || c == 0x19 || c == 0x1A; }),
                codes.end());
    return codes;
}

void MakeNonStandard(sim::GaugeSimulator& gauge) {
    std::vector<uint8_t> tank = gauge.Block(0x16);
    tank[img::TankType] = img::TankTypeNonStandard;
    gauge.SetBlock(0x16, tank);
    gauge.SetBlock(0x1C, {4});
    for (uint8_t row = 0; row < 4; ++row) {
        std::vector<uint8_t> bytes(8);
        PutBE32(bytes.data() + img::TableRowHeight, row * 500u);
        PutBE32(bytes.data() + img::TableRowVolume, row * 7000u);
        gauge.SetBlock(0x1D, bytes, row);
    }
}

QDialog* OpenDialogOf(const QMetaObject& type) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(top);
            dialog && dialog->isVisible() && dialog->metaObject()->inherits(&type))
            return dialog;
    return nullptr;
}

void WhenDialogOpen(const QMetaObject& type, const std::function<void(QDialog&)>& script) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, script, &type] {
        QDialog* dialog = OpenDialogOf(type);
        if (!dialog && ++*tries < 6000)
            return;
        timer->stop();
        timer->deleteLater();
        if (!dialog)
            return;
        script(*dialog);
        if (dialog->isVisible())
            dialog->done(QDialog::Rejected);
    });
    timer->start();
}
