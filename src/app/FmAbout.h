// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The about box: the program's title, its version, the maker's notice and the licence.

#include <QDialog>

class QLabel;
class QPushButton;

class TfmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfmAbout(QWidget* parent = nullptr);

    QLabel* lbTitle = nullptr;
    QLabel* lbSoftwareVersion = nullptr; // "Software Version: " + ReadFileVersion()
    QLabel* lbNotice = nullptr;
    QLabel* lbLicence = nullptr; // no warranty, GNU GPL version 3 or later
    QPushButton* Button1 = nullptr; // "&OK", also answers Escape

public Q_SLOTS:
    void Button1Click();
};
