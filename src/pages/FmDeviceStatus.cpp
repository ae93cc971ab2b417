// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmDeviceStatus.h"

#include "GaugeFamily.h"

#include "StatusText.h"
#include "T7310.h"
#include "Values.h"

#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

const char* const kHelp = QT_TRANSLATE_NOOP(
    "TfmDeviceStatus",
    "Device status shows a live status of the T7310/T8310 device, including the corrected tank "
    "volume and alarm outputs\n\nTo connect to a device select 'Connect' from the 'Device' "
    "menu\n\nUse the tab sheets to configure the settings for the device.");

const QColor kActive(0, 255, 0);
const QColor kInactive(Qt::white);

QString Latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Lamp

TLamp::TLamp(const QString& caption, QWidget* parent) : QWidget(parent), caption_(caption) {
    setFixedSize(17, 17);
    setAccessibleName(caption);
    SetActive(false);
}

void TLamp::SetActive(bool active) {
    active_ = active;
    const QString state = caption_ + (active ? tr(": active") : tr(": inactive"));
    setToolTip(state);
    setAccessibleDescription(state);
    update();
}

QColor TLamp::Colour() const {
    return active_ ? kActive : kInactive;
}

void TLamp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Colour());
    painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

// ---------------------------------------------------------------------------------------------
// Page

TfmDeviceStatus::TfmDeviceStatus(QWidget* host, T7310& device)
    : TZURPage(host, device,
               {.Heading = tr("Device Status"),
                .HelpObjectName = QStringLiteral("lbDeviceStatusText"),
                .HelpText = QCoreApplication::translate("TfmDeviceStatus", kHelp),
                .Buttons = false}) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    setFont(font);
    clock_.start();
    Clock = [this] { return clock_.elapsed(); };

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(3);
    int row = 0;
    auto heading = [&](const QString& text) {
        if (row > 0)
            grid->setRowMinimumHeight(row++, 8);
        grid->addWidget(BodyHeading(text), row++, 0, 1, 2);
    };
    auto value = [&](const char* name, const QString& caption) {
        QLabel* label = ValueLabel(name, caption);
        grid->addWidget(Caption(caption), row, 0);
        grid->addWidget(label, row++, 1);
        return label;
    };
    heading(tr("Connection Status"));
    lbConnectionStatus = ValueLabel("lbConnectionStatus", tr("Connection Status"));
    grid->addWidget(lbConnectionStatus, row++, 0, 1, 2);
    heading(tr("Device Information"));
    lbDeviceName = value("lbDeviceName", tr("Device Name"));
    lbRS485ID = value("lbRS485ID", tr("RS-485 Node ID"));
    lbDeviceSoftwareVersion = value("lbDeviceSoftwareVersion", tr("Software Ver."));
    heading(tr("Device Status"));
    lbVolume = value("lbVolume", tr("Tank Volume"));
    lbState = value("lbState", tr("Device State"));

    heading(tr("Alarms"));
    auto* lamps = new QGridLayout;
    lamps->setHorizontalSpacing(6);
    auto lamp = [&](const char* name, const QString& caption, int r, int c) {
        auto* l = new TLamp(caption, Body);
        l->setObjectName(QString::fromLatin1(name));
        lamps->addWidget(l, r, c * 2);
        lamps->addWidget(Caption(caption), r, c * 2 + 1);
        return l;
    };
    sAlarmM = lamp("sAlarmM", tr("Master"), 0, 0);
    sAlarm1 = lamp("sAlarm1", tr("Alarm 1"), 1, 0);
    sAlarm2 = lamp("sAlarm2", tr("Alarm 2"), 0, 1);
    sAlarm3 = lamp("sAlarm3", tr("Alarm 3"), 1, 1);
    lamps->setColumnStretch(4, 1);
    grid->addLayout(lamps, row++, 0, 1, 2);

    heading(tr("Key:"));
    auto* key = new QHBoxLayout;
    auto* keyActive = new TLamp(tr("Alarm Active"), Body);
    keyActive->SetActive(true);
    auto* keyInactive = new TLamp(tr("Alarm Inactive"), Body);
    key->setSpacing(6);
    key->addWidget(keyActive);
    key->addWidget(Caption(tr("Alarm Active")));
    key->addSpacing(12);
    key->addWidget(keyInactive);
    key->addWidget(Caption(tr("Alarm Inactive")));
    key->addStretch(1);
    grid->addLayout(key, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);
    grid->setColumnMinimumWidth(0, 100);

    // The trend: volume against minutes before now.
    TrendSeries = new QLineSeries;
    TrendSeries->setName(tr("Tank Volume"));
    auto* chart = new QChart;
    chart->addSeries(TrendSeries);
    chart->legend()->hide();
    chart->setTitle(tr("Tank Volume, last 10 minutes"));
    chart->setMargins(QMargins(2, 2, 2, 2));
    TrendTime = new QValueAxis;
    TrendTime->setRange(-10, 0);
    TrendTime->setTickCount(6);
    TrendTime->setLabelFormat(QStringLiteral("%.1f"));
    TrendTime->setTitleText(tr("Minutes"));
    TrendVolume = new QValueAxis;
    TrendVolume->setRange(0, 1);
    TrendVolume->setLabelFormat(QStringLiteral("%.1f"));
    chart->addAxis(TrendTime, Qt::AlignBottom);
    chart->addAxis(TrendVolume, Qt::AlignLeft);
    TrendSeries->attachAxis(TrendTime);
    TrendSeries->attachAxis(TrendVolume);
    chTrend = new QChartView(chart, Body);
    chTrend->setObjectName(QStringLiteral("chTrend"));
    chTrend->setRenderHint(QPainter::Antialiasing);
    chTrend->setMinimumSize(200, 200);
    chTrend->setAccessibleName(tr("Tank Volume trend"));
    chTrend->setFocusPolicy(Qt::NoFocus);

    auto* body = new QHBoxLayout(Body);
    body->setContentsMargins(16, 12, 12, 12);
    body->addLayout(grid);
    body->addWidget(chTrend, 1);

    StatusHeard_[0] =
        Device.OnDeviceState.Subscribe([this](T7310*, uint8_t state) { OnDeviceState(state); });
    StatusHeard_[1] =
        Device.OnAlarmOutputs.Subscribe([this](T7310*, uint8_t bits) { OnAlarmOutputs(bits); });
    StatusHeard_[2] = Device.OnVolume.Subscribe([this](T7310*, float volume) { OnVolume(volume); });
    SetPageEnabled(false);
}

void TfmDeviceStatus::SetPageEnabled(bool connected) {
    const QString placeholder = connected ? tr("<reading...>") : tr("<not connected>");
    lbConnectionStatus->setText(connected ? tr("Connected") : tr("<not connected>"));
    OnAlarmOutputs(0);
    for (QLabel* label : {lbState, lbVolume, lbDeviceSoftwareVersion, lbRS485ID, lbDeviceName})
        label->setText(placeholder);
    if (!connected)
        ClearTrend();
    if (Offline()) {
        // No gauge behind the settings: the family they are for, and nothing live.
        lbConnectionStatus->setText(tr("Offline"));
        for (QLabel* label : {lbState, lbVolume, lbDeviceSoftwareVersion, lbRS485ID})
            label->setText(QStringLiteral("<offline>"));
        lbDeviceName->setText(QString::fromLatin1(FamilyFacts(FamilyOf(Device)).Name));
        ClearTrend();
    }
}

void TfmDeviceStatus::OnDeviceState(uint8_t state) {
    lbState->setText(QCoreApplication::translate("StatusText", DeviceStateText(state).c_str()));
    const TZURSettings& settings = Device.Settings();
    const TZURSetting* name = settings.Find(item::DeviceName);
    const TZURSetting* version = settings.Find(item::SoftwareVersion);
    const TZURSetting* id = settings.Find(item::Rs485Id);
    // A catalogue without these items leaves the labels as they were.
    if (!name || !name->Text() || !version || !version->Text() || !id || !id->Raw())
        return;
    lbDeviceName->setText(Latin1(*name->Text()));
    lbDeviceSoftwareVersion->setText(Latin1(*version->Text()));
    lbRS485ID->setText(QString::number(id->Value(Device.Image)));
}

void TfmDeviceStatus::OnAlarmOutputs(uint8_t bits) {
    TLamp* lamps[] = {sAlarmM, sAlarm1, sAlarm2, sAlarm3};
    for (size_t i = 0; i < kAlarmOutputs.size(); ++i)
        lamps[i]->SetActive((bits & kAlarmOutputs[i].Bit) != 0);
}

uint8_t TfmDeviceStatus::DisplayUom() const {
    const TZURSetting* uom = Device.Settings().Find(item::DisplayUom);
    return uom ? static_cast<uint8_t>(uom->Value(Device.Image)) : 0;
}

void TfmDeviceStatus::OnVolume(float volume) {
    lbVolume->setText(Latin1(VolumeText(volume, DisplayUom(), DecimalSeparator())));
    const std::string unit = VolumeUnitLabel(DisplayUom());
    TrendVolume->setTitleText(unit.empty() ? tr("Volume") : Latin1(unit));
    // A gauge that reports no number draws no point.
    if (std::isfinite(volume)) {
        trend_.emplace_back(Clock(), volume);
        RedrawTrend();
    }
}

void TfmDeviceStatus::ClearTrend() {
    trend_.clear();
    RedrawTrend();
}

void TfmDeviceStatus::RedrawTrend() {
    const qint64 now = Clock();
    while (!trend_.empty() && now - trend_.front().first > kTrendSpanMs)
        trend_.pop_front();
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(trend_.size()));
    double lo = 0, hi = 0;
    for (const auto& [time, volume] : trend_) {
        points.append(QPointF(static_cast<double>(time - now) / 60000.0, volume));
        lo = points.size() == 1 ? volume : std::min(lo, volume);
        hi = points.size() == 1 ? volume : std::max(hi, volume);
    }
    TrendSeries->replace(points);
    // The time axis grows with the history, from one minute up to the full ten.
    const double span =
        trend_.empty() ? 1.0 : static_cast<double>(now - trend_.front().first) / 60000.0;
    TrendTime->setRange(-std::clamp(std::ceil(span), 1.0, 10.0), 0);
    // Some room above and below, so a steady volume is a line in the middle, not on an edge.
    const double margin = std::max((hi - lo) * 0.1, std::max(std::abs(hi) * 0.01, 0.5));
    TrendVolume->setRange(points.isEmpty() ? 0 : lo - margin, points.isEmpty() ? 1 : hi + margin);
}
