// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmSensorParams.h"

#include "DialogService.h"
#include "FieldChecks.h"
#include "T7310.h"
#include "Values.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <QTimer>

#include <algorithm>
#include <cmath>

// The page's drawings live in a static library: register them before the first use.
static void InitPageResources() {
    Q_INIT_RESOURCE(pages);
}

namespace {

const char* const kHelp = QT_TRANSLATE_NOOP(
    "TfmSensorParameters",
    "The sensor parameters on this page allow you to scale the input range of your sensor to "
    "the T8310 device. Using this scaling you can allow for the sensor to be set above or below "
    "the bottom of the tank.\n\nIf the sensor is set 50mm above the bottom, enter 0.05(m) in "
    "the Sensor Min box.\nIf the sensor is a 3 meter sensor, enter 3.0 plus the 0.05 (Min) into "
    "the Sensor Max box, i.e. 3.05(m).\n(5 meter sensor = 5.05(m) etc.)\n\nFor sensors mounted "
    "externally below the tank please consult factory.\n\nSG must be entered on this "
    "screen.\nSG values of common fluids are listed on the maker's web site.");

const char* const kUnitLabels[] = {"(m.)", "(in.)", "(ft.)"};

} // namespace

QString TfmSensorParameters::CalibrationNoteText() {
    return tr("The gauge's input calibration is not valid (the 4 mA and 20 mA readings are "
              "equal), so sensor readings cannot be converted.");
}

std::optional<TInputCalibration> TInputCalibration::From(uint16_t c4, uint16_t c20) {
    if (c4 == c20)
        return std::nullopt;
    TInputCalibration line;
    line.Slope = 16.0f / static_cast<float>(int{c20} - int{c4});
    line.Offset = 20.0f - static_cast<float>(c20) * line.Slope;
    return line;
}

uint16_t TInputCalibration::Count(float milliamperes) const {
    const float count = (milliamperes - Offset) / Slope;
    return static_cast<uint16_t>(std::min<uint32_t>(ScaledRound(count, 1.0), UINT16_MAX));
}

TfmSensorParameters::TfmSensorParameters(QWidget* host, T7310& device)
    : TZURPage(host, device,
               {.Heading = tr("Sensor Parameters:"),
                .HelpObjectName = QStringLiteral("lbSensorParamText"),
                .HelpText = QCoreApplication::translate("TfmSensorParameters", kHelp),
                .SuccessText = tr("Sensor Parameter settings written successfully."),
                .ReadFailure = TReadFailure::ErrorBox}) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    setFont(font);

    InitPageResources();
    // The drawing is rendered once; its labels are part of the picture.
    QSvgRenderer drawing(QStringLiteral(":/pages/tank-sensor.svg"));
    QPixmap pixmap(drawing.defaultSize() * 2);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    drawing.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(2);
    imDiagram = new QLabel(Body);
    imDiagram->setObjectName(QStringLiteral("imDiagram"));
    imDiagram->setPixmap(pixmap);
    imDiagram->setFixedSize(drawing.defaultSize());
    imDiagram->setAccessibleName(tr("Tank and sensor"));
    imDiagram->setAccessibleDescription(
        tr("Level A is the sensor's minimum above the tank bottom; Level B is the "
           "sensor's range plus Level A."));
    auto* picture = new QFrame(Body);
    picture->setFrameShape(QFrame::StyledPanel);
    picture->setFrameShadow(QFrame::Sunken);
    auto* pictureLayout = new QVBoxLayout(picture);
    pictureLayout->setContentsMargins(2, 2, 2, 2);
    pictureLayout->addWidget(imDiagram);

    eHeightMin = Edit("eHeightMin", QStringLiteral("0.000"));
    eSensorMin = Edit("eSensorMin", QStringLiteral("0.00"));
    eHeightMax = Edit("eHeightMax", QStringLiteral("0.000"));
    eSensorMax = Edit("eSensorMax", QStringLiteral("0.00"));
    eSG = Edit("eSG", QStringLiteral("0.000"));
    lbUnit1 = ValueLabel("lbUnit1", tr("Sensor Min. unit"), QStringLiteral("(m)"));
    lbUnit2 = ValueLabel("lbUnit2", tr("Sensor Max. unit"), QStringLiteral("(m)"));
    lbCalibrationNote = new QLabel(CalibrationNoteText(), Body);
    lbCalibrationNote->setObjectName(QStringLiteral("lbCalibrationNote"));
    lbCalibrationNote->setWordWrap(true);
    lbCalibrationNote->setTextFormat(Qt::PlainText);
    lbCalibrationNote->hide();

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(4);
    int row = 0;
    auto line = [&](const QString& caption, QLineEdit* edit, QWidget* unit) {
        grid->addWidget(Caption(caption, edit), row, 0);
        grid->addWidget(edit, row, 1);
        if (unit)
            grid->addWidget(unit, row, 2);
        ++row;
    };
    grid->addWidget(BodyHeading(tr("Sensor Low Values (Level A)")), row++, 0, 1, 3);
    line(tr("Sensor Min."), eHeightMin, lbUnit1);
    line(tr("Sensor Reading"), eSensorMin, Caption(QStringLiteral("(mA)")));
    grid->setRowMinimumHeight(row++, 10);
    grid->addWidget(BodyHeading(tr("Sensor High Values (Level B)")), row++, 0, 1, 3);
    line(tr("Sensor Max."), eHeightMax, lbUnit2);
    line(tr("Sensor Reading"), eSensorMax, Caption(QStringLiteral("(mA)")));
    grid->setRowMinimumHeight(row++, 10);
    QLabel* sg = BodyHeading(tr("Specific Gravity"));
    sg->setBuddy(eSG);
    eSG->setAccessibleName(tr("Specific Gravity"));
    grid->addWidget(sg, row, 0);
    grid->addWidget(eSG, row++, 1);
    grid->addWidget(lbCalibrationNote, row++, 0, 1, 3);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(3, 1);
    // Both readings have the same caption; their names say which level they belong to.
    eSensorMin->setAccessibleName(tr("Sensor Reading Low"));
    eSensorMax->setAccessibleName(tr("Sensor Reading High"));
    for (QLineEdit* edit : {eHeightMin, eSensorMin, eHeightMax, eSensorMax, eSG})
        edit->setFixedWidth(70);

    auto* body = new QHBoxLayout(Body);
    body->setContentsMargins(12, 12, 12, 12);
    body->setSpacing(10);
    body->addWidget(picture, 0, Qt::AlignTop);
    body->addLayout(grid, 1);
    setTabOrder(eHeightMin, eSensorMin);
    setTabOrder(eSensorMin, eHeightMax);
    setTabOrder(eHeightMax, eSensorMax);
    setTabOrder(eSensorMax, eSG);

    UpdateUOMTimer = new QTimer(this);
    UpdateUOMTimer->setObjectName(QStringLiteral("UpdateUOMTimer"));
    UpdateUOMTimer->setInterval(1000);
    connect(UpdateUOMTimer, &QTimer::timeout, this, [this] { UpdateUOMTimerTimer(); });
    UpdateUOMTimer->start();

    SensorSettingsHeard_ = Device.OnSensorSettings.Subscribe(
        [this](T7310*, const TAlarmRefs& arrival, const uint8_t* inputCalibration) {
            ShowSensorParameters(&arrival, inputCalibration);
        });
    // The rows in the order the page stores them; the sensor readings between them are
    // converted through the input calibration.
    Fields.push_back({.Control = eHeightMin,
                      .Item = Setting(21),
                      .Check = TEntryCheck{"Fluid Height Low", false, 0, 4000000}});
    Fields.push_back({.Control = eHeightMax,
                      .Item = Setting(24),
                      .Check = TEntryCheck{"Fluid Height High", false, 0, 4000000}});
    Fields.push_back({.Control = eSG,
                      .Item = Setting(40),
                      .Check = TEntryCheck{"Specific Gravity", false, 0.5, 25}});
    SetPageEnabled(false);
}

void TfmSensorParameters::SetPageEnabled(bool enabled) {
    enabled_ = enabled;
    for (QLineEdit* edit : {eHeightMin, eHeightMax, eSG})
        edit->setEnabled(enabled);
    SetButtonsEnabled(enabled);
    UpdateSensorBoxes();
}

std::optional<TInputCalibration> TfmSensorParameters::Calibration() const {
    if (!pair_)
        return std::nullopt;
    return TInputCalibration::From(Device.Image.InputCountAt4mA(), Device.Image.InputCountAt20mA());
}

void TfmSensorParameters::UpdateSensorBoxes() {
    // Before values arrive the boxes behave as usual; afterwards they need a usable line.
    const bool convertible = !pair_ || Calibration().has_value();
    for (QLineEdit* edit : {eSensorMin, eSensorMax}) {
        edit->setEnabled(enabled_ && convertible);
        if (!convertible)
            edit->clear();
    }
    lbCalibrationNote->setVisible(!convertible);
}

void TfmSensorParameters::ShowSensorParameters(const TAlarmRefs* arrival,
                                               const uint8_t* inputCalibration) {
    arrival_ = arrival;
    pair_ = inputCalibration;
    const TDeviceImage& image = Device.Image;
    for (const TFieldBinding& row : Fields)
        ShowField(row);
    if (const auto line = Calibration()) {
        eSensorMin->setText(FixedText(line->Milliamperes(static_cast<uint16_t>(
                                          Setting(22)->Value(image))),
                                      2));
        eSensorMax->setText(FixedText(line->Milliamperes(static_cast<uint16_t>(
                                          Setting(25)->Value(image))),
                                      2));
    }
    UpdateSensorBoxes();
}

void TfmSensorParameters::UpdateUOMTimerTimer() {
    const uint8_t uom = arrival_ ? Device.Image.TankUom() : 0;
    if (uom >= std::size(kUnitLabels)) {
        // Once per value, not every second while it stays wrong.
        if (reported_uom_ != uom) {
            reported_uom_ = uom;
            Dialogs().Error(this, tr("Invalid UOM Index"));
        }
        return;
    }
    reported_uom_ = -1;
    lbUnit1->setText(QString::fromLatin1(kUnitLabels[uom]));
    lbUnit2->setText(QString::fromLatin1(kUnitLabels[uom]));
}

bool TfmSensorParameters::GatherSensorParameters() {
    if (!arrival_)
        return false;
    const auto line = Calibration();
    // Without a usable calibration the readings are neither checked nor stored: the gauge's
    // A/D counts stay as they are.
    const TFieldBinding& heightLow = Fields[0];
    const TFieldBinding& heightHigh = Fields[1];
    const TFieldBinding& gravity = Fields[2];
    if (!CheckField(heightLow) ||
        (line && !CheckRealNumberField(tr("Sensor Reading Low"), eSensorMin, 0, 25)) ||
        !CheckField(heightHigh) ||
        (line && !CheckRealNumberField(tr("Sensor Reading High"), eSensorMax, 0, 25)) ||
        !CheckField(gravity))
        return false;

    StoreFields();
    if (line) {
        TDeviceImage& image = Device.Image;
        Setting(22)->SetValue(image, line->Count(static_cast<float>(StrToFloat(eSensorMin->text()))));
        Setting(25)->SetValue(image, line->Count(static_cast<float>(StrToFloat(eSensorMax->text()))));
    }
    // The boxes show what was stored: a current comes back as that of the nearest count.
    ShowSensorParameters(arrival_, pair_);
    return true;
}

bool TfmSensorParameters::ReadSettings() {
    if (!Device.ReadGroup(instr::CalibrationRead) ||
        !Device.ReadGroup(instr::InputCalibrationRead) ||
        !Device.ReadGroup(instr::TankDescriptionRead))
        return false;
    // Before the first report the page takes the device object's own references.
    ShowSensorParameters(arrival_ ? arrival_ : &Device.AlarmRefs,
                         pair_ ? pair_ : Device.Image.Calibration.data() + img::CalInputPair);
    return true;
}

bool TfmSensorParameters::WriteSettings() {
    return Device.WriteSensorParameters();
}
