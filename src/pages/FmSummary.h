// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "Summary" page of an extended gauge: the main settings at a glance, the installation
// details that go into the summary report, the second model's three settings of its own, and
// the report itself, exported to the user's text editor.

#include "Page.h"

#include <functional>

class QComboBox;
struct TSummaryEntries;

class TfmSummary final : public TZURPage {
    Q_OBJECT
public:
    TfmSummary(QWidget* host, T7310& device);
    ~TfmSummary() override;

    void SetPageEnabled(bool enabled) override;
    void ShowSummary();
    bool GatherSummary();
    // Writes the report under fileName in the working directory; "The file could not be
    // created" and false when that fails (an old report is then left as it was).
    bool WriteSummaryReport(const QString& fileName);

    void btReadSettingsClick() override;
    void btWriteSettingsClick() override;
    void btExportClick();
    void btPrintClick();

    // How the report is opened and printed (the absolute path is passed); the defaults open the
    // desktop's handler for the file, else $VISUAL or $EDITOR, else xdg-open, and print with lp.
    std::function<void(const QString& path)> OpenInEditor;
    std::function<void(const QString& path)> PrintFile;

    QLineEdit *edSerialNumber = nullptr, *edDisplayResolutionHysteresis = nullptr,
              *edFlowFreqScaling = nullptr, *edTankSafeCapacity = nullptr,
              *edSensorDistance = nullptr, *edCompletedDate = nullptr, *edName = nullptr,
              *edSavedAs = nullptr;
    QComboBox *cbBundAlarm = nullptr, *cbCommsType = nullptr;
    QLabel *lblSoftwareVersion = nullptr, *lblCurrentContrast = nullptr,
           *lblDisplayResolution = nullptr, *lblDisplayUnits = nullptr,
           *lblDisplayResolutionHysteresis = nullptr, *lblScreenDamping = nullptr,
           *lblTotalisation = nullptr, *lbl4mALevel = nullptr, *lbl20mALevel = nullptr,
           *lblSpecificGravity = nullptr, *lblTankType = nullptr, *lblTankName = nullptr,
           *lblTankDiameter = nullptr, *lblTankHeight = nullptr, *lblTankExtent = nullptr,
           *lblEnableOutput = nullptr, *lblMirrorInput = nullptr, *lblSafeWorkingCapacity = nullptr,
           *lblSafeWorkingCapacityPercentage = nullptr, *lblTankSafeCapacityLitres = nullptr,
           *lblNodeID = nullptr;
    // Direction, setpoint and hysteresis labels of the Master alarm and alarms 1 to 3.
    QLabel* lblAlarmDirection[4] = {};
    QLabel* lblAlarmSetpoint[4] = {};
    QLabel* lblAlarmHysteresis[4] = {};
    QPushButton *btExport = nullptr, *btPrint = nullptr;

protected:
    bool Gather() override { return GatherSummary(); }
    bool WriteSettings() override;
    QString SuccessText() const override;

private:
    TSubscription SettingsReadHeard_;
    void BuildLayout();
    // The page's boxes as they stand, as the report takes them.
    TSummaryEntries Entries() const;
};
