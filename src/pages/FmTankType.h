// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "Tank Settings" page: the tank's shape, length unit, dimensions and name, and the two
// 4-20 mA output options, with a drawing of the chosen shape that names its dimensions.

#include "Page.h"

#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QSvgRenderer;

class TfmTankType final : public TZURPage {
    Q_OBJECT
public:
    TfmTankType(QWidget* host, T7310& device);

    void SetPageEnabled(bool enabled) override;
    bool HasGather() const override { return true; }
    bool Gather() override { return GatherTankSettings(); }
    bool GatherTankSettings();

    // Lay the page out for a tank type (0..5) or unit (0..2); anything else throws
    // std::out_of_range ("Invalid TankType Index", "Invalid UOM Index") and changes nothing.
    void ShowTankType(int type);
    void ShowTankUnits(int index);

    // The object name of the drawing shown in iTank ("iTank1" ...), empty when none is.
    QString Picture() const { return Picture_; }

Q_SIGNALS:
    // The tank shown (or just written) is Non standard, or no longer: its table page comes
    // and goes with it.
    void NonStandardTank(bool nonStandard);

public:

    QComboBox* cbTankType = nullptr;
    QLineEdit* eTankName = nullptr;
    QLabel* lbUOM = nullptr;
    QComboBox* cbUOM = nullptr;
    QLabel* lbTankParams = nullptr;
    QLabel* lb1 = nullptr;
    QLabel* lb2 = nullptr;
    QLabel* lb3 = nullptr;
    QLineEdit* e1 = nullptr;
    QLineEdit* e2 = nullptr;
    QLineEdit* e3 = nullptr;
    QLabel* lbUnits1 = nullptr;
    QLabel* lbUnits2 = nullptr;
    QLabel* lbUnits3 = nullptr;
    QCheckBox* cbEnable420Output = nullptr;
    QCheckBox* cbMirror420Output = nullptr;
    QFrame* pnImage = nullptr;
    QLabel* iTank = nullptr;
    QLabel* lbNotes = nullptr;
    // The four drawings, kept apart from the picture area, which shows a copy of one.
    QSvgRenderer* iTank1 = nullptr;
    QSvgRenderer* iTank2 = nullptr;
    QSvgRenderer* iTank3 = nullptr;
    QSvgRenderer* iTank4 = nullptr;

protected:
    bool ReadSettings() override;
    bool WriteSettings() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildBody();
    void TankShape();
    void OutputOptions();
    void ShowDimensionRow(int row, bool visible, const QString& caption);
    void ShowDimensions(int type);
    void ShowPicture(QSvgRenderer* picture);
    void RaiseNonStandardTank();

    bool Loaded_ = false;        // the tank record has been reported
    bool OutputsLoaded_ = false; // and the output options
    TSubscription TankShapeHeard_;
    TSubscription OutputOptionsHeard_;
    QSvgRenderer* Shown = nullptr;
    QString Picture_;
};
