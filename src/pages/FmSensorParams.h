// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "Sensor Parameters" page: the fluid heights and sensor currents at the low point
// (Level A) and the high point (Level B), and the specific gravity. The gauge works in A/D
// counts; the page converts milliamperes with the gauge's input calibration pair (the counts
// it reads at 4 mA and at 20 mA).

#include "Page.h"

#include <optional>

class QTimer;

// The line through (c4, 4 mA) and (c20, 20 mA); none when the two counts are equal.
struct TInputCalibration {
    float Slope = 0;  // milliamperes per count
    float Offset = 0; // milliamperes at count 0

    static std::optional<TInputCalibration> From(uint16_t c4, uint16_t c20);
    float Milliamperes(uint16_t count) const { return Slope * count + Offset; }
    // The nearest count, kept within 16 bits.
    uint16_t Count(float milliamperes) const;
};

class TfmSensorParameters final : public TZURPage {
    Q_OBJECT
public:
    TfmSensorParameters(QWidget* host, T7310& device);

    void SetPageEnabled(bool enabled) override;
    bool HasGather() const override { return true; }
    bool Gather() override { return GatherSensorParameters(); }

    void ShowSensorParameters(const TAlarmRefs* arrival, const uint8_t* inputCalibration);
    bool GatherSensorParameters();
    void UpdateUOMTimerTimer();

    QLabel* imDiagram = nullptr;
    QLineEdit* eHeightMin = nullptr;
    QLineEdit* eSensorMin = nullptr;
    QLineEdit* eHeightMax = nullptr;
    QLineEdit* eSensorMax = nullptr;
    QLineEdit* eSG = nullptr;
    QLabel* lbUnit1 = nullptr;
    QLabel* lbUnit2 = nullptr;
    // Shown instead of sensor readings when the gauge's input calibration cannot convert them.
    QLabel* lbCalibrationNote = nullptr;
    QTimer* UpdateUOMTimer = nullptr;

    static QString CalibrationNoteText();

protected:
    bool ReadSettings() override;
    bool WriteSettings() override;

private:
    std::optional<TInputCalibration> Calibration() const;
    void UpdateSensorBoxes();

    const TAlarmRefs* arrival_ = nullptr; // the page is loaded once set
    const uint8_t* pair_ = nullptr;       // set with the first report of the input calibration
    TSubscription SensorSettingsHeard_;
    bool enabled_ = false;
    int reported_uom_ = -1; // the invalid unit last reported, so it is reported once
};
