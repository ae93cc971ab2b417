// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Fit Chart": a strapping chart of any length read from a CSV file and fitted to at most 100
// rows, previewed with the chart behind them and the worst error before the grid is touched.

#include "ChartFit.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TTablePreview;

class TfmTableChart final : public QDialog {
    Q_OBJECT
public:
    // The table's units start as the tank's (Tank Settings).
    TfmTableChart(QWidget* parent, TLengthUnit lengthUnit, TVolumeUnit volumeUnit);

    // Reads the chart from the file (as Browse and Enter in the file box do).
    void ReadChart(const QString& fileName);
    // The table the preview shows; nothing without a good chart.
    const std::optional<TFittedTable>& Table() const { return Table_; }

    QLineEdit* edChartFile = nullptr;
    QPushButton* btBrowse = nullptr;
    QComboBox* cbChartHeightUnit = nullptr;
    QComboBox* cbChartVolumeUnit = nullptr;
    QSpinBox* sePoints = nullptr;
    QComboBox* cbLengthUnit = nullptr;
    QComboBox* cbVolumeUnit = nullptr;
    TTablePreview* Preview = nullptr;
    QDialogButtonBox* Buttons = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdatePreview();

    std::optional<TChart> Chart_;
    QString ChartFault_;
    std::optional<TFittedTable> Table_;
};
