// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// View > Traffic Monitor: a dock along the bottom of the main window with every frame on the
// packet link, decoded and timed, in a table of the last 10,000 lines; Pause, Clear and
// Save... (CSV). Closed or paused, it is no observer of the link at all.

#include "TrafficLog.h"

#include <QAbstractTableModel>
#include <QDockWidget>

#include <deque>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTableView;
class TProgramSettings;

class TTrafficModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn {
        tcTime,
        tcDir,
        tcNode,
        tcInstruction,
        tcLength,
        tcData,
        tcChecksum,
        tcResponse,
        tcCount
    };
    static constexpr int kMaxLines = 10000;

    explicit TTrafficModel(QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Appends a line; past kMaxLines the oldest goes.
    void Append(const TTrafficLine& line);
    void Clear();
    const std::deque<TTrafficLine>& Lines() const { return lines_; }
    // The text a cell shows.
    static QString CellText(const TTrafficLine& line, int column);

private:
    std::deque<TTrafficLine> lines_;
};

class TfmTrafficMonitor : public QDockWidget {
    Q_OBJECT
public:
    explicit TfmTrafficMonitor(QWidget* parent = nullptr);
    ~TfmTrafficMonitor() override;

    // The link to watch while the dock is open and not paused; null lets go of it (the owner
    // of the link calls this before the link goes).
    void SetLink(TSerialPacket* link);
    bool Watching() const { return recorder_.Attached(); }

    // Shows or hides the dock; updates the tap.
    void setVisible(bool visible) override;
    // Stores in the program settings (its own entry) whether the dock is open and, with
    // withHeight, its height now (only a dock laid out in the window has its real height).
    void Remember(bool open, bool withHeight);
    void Restore();
    TProgramSettings& Settings() { return *settings_; }

    // Called when the user closes the dock with its own close button.
    std::function<void()> OnClosed;

    TTrafficModel& Model() { return *model_; }

    QPushButton* btPause = nullptr;
    QPushButton* btClear = nullptr;
    QPushButton* btSave = nullptr;
    // What crossed the line since the monitor was last cleared.
    QLabel* lbCounts = nullptr;
    QTableView* grTraffic = nullptr;

    void btPauseClick();
    void btClearClick();
    void btSaveClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void UpdateTap();
    void ShowCounts();

    TTrafficModel* model_ = nullptr;
    TTrafficRecorder recorder_;
    TSerialPacket* link_ = nullptr;
    std::unique_ptr<TProgramSettings> settings_;
};
