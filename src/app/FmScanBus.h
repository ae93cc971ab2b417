// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Device > Scan Bus...: asks every node ID of a range for its identity on the stored port and
// baud rate, and lists the gauges that answered; Connect (or a double click on a gauge) picks
// the node that the window then connects to.

#include "BusScan.h"

#include <QDialog>

#include <string>

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

class TfmScanBus : public QDialog {
    Q_OBJECT
public:
    struct TTarget {
        int CommPort = 1;
        long BaudRate = 9600;
        std::string DevicePath; // opened instead of the port number's device when not empty
    };
    explicit TfmScanBus(const TTarget& target, QWidget* parent = nullptr);
    ~TfmScanBus() override;

    // The node the user chose to connect to, or -1.
    int ChosenNode() const { return chosen_node_; }
    TBusScan& Scan() { return scan_; }

    QSpinBox* edFromNode = nullptr;
    QSpinBox* edToNode = nullptr;
    QLabel* lbPort = nullptr;
    QLabel* lbBaudRate = nullptr;
    QPushButton* btStart = nullptr;
    QPushButton* btCancel = nullptr;
    QPushButton* btConnect = nullptr;
    QProgressBar* pbScan = nullptr;
    QTableWidget* grGauges = nullptr;
    QLabel* lbScanStatus = nullptr;

    void btStartClick();
    void btCancelClick();
    void btConnectClick();

public Q_SLOTS:
    void reject() override;

private:
    void AddEntry(const TScanEntry& entry);
    void UpdateButtons();
    int SelectedGaugeNode() const;

    TTarget target_;
    TBusScan scan_;
    int chosen_node_ = -1;
    bool close_after_scan_ = false;
};
