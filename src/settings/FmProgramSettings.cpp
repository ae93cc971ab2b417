// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmProgramSettings.h"

#include "ComPortMap.h"
#include "DialogService.h"
#include "ProgramSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const char* const kFastTransfersText = QT_TRANSLATE_NOOP(
    "TfmProgramSettings", "Fast transfers (frame replies by length; try with your gauges first)");

QString DefaultDevice(int port) {
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
}

} // namespace

TfmProgramSettings::TfmProgramSettings(TProgramSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("fmProgramSettings"));
    setWindowTitle(tr("Settings"));
    setModal(true);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    setFont(font);

    auto* portLabel = new QLabel(tr("Serial Comm Port"), this);
    portLabel->setGeometry(12, 16, 110, 20);
    cbCommPort = new QComboBox(this);
    cbCommPort->setObjectName(QStringLiteral("cbCommPort"));
    cbCommPort->setGeometry(128, 14, 150, 22);
    cbCommPort->setEditable(true);
    // Typed text never becomes an item: only the selected position counts.
    cbCommPort->setInsertPolicy(QComboBox::NoInsert);
    for (int port = 1; port <= kPortCount; ++port)
        cbCommPort->addItem(tr("COM %1").arg(port));
    portLabel->setBuddy(cbCommPort);

    auto* deviceLabel = new QLabel(tr("Opens"), this);
    deviceLabel->setGeometry(12, 46, 110, 20);
    lbDevicePath = new QLabel(this);
    lbDevicePath->setObjectName(QStringLiteral("lbDevicePath"));
    lbDevicePath->setGeometry(128, 46, 150, 20);
    lbDevicePath->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* chooseLabel = new QLabel(tr("Serial device"), this);
    chooseLabel->setGeometry(12, 76, 110, 20);
    cbDevicePath = new QComboBox(this);
    cbDevicePath->setObjectName(QStringLiteral("cbDevicePath"));
    cbDevicePath->setGeometry(128, 74, 150, 22);
    cbDevicePath->setEditable(true);
    cbDevicePath->setInsertPolicy(QComboBox::NoInsert);
    cbDevicePath->addItems(ListSerialDevices());
    chooseLabel->setBuddy(cbDevicePath);

    cbReconnect = new QCheckBox(tr(kReconnectOnReturn), this);
    cbReconnect->setObjectName(QStringLiteral("cbReconnect"));
    cbReconnect->setGeometry(12, 100, 266, 18);
    const TProgramSetting* reconnect = settings_.Lookup(QString::fromLatin1(kReconnectOnReturn));
    cbReconnect->setChecked(!reconnect || reconnect->BooleanValue);
    // ---- fast transfers ----
    // Broken over two lines to fit the dialog; the accessible name keeps the text whole.
    const QString fastText = tr(kFastTransfersText);
    cbFastTransfers =
        new QCheckBox(QString(fastText).replace(QStringLiteral("; "), QStringLiteral(";\n")), this);
    cbFastTransfers->setObjectName(QStringLiteral("cbFastTransfers"));
    cbFastTransfers->setAccessibleName(fastText);
    cbFastTransfers->setGeometry(12, 120, 270, 34);
    const TProgramSetting* fast = settings_.Lookup(QString::fromLatin1(kFastTransfers));
    cbFastTransfers->setChecked(fast && fast->BooleanValue);
    // ---- end of fast transfers ----
    // ---- the checked write ----
    cbConfirmChanges = new QCheckBox(tr("Confirm changes before writing"), this);
    cbConfirmChanges->setObjectName(QStringLiteral("cbConfirmChanges"));
    cbConfirmChanges->setGeometry(12, 158, 266, 20);
    cbVerifyWrites = new QCheckBox(tr("Verify after writing"), this);
    cbVerifyWrites->setObjectName(QStringLiteral("cbVerifyWrites"));
    cbVerifyWrites->setGeometry(12, 180, 266, 20);
    for (auto [box, name] :
         {std::pair{cbConfirmChanges, kConfirmChanges}, std::pair{cbVerifyWrites, kVerifyWrites}}) {
        const TProgramSetting* stored = settings_.Lookup(QString::fromLatin1(name));
        box->setChecked(stored ? stored->BooleanValue : true);
    }
    // ---- end of the checked write ----
    // ---- who writes ----
    auto* technicianLabel = new QLabel(tr("&Technician"), this);
    technicianLabel->setGeometry(12, 206, 110, 20);
    edTechnician = new QLineEdit(this);
    edTechnician->setObjectName(QStringLiteral("edTechnician"));
    edTechnician->setGeometry(128, 204, 150, 22);
    edTechnician->setAccessibleDescription(
        tr("Named in the journal of every write and on commissioning documents"));
    technicianLabel->setBuddy(edTechnician);
    const TProgramSetting* technician = settings_.Lookup(QString::fromLatin1(kTechnician));
    edTechnician->setText(technician ? technician->TextValue : SystemUserName());
    // ---- end of who writes ----
    // ---- paper ----
    auto* paperLabel = new QLabel(tr("&Paper size"), this);
    paperLabel->setGeometry(12, 234, 110, 20);
    cbPaperSize = new QComboBox(this);
    cbPaperSize->setObjectName(QStringLiteral("cbPaperSize"));
    cbPaperSize->setGeometry(128, 232, 150, 22);
    cbPaperSize->addItems({QStringLiteral("A4"), QStringLiteral("Letter")});
    cbPaperSize->setAccessibleDescription(
        tr("The paper commissioning certificates are laid out on"));
    paperLabel->setBuddy(cbPaperSize);
    cbPaperSize->setCurrentText(PaperSizeName(settings_));
    // ---- end of paper ----
    // The program's own options stand in one column above the buttons; the dialog grows with
    // them, 290 pixels wide.
    const int optionsBottom = cbPaperSize->geometry().bottom() + 1;

    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    separator->setGeometry(8, optionsBottom + 4, 274, 2);

    btOK = new QPushButton(tr("&Ok"), this);
    btOK->setObjectName(QStringLiteral("btOK"));
    btOK->setGeometry(118, optionsBottom + 10, 78, 26);
    btOK->setDefault(true);
    Button2 = new QPushButton(tr("&Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(202, optionsBottom + 10, 78, 26);
    setFixedSize(290, optionsBottom + 40);

    connect(btOK, &QPushButton::clicked, this, &TfmProgramSettings::btOKClick);
    connect(Button2, &QPushButton::clicked, this, &TfmProgramSettings::Button2Click);
    connect(cbCommPort, &QComboBox::currentIndexChanged, this,
            &TfmProgramSettings::cbCommPortChange);

    const TProgramSetting* port = settings_.Lookup(QString::fromLatin1(kCommPort));
    const int stored = port ? port->IntegerValue : 0;
    cbCommPort->setCurrentIndex(stored >= 1 && stored <= kPortCount ? stored - 1 : -1);
    cbCommPortChange(cbCommPort->currentIndex());
}

void TfmProgramSettings::cbCommPortChange(int index) {
    const bool selected = index >= 0;
    const QString device = selected ? ResolveCommPort(index + 1) : QString();
    lbDevicePath->setText(selected ? device : tr("no port selected"));
    cbDevicePath->setEnabled(selected);
    cbDevicePath->setEditText(device);
}

void TfmProgramSettings::btOKClick() {
    TProgramSetting* port = settings_.Lookup(QString::fromLatin1(kCommPort));
    TProgramSetting* fast = settings_.Lookup(QString::fromLatin1(kFastTransfers));
    const int index = cbCommPort->currentIndex();
    TProgramSetting* reconnect = settings_.Lookup(QString::fromLatin1(kReconnectOnReturn));
    const bool reconnectBefore = reconnect && reconnect->BooleanValue;
    if (reconnect)
        reconnect->BooleanValue = cbReconnect->isChecked();
    // ---- the checked write ----
    TProgramSetting* confirm = settings_.Lookup(QString::fromLatin1(kConfirmChanges));
    TProgramSetting* verify = settings_.Lookup(QString::fromLatin1(kVerifyWrites));
    const bool confirmBefore = confirm && confirm->BooleanValue;
    const bool verifyBefore = verify && verify->BooleanValue;
    if (confirm)
        confirm->BooleanValue = cbConfirmChanges->isChecked();
    if (verify)
        verify->BooleanValue = cbVerifyWrites->isChecked();
    // ---- end of the checked write ----
    TProgramSetting* technician = settings_.Lookup(QString::fromLatin1(kTechnician));
    const QString technicianBefore = technician ? technician->TextValue : QString();
    if (technician)
        technician->TextValue = edTechnician->text().trimmed();
    TProgramSetting* paper = settings_.Lookup(QString::fromLatin1(kPaperSize));
    const QString paperBefore = paper ? paper->TextValue : QString();
    if (paper)
        paper->TextValue = cbPaperSize->currentText();
    if (port) {
        const int32_t previous = port->IntegerValue;
        const bool previousFast = fast && fast->BooleanValue;
        port->IntegerValue = index + 1; // no selection gives 0
        if (fast)
            fast->BooleanValue = cbFastTransfers->isChecked();
        try {
            settings_.SaveAll();
        } catch (const TSettingsError& error) {
            // The store did not take the new port: keep the old one in memory as well, and
            // leave the dialog open.
            port->IntegerValue = previous;
            if (reconnect)
                reconnect->BooleanValue = reconnectBefore;
            if (fast)
                fast->BooleanValue = previousFast;
            if (confirm)
                confirm->BooleanValue = confirmBefore;
            if (verify)
                verify->BooleanValue = verifyBefore;
            if (technician)
                technician->TextValue = technicianBefore;
            if (paper)
                paper->TextValue = paperBefore;
            Dialogs().Error(this, tr("Error accessing program settings\n") +
                                      QString::fromStdString(error.what()));
            return;
        }
    }
    if (index >= 0) {
        const int number = index + 1;
        const QString chosen = cbDevicePath->currentText().trimmed();
        // Only a changed choice is stored; the default device needs no entry of its own.
        if (chosen != ResolveCommPort(number))
            SetCommPortDevice(number, chosen == DefaultDevice(number) ? QString() : chosen);
    }
    accept();
}

void TfmProgramSettings::Button2Click() {
    reject();
}
