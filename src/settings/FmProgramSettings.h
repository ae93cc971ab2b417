// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program settings dialog: the serial port number the next connect uses, and the device
// that number opens on this machine.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TProgramSettings;

class TfmProgramSettings : public QDialog {
    Q_OBJECT
public:
    // The dialog reads and writes "Comm Port" of settings, which must outlive it.
    explicit TfmProgramSettings(TProgramSettings& settings, QWidget* parent = nullptr);

    // ---- controls (object names as here) ----
    QComboBox* cbCommPort = nullptr;   // "COM 1".."COM 30"; only the selected position counts
    QLabel* lbDevicePath = nullptr;    // the device the selected port opens now
    QComboBox* cbDevicePath = nullptr; // the device to open for it from now on
    QCheckBox* cbReconnect = nullptr;  // "Reconnect when the adapter returns"
    // "Fast Transfers", from the next connect on.
    QCheckBox* cbFastTransfers = nullptr;
    // ---- the checked write ----
    QCheckBox* cbConfirmChanges = nullptr; // "Confirm changes before writing"
    QCheckBox* cbVerifyWrites = nullptr;   // "Verify after writing"
    QLineEdit* edTechnician = nullptr;     // "Technician": the journal's user
    QComboBox* cbPaperSize = nullptr;      // "Paper size": the certificate's paper
    // ---- end of the checked write ----
    QPushButton* btOK = nullptr;
    QPushButton* Button2 = nullptr;

    static constexpr int kPortCount = 30;

public Q_SLOTS:
    void btOKClick();
    void Button2Click();

private:
    void cbCommPortChange(int index);

    TProgramSettings& settings_;
};
