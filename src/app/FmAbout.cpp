#include "FmAbout.h"

#include "ProgramSettings.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfmAbout::TfmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmAbout"));
    setWindowTitle(QStringLiteral("About..."));
    setModal(true);
    setFixedSize(401, 168);

    lbTitle = new QLabel(QStringLiteral("T7310 / T8310 Configurator"), this);
    lbTitle->setObjectName(QStringLiteral("lbTitle"));
    QFont titleFont(QStringLiteral("Arial Black"));
    titleFont.setPixelSize(24);
    lbTitle->setFont(titleFont);

    lbSoftwareVersion = new QLabel(QStringLiteral("Software Version: ") + ReadFileVersion(), this);
    lbSoftwareVersion->setObjectName(QStringLiteral("lbSoftwareVersion"));
    lbNotice = new QLabel(
        QStringLiteral("Configuration tool for T7310 / T8310 tank-contents gauges"), this);
    lbNotice->setObjectName(QStringLiteral("lbNotice"));

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TfmAbout::Button1Click);

    auto* layout = new QVBoxLayout(this);
    for (QLabel* label : {lbTitle, lbSoftwareVersion, lbNotice}) {
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label, 0, Qt::AlignHCenter);
    }
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
}

// Escape reaches QDialog::reject(), which closes the box the same way.
void TfmAbout::Button1Click() {
    accept();
}
