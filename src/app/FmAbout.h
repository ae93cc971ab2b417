#pragma once

// The about box: the program's title, its version and the maker's notice.

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
    QPushButton* Button1 = nullptr; // "&OK", also answers Escape

public Q_SLOTS:
    void Button1Click();
};
