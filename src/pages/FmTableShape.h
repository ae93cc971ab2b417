// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Generate Table": a tank table worked out from the tank's drawing (a lying or standing
// cylinder with its heads, or a sphere), previewed with the exact curve and the worst error
// before the grid is touched.

#include "TankGeometry.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QSpinBox;
class TTablePreview;

class TfmTableShape final : public QDialog {
    Q_OBJECT
public:
    // The units start as the tank's (Tank Settings); the user may pick others.
    TfmTableShape(QWidget* parent, TLengthUnit lengthUnit, TVolumeUnit volumeUnit);

    // The table the preview shows; nothing while the entries describe no tank.
    const std::optional<TFittedTable>& Table() const { return Table_; }

    QComboBox* cbShape = nullptr;
    QLineEdit* edDiameter = nullptr;
    QLineEdit* edLength = nullptr;
    QComboBox* cbHeads = nullptr;
    QComboBox* cbBottomHead = nullptr;
    QComboBox* cbTopHead = nullptr;
    QLineEdit* edHeadDepth = nullptr;
    QSpinBox* sePoints = nullptr;
    QComboBox* cbSpacing = nullptr;
    QComboBox* cbLengthUnit = nullptr;
    QComboBox* cbVolumeUnit = nullptr;
    TTablePreview* Preview = nullptr;
    QDialogButtonBox* Buttons = nullptr;

private:
    void UpdatePreview();
    // The request the entries describe; false with the reason when a size is not a number.
    bool Request(TShapeTableRequest& request, QString& message) const;

    std::optional<TFittedTable> Table_;
};
