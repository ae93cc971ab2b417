// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmManualLin.h"

#include "DialogService.h"
#include "FmTableChart.h"
#include "FmTableShape.h"
#include "T7310.h"
#include "TableCurve.h"
#include "TablePreview.h"
#include "Values.h"
#include "ZurEditGrid.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace {

QString kHelpText() {
    return QCoreApplication::translate(
        "TfmManualLin",
        "Manual Linearisation allows you to specify up to 90 points for the T7310 device to "
        "interpolate between.  By entering a range of height & volume pairs you can calculate the "
        "volume of irregular tanks.  You must, however, be able to measure the height from the "
        "linear sensor and be able to relate this to the volume in the tank.  An absolute minimum "
        "of two points are needed, and the points must be arranged in ascending order.\n\nFor "
        "further information on manual linearisation please consult the user manual.");
}
QString kFileWriteError() {
    return QCoreApplication::translate("TfmManualLin",
                                       "An error occured whilst writing the file.\n");
}

} // namespace

QString TfmManualLin::FileFilter() {
    return tr("Comma Separated Values (*.CSV *.csv);;Text Files (*.TXT *.txt);;All Files (*)");
}

TfmManualLin::TfmManualLin(QWidget* host, T7310& device)
    : TZURPage(host, device,
               {.Heading = tr("Manual Linearisation:"),
                .HelpObjectName = QStringLiteral("lbManualLinearisationText"),
                .HelpText = kHelpText(),
                .SuccessText = tr("Manual points written successfully."),
                .ReadFailure = TReadFailure::Silent,
                .ErrorBoxAfterFailedGather = false}) {
    BuildBody();
    if (Grid)
        ShownRows_ = Grid->Rows();
    TableProgressHeard_ =
        Device.OnTableProgress.Subscribe([this](T7310*, int percent) { TableProgress(percent); });
    TankTableHeard_ = Device.OnTankTable.Subscribe(
        [this](T7310*, const TTankTable&, const TTankDescription&) { TankTable(); });
    UpdateUOMTimer = new QTimer(this);
    UpdateUOMTimer->setObjectName(QStringLiteral("UpdateUOMTimer"));
    UpdateUOMTimer->setInterval(1000);
    connect(UpdateUOMTimer, &QTimer::timeout, this, [this] { UpdateUOMTimerTimer(); });
    UpdateUOMTimer->start();
}

void TfmManualLin::BuildBody() {
    auto* outer = new QGridLayout(Body);
    outer->setContentsMargins(8, 8, 8, 8);
    outer->setSpacing(6);

    pnTableGrid = new QFrame(Body);
    pnTableGrid->setObjectName(QStringLiteral("pnTableGrid"));
    pnTableGrid->setFixedSize(361, 353);
    auto* table = new QGridLayout(pnTableGrid);
    table->setContentsMargins(0, 0, 0, 0);
    try {
        Grid = new TZUREditGrid(pnTableGrid);
        table->addWidget(Grid, 0, 0);
        connect(Grid, &TZUREditGrid::TableChanged, this, [this] {
            ShowCurve();
            // An undo or redo: the table is edited when it differs from what the gauge holds.
            if (Grid->Restoring())
                SetTableEdited(!TZUREditGrid::SameRows(Grid->Rows(), ShownRows_));
        });
    } catch (const std::exception&) {
        Grid = nullptr;
        Dialogs().Plain(this, tr("Error creating Edit Grid Object "));
    }
    pbTable = new QProgressBar(pnTableGrid);
    pbTable->setObjectName(QStringLiteral("pbTable"));
    pbTable->setRange(0, 100);
    pbTable->setAccessibleName(tr("Table transfer"));
    pbTable->hide();
    table->addWidget(pbTable, 0, 0, Qt::AlignBottom);
    outer->addWidget(pnTableGrid, 0, 0, 2, 1, Qt::AlignTop);

    auto* buttons = new QVBoxLayout;
    btImportCSV = Button("btImportCSV", tr("&Import CSV"));
    btExportCSV = Button("btExportCSV", tr("&Export CSV"));
    btClearTable = Button("btClearTable", tr("&Clear Table"));
    btGenerate = Button("btGenerate", tr("&Generate..."));
    btFitChart = Button("btFitChart", tr("Fit C&hart..."));
    for (QPushButton* b : {btImportCSV, btExportCSV, btGenerate, btFitChart, btClearTable})
        buttons->addWidget(b);
    lbTableEdited = new QLabel(Body);
    lbTableEdited->setObjectName(QStringLiteral("lbTableEdited"));
    lbTableEdited->setWordWrap(true);
    lbTableEdited->setAccessibleDescription(tr("Table state"));
    buttons->addWidget(lbTableEdited);
    outer->addLayout(buttons, 0, 1, Qt::AlignTop);

    Curve = new TTableCurve(Body);
    // At the window's first size the curve gets the room beside the buttons; it grows with
    // the window.
    Curve->setMinimumSize(60, 120);
    outer->addWidget(Curve, 1, 1);
    outer->setRowStretch(1, 1);
    outer->setColumnStretch(1, 1);

    connect(btImportCSV, &QPushButton::clicked, this, [this] { btImportCSVClick(); });
    connect(btExportCSV, &QPushButton::clicked, this, [this] { btExportCSVClick(); });
    connect(btClearTable, &QPushButton::clicked, this, [this] { btClearTableClick(); });
    connect(btGenerate, &QPushButton::clicked, this, [this] { btGenerateClick(); });
    connect(btFitChart, &QPushButton::clicked, this, [this] { btFitChartClick(); });
}

void TfmManualLin::SetPageEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{btExportCSV, btImportCSV, btClearTable,
                                                      btGenerate, btFitChart})
        w->setEnabled(enabled);
    if (Grid)
        Grid->setEnabled(enabled);
    SetButtonsEnabled(enabled);
}

void TfmManualLin::TableProgress(int percent) {
    pbTable->setVisible(true);
    pbTable->setValue(percent);
    // The transfer blocks this page's handlers: the bar is painted now, not after it.
    pbTable->repaint();
    if (percent == 100)
        pbTable->setVisible(false);
}

void TfmManualLin::TankTable() {
    TankTableRef = &Device.Image.TankTable;
    TankDescriptionRef = &Device.Image.TankDescription;
    if (Grid) {
        Grid->LoadTable(*TankTableRef);
        ShownRows_ = Grid->Rows();
    }
    SetTableEdited(false);
    // The unit is known now; the timer keeps it up to date.
    UpdateUOMTimerTimer();
}

bool TfmManualLin::GatherTankTable() {
    TankTableRef = &Device.Image.TankTable;
    if (!Grid || !Grid->StoreTable(*TankTableRef))
        return false;
    Grid->LoadTable(*TankTableRef);
    return true;
}

bool TfmManualLin::ReadSettings() {
    return Device.ReadTankTable();
}

bool TfmManualLin::WriteSettings() {
    const bool written = Device.WriteTankTable();
    if (written) {
        SetTableEdited(false);
        if (Grid)
            ShownRows_ = Grid->Rows();
    }
    return written;
}

void TfmManualLin::btImportCSVClick() {
    const QString name = Dialogs().OpenFileName(this, tr("Import CSV"), FileFilter());
    if (!name.isEmpty() && Grid)
        Grid->ImportCsv(name);
}

void TfmManualLin::btExportCSVClick() {
    QString name = Dialogs().SaveFileName(this, tr("Export CSV"), FileFilter());
    if (name.isEmpty() || !Grid)
        return;
    if (QFileInfo(name).suffix().isEmpty()) {
        // The dialog asked about the name as typed; the name with its extension may exist too.
        name += QStringLiteral(".CSV");
        if (QFileInfo::exists(name) &&
            !Dialogs().Question(this,
                                QFileInfo(name).fileName() + tr(" already exists.\nDo you want to "
                                                                "replace it?")))
            return;
    }
    if (!Grid->ExportCsv(name))
        Dialogs().Error(this, kFileWriteError());
}

void TfmManualLin::btClearTableClick() {
    if (Grid)
        Grid->UserEdit(tr("Clear Table"), [this] { Grid->ClearTable(); });
}

namespace {

// The tank's units (Tank Settings) as the dialogs' starting units.
std::pair<TLengthUnit, TVolumeUnit> TankUnits(const TTankDescription* description) {
    const uint8_t uom = description ? description->data()[img::TankRecordOffset + img::TankUom] : 0;
    if (uom == 1)
        return {TLengthUnit::Inch, TVolumeUnit::UsGallon};
    if (uom == 2)
        return {TLengthUnit::Foot, TVolumeUnit::UsGallon};
    return {TLengthUnit::Metre, TVolumeUnit::CubicMetre};
}

} // namespace

void TfmManualLin::btGenerateClick() {
    const auto [length, volume] = TankUnits(TankDescriptionRef);
    // Window-modal and not blocking, so the page goes on repainting behind it.
    auto* dialog = new TfmTableShape(this, length, volume);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        if (dialog->Table())
            FillFromTable(*dialog->Table(), tr("Generate"));
    });
    dialog->open();
}

void TfmManualLin::btFitChartClick() {
    const auto [length, volume] = TankUnits(TankDescriptionRef);
    auto* dialog = new TfmTableChart(this, length, volume);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        if (dialog->Table())
            FillFromTable(*dialog->Table(), tr("Fit Chart"));
    });
    dialog->open();
}

void TfmManualLin::FillFromTable(const TFittedTable& table, const QString& what) {
    TTankTable stored{};
    if (!Grid || !StoreTable(TableRows(table), stored))
        return;
    // The grid only: the device object's table changes at Write Settings.
    Grid->UserEdit(what, [&] { Grid->LoadTable(stored); });
    SetTableEdited(true);
}

void TfmManualLin::SetTableEdited(bool edited) {
    TableEdited_ = edited;
    lbTableEdited->setText(edited ? tr("Table ") + kEditedText : QString());
    if (Grid)
        Grid->setAccessibleDescription(edited ? kEditedText : QString());
}

void TfmManualLin::UpdateUOMTimerTimer() {
    if (!TankDescriptionRef || !Grid)
        return;
    const uint8_t uom = TankDescriptionRef->data()[img::TankRecordOffset + img::TankUom];
    if (uom > 2)
        return;
    Grid->SetVolumeUnits(TableVolumeSymbol(uom));
    Curve->SetUnits(TableLengthSymbol(uom), TableVolumeSymbol(uom));
}

void TfmManualLin::ShowCurve() {
    Curve->ShowTable(Grid->Rows(), Grid->Marks());
}
