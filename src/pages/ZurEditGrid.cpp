// SPDX-License-Identifier: GPL-3.0-or-later
#include "ZurEditGrid.h"

#include "DialogService.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

#include <algorithm>
#include <set>

namespace {

constexpr int kRowHeight = 21;
const QColor kWarningColour(255, 205, 160);

QString kWarningNotNumber() {
    return QCoreApplication::translate("TZUREditGrid", "Not a number the table can hold");
}
QString kWarningOrder() {
    return QCoreApplication::translate("TZUREditGrid", "Smaller than the value above it");
}

QString Text(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Bytes(const QString& text) {
    return text.toLatin1().toStdString();
}

bool Warned(TCellMark mark) {
    return mark == TCellMark::NotNumber || mark == TCellMark::OutOfOrder;
}

// Paints the cells: the row-number column on button face with a frame and, in the marked row,
// a triangle; data cells white, swapped to the font colour in the marked row, and in the
// warning colour when they hold a typing slip.
// "Height, row 3": the cell's column and row, as a screen reader says where it is.
QString CellPlace(const QAbstractItemModel* model, const QModelIndex& index) {
    return model->headerData(index.column(), Qt::Horizontal).toString() +
           QCoreApplication::translate("TZUREditGrid", ", row %1").arg(index.row() + 1);
}

// A Height or Volume cell names its place with its text, so a screen reader that reads only the
// cell's name still says which point it is; the row-number cells name their row.
class TGridItem final : public QTableWidgetItem {
public:
    QVariant data(int role) const override {
        if (role != Qt::AccessibleTextRole || column() == TZUREditGrid::kRowNumberColumn ||
            !tableWidget())
            return QTableWidgetItem::data(role);
        const QString value = text().isEmpty() ? QStringLiteral("empty") : text();
        return CellPlace(tableWidget()->model(), tableWidget()->indexFromItem(this)) +
               QStringLiteral(": ") + value;
    }
    QTableWidgetItem* clone() const override { return new TGridItem(*this); }
};

class TGridDelegate final : public QStyledItemDelegate {
public:
    explicit TGridDelegate(TZUREditGrid* grid) : QStyledItemDelegate(grid), Grid(grid) {}

    // The in-place editor is announced with the cell it edits.
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (editor) {
            editor->setAccessibleName(CellPlace(index.model(), index));
            editor->setAccessibleDescription(QCoreApplication::translate(
                "TZUREditGrid", "Editing the cell: Enter keeps the text, Escape cancels"));
        }
        return editor;
    }

    // What the user typed is one edit of the table.
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        Grid->UserEdit(CellPlace(model, index),
                       [&] { QStyledItemDelegate::setModelData(editor, model, index); });
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect r = option.rect;
        const int row = index.row() + 1;
        const bool marked = row == Grid->MarkedRow();
        const QColor font = Grid->palette().color(QPalette::Text);
        painter->save();
        QString text = index.data(Qt::DisplayRole).toString();
        QColor background = Qt::white;
        QColor ink = font;
        if (index.column() == TZUREditGrid::kRowNumberColumn) {
            painter->setPen(Qt::black);
            painter->drawRect(r.adjusted(-1, -1, 0, 0));
            background = Grid->palette().color(QPalette::Button);
            text += QString::number(row);
        } else {
            const size_t at = static_cast<size_t>(index.row());
            const auto& marks = Grid->Marks();
            if (at < marks.size()) {
                const TCellMark mark =
                    index.column() == kTableHeightColumn ? marks[at].Height : marks[at].Volume;
                if (Warned(mark))
                    background = kWarningColour;
            }
            if (marked) {
                background = font;
                ink = Qt::white;
            } else if (option.state & QStyle::State_Selected) {
                background = background.darker(115);
            }
        }
        painter->fillRect(r, background);
        painter->setPen(ink);
        painter->setFont(option.font);
        painter->drawText(r.adjusted(3, 3, -1, 0), Qt::AlignLeft | Qt::AlignTop, text);
        if (marked && index.column() == TZUREditGrid::kRowNumberColumn) {
            const int right = r.x() + r.width();
            const int bottom = r.y() + r.height();
            QPainterPath triangle;
            triangle.moveTo(right - 10, r.y() + 5);
            triangle.lineTo(right - 5, r.y() + r.height() / 2);
            triangle.lineTo(right - 10, bottom - 6);
            triangle.closeSubpath();
            painter->fillPath(triangle, Qt::black);
        }
        if ((option.state & QStyle::State_HasFocus) && Grid->hasFocus()) {
            painter->setPen(QPen(marked ? Qt::white : font, 1, Qt::DotLine));
            painter->drawRect(r.adjusted(1, 1, -2, -2));
        }
        painter->restore();
    }

private:
    TZUREditGrid* Grid;
};

} // namespace

TZUREditGrid::TZUREditGrid(QWidget* parent) : QTableWidget(kDataRows, 3, parent) {
    setObjectName(QStringLiteral("EditGrid"));
    setAccessibleName(tr("Linearisation table"));
    setHorizontalHeaderLabels({QString(), tr("Height"), tr("Volume")});
    QStringList numbers;
    for (int row = 1; row <= kDataRows; ++row)
        numbers << QString::number(row);
    setVerticalHeaderLabels(numbers);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setFixedHeight(kRowHeight);
    horizontalHeader()->setHighlightSections(false);
    setColumnWidth(0, 30);
    setColumnWidth(1, 140);
    setColumnWidth(2, 140);
    setShowGrid(true);
    setWordWrap(false);
    // Tab moves on to the next control, as in every other box of the page.
    setTabKeyNavigation(false);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setItemDelegate(new TGridDelegate(this));
    setItemPrototype(new TGridItem);
    for (int row = 0; row < kDataRows; ++row) {
        for (int column = 0; column < 3; ++column) {
            auto* item = new TGridItem;
            if (column == kRowNumberColumn)
                item->setData(Qt::AccessibleTextRole, tr("Row %1").arg(row + 1));
            setItem(row, column, item);
        }
    }
    connect(this, &QTableWidget::itemChanged, this, [this] { CellChanged(); });
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        MarkedRow_ = row >= 0 && column == kRowNumberColumn ? row + 1 : 0;
        viewport()->update();
    });
}

QTableWidgetItem* TZUREditGrid::Cell(int column, int row) const {
    return item(row - 1, column);
}

QString TZUREditGrid::CellText(int column, int row) const {
    const QTableWidgetItem* cell = Cell(column, row);
    return cell ? cell->text() : QString();
}

void TZUREditGrid::SetCellText(int column, int row, const QString& text) {
    if (QTableWidgetItem* cell = Cell(column, row))
        cell->setText(text);
}

TTableRows TZUREditGrid::Rows() const {
    TTableRows rows(kDataRows);
    for (int row = 1; row <= kDataRows; ++row) {
        rows[static_cast<size_t>(row - 1)] = {Bytes(CellText(kTableHeightColumn, row)),
                                              Bytes(CellText(kTableVolumeColumn, row))};
    }
    return rows;
}

void TZUREditGrid::Fill(int firstRow, const TTableRows& rows) {
    {
        const QSignalBlocker quiet(this);
        int row = firstRow;
        for (const TTableRow& point : rows) {
            if (row > kDataRows)
                break;
            SetCellText(kTableHeightColumn, row, Text(point.Height));
            SetCellText(kTableVolumeColumn, row, Text(point.Volume));
            ++row;
        }
    }
    CellChanged();
}

void TZUREditGrid::ClearTable() {
    Fill(1, TTableRows(kDataRows));
}

void TZUREditGrid::LoadTable(const TTankTable& table) {
    TTableRows rows = ::LoadTable(table);
    rows.resize(kDataRows);
    Fill(1, rows);
}

void TZUREditGrid::CellChanged() {
    UpdateMarks();
    Q_EMIT TableChanged();
}

void TZUREditGrid::UpdateMarks() {
    Marks_ = MarkTable(Rows());
    // The warning is also told in words, to a pointer and to assistive tools.
    const QSignalBlocker quiet(this);
    for (int row = 1; row <= kDataRows; ++row) {
        const size_t at = static_cast<size_t>(row - 1);
        for (int column : {kTableHeightColumn, kTableVolumeColumn}) {
            QString warning;
            if (at < Marks_.size()) {
                const TCellMark mark =
                    column == kTableHeightColumn ? Marks_[at].Height : Marks_[at].Volume;
                if (mark == TCellMark::NotNumber)
                    warning = kWarningNotNumber();
                else if (mark == TCellMark::OutOfOrder)
                    warning = kWarningOrder();
            }
            QTableWidgetItem* cell = Cell(column, row);
            if (cell->toolTip() != warning) {
                cell->setToolTip(warning);
                cell->setData(Qt::AccessibleDescriptionRole, warning);
            }
        }
    }
    viewport()->update();
}

void TZUREditGrid::CommitEdit() {
    if (state() != QAbstractItemView::EditingState)
        return;
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void TZUREditGrid::SelectAndFocusCell(int column, int row) {
    setCurrentCell(row - 1, column, QItemSelectionModel::ClearAndSelect);
    setFocus(Qt::OtherFocusReason);
}

void TZUREditGrid::ShowFault(const TTableFault& fault) {
    const QString message = Text(fault.Message);
    // A value that is not a number is reported before its cell is selected; an empty cell or
    // one out of order is selected first.
    std::string ignored;
    const QString cell = fault.Row > 0 ? CellText(fault.Column, fault.Row) : QString();
    const bool numberFault = !cell.isEmpty() && !CheckNumber(Bytes(cell), ignored);
    if (fault.Row > 0 && !numberFault)
        SelectAndFocusCell(fault.Column, fault.Row);
    Dialogs().Information(window(), message);
    if (numberFault)
        SelectAndFocusCell(fault.Column, fault.Row);
}

bool TZUREditGrid::StoreTable(TTankTable& table) {
    CommitEdit();
    TTableFault fault;
    if (!::StoreTable(Rows(), table, &fault)) {
        ShowFault(fault);
        return false;
    }
    return true;
}

void TZUREditGrid::SetVolumeUnits(const QString& unitText) {
    horizontalHeaderItem(kTableVolumeColumn)->setText(tr("Volume (") + unitText + QLatin1Char(')'));
}

bool TZUREditGrid::ExportCsv(const QString& fileName) {
    TTankTable checked{};
    if (!StoreTable(checked))
        return false;
    TTableFault fault;
    if (!::ExportCsv(fileName.toStdString(), Rows(), &fault)) {
        Dialogs().Plain(window(), Text(fault.Message));
        return false;
    }
    return true;
}

void TZUREditGrid::ImportCsv(const QString& fileName) {
    const TCsvImport imported = ::ImportCsv(fileName.toStdString());
    if (!imported.Ok) {
        Dialogs().Information(window(), Text(imported.Fault.Message));
        return;
    }
    TTableRows rows = imported.Rows;
    rows.resize(kDataRows);
    UserEdit(tr("Import CSV"), [&] { Fill(1, rows); });
}

bool TZUREditGrid::SameRows(const TTableRows& a, const TTableRows& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const TTableRow& x, const TTableRow& y) {
                          return x.Height == y.Height && x.Volume == y.Volume;
                      });
}

void TZUREditGrid::UserEdit(const QString& what, const std::function<void()>& change) {
    const TTableRows before = UserEdits_ == 0 ? Rows() : TTableRows();
    ++UserEdits_;
    struct TLeave {
        int& Depth;
        ~TLeave() { --Depth; }
    } leave{UserEdits_};
    change();
    if (UserEdits_ > 1)
        return;
    const TTableRows after = Rows();
    if (!SameRows(before, after))
        Q_EMIT RowsEdited(before, after, what);
}

void TZUREditGrid::RestoreRows(const TTableRows& rows) {
    const TTableRows now = Rows();
    int changedRow = 0;
    int changedColumn = kTableHeightColumn;
    for (size_t at = 0; at < rows.size() && at < now.size() && changedRow == 0; ++at) {
        if (rows[at].Height != now[at].Height)
            changedRow = static_cast<int>(at) + 1;
        else if (rows[at].Volume != now[at].Volume) {
            changedRow = static_cast<int>(at) + 1;
            changedColumn = kTableVolumeColumn;
        }
    }
    Restoring_ = true;
    Fill(1, rows);
    Restoring_ = false;
    if (changedRow > 0)
        SelectAndFocusCell(changedColumn, changedRow);
}

bool TZUREditGrid::PasteRows(const QString& text) {
    TTableRows rows;
    std::string message;
    if (!ParsePastedRows(Bytes(text), rows, message)) {
        Dialogs().Information(window(), Text(message));
        return false;
    }
    const int first = currentRow() >= 0 ? currentRow() + 1 : 1;
    if (first - 1 + static_cast<int>(rows.size()) > kDataRows) {
        Dialogs().Information(window(), Text(TooManyPointsMessage()));
        return false;
    }
    UserEdit(tr("Paste"), [&] { Fill(first, rows); });
    return true;
}

QString TZUREditGrid::CopiedRows() const {
    std::set<int> rows;
    for (const QModelIndex& index : selectedIndexes())
        rows.insert(index.row() + 1);
    if (rows.empty() && currentRow() >= 0)
        rows.insert(currentRow() + 1);
    TTableRows points;
    for (int row : rows)
        points.push_back(
            {Bytes(CellText(kTableHeightColumn, row)), Bytes(CellText(kTableVolumeColumn, row))});
    return Text(CopiedRowsText(points));
}

void TZUREditGrid::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        PasteRows(QApplication::clipboard()->text());
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(CopiedRows());
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        const QList<QTableWidgetItem*> cells = selectedItems();
        if (!cells.isEmpty()) {
            UserEdit(tr("Delete"), [&] {
                {
                    const QSignalBlocker quiet(this);
                    for (QTableWidgetItem* cell : cells)
                        cell->setText(QString());
                }
                CellChanged();
            });
        }
        return;
    }
    QTableWidget::keyPressEvent(event);
}
