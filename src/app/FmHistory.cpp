// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmHistory.h"

#include "Archive.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonArray>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString Text(const QJsonValue& value) {
    return value.isString() ? value.toString() : QStringLiteral("-");
}

QString LocalTime(const QJsonValue& value) {
    const QDateTime time = QDateTime::fromString(value.toString(), Qt::ISODate);
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                          : Text(value);
}

QString ChangesText(const QJsonObject& entry) {
    QStringList lines;
    for (const QJsonValue& change : entry[QStringLiteral("changes")].toArray()) {
        const QJsonObject c = change.toObject();
        lines << Text(c[QStringLiteral("group")]) + QStringLiteral(" / ") +
                     Text(c[QStringLiteral("name")]) + QStringLiteral(": ") +
                     Text(c[QStringLiteral("from")]) + QStringLiteral(" -> ") +
                     Text(c[QStringLiteral("to")]);
    }
    if (lines.isEmpty())
        lines << QCoreApplication::translate("TfmHistory", "No setting was meant to change.");
    lines << QString()
          << QCoreApplication::translate("TfmHistory", "By: ") + Text(entry[QStringLiteral("user")])
          << QCoreApplication::translate("TfmHistory", "Reason: ") +
                 Text(entry[QStringLiteral("reason")]);
    lines << QString()
          << QCoreApplication::translate("TfmHistory", "As found: ") +
                 Text(entry[QStringLiteral("as_found")])
          << QCoreApplication::translate("TfmHistory", "As left: ") +
                 Text(entry[QStringLiteral("as_left")]);
    return lines.join(QLatin1Char('\n'));
}

bool FileThere(const QJsonValue& value) {
    return value.isString() && QFileInfo(value.toString()).isFile();
}

} // namespace

TfmHistory::TfmHistory(const TArchive& archive, bool canOpen, QWidget* parent)
    : QDialog(parent), can_open_(canOpen) {
    setObjectName(QStringLiteral("fmHistory"));
    setWindowTitle(tr("History"));
    setModal(true);
    resize(680, 460);
    auto* column = new QVBoxLayout(this);

    const TArchive::TJournal journal = archive.ReadJournal();
    entries_ = journal.Entries;
    std::reverse(entries_.begin(), entries_.end());

    auto* caption = new QLabel(tr("&Writes, newest first"), this);
    column->addWidget(caption);
    tbJournal = new QTableWidget(0, 6, this);
    tbJournal->setObjectName(QStringLiteral("tbJournal"));
    tbJournal->setHorizontalHeaderLabels(
        {tr("Time"), tr("Gauge"), tr("Written"), tr("Result"), tr("Changes"), tr("By")});
    tbJournal->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tbJournal->setSelectionBehavior(QAbstractItemView::SelectRows);
    tbJournal->setSelectionMode(QAbstractItemView::SingleSelection);
    tbJournal->verticalHeader()->setVisible(false);
    tbJournal->horizontalHeader()->setStretchLastSection(true);
    caption->setBuddy(tbJournal);
    tbJournal->setAccessibleName(tr("Writes, newest first"));
    for (const QJsonObject& entry : entries_) {
        const int row = tbJournal->rowCount();
        tbJournal->insertRow(row);
        const QJsonObject identity = entry[QStringLiteral("identity")].toObject();
        const QString gauge = Text(identity[QStringLiteral("name")]) +
                              tr(" node %1 on ").arg(entry[QStringLiteral("node")].toInt()) +
                              Text(entry[QStringLiteral("device")]);
        const QStringList cells{LocalTime(entry[QStringLiteral("time")]), gauge,
                                Text(entry[QStringLiteral("operation")]),
                                Text(entry[QStringLiteral("result")]),
                                QString::number(entry[QStringLiteral("changes")].toArray().size()),
                                Text(entry[QStringLiteral("user")])};
        for (int c = 0; c < cells.size(); ++c)
            tbJournal->setItem(row, c, new QTableWidgetItem(cells[c]));
    }
    tbJournal->resizeColumnsToContents();
    column->addWidget(tbJournal, 2);

    auto* changesCaption = new QLabel(tr("C&hanges of the selected write"), this);
    column->addWidget(changesCaption);
    edChanges = new QPlainTextEdit(this);
    edChanges->setObjectName(QStringLiteral("edChanges"));
    edChanges->setReadOnly(true);
    changesCaption->setBuddy(edChanges);
    edChanges->setAccessibleName(tr("Changes of the selected write"));
    column->addWidget(edChanges, 1);

    lbFolder = new QLabel(tr("Archive: ") + QDir::toNativeSeparators(archive.Folder()), this);
    lbFolder->setObjectName(QStringLiteral("lbFolder"));
    lbFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(lbFolder);
    lbProblem = new QLabel(this);
    lbProblem->setObjectName(QStringLiteral("lbProblem"));
    if (!journal.Error.isEmpty())
        lbProblem->setText(journal.Error);
    else if (journal.BadLines > 0)
        lbProblem->setText(tr("%1 line(s) of the journal could not be read and are not listed.")
                               .arg(journal.BadLines));
    lbProblem->setVisible(!lbProblem->text().isEmpty());
    column->addWidget(lbProblem);

    auto* buttons = new QHBoxLayout;
    btOpenAsFound = new QPushButton(tr("Open As &Found"), this);
    btOpenAsFound->setObjectName(QStringLiteral("btOpenAsFound"));
    btOpenAsLeft = new QPushButton(tr("Open As &Left"), this);
    btOpenAsLeft->setObjectName(QStringLiteral("btOpenAsLeft"));
    btClose = new QPushButton(tr("&Close"), this);
    btClose->setObjectName(QStringLiteral("btClose"));
    buttons->addWidget(btOpenAsFound);
    buttons->addWidget(btOpenAsLeft);
    buttons->addStretch(1);
    buttons->addWidget(btClose);
    column->addLayout(buttons);
    if (!canOpen) {
        auto* hint = new QLabel(tr("Connect to a gauge to open an archived file."), this);
        column->addWidget(hint);
    }

    connect(tbJournal, &QTableWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
    connect(btOpenAsFound, &QPushButton::clicked, this, [this] { Choose("as_found"); });
    connect(btOpenAsLeft, &QPushButton::clicked, this, [this] { Choose("as_left"); });
    connect(btClose, &QPushButton::clicked, this, &QDialog::reject);
    if (!entries_.isEmpty())
        tbJournal->selectRow(0);
    SelectionChanged();
}

QJsonObject TfmHistory::Selected() const {
    const int row = tbJournal->currentRow();
    return row >= 0 && row < entries_.size() ? entries_[row] : QJsonObject();
}

void TfmHistory::SelectionChanged() {
    const QJsonObject entry = Selected();
    edChanges->setPlainText(entry.isEmpty() ? QString() : ChangesText(entry));
    btOpenAsFound->setEnabled(can_open_ && FileThere(entry[QStringLiteral("as_found")]));
    btOpenAsLeft->setEnabled(can_open_ && FileThere(entry[QStringLiteral("as_left")]));
}

void TfmHistory::Choose(const char* key) {
    const QJsonValue file = Selected()[QLatin1String(key)];
    if (!can_open_ || !FileThere(file))
        return;
    chosen_ = file.toString();
    accept();
}
