// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a worked-out table will put in the grid, shown before anything changes: its rows, its
// curve over the exact one it was taken from, and the worst interpolation error.

#include "TableFit.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <QWidget>

class QLabel;
class QTableWidget;
class TTableCurve;

class TTablePreview final : public QWidget {
    Q_OBJECT
public:
    explicit TTablePreview(QWidget* parent = nullptr);

    // The table and the exact curve behind it, both in the table's units.
    void ShowTable(const TFittedTable& table, const QList<QPointF>& exact);
    // No table: the reason in place of the worst error.
    void ShowFault(const QString& message);

    QTableWidget* Rows = nullptr;
    TTableCurve* Curve = nullptr;
    QLabel* WorstError = nullptr;
};

// "Worst error: 0.708 l (0.0087 % of the full volume) at height 0.999 m"
QString WorstErrorText(const TFittedTable& table);
// Unit texts as the dialogs' lists show them.
QString LengthUnitText(TLengthUnit unit);
QString VolumeUnitText(TVolumeUnit unit);
