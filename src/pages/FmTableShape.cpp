// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmTableShape.h"

#include "TablePreview.h"
#include "Values.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace {

const TLengthUnit kLengthUnits[] = {TLengthUnit::Millimetre, TLengthUnit::Centimetre,
                                    TLengthUnit::Metre, TLengthUnit::Inch, TLengthUnit::Foot};
const TVolumeUnit kVolumeUnits[] = {TVolumeUnit::Litre, TVolumeUnit::CubicMetre,
                                    TVolumeUnit::UsGallon, TVolumeUnit::ImperialGallon};
const THeadKind kHeads[] = {THeadKind::Flat, THeadKind::Hemispherical, THeadKind::Ellipsoidal,
                            THeadKind::Torispherical, THeadKind::Conical};
const char* const kHeadTexts[] = {QT_TRANSLATE_NOOP("TfmTableShape", "Flat"),
                                  QT_TRANSLATE_NOOP("TfmTableShape", "Hemispherical"),
                                  QT_TRANSLATE_NOOP("TfmTableShape", "Ellipsoidal"),
                                  QT_TRANSLATE_NOOP("TfmTableShape", "Torispherical (ASME F&D)"),
                                  QT_TRANSLATE_NOOP("TfmTableShape", "Conical")};
// Points of the exact curve drawn behind the table's.
constexpr int kCurveSamples = 400;

QComboBox* HeadBox(QWidget* parent, const char* name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    for (const char* text : kHeadTexts)
        box->addItem(QCoreApplication::translate("TfmTableShape", text));
    return box;
}

// A size typed in: empty counts as not given (0).
bool Size(const QLineEdit* edit, double& value) {
    const std::string text = edit->text().trimmed().toStdString();
    value = 0;
    if (text.empty())
        return true;
    return TryStrToFloat(text, value, '.') && std::isfinite(value);
}

} // namespace

TfmTableShape::TfmTableShape(QWidget* parent, TLengthUnit lengthUnit, TVolumeUnit volumeUnit)
    : QDialog(parent) {
    setObjectName(QStringLiteral("fmTableShape"));
    setWindowTitle(tr("Generate Table"));
    auto* form = new QFormLayout;
    auto add = [&](const char* caption, QWidget* control) {
        auto* label = new QLabel(tr(caption), this);
        label->setBuddy(control);
        form->addRow(label, control);
    };
    cbShape = new QComboBox(this);
    cbShape->setObjectName(QStringLiteral("cbShape"));
    cbShape->addItems({tr("Horizontal cylinder"), tr("Vertical cylinder"), tr("Sphere")});
    add(QT_TR_NOOP("&Shape:"), cbShape);
    edDiameter = new QLineEdit(this);
    edDiameter->setObjectName(QStringLiteral("edDiameter"));
    add(QT_TR_NOOP("&Diameter (inside):"), edDiameter);
    edLength = new QLineEdit(this);
    edLength->setObjectName(QStringLiteral("edLength"));
    add(QT_TR_NOOP("&Length (straight part):"), edLength);
    cbHeads = HeadBox(this, "cbHeads");
    add(QT_TR_NOOP("&Heads:"), cbHeads);
    cbBottomHead = HeadBox(this, "cbBottomHead");
    add(QT_TR_NOOP("&Bottom head:"), cbBottomHead);
    cbTopHead = HeadBox(this, "cbTopHead");
    add(QT_TR_NOOP("&Top head:"), cbTopHead);
    edHeadDepth = new QLineEdit(this);
    edHeadDepth->setObjectName(QStringLiteral("edHeadDepth"));
    edHeadDepth->setPlaceholderText(tr("empty: 2:1 ellipsoidal"));
    add(QT_TR_NOOP("Head d&epth:"), edHeadDepth);
    sePoints = new QSpinBox(this);
    sePoints->setObjectName(QStringLiteral("sePoints"));
    sePoints->setRange(2, 100);
    sePoints->setValue(100);
    add(QT_TR_NOOP("&Points:"), sePoints);
    cbSpacing = new QComboBox(this);
    cbSpacing->setObjectName(QStringLiteral("cbSpacing"));
    cbSpacing->addItems({tr("Least worst error"), tr("Equal heights")});
    add(QT_TR_NOOP("Spa&cing:"), cbSpacing);
    cbLengthUnit = new QComboBox(this);
    cbLengthUnit->setObjectName(QStringLiteral("cbLengthUnit"));
    for (TLengthUnit unit : kLengthUnits)
        cbLengthUnit->addItem(LengthUnitText(unit));
    cbLengthUnit->setCurrentIndex(static_cast<int>(lengthUnit));
    add(QT_TR_NOOP("Len&gth unit:"), cbLengthUnit);
    cbVolumeUnit = new QComboBox(this);
    cbVolumeUnit->setObjectName(QStringLiteral("cbVolumeUnit"));
    for (TVolumeUnit unit : kVolumeUnits)
        cbVolumeUnit->addItem(VolumeUnitText(unit));
    cbVolumeUnit->setCurrentIndex(static_cast<int>(volumeUnit));
    add(QT_TR_NOOP("&Volume unit:"), cbVolumeUnit);

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

    for (QComboBox* box :
         {cbShape, cbHeads, cbBottomHead, cbTopHead, cbSpacing, cbLengthUnit, cbVolumeUnit})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { UpdatePreview(); });
    for (QLineEdit* edit : {edDiameter, edLength, edHeadDepth})
        connect(edit, &QLineEdit::textChanged, this, [this] { UpdatePreview(); });
    connect(sePoints, &QSpinBox::valueChanged, this, [this] { UpdatePreview(); });
    UpdatePreview();
}

bool TfmTableShape::Request(TShapeTableRequest& request, QString& message) const {
    TTankShape& shape = request.Shape;
    shape.Kind = static_cast<TTankKind>(cbShape->currentIndex());
    shape.Unit = kLengthUnits[cbLengthUnit->currentIndex()];
    request.HeightUnit = shape.Unit;
    request.VolumeUnit = kVolumeUnits[cbVolumeUnit->currentIndex()];
    request.Points = sePoints->value();
    request.Placement =
        cbSpacing->currentIndex() == 0 ? TPlacement::Best : TPlacement::EqualHeights;
    double depth = 0;
    const struct {
        QLineEdit* edit;
        double* value;
        const char* name;
    } sizes[] = {{edDiameter, &shape.Diameter, "diameter"},
                 {edLength, &shape.Length, "length"},
                 {edHeadDepth, &depth, "head depth"}};
    for (const auto& size : sizes)
        if (size.edit->isEnabled() && !Size(size.edit, *size.value)) {
            message = tr("The %1 %2 is not a number.")
                          .arg(QString::fromLatin1(size.name), size.edit->text());
            return false;
        }
    auto head = [&](QComboBox* box) {
        THead made;
        made.Kind = kHeads[box->currentIndex()];
        if (made.Kind == THeadKind::Ellipsoidal || made.Kind == THeadKind::Conical)
            made.Depth = depth;
        return made;
    };
    shape.Ends = head(cbHeads);
    shape.Bottom = head(cbBottomHead);
    shape.Top = head(cbTopHead);
    if (shape.Kind == TTankKind::Sphere)
        shape.Length = 0;
    return true;
}

void TfmTableShape::UpdatePreview() {
    const TTankKind kind = static_cast<TTankKind>(cbShape->currentIndex());
    edLength->setEnabled(kind != TTankKind::Sphere);
    cbHeads->setEnabled(kind == TTankKind::HorizontalCylinder);
    cbBottomHead->setEnabled(kind == TTankKind::VerticalCylinder);
    cbTopHead->setEnabled(kind == TTankKind::VerticalCylinder);
    edHeadDepth->setEnabled(kind != TTankKind::Sphere);

    Table_.reset();
    Buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    TShapeTableRequest request;
    QString message;
    if (edDiameter->text().trimmed().isEmpty()) {
        Preview->ShowFault(tr("Enter the tank's inside diameter."));
        return;
    }
    if (!Request(request, message)) {
        Preview->ShowFault(message);
        return;
    }
    std::string reason;
    const std::optional<TTankGeometry> geometry = TTankGeometry::Make(request.Shape, reason);
    const TShapeTable made = geometry ? ShapeTable(request) : TShapeTable{};
    if (!geometry || !made.Ok) {
        Preview->ShowFault(QString::fromStdString(geometry ? made.Message : reason));
        return;
    }
    // The exact curve, in the table's units (the shape is drawn in them).
    QList<QPointF> exact;
    for (int k = 0; k <= kCurveSamples; ++k) {
        const double height = geometry->FullHeight() * k / kCurveSamples;
        exact << QPointF(
            height, CubeToVolume(geometry->Volume(height), request.Shape.Unit, request.VolumeUnit));
    }
    Table_ = made.Table;
    Preview->ShowTable(*Table_, exact);
    Buttons->button(QDialogButtonBox::Ok)->setEnabled(true);
}
