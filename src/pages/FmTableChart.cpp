// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmTableChart.h"

#include "DialogService.h"
#include "FmManualLin.h"
#include "TablePreview.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const TLengthUnit kLengthUnits[] = {TLengthUnit::Millimetre, TLengthUnit::Centimetre,
                                    TLengthUnit::Metre, TLengthUnit::Inch, TLengthUnit::Foot};
const TVolumeUnit kVolumeUnits[] = {TVolumeUnit::Litre, TVolumeUnit::CubicMetre,
                                    TVolumeUnit::UsGallon, TVolumeUnit::ImperialGallon};
// A chart of many thousand rows is drawn through at most this many of them.
constexpr size_t kCurveSamples = 2000;

QComboBox* LengthBox(QWidget* parent, const char* name, TLengthUnit unit) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    for (TLengthUnit each : kLengthUnits)
        box->addItem(LengthUnitText(each));
    box->setCurrentIndex(static_cast<int>(unit));
    return box;
}

QComboBox* VolumeBox(QWidget* parent, const char* name, TVolumeUnit unit) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    for (TVolumeUnit each : kVolumeUnits)
        box->addItem(VolumeUnitText(each));
    box->setCurrentIndex(static_cast<int>(unit));
    return box;
}

} // namespace

TfmTableChart::TfmTableChart(QWidget* parent, TLengthUnit lengthUnit, TVolumeUnit volumeUnit)
    : QDialog(parent) {
    setObjectName(QStringLiteral("fmTableChart"));
    setWindowTitle(tr("Fit Chart"));
    auto* form = new QFormLayout;
    auto add = [&](const char* caption, QWidget* control, QLayout* row = nullptr) {
        auto* label = new QLabel(tr(caption), this);
        label->setBuddy(control);
        if (row)
            form->addRow(label, row);
        else
            form->addRow(label, control);
    };
    edChartFile = new QLineEdit(this);
    edChartFile->setObjectName(QStringLiteral("edChartFile"));
    btBrowse = new QPushButton(tr("&Browse..."), this);
    btBrowse->setObjectName(QStringLiteral("btBrowse"));
    btBrowse->setAutoDefault(false);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(edChartFile, 1);
    fileRow->addWidget(btBrowse);
    add(QT_TR_NOOP("C&hart file:"), edChartFile, fileRow);
    // Charts are mostly strapped in millimetres and litres.
    cbChartHeightUnit = LengthBox(this, "cbChartHeightUnit", TLengthUnit::Millimetre);
    add(QT_TR_NOOP("Chart h&eight unit:"), cbChartHeightUnit);
    cbChartVolumeUnit = VolumeBox(this, "cbChartVolumeUnit", TVolumeUnit::Litre);
    add(QT_TR_NOOP("Chart v&olume unit:"), cbChartVolumeUnit);
    sePoints = new QSpinBox(this);
    sePoints->setObjectName(QStringLiteral("sePoints"));
    sePoints->setRange(2, 100);
    sePoints->setValue(100);
    add(QT_TR_NOOP("&Points:"), sePoints);
    cbLengthUnit = LengthBox(this, "cbLengthUnit", lengthUnit);
    add(QT_TR_NOOP("Table &length unit:"), cbLengthUnit);
    cbVolumeUnit = VolumeBox(this, "cbVolumeUnit", volumeUnit);
    add(QT_TR_NOOP("Table &volume unit:"), cbVolumeUnit);

    Preview = new TTablePreview(this);
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* top = new QHBoxLayout;
    top->addLayout(form);
    top->addWidget(Preview, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(Buttons);

    connect(btBrowse, &QPushButton::clicked, this, [this] {
        const QString name =
            Dialogs().OpenFileName(this, tr("Fit Chart"), TfmManualLin::FileFilter());
        if (!name.isEmpty())
            ReadChart(name);
    });
    edChartFile->installEventFilter(this);
    for (QComboBox* box : {cbChartHeightUnit, cbChartVolumeUnit, cbLengthUnit, cbVolumeUnit})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { UpdatePreview(); });
    connect(sePoints, &QSpinBox::valueChanged, this, [this] { UpdatePreview(); });
    UpdatePreview();
}

bool TfmTableChart::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the file box reads the chart; it must not also press OK.
    if (watched == edChartFile && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ReadChart(edChartFile->text());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfmTableChart::ReadChart(const QString& fileName) {
    edChartFile->setText(fileName);
    Chart_.reset();
    const TChartRead read = ReadChartFile(fileName.toStdString());
    if (read.Ok) {
        Chart_ = read.Chart;
        ChartFault_.clear();
    } else {
        ChartFault_ = QFileInfo(fileName).fileName() + QStringLiteral(": ") +
                      QString::fromStdString(read.Message);
    }
    UpdatePreview();
}

void TfmTableChart::UpdatePreview() {
    Table_.reset();
    Buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    if (!Chart_) {
        Preview->ShowFault(ChartFault_.isEmpty() ? tr("Choose the strapping chart's CSV file.")
                                                 : ChartFault_);
        return;
    }
    TChartFitRequest request;
    request.ChartHeightUnit = kLengthUnits[cbChartHeightUnit->currentIndex()];
    request.ChartVolumeUnit = kVolumeUnits[cbChartVolumeUnit->currentIndex()];
    request.HeightUnit = kLengthUnits[cbLengthUnit->currentIndex()];
    request.VolumeUnit = kVolumeUnits[cbVolumeUnit->currentIndex()];
    request.Points = sePoints->value();
    const TChartFit fitted = FitChart(*Chart_, request);
    if (!fitted.Ok) {
        Preview->ShowFault(QString::fromStdString(fitted.Message));
        return;
    }
    QList<QPointF> exact;
    const size_t rows = Chart_->Heights.size();
    const size_t step = rows / kCurveSamples + 1;
    for (size_t k = 0; k < rows; k = k + step < rows || k + 1 == rows ? k + step : rows - 1)
        exact << QPointF(
            ConvertLength(Chart_->Heights[k], request.ChartHeightUnit, request.HeightUnit),
            ConvertVolume(Chart_->Volumes[k], request.ChartVolumeUnit, request.VolumeUnit));
    Table_ = fitted.Table;
    Preview->ShowTable(*Table_, exact);
    Buttons->button(QDialogButtonBox::Ok)->setEnabled(true);
}
