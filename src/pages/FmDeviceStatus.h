// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "Device Status" page: whether a gauge is connected, its name, node ID and software
// version, its display state, the corrected volume with its unit and a trend of the last ten
// minutes, and the four alarm outputs as lamps. It edits and sends nothing: the device
// object's status poll feeds it.

#include "Page.h"

#include <QElapsedTimer>
#include <QWidget>

#include <array>
#include <deque>
#include <functional>

class QChartView;
class QLineSeries;
class QValueAxis;

// A round lamp, lime when active and white when not; its state is also in its tooltip and
// accessible description ("Master: active"), not in its colour alone.
class TLamp final : public QWidget {
    Q_OBJECT
public:
    TLamp(const QString& caption, QWidget* parent);
    void SetActive(bool active);
    bool Active() const { return active_; }
    QColor Colour() const;
    QSize sizeHint() const override { return {17, 17}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    bool active_ = false;
};

class TfmDeviceStatus final : public TZURPage {
    Q_OBJECT
public:
    TfmDeviceStatus(QWidget* host, T7310& device);

    void SetPageEnabled(bool connected) override;

    // Handlers of the device object's status events.
    void OnDeviceState(uint8_t state);
    void OnAlarmOutputs(uint8_t bits);
    void OnVolume(float volume);

    // How much of the volume's history the trend keeps.
    static constexpr qint64 kTrendSpanMs = 10 * 60 * 1000;
    // Milliseconds on a monotonic clock; tests may replace it to move time on.
    std::function<qint64()> Clock;
    // The volumes the trend shows, oldest first: (clock time, volume).
    const std::deque<std::pair<qint64, double>>& TrendPoints() const { return trend_; }

    QLabel* lbConnectionStatus = nullptr;
    QLabel* lbDeviceName = nullptr;
    QLabel* lbRS485ID = nullptr;
    QLabel* lbDeviceSoftwareVersion = nullptr;
    QLabel* lbVolume = nullptr;
    QLabel* lbState = nullptr;
    TLamp* sAlarmM = nullptr;
    TLamp* sAlarm1 = nullptr;
    TLamp* sAlarm2 = nullptr;
    TLamp* sAlarm3 = nullptr;
    QChartView* chTrend = nullptr;
    QLineSeries* TrendSeries = nullptr;
    QValueAxis* TrendTime = nullptr;
    QValueAxis* TrendVolume = nullptr;

private:
    uint8_t DisplayUom() const;
    void ClearTrend();
    void RedrawTrend();

    std::deque<std::pair<qint64, double>> trend_;
    QElapsedTimer clock_;
    std::array<TSubscription, 3> StatusHeard_;
};
