// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmCertificate.h"

#include "CertificatePdf.h"
#include "DialogService.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QString AboutText(const TCertificate& c, QPageSize::PageSizeId paper) {
    const QString text =
        c.Offline ? TfmCertificate::tr("%1, prepared without a gauge.").arg(c.Gauge)
        : c.ChangedCount == 1
            ? TfmCertificate::tr("%1: 1 setting changed by the last write.").arg(c.Gauge)
            : TfmCertificate::tr("%1: %2 settings changed by the last write.")
                  .arg(c.Gauge)
                  .arg(c.ChangedCount);
    return text + u'\n' +
           TfmCertificate::tr("Paper: %1 (Program Settings)").arg(QPageSize::name(paper));
}

} // namespace

TfmCertificate::TfmCertificate(TCertificate certificate, QPageSize::PageSizeId paper,
                               const QString& suggestedFile, bool openAfterSaving,
                               QWidget* parent)
    : QDialog(parent), certificate_(std::move(certificate)), paper_(paper) {
    setObjectName(QStringLiteral("fmCertificate"));
    setWindowTitle(tr("Commissioning Certificate"));
    auto* grid = new QGridLayout(this);
    lbAbout = new QLabel(AboutText(certificate_, paper_), this);
    lbAbout->setObjectName(QStringLiteral("lbAbout"));
    lbAbout->setWordWrap(true);
    grid->addWidget(lbAbout, 0, 0, 1, 3);

    auto* fileLabel = new QLabel(tr("&File:"), this);
    edFile = new QLineEdit(QDir::toNativeSeparators(suggestedFile), this);
    edFile->setObjectName(QStringLiteral("edFile"));
    edFile->setMinimumWidth(360);
    edFile->setAccessibleDescription(tr("The PDF file the certificate is saved as"));
    fileLabel->setBuddy(edFile);
    btBrowse = new QPushButton(tr("&Browse..."), this);
    btBrowse->setObjectName(QStringLiteral("btBrowse"));
    grid->addWidget(fileLabel, 1, 0);
    grid->addWidget(edFile, 1, 1);
    grid->addWidget(btBrowse, 1, 2);

    cbOpenAfterSaving = new QCheckBox(tr("&Open after saving"), this);
    cbOpenAfterSaving->setObjectName(QStringLiteral("cbOpenAfterSaving"));
    cbOpenAfterSaving->setChecked(openAfterSaving);
    cbOpenAfterSaving->setAccessibleDescription(
        tr("Shows the saved certificate in the desktop's PDF viewer"));
    grid->addWidget(cbOpenAfterSaving, 2, 1, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btSave = new QPushButton(tr("&Save"), this);
    btSave->setObjectName(QStringLiteral("btSave"));
    btSave->setDefault(true);
    btCancel = new QPushButton(tr("Cancel"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));
    buttons->addWidget(btSave);
    buttons->addWidget(btCancel);
    grid->addLayout(buttons, 3, 0, 1, 3);

    connect(btBrowse, &QPushButton::clicked, this, &TfmCertificate::btBrowseClick);
    connect(btSave, &QPushButton::clicked, this, &TfmCertificate::btSaveClick);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(edFile, &QLineEdit::textChanged, this,
            [this](const QString& text) { btSave->setEnabled(!text.trimmed().isEmpty()); });
    btSave->setEnabled(!edFile->text().trimmed().isEmpty());
}

bool TfmCertificate::OpenAfterSaving() const {
    return cbOpenAfterSaving->isChecked();
}

void TfmCertificate::btBrowseClick() {
    const QString name =
        Dialogs().SaveFileName(this, tr("Save Commissioning Certificate"),
                               tr("PDF Documents (*.pdf);;All Files (*)"));
    if (!name.isEmpty())
        edFile->setText(QDir::toNativeSeparators(name));
}

void TfmCertificate::btSaveClick() {
    QString name = QDir::fromNativeSeparators(edFile->text().trimmed());
    if (name.isEmpty())
        return;
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".pdf");
    QString reason;
    if (!SaveCertificatePdf(name, certificate_, paper_, &reason)) {
        Dialogs().Error(this, tr("The certificate could not be saved as \"%1\": %2")
                                  .arg(QDir::toNativeSeparators(name), reason));
        return;
    }
    saved_ = name;
    accept();
}
