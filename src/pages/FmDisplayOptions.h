// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "Display Options" page: contrast (previewed on the gauge while the bar moves), the
// significant figures or the display resolution by family, the unit shown, trailing decimal
// points and screen damping.

#include "Page.h"

class QCheckBox;
class QComboBox;
class QSlider;
class QTimer;

class TfmDisplayOptions final : public TZURPage {
    Q_OBJECT
public:
    TfmDisplayOptions(QWidget* host, T7310& device);

    void SetPageEnabled(bool enabled) override;
    bool HasGather() const override { return true; }
    bool Gather() override { return GatherDisplayOptions(); }

    void ShowDisplayOptions(const TDisplayOptions& record);
    bool GatherDisplayOptions();
    void tbContrastChange();
    void ContrastTimerTimer();

    QLabel* lbContrastValue = nullptr;
    QSlider* tbContrast = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* eSigFigs = nullptr;
    QLineEdit* eDisplayResolution = nullptr;
    QCheckBox* cbShowDPs = nullptr;
    QComboBox* cbDisplayUOMs = nullptr;
    QLineEdit* eDamping = nullptr;
    QTimer* ContrastTimer = nullptr;

protected:
    bool ReadSettings() override;
    bool WriteSettings() override;

private:
    void SetControlsEnabled(bool enabled);
    void SelectUom(uint8_t code);

    const TDisplayOptions* record_ = nullptr; // set by the first report; never cleared
    TSubscription DisplayOptionsHeard_;
};
