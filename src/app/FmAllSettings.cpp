// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmAllSettings.h"

#include "T7310.h"
#include "ZURSettings.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QString Bytes(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsNumber(const TZURSetting& item) {
    return item.DataType == stByte || item.DataType == stWord || item.DataType == stLong;
}

QString Shown(double raw, const TZURSetting& item) {
    return QString::number(raw * item.Scale, 'f', item.Decimals);
}

QString RangeText(const TZURSetting& item) {
    switch (item.DataType) {
    case stByte:
    case stWord:
    case stLong:
        return Shown(static_cast<double>(item.Min), item) + QStringLiteral(" - ") +
               Shown(static_cast<double>(item.Max), item);
    case stText:
        return QCoreApplication::translate("TfmAllSettings", "up to %1 characters").arg(item.Max);
    case stOnOff:
        // The words the value column shows and accepts, in every language.
        return QStringLiteral("OFF / ON");
    case stEdge:
        return QStringLiteral("RISING EDGE / FALLING EDGE");
    default:
        return {};
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The rows

TSettingsModel::TSettingsModel(T7310& device, QObject* parent)
    : QAbstractTableModel(parent), device_(device) {
    Reload();
}

void TSettingsModel::Reload() {
    beginResetModel();
    rows_.clear();
    const TZURSettings& settings = device_.Settings();
    for (size_t i = 0; i < settings.Count(); ++i) {
        const TZURSetting& item = settings.Item(i);
        if (item.IsValue() && device_.AppliesTo(item.Family))
            rows_.push_back(&item);
    }
    endResetModel();
}

void TSettingsModel::Refresh() {
    if (!rows_.empty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, scCount - 1));
}

const TZURSetting* TSettingsModel::Setting(int row) const {
    return row >= 0 && row < rowCount() ? rows_[static_cast<size_t>(row)] : nullptr;
}

QString TSettingsModel::ValueText(const TZURSetting& item) const {
    if (EditedText)
        if (const std::optional<QString> edited = EditedText(&item))
            return *edited;
    if (IsNumber(item))
        return QString::fromStdString(item.EntryText(device_.Image));
    return Bytes(item.AsText(device_.Image, true, false));
}

QString TSettingsModel::GaugeText(const TZURSetting& item) const {
    // Offline, or before a read of all settings, nothing is known of the gauge.
    if (!device_.Connected() || !device_.GaugeImageKnown())
        return {};
    if (IsNumber(item))
        return QString::fromStdString(item.EntryText(device_.GaugeImage));
    return Bytes(item.AsText(device_.GaugeImage, true, false));
}

bool TSettingsModel::Changed(int row) const {
    const TZURSetting* item = Setting(row);
    if (!item || !device_.Connected() || !device_.GaugeImageKnown())
        return false;
    return ValueText(*item) != GaugeText(*item);
}

bool TSettingsModel::Editable(const TZURSetting& item) const {
    return item.Writable() && (IsNumber(item) || item.DataType == stText);
}

int TSettingsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TSettingsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : scCount;
}

QVariant TSettingsModel::data(const QModelIndex& index, int role) const {
    const TZURSetting* item = Setting(index.row());
    if (!item)
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::AccessibleTextRole) {
        switch (index.column()) {
        case scGroup:
            return QCoreApplication::translate(kSettingTextContext, item->Group.c_str());
        case scName:
            return QCoreApplication::translate(kSettingTextContext, item->Name.c_str());
        case scValue:
            return ValueText(*item);
        case scGauge:
            return GaugeText(*item);
        case scUnit:
            return QString::fromStdString(UnitText(item->Unit, device_.Image));
        case scRange:
            return RangeText(*item);
        }
    }
    // A changed value is bold and says so in words, not by colour alone.
    if (Changed(index.row())) {
        if (role == Qt::FontRole && index.column() == scValue) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        if (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole)
            return tr("differs from the gauge");
    }
    return {};
}

QVariant TSettingsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    static const char* const kTitles[] = {QT_TRANSLATE_NOOP("TSettingsModel", "Group"),
                                          QT_TRANSLATE_NOOP("TSettingsModel", "Name"),
                                          QT_TRANSLATE_NOOP("TSettingsModel", "Value"),
                                          QT_TRANSLATE_NOOP("TSettingsModel", "On the gauge"),
                                          QT_TRANSLATE_NOOP("TSettingsModel", "Unit"),
                                          QT_TRANSLATE_NOOP("TSettingsModel", "Range")};
    return section >= 0 && section < scCount
               ? QCoreApplication::translate("TSettingsModel", kTitles[section])
               : QVariant();
}

Qt::ItemFlags TSettingsModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const TZURSetting* item = Setting(index.row());
    if (item && index.column() == scValue && Editable(*item))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool TSettingsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const TZURSetting* item = Setting(index.row());
    if (role != Qt::EditRole || !item || index.column() != scValue || !Editable(*item))
        return false;
    const QString text = value.toString();
    if (item->DataType == stText) {
        // The gauge keeps a text in single bytes, up to its length.
        const bool fits =
            text.size() <= item->Max && std::all_of(text.begin(), text.end(), [](QChar c) {
                return c.unicode() >= 0x20 && c.unicode() <= 0xFF;
            });
        if (!fits) {
            if (OnRefused)
                OnRefused(tr("%1 holds up to %2 characters of the Latin-1 set.")
                              .arg(Bytes(item->Name))
                              .arg(item->Max));
            return false;
        }
        if (OnEditing)
            OnEditing(item);
        if (std::string* stored = item->Where.Text(device_.Image))
            *stored = text.toLatin1().toStdString();
    } else {
        const TEntryResult entry = item->FromText(text.toStdString());
        if (!entry.Ok) {
            if (OnRefused)
                OnRefused(QString::fromStdString(entry.Message));
            return false;
        }
        if (OnEditing)
            OnEditing(item);
        item->SetValue(device_.Image, entry.Raw);
    }
    if (OnEdited)
        OnEdited(item);
    Refresh();
    return true;
}

// ---------------------------------------------------------------------------------------------
// The filter

void TSettingsFilter::SetText(const QString& text) {
    text_ = text.trimmed();
    invalidateFilter();
}

void TSettingsFilter::SetChangedOnly(bool on) {
    changed_only_ = on;
    invalidateFilter();
}

bool TSettingsFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    const auto* model = static_cast<const TSettingsModel*>(sourceModel());
    if (changed_only_ && !model->Changed(sourceRow))
        return false;
    if (text_.isEmpty())
        return true;
    for (int column : {TSettingsModel::scGroup, TSettingsModel::scName, TSettingsModel::scValue})
        if (model->index(sourceRow, column, sourceParent)
                .data()
                .toString()
                .contains(text_, Qt::CaseInsensitive))
            return true;
    return false;
}

// ---------------------------------------------------------------------------------------------
// The dock

TfmAllSettings::TfmAllSettings(T7310& device, QWidget* parent)
    : QDockWidget(tr("All Settings"), parent) {
    setObjectName(QStringLiteral("fmAllSettings"));
    auto* body = new QWidget(this);
    edFilter = new QLineEdit(body);
    edFilter->setObjectName(QStringLiteral("edFilter"));
    edFilter->setClearButtonEnabled(true);
    edFilter->setPlaceholderText(tr("Group, name or value"));
    auto* caption = new QLabel(tr("&Filter"), body);
    caption->setBuddy(edFilter);
    edFilter->setAccessibleName(tr("Filter"));
    cbChangedOnly = new QCheckBox(tr("&Changed only"), body);
    cbChangedOnly->setObjectName(QStringLiteral("cbChangedOnly"));

    model_ = new TSettingsModel(device, this);
    filter_ = new TSettingsFilter(this);
    filter_->setSourceModel(model_);
    tvSettings = new QTableView(body);
    tvSettings->setObjectName(QStringLiteral("tvSettings"));
    tvSettings->setAccessibleName(tr("All Settings"));
    tvSettings->setModel(filter_);
    tvSettings->setSelectionBehavior(QAbstractItemView::SelectRows);
    tvSettings->setSelectionMode(QAbstractItemView::SingleSelection);
    tvSettings->setEditTriggers(QAbstractItemView::DoubleClicked |
                                QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::AnyKeyPressed);
    // The texts decide the columns' widths; the value columns take what is left.
    QHeaderView* header = tvSettings->horizontalHeader();
    for (int column : {TSettingsModel::scGroup, TSettingsModel::scName, TSettingsModel::scUnit,
                       TSettingsModel::scRange})
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(TSettingsModel::scValue, QHeaderView::Stretch);
    header->setSectionResizeMode(TSettingsModel::scGauge, QHeaderView::Stretch);
    tvSettings->verticalHeader()->setVisible(false);
    tvSettings->verticalHeader()->setDefaultSectionSize(tvSettings->fontMetrics().height() + 8);
    tvSettings->setWordWrap(false);

    auto* top = new QHBoxLayout;
    top->addWidget(caption);
    top->addWidget(edFilter, 1);
    top->addWidget(cbChangedOnly);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top);
    layout->addWidget(tvSettings, 1);
    setWidget(body);

    // A new gauge may be of another family; what was read, written or loaded changes values.
    const auto reload = [this](T7310*) { model_->Reload(); };
    heard_.push_back(device.OnConnected.Subscribe(reload));
    heard_.push_back(device.OnDisconnected.Subscribe(reload));
    heard_.push_back(device.OnReadAllDone.Subscribe(reload));
    // A file opened or settings prepared offline, maybe of another family.
    heard_.push_back(device.OnSettingsRead.Subscribe(reload));
    heard_.push_back(device.OnSettingWritten.Subscribe(
        [this](T7310*, const std::string&) { model_->Refresh(); }));
    heard_.push_back(device.OnTankShape.Subscribe(
        [this](T7310*, const TTankDescription&) { model_->Refresh(); }));
    heard_.push_back(
        device.OnAlarms.Subscribe([this](T7310*, const TAlarmRefs&) { model_->Refresh(); }));

    connect(edFilter, &QLineEdit::textChanged, filter_, &TSettingsFilter::SetText);
    connect(cbChangedOnly, &QCheckBox::toggled, filter_, &TSettingsFilter::SetChangedOnly);
    // A double-click on the value edits it; anywhere else it shows the setting's page.
    connect(tvSettings, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.column() == TSettingsModel::scValue && (index.flags() & Qt::ItemIsEditable))
            return;
        if (const TZURSetting* setting = SettingAt(index.row()))
            Q_EMIT ShowSettingRequested(setting);
    });
}

const TZURSetting* TfmAllSettings::SettingAt(int row) const {
    const QModelIndex source = filter_->mapToSource(filter_->index(row, 0));
    return source.isValid() ? model_->Setting(source.row()) : nullptr;
}

int TfmAllSettings::RowsShown() const {
    return filter_->rowCount();
}

void TfmAllSettings::FocusFilter() {
    show();
    raise();
    edFilter->setFocus(Qt::ShortcutFocusReason);
    edFilter->selectAll();
}

void TfmAllSettings::showEvent(QShowEvent* event) {
    // The family may have changed while the dock was closed.
    model_->Reload();
    QDockWidget::showEvent(event);
}
