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

const QString kFilter = QStringLiteral("PDF Documents (*.pdf);;All Files (*)");

QString AboutText(const TCertificate& c, QPageSize::PageSizeId paper) {
    QString text = c.Offline ? QStringLiteral("%1, prepared without a gauge.").arg(c.Gauge)
                             : QStringLiteral("%1: %2 changed by the last write.")
                                   .arg(c.Gauge, c.ChangedCount == 1
                                                     ? QStringLiteral("1 setting")
                                                     : QStringLiteral("%1 settings")
                                                           .arg(c.ChangedCount));
    return text + QStringLiteral("\nPaper: %1 (Program Settings)")
                      .arg(QPageSize::name(paper));
}

} // namespace

TfmCertificate::TfmCertificate(TCertificate certificate, QPageSize::PageSizeId paper,
                               const QString& suggestedFile, bool openAfterSaving,
                               QWidget* parent)
    : QDialog(parent), certificate_(std::move(certificate)), paper_(paper) {
    setObjectName(QStringLiteral("fmCertificate"));
    setWindowTitle(QStringLiteral("Commissioning Certificate"));
    auto* grid = new QGridLayout(this);
    lbAbout = new QLabel(AboutText(certificate_, paper_), this);
    lbAbout->setObjectName(QStringLiteral("lbAbout"));
    lbAbout->setWordWrap(true);
    grid->addWidget(lbAbout, 0, 0, 1, 3);

    auto* fileLabel = new QLabel(QStringLiteral("&File:"), this);
    edFile = new QLineEdit(QDir::toNativeSeparators(suggestedFile), this);
    edFile->setObjectName(QStringLiteral("edFile"));
    edFile->setMinimumWidth(360);
    edFile->setAccessibleDescription(QStringLiteral("The PDF file the certificate is saved as"));
    fileLabel->setBuddy(edFile);
    btBrowse = new QPushButton(QStringLiteral("&Browse..."), this);
    btBrowse->setObjectName(QStringLiteral("btBrowse"));
    grid->addWidget(fileLabel, 1, 0);
    grid->addWidget(edFile, 1, 1);
    grid->addWidget(btBrowse, 1, 2);

    cbOpenAfterSaving = new QCheckBox(QStringLiteral("&Open after saving"), this);
    cbOpenAfterSaving->setObjectName(QStringLiteral("cbOpenAfterSaving"));
    cbOpenAfterSaving->setChecked(openAfterSaving);
    cbOpenAfterSaving->setAccessibleDescription(
        QStringLiteral("Shows the saved certificate in the desktop's PDF viewer"));
    grid->addWidget(cbOpenAfterSaving, 2, 1, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btSave = new QPushButton(QStringLiteral("&Save"), this);
    btSave->setObjectName(QStringLiteral("btSave"));
    btSave->setDefault(true);
    btCancel = new QPushButton(QStringLiteral("Cancel"), this);
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
        Dialogs().SaveFileName(this, QStringLiteral("Save Commissioning Certificate"), kFilter);
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
        Dialogs().Error(this, QStringLiteral("The certificate could not be saved as \"%1\": %2")
                                  .arg(QDir::toNativeSeparators(name), reason));
        return;
    }
    saved_ = name;
    accept();
}
