// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmAbout.h"

#include "ProgramSettings.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfmAbout::TfmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmAbout"));
    setWindowTitle(tr("About..."));
    setModal(true);

    lbTitle = new QLabel(tr("T7310 / T8310 Configurator"), this);
    lbTitle->setObjectName(QStringLiteral("lbTitle"));
    QFont titleFont(QStringLiteral("Arial Black"));
    titleFont.setPixelSize(24);
    lbTitle->setFont(titleFont);

    lbSoftwareVersion = new QLabel(tr("Software Version: ") + ReadFileVersion(), this);
    lbSoftwareVersion->setObjectName(QStringLiteral("lbSoftwareVersion"));
    lbNotice = new QLabel(tr("Configuration tool for T7310 / T8310 tank-contents gauges"), this);
    lbNotice->setObjectName(QStringLiteral("lbNotice"));
    // The notice GPL programs show when they start interactively.
    lbLicence = new QLabel(
        tr("This program comes with ABSOLUTELY NO WARRANTY. It is free software: you may "
           "redistribute it and/or modify it under the terms of the GNU General Public License "
           "version 3 or later."),
        this);
    lbLicence->setObjectName(QStringLiteral("lbLicence"));

    Button1 = new QPushButton(tr("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TfmAbout::Button1Click);

    auto* layout = new QVBoxLayout(this);
    for (QLabel* label : {lbTitle, lbSoftwareVersion}) {
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label, 0, Qt::AlignHCenter);
    }
    // Wrapped, so a longer translation takes more lines rather than more width.
    for (QLabel* label : {lbNotice, lbLicence}) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
    // The width stays; the height is what the wrapped notice needs in the user's language.
    constexpr int kWidth = 401;
    setFixedSize(kWidth, layout->totalHeightForWidth(kWidth));
}

// Escape reaches QDialog::reject(), which closes the box the same way.
void TfmAbout::Button1Click() {
    accept();
}
