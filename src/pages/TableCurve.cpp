// SPDX-License-Identifier: GPL-3.0-or-later
#include "TableCurve.h"

#include "Values.h"

#include <QChart>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

bool Number(const std::string& text, double& value) {
    return TryStrToFloat(text, value, '.') && std::isfinite(value);
}

bool Slip(TCellMark mark) {
    return mark == TCellMark::NotNumber || mark == TCellMark::OutOfOrder;
}

QString Title(const char* name, const QString& unit) {
    return unit.isEmpty() ? QString::fromLatin1(name)
                          : QString::fromLatin1(name) + QStringLiteral(" (") + unit + u')';
}

// Nice ticks that waste the least room above the highest point: 0..2.5 takes 0..3 in four
// steps rather than 0..4 in five.
void Span(QValueAxis* axis, double low, double high) {
    if (!(high > low))
        high = low + 1;
    low = std::min(low, 0.0);
    int bestTicks = 5;
    double bestMax = 0;
    for (int ticks : {5, 4, 6, 7}) {
        axis->setTickCount(ticks);
        axis->setRange(low, high);
        axis->applyNiceNumbers();
        // A point on the last tick would have its marker cut by the frame.
        if (axis->max() <= high) {
            axis->setRange(low, high + (high - low) * 0.05);
            axis->applyNiceNumbers();
        }
        if (bestMax == 0 || axis->max() < bestMax) {
            bestMax = axis->max();
            bestTicks = ticks;
        }
    }
    axis->setTickCount(bestTicks);
    axis->setRange(low, high);
    axis->applyNiceNumbers();
    if (axis->max() <= high) {
        axis->setRange(low, high + (high - low) * 0.05);
        axis->applyNiceNumbers();
    }
}

} // namespace

TTableCurve::TTableCurve(QWidget* parent) : QChartView(parent) {
    setObjectName(QStringLiteral("chTableCurve"));
    setAccessibleName(tr("Volume against height"));
    setRenderHint(QPainter::Antialiasing);
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->setBackgroundRoundness(0);
    Curve = new QLineSeries(chart);
    Curve->setPen(QPen(QColor(40, 80, 160), 1.5));
    Exact = new QLineSeries(chart);
    Exact->setPen(QPen(QColor(230, 140, 0), 3));
    Exact->setName(tr("Exact"));
    Points = new QScatterSeries(chart);
    Points->setMarkerSize(6);
    Points->setColor(QColor(40, 80, 160));
    Points->setBorderColor(QColor(40, 80, 160));
    Slips = new QScatterSeries(chart);
    Slips->setMarkerSize(10);
    Slips->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    Slips->setColor(QColor(230, 80, 0));
    Slips->setBorderColor(QColor(150, 40, 0));
    chart->addSeries(Exact);
    for (QXYSeries* series : {static_cast<QXYSeries*>(Curve), static_cast<QXYSeries*>(Points),
                              static_cast<QXYSeries*>(Slips)})
        chart->addSeries(series);
    HeightAxis = new QValueAxis(chart);
    VolumeAxis = new QValueAxis(chart);
    for (QValueAxis* axis : {HeightAxis, VolumeAxis}) {
        QFont small = axis->labelsFont();
        small.setPointSizeF(7);
        axis->setLabelsFont(small);
        axis->setTitleFont(small);
        axis->setLabelFormat(QStringLiteral("%g"));
        axis->setTickCount(5);
        // The curve stands in a narrow column: "40000" in full, not "40...".
        axis->setTruncateLabels(false);
    }
    // The volume's name and unit stand above the curve: beside the axis they would cover the
    // labels in the narrow column the page leaves.
    VolumeAxis->setTitleVisible(false);
    chart->setTitleFont(HeightAxis->titleFont());
    chart->addAxis(HeightAxis, Qt::AlignBottom);
    chart->addAxis(VolumeAxis, Qt::AlignLeft);
    for (QXYSeries* series : {static_cast<QXYSeries*>(Exact), static_cast<QXYSeries*>(Curve),
                              static_cast<QXYSeries*>(Points), static_cast<QXYSeries*>(Slips)}) {
        series->attachAxis(HeightAxis);
        series->attachAxis(VolumeAxis);
    }
    // The view made a chart of its own; setChart hands that one back to us, not to a parent.
    std::unique_ptr<QChart> made(this->chart());
    setChart(chart);
    SetUnits({}, {});
    ShowTable({}, {});
}

void TTableCurve::SetUnits(const QString& length, const QString& volume) {
    HeightAxis->setTitleText(Title("Height", length));
    VolumeAxis->setTitleText(Title("Volume", volume));
    chart()->setTitle(VolumeAxis->titleText());
}

void TTableCurve::ShowTable(const TTableRows& rows, const std::vector<TRowMarks>& marks) {
    QList<QPointF> curve;
    QList<QPointF> good;
    QList<QPointF> slips;
    for (size_t i = 0; i < marks.size() && i < rows.size(); ++i) {
        double height = 0;
        double volume = 0;
        if (!Number(rows[i].Height, height) || !Number(rows[i].Volume, volume))
            continue;
        const QPointF point(height, volume);
        curve << point;
        (Slip(marks[i].Height) || Slip(marks[i].Volume) ? slips : good) << point;
    }
    Curve->replace(curve);
    Points->replace(good);
    Slips->replace(slips);
    double maxHeight = 0;
    double maxVolume = 0;
    double minHeight = 0;
    double minVolume = 0;
    for (const QPointF& p : curve) {
        maxHeight = std::max(maxHeight, p.x());
        maxVolume = std::max(maxVolume, p.y());
        minHeight = std::min(minHeight, p.x());
        minVolume = std::min(minVolume, p.y());
    }
    Span(HeightAxis, minHeight, maxHeight);
    Span(VolumeAxis, minVolume, maxVolume);
    setAccessibleDescription(
        slips.isEmpty()
            ? tr("%1 points").arg(curve.size())
            : tr("%1 points, %2 marked as typing slips").arg(curve.size()).arg(slips.size()));
}

void TTableCurve::ShowExact(const QList<QPointF>& curve) {
    Exact->replace(curve);
    double maxHeight = HeightAxis->max();
    double maxVolume = VolumeAxis->max();
    bool wider = false;
    for (const QPointF& p : curve) {
        wider = wider || p.x() > maxHeight || p.y() > maxVolume;
        maxHeight = std::max(maxHeight, p.x());
        maxVolume = std::max(maxVolume, p.y());
    }
    if (wider) {
        Span(HeightAxis, HeightAxis->min(), maxHeight);
        Span(VolumeAxis, VolumeAxis->min(), maxVolume);
    }
}
