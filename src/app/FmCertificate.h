// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// File > Commissioning Certificate...: where the PDF goes (typed, or chosen with Browse...),
// whether it opens in the desktop's viewer once saved, and Save. The certificate itself is
// built before the dialog opens, so what is saved is what the dialog describes.

#include "Certificate.h"

#include <QDialog>
#include <QPageSize>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TfmCertificate : public QDialog {
    Q_OBJECT
public:
    TfmCertificate(TCertificate certificate, QPageSize::PageSizeId paper,
                   const QString& suggestedFile, bool openAfterSaving, QWidget* parent = nullptr);

    const TCertificate& Certificate() const { return certificate_; }
    // The file written by the last successful Save; empty before.
    QString SavedFile() const { return saved_; }
    bool OpenAfterSaving() const;

    QLabel* lbAbout = nullptr;
    QLineEdit* edFile = nullptr;
    QPushButton* btBrowse = nullptr;
    QCheckBox* cbOpenAfterSaving = nullptr;
    QPushButton* btSave = nullptr;
    QPushButton* btCancel = nullptr;

    void btBrowseClick();
    void btSaveClick();

private:
    TCertificate certificate_;
    QPageSize::PageSizeId paper_;
    QString saved_;
};
