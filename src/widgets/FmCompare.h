// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The differences box: a table of group, setting and the two sides, then the table rows that
// differ, with Write and Cancel when it asks before a write, or Close.

#include "DialogService.h"

#include <QDialog>

#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class TfmCompare : public QDialog {
    Q_OBJECT
public:
    explicit TfmCompare(const TDifferencesBox& box, QWidget* parent = nullptr);

    QLabel* lbHeading = nullptr;
    QLabel* lbEmpty = nullptr;          // shown when there are no differences
    QTableWidget* tbSettings = nullptr; // group, setting, from, to
    QTableWidget* tbRows = nullptr;     // row, from, to; hidden without table differences
    QPushButton* btAccept = nullptr;    // null for a box that does not ask
    QPushButton* btClose = nullptr;     // Cancel or Close
    QLabel* lbChosen = nullptr;         // how many changes are ticked; null without choices
    QLineEdit* edReason = nullptr;      // "Reason", optional; null unless the box asks for it

    // Which setting differences are ticked (all, for a box without check boxes).
    std::vector<bool> Chosen() const;
    // The reason typed, trimmed (empty without a Reason line).
    QString Reason() const;

private:
    void ShowChosen();
    bool choosable_ = false;
};
