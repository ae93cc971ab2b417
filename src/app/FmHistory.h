// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// File > History...: the journal of writes, newest first (time, gauge, what was written, the
// result, what changed), and the archived settings files as found and as left, either of
// which opens as File > Open does.

#include <QDialog>
#include <QJsonObject>
#include <QList>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class TArchive;

class TfmHistory : public QDialog {
    Q_OBJECT
public:
    // canOpen: a gauge is connected, so a chosen file can be loaded.
    TfmHistory(const TArchive& archive, bool canOpen, QWidget* parent = nullptr);

    QTableWidget* tbJournal = nullptr;   // one row per write, newest first
    QPlainTextEdit* edChanges = nullptr; // the selected write's changes and files
    QLabel* lbFolder = nullptr;          // where the archive is
    QLabel* lbProblem = nullptr;         // a journal that could not be read (hidden otherwise)
    QPushButton* btOpenAsFound = nullptr;
    QPushButton* btOpenAsLeft = nullptr;
    QPushButton* btClose = nullptr;

    // The file chosen with one of the Open buttons (the dialog is then accepted).
    QString ChosenFile() const { return chosen_; }

private:
    void SelectionChanged();
    void Choose(const char* key);
    QJsonObject Selected() const;

    QList<QJsonObject> entries_; // in table order
    bool can_open_;
    QString chosen_;
};
