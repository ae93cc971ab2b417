// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageFixture.h"

#include "SerialPacket.h"

#include <QAbstractButton>
#include <QLocale>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>

void TPageTest::SetUp() {
    // Decimal points as the tests write them, whatever the machine's locale.
    QLocale::setDefault(QLocale::c());
    host_ = std::make_unique<QWidget>();
    host_->resize(740, 480);
    auto* layout = new QVBoxLayout(host_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    device_ = std::make_unique<T7310>();
    T7310& d = *device_;
    d.ProgramSoftwareId = 3;
    d.WaitCheckInterval = 2;
    d.DisconnectPause = 20;
    d.PollInterval = 200;
    // Generous: the suite also runs under sanitizers, two test programs at a time.
    d.BaseReplyTimeout = 400;
    d.Link().ReadIntervalTimeout = 25;
    d.Link().SetProcessMessageTimerInterval(5);
}

void TPageTest::TearDown() {
    // The device object goes before the page, as in the main window.
    device_.reset();
    host_.reset();
    gauge_.reset();
    EXPECT_EQ(Dialogs.UnexpectedCount(), 0)
        << Dialogs.Transcript().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(Dialogs.ScriptDone()) << "answers left in the dialog script";
}

sim::Options PageGaugeOptions(const std::string& model, const std::string& pcid) {
    sim::Options options;
    options.model = model;
    options.pcid = pcid;
    options.split_silence_ms = 200;
    return options;
}

void TPageTest::StartGauge(const sim::Options& options) {
    gauge_ = std::make_unique<sim::GaugeSimulator>(options);
    std::string error;
    ASSERT_TRUE(gauge_->Start(&error)) << error;
    device_->SetDevicePath(gauge_->SlavePath());
}

void TPageTest::Place(TZURPage* page) {
    page_ = page;
    host_->layout()->addWidget(page);
    host_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(host_.get()));
}

bool TPageTest::Connect(uint8_t node) {
    if (!device_->Connect(1, node, 9600))
        return false;
    if (page_)
        page_->SetPageEnabled(true);
    return device_->Connected();
}

void TPageTest::Disconnect() {
    device_->Disconnect();
    if (page_)
        page_->SetPageEnabled(false);
}

std::vector<uint8_t> TPageTest::Requests() const {
    std::vector<uint8_t> codes = gauge_->Instructions();
    codes.erase(std::remove_if(codes.begin(), codes.end(),
                               [](uint8_t c) { return c == 0x1E || c == 0x19 || c == 0x1A; }),
                codes.end());
    return codes;
}

void TPageTest::Click(QWidget* button) {
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}
