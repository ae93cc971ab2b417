// SPDX-License-Identifier: GPL-3.0-or-later
#include "TablePreview.h"

#include "TableCurve.h"

#include <QChart>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>
#include <QTableWidget>
#include <QVBoxLayout>

QString LengthUnitText(TLengthUnit unit) {
    return QString::fromStdString(LengthUnitName(unit));
}

QString VolumeUnitText(TVolumeUnit unit) {
    return QString::fromStdString(VolumeUnitName(unit));
}

QString WorstErrorText(const TFittedTable& table) {
    // Four figures say how good a table is; more would only be noise to the reader.
    auto figures = [](double value) { return QString::number(value, 'g', 4); };
    const QString volume = VolumeUnitText(table.VolumeUnit);
    return QCoreApplication::translate(
               "TTablePreview", "Worst error: %1 %2 (%3 % of the full volume) at height %4 %5")
        .arg(figures(table.WorstError), volume, figures(table.WorstErrorPercent),
             figures(table.WorstErrorHeight), LengthUnitText(table.HeightUnit));
}

TTablePreview::TTablePreview(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    WorstError = new QLabel(this);
    WorstError->setObjectName(QStringLiteral("lbWorstError"));
    WorstError->setWordWrap(true);
    WorstError->setAccessibleDescription(tr("Worst error"));
    WorstError->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    auto* row = new QHBoxLayout;
    Rows = new QTableWidget(0, 2, this);
    Rows->setObjectName(QStringLiteral("tbPreview"));
    Rows->setAccessibleName(tr("Table preview"));
    Rows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Rows->setTabKeyNavigation(false);
    Rows->verticalHeader()->setDefaultSectionSize(21);
    Rows->horizontalHeader()->setStretchLastSection(true);
    Rows->setMinimumWidth(230);
    Curve = new TTableCurve(this);
    Curve->setMinimumSize(320, 260);
    // A hundred points must not hide the exact curve under them: small markers, a legend.
    Curve->Points->setMarkerSize(4);
    Curve->Curve->setPen(QPen(Curve->Points->color(), 1));
    Curve->Exact->setPen(QPen(QColor(240, 150, 0), 6));
    Curve->Curve->setName(tr("Table"));
    Curve->Exact->setName(tr("Exact curve"));
    Curve->chart()->legend()->show();
    Curve->chart()->legend()->setAlignment(Qt::AlignBottom);
    for (QAbstractSeries* hidden : {static_cast<QAbstractSeries*>(Curve->Points),
                                    static_cast<QAbstractSeries*>(Curve->Slips)})
        for (QLegendMarker* marker : Curve->chart()->legend()->markers(hidden))
            marker->setVisible(false);
    row->addWidget(Rows);
    row->addWidget(Curve, 1);
    layout->addLayout(row, 1);
    layout->addWidget(WorstError);
}

void TTablePreview::ShowTable(const TFittedTable& table, const QList<QPointF>& exact) {
    const TTableRows rows = TableRows(table);
    Rows->setHorizontalHeaderLabels({tr("Height (%1)").arg(LengthUnitText(table.HeightUnit)),
                                     tr("Volume (%1)").arg(VolumeUnitText(table.VolumeUnit))});
    Rows->setRowCount(static_cast<int>(rows.size()));
    for (int k = 0; k < Rows->rowCount(); ++k) {
        const TTableRow& point = rows[static_cast<size_t>(k)];
        Rows->setItem(k, 0, new QTableWidgetItem(QString::fromStdString(point.Height)));
        Rows->setItem(k, 1, new QTableWidgetItem(QString::fromStdString(point.Volume)));
    }
    Curve->SetUnits(LengthUnitText(table.HeightUnit), VolumeUnitText(table.VolumeUnit));
    Curve->ShowTable(rows, std::vector<TRowMarks>(rows.size()));
    Curve->ShowExact(exact);
    WorstError->setText(WorstErrorText(table));
}

void TTablePreview::ShowFault(const QString& message) {
    Rows->setRowCount(0);
    Curve->ShowTable({}, {});
    Curve->ShowExact({});
    WorstError->setText(message);
}
