// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmCompare.h"

#include "ZURSettings.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString Latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QTableWidget* NewTable(QWidget* parent, const QStringList& headers, const QString& name) {
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void AddRow(QTableWidget* table, const QStringList& cells) {
    const int row = table->rowCount();
    table->insertRow(row);
    for (int column = 0; column < cells.size(); ++column)
        table->setItem(row, column, new QTableWidgetItem(cells[column]));
}

} // namespace

TfmCompare::TfmCompare(const TDifferencesBox& box, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmCompare"));
    setWindowTitle(box.Caption);
    setModal(true);
    resize(620, 420);
    auto* column = new QVBoxLayout(this);

    lbHeading = new QLabel(box.Heading, this);
    lbHeading->setObjectName(QStringLiteral("lbHeading"));
    lbHeading->setWordWrap(true);
    QFont bold = lbHeading->font();
    bold.setBold(true);
    lbHeading->setFont(bold);
    column->addWidget(lbHeading);

    const TDifferences& differences = box.Differences;
    lbEmpty = new QLabel(box.EmptyText, this);
    lbEmpty->setObjectName(QStringLiteral("lbEmpty"));
    lbEmpty->setVisible(differences.Empty());
    column->addWidget(lbEmpty);

    tbSettings = NewTable(this, {tr("Group"), tr("Setting"), box.FromColumn, box.ToColumn},
                          QStringLiteral("tbSettings"));
    tbSettings->setAccessibleName(box.Heading);
    for (const TSettingDifference& d : differences.Settings)
        AddRow(tbSettings, {QCoreApplication::translate(kSettingTextContext, d.Group.c_str()),
                            QCoreApplication::translate(kSettingTextContext, d.Name.c_str()),
                            Latin1(d.From), Latin1(d.To)});
    // A box that asks may let the user keep a setting as the gauge has it.
    choosable_ = box.Chosen && !box.AcceptText.isEmpty() && !differences.Settings.empty();
    if (choosable_) {
        for (int row = 0; row < tbSettings->rowCount(); ++row) {
            QTableWidgetItem* item = tbSettings->item(row, 0);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Checked);
        }
        lbChosen = new QLabel(this);
        lbChosen->setObjectName(QStringLiteral("lbChosen"));
        connect(tbSettings, &QTableWidget::itemChanged, this, [this] { ShowChosen(); });
    }
    tbSettings->resizeColumnsToContents();
    tbSettings->setVisible(!differences.Settings.empty());
    column->addWidget(tbSettings, 2);

    tbRows = NewTable(this, {tr("Tank Table row"), box.FromColumn, box.ToColumn},
                      QStringLiteral("tbRows"));
    tbRows->setAccessibleName(box.Heading + tr(" (tank table)"));
    for (const TRowDifference& row : differences.Table)
        AddRow(tbRows,
               {QString::number(row.Row), Latin1(RowText(row.From)), Latin1(RowText(row.To))});
    tbRows->resizeColumnsToContents();
    tbRows->setVisible(!differences.Table.empty());
    column->addWidget(tbRows, 1);
    if (differences.Empty())
        column->addStretch(1);

    if (lbChosen) {
        column->addWidget(lbChosen);
        ShowChosen();
    }
    if (box.Reason && !box.AcceptText.isEmpty()) {
        auto* reasonRow = new QHBoxLayout;
        auto* reasonLabel = new QLabel(tr("&Reason:"), this);
        edReason = new QLineEdit(*box.Reason, this);
        edReason->setObjectName(QStringLiteral("edReason"));
        edReason->setPlaceholderText(tr("optional: why these settings change"));
        edReason->setAccessibleDescription(tr("Kept with the write in the journal"));
        reasonLabel->setBuddy(edReason);
        reasonRow->addWidget(reasonLabel);
        reasonRow->addWidget(edReason, 1);
        column->addLayout(reasonRow);
    }
    auto* buttons = new QDialogButtonBox(this);
    if (!box.AcceptText.isEmpty()) {
        btAccept = buttons->addButton(box.AcceptText, QDialogButtonBox::AcceptRole);
        btAccept->setObjectName(QStringLiteral("btAccept"));
        btClose = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    } else {
        btClose = buttons->addButton(tr("Close"), QDialogButtonBox::RejectRole);
    }
    btClose->setObjectName(QStringLiteral("btClose"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
}

QString TfmCompare::Reason() const {
    return edReason ? edReason->text().trimmed() : QString();
}

std::vector<bool> TfmCompare::Chosen() const {
    std::vector<bool> chosen(static_cast<size_t>(tbSettings->rowCount()), true);
    if (!choosable_)
        return chosen;
    for (int row = 0; row < tbSettings->rowCount(); ++row)
        chosen[static_cast<size_t>(row)] = tbSettings->item(row, 0)->checkState() == Qt::Checked;
    return chosen;
}

void TfmCompare::ShowChosen() {
    const std::vector<bool> chosen = Chosen();
    const auto ticked = std::count(chosen.begin(), chosen.end(), true);
    lbChosen->setText(tr("%1 of %2 settings will change; an unticked one keeps the "
                         "gauge's value.")
                          .arg(ticked)
                          .arg(chosen.size()));
}
