#pragma once

// The "Manual Linearisation" page: the height/volume table of a Non standard tank, read from
// and written to the gauge row by row with a progress bar, imported and exported as CSV,
// cleared, and drawn as the curve the gauge interpolates.

#include "Page.h"

#include <QString>

class QProgressBar;
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
    void UpdateUOMTimerTimer();

    QFrame* pnTableGrid = nullptr;
    TZUREditGrid* Grid = nullptr;
    QProgressBar* pbTable = nullptr;
    QPushButton* btImportCSV = nullptr;
    QPushButton* btExportCSV = nullptr;
    QPushButton* btClearTable = nullptr;
    TTableCurve* Curve = nullptr;
    QTimer* UpdateUOMTimer = nullptr;

    static const QString kFileFilter;

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

    TTankTable* TankTableRef = nullptr;
    TTankDescription* TankDescriptionRef = nullptr;
};
