// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmScanBus.h"

#include "ComPortMap.h"
#include "DialogService.h"
#include "SerialPacket.h"
#include "StatusText.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cstring>

namespace {

enum TColumn { gcNode, gcName, gcVersion, gcPcId, gcFamily, gcCount };
const char* const kHeaders[gcCount] = {
    QT_TRANSLATE_NOOP("TfmScanBus", "Node"), QT_TRANSLATE_NOOP("TfmScanBus", "Device Name"),
    QT_TRANSLATE_NOOP("TfmScanBus", "Software Version"),
    QT_TRANSLATE_NOOP("TfmScanBus", "PC Software ID"), QT_TRANSLATE_NOOP("TfmScanBus", "Family")};
constexpr int kNodeRole = Qt::UserRole;
constexpr int kGoodRole = Qt::UserRole + 1;

QString Latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString PortText(const TfmScanBus::TTarget& target) {
    if (!target.DevicePath.empty())
        return QString::fromStdString(target.DevicePath);
    const QString device = ResolveCommPort(target.CommPort);
    return QCoreApplication::translate("TfmScanBus", "COM %1").arg(target.CommPort) +
           (device.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(device));
}

} // namespace

TfmScanBus::TfmScanBus(const TTarget& target, QWidget* parent) : QDialog(parent), target_(target) {
    setObjectName(QStringLiteral("fmScanBus"));
    setWindowTitle(tr("Scan Bus"));
    resize(560, 400);

    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    const auto nodeBox = [this](const char* name, int value) {
        auto* box = new QSpinBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setRange(TBusScan::kLowestNode, TBusScan::kHighestNode);
        box->setValue(value);
        return box;
    };
    edFromNode = nodeBox("edFromNode", TBusScan::kLowestNode);
    edToNode = nodeBox("edToNode", TBusScan::kHighestNode);
    auto* range = new QHBoxLayout;
    auto* toCaption = new QLabel(tr("&to"), this);
    toCaption->setBuddy(edToNode);
    range->addWidget(edFromNode);
    range->addWidget(toCaption);
    range->addWidget(edToNode);
    range->addStretch(1);
    auto* fromCaption = new QLabel(tr("&Node IDs from"), this);
    fromCaption->setBuddy(edFromNode);
    form->addRow(fromCaption, range);

    const auto valueLabel = [this](const char* name, const QString& caption, const QString& text) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QString::fromLatin1(name));
        label->setTextFormat(Qt::PlainText);
        label->setAccessibleDescription(caption);
        return label;
    };
    lbPort = valueLabel("lbPort", tr("Port"), PortText(target));
    lbBaudRate = valueLabel("lbBaudRate", tr("Baud rate"), QString::number(target.BaudRate));
    form->addRow(tr("Port:"), lbPort);
    form->addRow(tr("Baud rate:"), lbBaudRate);
    column->addLayout(form);

    pbScan = new QProgressBar(this);
    pbScan->setObjectName(QStringLiteral("pbScan"));
    pbScan->setAccessibleName(tr("Scan progress"));
    pbScan->setRange(0, 1);
    pbScan->setValue(0);
    column->addWidget(pbScan);
    lbScanStatus = valueLabel("lbScanStatus", tr("Scan status"),
                              tr("Press Start to ask every node ID of the range."));
    column->addWidget(lbScanStatus);

    grGauges = new QTableWidget(0, gcCount, this);
    grGauges->setObjectName(QStringLiteral("grGauges"));
    grGauges->setAccessibleName(tr("Gauges found"));
    for (int c = 0; c < gcCount; ++c)
        grGauges->setHorizontalHeaderItem(
            c, new QTableWidgetItem(QCoreApplication::translate("TfmScanBus", kHeaders[c])));
    grGauges->verticalHeader()->hide();
    // Wide enough for each caption; a bad reply's text spans the columns after the node.
    for (int c = 0; c < gcFamily; ++c)
        grGauges->setColumnWidth(c, grGauges->horizontalHeader()->sectionSizeHint(c) + 12);
    grGauges->horizontalHeader()->setStretchLastSection(true);
    grGauges->setSelectionBehavior(QAbstractItemView::SelectRows);
    grGauges->setSelectionMode(QAbstractItemView::SingleSelection);
    grGauges->setEditTriggers(QAbstractItemView::NoEditTriggers);
    column->addWidget(grGauges, 1);

    auto* buttons = new QHBoxLayout;
    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    btStart = button("btStart", tr("&Start"));
    btConnect = button("btConnect", tr("C&onnect"));
    btCancel = button("btCancel", tr("&Cancel"));
    buttons->addWidget(btStart);
    buttons->addStretch(1);
    buttons->addWidget(btConnect);
    buttons->addWidget(btCancel);
    column->addLayout(buttons);

    scan_.DevicePath = target.DevicePath;
    scan_.OnProbe = [this](int node, int asked, int total) {
        pbScan->setRange(0, total);
        pbScan->setValue(asked);
        lbScanStatus->setText(tr("Asking node %1...").arg(node));
    };
    scan_.OnEntry = [this](const TScanEntry& entry) { AddEntry(entry); };

    connect(btStart, &QPushButton::clicked, this, [this] { btStartClick(); });
    connect(btCancel, &QPushButton::clicked, this, [this] { btCancelClick(); });
    connect(btConnect, &QPushButton::clicked, this, [this] { btConnectClick(); });
    connect(grGauges, &QTableWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    connect(grGauges, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (!scan_.Running() && grGauges->item(row, gcNode)->data(kGoodRole).toBool())
            btConnectClick();
    });
    UpdateButtons();
}

TfmScanBus::~TfmScanBus() = default;

void TfmScanBus::UpdateButtons() {
    const bool running = scan_.Running();
    btStart->setEnabled(!running);
    edFromNode->setEnabled(!running);
    edToNode->setEnabled(!running);
    btConnect->setEnabled(!running && SelectedGaugeNode() >= 0);
}

int TfmScanBus::SelectedGaugeNode() const {
    const QList<QTableWidgetItem*> selected = grGauges->selectedItems();
    if (selected.isEmpty())
        return -1;
    const QTableWidgetItem* node = grGauges->item(selected.first()->row(), gcNode);
    return node && node->data(kGoodRole).toBool() ? node->data(kNodeRole).toInt() : -1;
}

void TfmScanBus::AddEntry(const TScanEntry& entry) {
    const int row = grGauges->rowCount();
    grGauges->insertRow(row);
    auto* node = new QTableWidgetItem(QString::number(entry.Node));
    node->setData(kNodeRole, entry.Node);
    node->setData(kGoodRole, entry.Ok);
    grGauges->setItem(row, gcNode, node);
    if (entry.Ok) {
        grGauges->setItem(row, gcName, new QTableWidgetItem(Latin1(entry.Identity.DeviceName)));
        grGauges->setItem(row, gcVersion,
                          new QTableWidgetItem(Latin1(entry.Identity.SoftwareVersion)));
        grGauges->setItem(row, gcPcId, new QTableWidgetItem(Latin1(entry.Identity.PcSoftwareId)));
        grGauges->setItem(row, gcFamily, new QTableWidgetItem(Latin1(entry.Family)));
    } else {
        grGauges->setItem(row, gcName, new QTableWidgetItem(Latin1(entry.Error)));
        grGauges->setSpan(row, gcName, 1, gcCount - gcName);
    }
}

void TfmScanBus::btStartClick() {
    if (scan_.Running())
        return;
    const int from = edFromNode->value();
    const int to = edToNode->value();
    if (from > to) {
        Dialogs().Information(this, tr("The first node ID must not be above the last."));
        return;
    }
    grGauges->setRowCount(0);
    pbScan->setRange(0, to - from + 1);
    pbScan->setValue(0);
    close_after_scan_ = false;
    // Run keeps the message loop going: Cancel and the table answer while it asks.
    btStart->setEnabled(false);
    edFromNode->setEnabled(false);
    edToNode->setEnabled(false);
    btConnect->setEnabled(false);
    const bool opened = scan_.Run(target_.CommPort, target_.BaudRate, from, to);
    UpdateButtons();
    if (!opened) {
        TSerialPacket& link = scan_.Link();
        const QString reason = QString::fromStdString(
            PortOpenErrorText(link.ErrorCode(), link.LastSystemError(), target_.BaudRate));
        lbScanStatus->setText(tr("Cannot open %1: %2").arg(lbPort->text(), reason));
        Dialogs().Error(this, lbScanStatus->text());
        return;
    }
    const int found = scan_.GaugesFound();
    pbScan->setValue(scan_.Cancelled() ? pbScan->value() : pbScan->maximum());
    lbScanStatus->setText((scan_.Cancelled() ? tr("Scan cancelled: ") : QString()) +
                          (found == 1 ? tr("1 gauge found") : tr("%1 gauges found").arg(found)));
    if (close_after_scan_)
        QDialog::reject();
}

// Ends a running scan and keeps the dialog with what was found; closes it otherwise.
void TfmScanBus::btCancelClick() {
    if (scan_.Running())
        scan_.Cancel();
    else
        reject();
}

void TfmScanBus::reject() {
    // Escape or the title bar's close: the scan's loop is still on the stack, so end it first
    // and close once it has returned.
    if (scan_.Running()) {
        scan_.Cancel();
        close_after_scan_ = true;
        return;
    }
    QDialog::reject();
}

void TfmScanBus::btConnectClick() {
    const int node = SelectedGaugeNode();
    if (node < 0 || scan_.Running())
        return;
    chosen_node_ = node;
    accept();
}
