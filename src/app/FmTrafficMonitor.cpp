// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmTrafficMonitor.h"

#include "DialogService.h"
#include "ProgramSettings.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const char* const kHeaders[TTrafficModel::tcCount] = {
    QT_TRANSLATE_NOOP("TTrafficModel", "Time"),
    QT_TRANSLATE_NOOP("TTrafficModel", "Dir"),
    QT_TRANSLATE_NOOP("TTrafficModel", "Node"),
    QT_TRANSLATE_NOOP("TTrafficModel", "Instruction"),
    QT_TRANSLATE_NOOP("TTrafficModel", "Length"),
    QT_TRANSLATE_NOOP("TTrafficModel", "Data"),
    QT_TRANSLATE_NOOP("TTrafficModel", "Checksum"),
    QT_TRANSLATE_NOOP("TTrafficModel", "Response ms")};

QString Latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TTrafficModel

TTrafficModel::TTrafficModel(QObject* parent) : QAbstractTableModel(parent) {}

int TTrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

int TTrafficModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : tcCount;
}

QString TTrafficModel::CellText(const TTrafficLine& line, int column) {
    switch (column) {
    case tcTime:
        return Latin1(SecondsText(line.Seconds));
    case tcDir:
        return Latin1(DirectionText(line.Direction));
    case tcNode:
        return line.Node >= 0 ? QString::number(line.Node) : QString();
    case tcInstruction:
        return Latin1(InstructionText(line));
    case tcLength:
        return line.Length >= 0 ? QString::number(line.Length) : QString();
    case tcData:
        return Latin1(HexText(line.Bytes));
    case tcChecksum:
        return Latin1(CheckText(line));
    case tcResponse:
        return line.ResponseMs >= 0 ? QString::number(line.ResponseMs) : QString();
    default:
        return {};
    }
}

QVariant TTrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const TTrafficLine& line = lines_[static_cast<size_t>(index.row())];
    // The tooltip shows a frame too long for its cell.
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole || role == Qt::ToolTipRole)
        return CellText(line, index.column());
    if (role == Qt::TextAlignmentRole && index.column() != tcInstruction &&
        index.column() != tcData && index.column() != tcChecksum)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TTrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < tcCount)
        return QCoreApplication::translate("TTrafficModel", kHeaders[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void TTrafficModel::Append(const TTrafficLine& line) {
    if (lines_.size() >= kMaxLines) {
        beginRemoveRows({}, 0, 0);
        lines_.pop_front();
        endRemoveRows();
    }
    const int row = static_cast<int>(lines_.size());
    beginInsertRows({}, row, row);
    lines_.push_back(line);
    endInsertRows();
}

void TTrafficModel::Clear() {
    beginResetModel();
    lines_.clear();
    endResetModel();
}

// ---------------------------------------------------------------------------------------------
// TfmTrafficMonitor

TfmTrafficMonitor::TfmTrafficMonitor(QWidget* parent)
    : QDockWidget(tr("Traffic Monitor"), parent), settings_(std::make_unique<TProgramSettings>()) {
    setObjectName(QStringLiteral("fmTrafficMonitor"));
    setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
    DeclareTrafficMonitorSettings(*settings_);

    auto* body = new QWidget(this);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(4, 2, 4, 4);
    auto* buttons = new QHBoxLayout;
    const auto button = [body](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, body);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    btPause = button("btPause", tr("&Pause"));
    btPause->setCheckable(true);
    btClear = button("btClear", tr("C&lear"));
    btSave = button("btSave", tr("Sa&ve..."));
    buttons->addWidget(btPause);
    buttons->addWidget(btClear);
    buttons->addWidget(btSave);
    buttons->addStretch(1);
    column->addLayout(buttons);
    lbCounts = new QLabel(body);
    lbCounts->setObjectName(QStringLiteral("lbCounts"));
    lbCounts->setAccessibleName(tr("Link statistics"));
    lbCounts->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lbCounts->setWordWrap(true);
    column->addWidget(lbCounts);

    model_ = new TTrafficModel(this);
    grTraffic = new QTableView(body);
    grTraffic->setObjectName(QStringLiteral("grTraffic"));
    grTraffic->setAccessibleName(tr("Traffic"));
    grTraffic->setModel(model_);
    grTraffic->setSelectionBehavior(QAbstractItemView::SelectRows);
    grTraffic->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grTraffic->verticalHeader()->hide();
    grTraffic->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    grTraffic->horizontalHeader()->setStretchLastSection(false);
    grTraffic->horizontalHeader()->setSectionResizeMode(TTrafficModel::tcData,
                                                        QHeaderView::Stretch);
    const int widths[TTrafficModel::tcCount] = {64, 44, 40, 190, 50, 0, 84, 84};
    for (int c = 0; c < TTrafficModel::tcCount; ++c)
        if (widths[c] > 0)
            grTraffic->setColumnWidth(c, widths[c]);
    column->addWidget(grTraffic, 1);
    setWidget(body);

    recorder_.OnLine = [this](const TTrafficLine& line) {
        // Follow the newest line only while the user has not scrolled back.
        QScrollBar* bar = grTraffic->verticalScrollBar();
        const bool atEnd = bar->value() >= bar->maximum();
        model_->Append(line);
        if (atEnd)
            grTraffic->scrollToBottom();
        ShowCounts();
    };
    ShowCounts();
    connect(btPause, &QPushButton::clicked, this, [this] { btPauseClick(); });
    connect(btClear, &QPushButton::clicked, this, [this] { btClearClick(); });
    connect(btSave, &QPushButton::clicked, this, [this] { btSaveClick(); });

    QDockWidget::setVisible(false);
}

TfmTrafficMonitor::~TfmTrafficMonitor() {
    recorder_.Detach();
}

void TfmTrafficMonitor::SetLink(TSerialPacket* link) {
    recorder_.Detach();
    link_ = link;
    UpdateTap();
}

void TfmTrafficMonitor::UpdateTap() {
    const bool watch = link_ && !isHidden() && !btPause->isChecked();
    if (watch && !recorder_.Attached())
        recorder_.Attach(*link_);
    else if (!watch && recorder_.Attached())
        recorder_.Detach();
}

void TfmTrafficMonitor::setVisible(bool visible) {
    QDockWidget::setVisible(visible);
    UpdateTap();
}

void TfmTrafficMonitor::closeEvent(QCloseEvent* event) {
    QDockWidget::closeEvent(event);
    if (event->isAccepted() && OnClosed)
        OnClosed();
}

void TfmTrafficMonitor::btPauseClick() {
    btPause->setText(btPause->isChecked() ? tr("&Resume") : tr("&Pause"));
    UpdateTap();
}

void TfmTrafficMonitor::ShowCounts() {
    lbCounts->setText(Latin1(CountsText(recorder_.Counts())));
}

void TfmTrafficMonitor::btClearClick() {
    model_->Clear();
    recorder_.ClearCounts();
    ShowCounts();
}

void TfmTrafficMonitor::btSaveClick() {
    const QString name = Dialogs().SaveFileName(this, tr("Save Traffic"), tr("CSV files (*.csv)"));
    if (name.isEmpty())
        return;
    std::string text = TrafficCsvHeader();
    for (const TTrafficLine& line : model_->Lines())
        text += TrafficCsvLine(line);
    // Whole or not at all: an existing file stays as it was when the write fails.
    QSaveFile file(name);
    const bool saved = file.open(QIODevice::WriteOnly) &&
                       file.write(text.data(), static_cast<qint64>(text.size())) ==
                           static_cast<qint64>(text.size()) &&
                       file.commit();
    if (!saved)
        Dialogs().Error(
            this, tr("The traffic could not be saved to %1:\n%2").arg(name, file.errorString()));
}

void TfmTrafficMonitor::Remember(bool open, bool withHeight) {
    TProgramSettings& s = *settings_;
    if (TProgramSetting* visible = s.Lookup(QString::fromLatin1(kTrafficMonitorVisible)))
        visible->BooleanValue = open;
    if (TProgramSetting* height = s.Lookup(QString::fromLatin1(kTrafficMonitorHeight)))
        if (withHeight && !isHidden() && this->height() > 0)
            height->IntegerValue = this->height();
    try {
        s.SaveAll();
    } catch (const TSettingsError&) {
        // Where the dock was is not worth a message box; it opens closed next time.
    }
}

void TfmTrafficMonitor::Restore() {
    try {
        settings_->LoadAll();
    } catch (const TSettingsError&) {
        // Unreadable: the defaults (closed) hold.
    }
}
