// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Device > Provision Site...: choose a site file, see its lines checked, Start; each gauge's
// progress and result shows live, Stop ends every bus at the end of its exchange in flight (a
// write series always runs to its end), Save Report... keeps the results as CSV. The same
// provisioner as t7310-cli provision.

#include "Provision.h"

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class TfmProvisionSite : public QDialog {
    Q_OBJECT
public:
    struct TTarget {
        QString DefaultDevice; // the bus of site lines that name none
        long BaudRate = 9600;
        bool Fast = false;
        QString ArchiveFolder;  // empty: the per-user archive
        QString TemplateFolder; // empty: the per-user templates
        // Each bus's device object before its first gauge: the window's own timing.
        std::function<void(T7310&)> PrepareDevice;
    };
    explicit TfmProvisionSite(const TTarget& target, QWidget* parent = nullptr);
    ~TfmProvisionSite() override;

    // Reads and checks the site file; the table shows its gauges, or the label its faults.
    bool LoadSiteFile(const QString& path);
    TProvisioner* Run() { return run_.get(); }
    const TSite& Site() const { return site_; }

    QLineEdit* edSiteFile = nullptr;
    QPushButton* btBrowse = nullptr;
    QLabel* lbPort = nullptr;
    QCheckBox* cbDryRun = nullptr;
    QLabel* lbSiteStatus = nullptr;
    QTableWidget* grGauges = nullptr;
    QPushButton* btStart = nullptr;
    QPushButton* btStop = nullptr;
    QPushButton* btSaveReport = nullptr;
    QPushButton* btClose = nullptr;

    void btBrowseClick();
    void btStartClick();
    void btStopClick();
    void btSaveReportClick();

public Q_SLOTS:
    void reject() override;

private:
    void ShowGauge(size_t index, const TGaugeReport& report);
    void Finished();
    void UpdateButtons();
    QString Summary() const;

    TTarget target_;
    TSite site_;
    std::unique_ptr<TProvisioner> run_;
    bool close_after_run_ = false;
};
