// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "Manual Linearisation" page: the height/volume table of a Non standard tank, read from
// and written to the gauge row by row with a progress bar, imported and exported as CSV,
// cleared, and drawn as the curve the gauge interpolates.

#include "Page.h"
#include "TankTableCsv.h"

#include <QString>

class QLabel;
class QProgressBar;
struct TFittedTable;
class QTimer;
class TTableCurve;
class TZUREditGrid;

class TfmManualLin final : public TZURPage {
    Q_OBJECT
public:
    TfmManualLin(QWidget* host, T7310& device);

    void SetPageEnabled(bool enabled) override;
    bool HasGather() const override { return true; }
    bool Gather() override { return GatherTankTable(); }
    bool GatherTankTable();

    void btImportCSVClick();
    void btExportCSVClick();
    void btClearTableClick();
    // Open their dialog; its OK fills the grid (edited, not yet written).
    void btGenerateClick();
    void btFitChartClick();
    // The grid holds a worked-out table that has not been written yet.
    bool TableEdited() const { return TableEdited_; }
    void UpdateUOMTimerTimer();

    QFrame* pnTableGrid = nullptr;
    TZUREditGrid* Grid = nullptr;
    QProgressBar* pbTable = nullptr;
    QPushButton* btImportCSV = nullptr;
    QPushButton* btExportCSV = nullptr;
    QPushButton* btClearTable = nullptr;
    QPushButton* btGenerate = nullptr;
    QPushButton* btFitChart = nullptr;
    QLabel* lbTableEdited = nullptr;
    TTableCurve* Curve = nullptr;
    QTimer* UpdateUOMTimer = nullptr;

    static QString FileFilter();

protected:
    bool ReadSettings() override;
    bool WriteSettings() override;

private:
    TSubscription TableProgressHeard_;
    TSubscription TankTableHeard_;
    void BuildBody();
    void TableProgress(int percent);
    void TankTable();
    void ShowCurve();
    void FillFromTable(const TFittedTable& table, const QString& what);
    void SetTableEdited(bool edited);
    bool TableEdited_ = false;
    TTableRows ShownRows_; // the grid as last read or written

    TTankTable* TankTableRef = nullptr;
    TTankDescription* TankDescriptionRef = nullptr;
};
