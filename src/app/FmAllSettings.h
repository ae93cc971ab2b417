// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// View > All Settings: a dock with every catalogue setting of the gauge's family in one table
// (group, name, the value as edited, the value on the gauge, unit, allowed range), a filter
// (Ctrl+F) and "Changed only". A value is edited in place through the catalogue's own check;
// the edit goes into the same image the pages edit, and its page shows it marked.

#include "Event.h"

#include <QAbstractTableModel>
#include <QDockWidget>
#include <QSortFilterProxyModel>

#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QLineEdit;
class QTableView;
class T7310;
struct TZURSetting;

class TSettingsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn { scGroup, scName, scValue, scGauge, scUnit, scRange, scCount };

    explicit TSettingsModel(T7310& device, QObject* parent = nullptr);

    // The rows again, for the family the gauge has now.
    void Reload();
    // Every cell again (the image changed).
    void Refresh();
    const TZURSetting* Setting(int row) const;
    // Whether the value as edited differs from the gauge's (false while the gauge is unknown).
    bool Changed(int row) const;

    // What a page shows for a setting it binds, when its control holds an edit not yet in the
    // image; the image's value otherwise.
    std::function<std::optional<QString>(const TZURSetting*)> EditedText;
    // A value the list takes, before it goes into the image; OnEdited follows.
    std::function<void(const TZURSetting*)> OnEditing;
    // A value the list took; its page shows it.
    std::function<void(const TZURSetting*)> OnEdited;
    // A value the catalogue refused, with its message.
    std::function<void(const QString& message)> OnRefused;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    QString ValueText(const TZURSetting& item) const;
    QString GaugeText(const TZURSetting& item) const;
    bool Editable(const TZURSetting& item) const;

    T7310& device_;
    std::vector<const TZURSetting*> rows_;
};

// Rows whose group, name or value holds the filter text; with ChangedOnly, only those that
// differ from the gauge.
class TSettingsFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void SetText(const QString& text);
    void SetChangedOnly(bool on);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QString text_;
    bool changed_only_ = false;
};

class TfmAllSettings : public QDockWidget {
    Q_OBJECT
public:
    TfmAllSettings(T7310& device, QWidget* parent = nullptr);

    TSettingsModel& Model() { return *model_; }
    // The setting of a row as the table shows it now, or null.
    const TZURSetting* SettingAt(int row) const;
    int RowsShown() const;
    // Shows the dock and puts the cursor in the filter box.
    void FocusFilter();

    QLineEdit* edFilter = nullptr;
    QCheckBox* cbChangedOnly = nullptr;
    QTableView* tvSettings = nullptr;

Q_SIGNALS:
    // Double-click on a row: show the setting on its page.
    void ShowSettingRequested(const TZURSetting* setting);

protected:
    void showEvent(QShowEvent* event) override;

private:
    TSettingsModel* model_ = nullptr;
    TSettingsFilter* filter_ = nullptr;
    std::vector<TSubscription> heard_;
};
