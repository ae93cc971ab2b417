// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The linearisation table as the gauge will use it: volume against height, the points and the
// straight segments the gauge interpolates between them. Points with a typing slip (not a
// number the table can hold, or smaller than the value above) are drawn apart in a warning
// colour, so a slip is seen before the table is written.

#include "TankTableCsv.h"

#include <QChartView>
#include <QString>

#include <vector>

class QLineSeries;
class QScatterSeries;
class QValueAxis;

class TTableCurve final : public QChartView {
    Q_OBJECT
public:
    explicit TTableCurve(QWidget* parent = nullptr);

    // Draws the rows up to the last one marked; a row whose two cells are not both numbers
    // is left out of the curve.
    void ShowTable(const TTableRows& rows, const std::vector<TRowMarks>& marks);
    // The curve the table's points stand on (a tank shape's volumes or a chart's rows), drawn
    // behind them; empty: none. Call after ShowTable.
    void ShowExact(const QList<QPointF>& curve);
    // Axis titles: "Height (" + length + ")", "Volume (" + volume + ")"; empty: no unit.
    void SetUnits(const QString& length, const QString& volume);

    QLineSeries* Curve = nullptr;
    QLineSeries* Exact = nullptr;
    QScatterSeries* Points = nullptr;
    QScatterSeries* Slips = nullptr;
    QValueAxis* HeightAxis = nullptr;
    QValueAxis* VolumeAxis = nullptr;
};
