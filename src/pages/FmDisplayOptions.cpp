// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmDisplayOptions.h"

#include "T7310.h"
#include "Values.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char* const kHelp = QT_TRANSLATE_NOOP(
    "TfmDisplayOptions",
    "Display options allow you change settings for the LCD display\n\n*For units without a "
    "display these options will not be enabled*\n\nPlease note: when changing the contrast you "
    "must click on the 'Write Settings' button before the contrast settings are saved "
    "perminantly.\n\nScreen damping is a time period in seconds for each display update. For "
    "large tanks it is recommended this value is set high.");

constexpr int kUnitCount = 6; // "none" .. "Cubic Feet"

} // namespace

TfmDisplayOptions::TfmDisplayOptions(QWidget* host, T7310& device)
    : TZURPage(host, device,
               {.Heading = tr("Display Options:"),
                .HelpObjectName = QStringLiteral("lbDisplayOptionsText"),
                .HelpText = QCoreApplication::translate("TfmDisplayOptions", kHelp),
                .SuccessText = tr("Display options written successfully."),
                .ReadFailure = TReadFailure::Silent}) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);

    lbContrastValue =
        ValueLabel("lbContrastValue", tr("Current Contrast Value"), QStringLiteral("0 %"));
    tbContrast = new QSlider(Qt::Horizontal, Body);
    tbContrast->setObjectName(QStringLiteral("tbContrast"));
    tbContrast->setRange(0, 255);
    tbContrast->setTickInterval(15);
    tbContrast->setTickPosition(QSlider::TicksBelow);
    eSigFigs = Edit("eSigFigs", QStringLiteral("5"));
    eDisplayResolution = Edit("eDisplayResolution", QStringLiteral("5"));
    // One caption for whichever of the two boxes is shown; the hidden one keeps its own name.
    Label8 = Caption(tr("Number of Significant Figures"), eSigFigs, "Label8");
    eDisplayResolution->setAccessibleName(tr("Display Resolution"));
    cbShowDPs = new QCheckBox(tr("Show Trailing Decimal Points"), Body);
    cbShowDPs->setObjectName(QStringLiteral("cbShowDPs"));
    cbDisplayUOMs = new QComboBox(Body);
    cbDisplayUOMs->setObjectName(QStringLiteral("cbDisplayUOMs"));
    for (int code = 0; code < kUnitCount; ++code)
        cbDisplayUOMs->addItem(QString::fromStdString(VolumeUnitText(static_cast<uint8_t>(code))));
    eDamping = Edit("eDamping", QStringLiteral("0"));

    auto* column = new QVBoxLayout(Body);
    column->setContentsMargins(16, 12, 16, 12);
    auto* contrastRow = new QHBoxLayout;
    contrastRow->addWidget(Caption(tr("Current Contrast Value:"), tbContrast));
    contrastRow->addWidget(lbContrastValue);
    contrastRow->addStretch(1);
    column->addLayout(contrastRow);
    column->addWidget(tbContrast);
    column->addWidget(Rule());
    column->addWidget(Label8);
    auto* figures = new QHBoxLayout;
    figures->addWidget(eSigFigs);
    figures->addWidget(eDisplayResolution);
    figures->addStretch(1);
    column->addLayout(figures);
    column->addWidget(cbShowDPs);
    column->addWidget(Rule());
    column->addWidget(Caption(tr("Display Units of Measure"), cbDisplayUOMs));
    auto* units = new QHBoxLayout;
    units->addWidget(cbDisplayUOMs);
    units->addStretch(1);
    column->addLayout(units);
    column->addWidget(Rule());
    column->addWidget(Caption(tr("Screen Damping"), eDamping));
    auto* damping = new QHBoxLayout;
    damping->addWidget(eDamping);
    damping->addWidget(Caption(tr("(Secs)")));
    damping->addStretch(1);
    column->addLayout(damping);
    column->addStretch(1);
    for (QLineEdit* edit : {eSigFigs, eDisplayResolution, eDamping})
        edit->setFixedWidth(90);
    eDisplayResolution->hide();
    setTabOrder(tbContrast, eSigFigs);
    setTabOrder(eSigFigs, eDisplayResolution);
    setTabOrder(eDisplayResolution, cbShowDPs);
    setTabOrder(cbShowDPs, cbDisplayUOMs);
    setTabOrder(cbDisplayUOMs, eDamping);

    ContrastTimer = new QTimer(this);
    ContrastTimer->setObjectName(QStringLiteral("ContrastTimer"));
    ContrastTimer->setInterval(300);
    connect(ContrastTimer, &QTimer::timeout, this, [this] { ContrastTimerTimer(); });
    connect(tbContrast, &QSlider::valueChanged, this, [this] { tbContrastChange(); });

    DisplayOptionsHeard_ = Device.OnDisplayOptions.Subscribe(
        [this](T7310*, const TDisplayOptions& record) { ShowDisplayOptions(record); });
    // Binding rows in the order the checks run; the significant figures are stored only where
    // the box is shown, the display resolution only where the gauge has one.
    Fields.push_back({.Control = tbContrast, .Item = Setting(33)});
    Fields.push_back({.Control = eSigFigs,
                      .Item = Setting(31),
                      .Stores = [this] { return !Device.IsExtended(); }});
    Fields.push_back({.Control = cbShowDPs, .Item = Setting(34)});
    Fields.push_back({.Control = eDamping,
                      .Item = Setting(35),
                      .Check = TEntryCheck{"Damping", false, 0, 65}});
    Fields.push_back({.Control = eDisplayResolution,
                      .Item = Setting(85, "LCD Display Resolution"),
                      .Check = TEntryCheck{"Display Resolution", false, 0.001, 1000},
                      .Applies = [this] { return Device.IsExtended(); }});
    cbDisplayUOMs->setCurrentIndex(0);
    SetPageEnabled(false);
}

void TfmDisplayOptions::SetControlsEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{tbContrast, eSigFigs, cbDisplayUOMs,
                                                      cbShowDPs, eDamping, eDisplayResolution})
        w->setEnabled(enabled);
    SetButtonsEnabled(enabled);
}

void TfmDisplayOptions::SetPageEnabled(bool enabled) {
    // Enabling waits for the record: only a gauge with a display gets the controls.
    if (!enabled)
        SetControlsEnabled(false);
}

void TfmDisplayOptions::SelectUom(uint8_t code) {
    // A unit the list does not know is shown as such and goes back unchanged.
    while (cbDisplayUOMs->count() > kUnitCount)
        cbDisplayUOMs->removeItem(kUnitCount);
    if (code >= kUnitCount) {
        cbDisplayUOMs->addItem(tr("unknown (%1)").arg(code), int{code});
        cbDisplayUOMs->setCurrentIndex(kUnitCount);
    } else {
        cbDisplayUOMs->setCurrentIndex(code);
    }
}

void TfmDisplayOptions::ShowDisplayOptions(const TDisplayOptions& record) {
    record_ = &record;
    const bool hasDisplay = Setting(30)->Value(Device.Image) == 1;
    SetControlsEnabled(hasDisplay);
    // Every extended gauge's resolution box holds the value read, shown or not, so a gather
    // writes back what the gauge has unless the user changed it.
    for (const TFieldBinding& row : Fields)
        if (Applies(row))
            ShowField(row);
    // Showing values never previews a contrast.
    ContrastTimer->stop();
    SelectUom(static_cast<uint8_t>(Setting(item::DisplayUom)->Value(Device.Image)));

    if (Device.Is8310) {
        Label8->setVisible(true);
        Label8->setText(tr("Display Resolution"));
        Label8->setBuddy(eDisplayResolution);
        eSigFigs->setEnabled(false);
        eSigFigs->setVisible(false);
        cbShowDPs->setVisible(false);
        cbShowDPs->setEnabled(false);
        eDisplayResolution->setVisible(true);
        eDisplayResolution->setEnabled(hasDisplay);
    } else if (Device.Is7310Extended) {
        Label8->setVisible(false);
        for (QWidget* w :
             std::initializer_list<QWidget*>{eSigFigs, cbShowDPs, eDisplayResolution}) {
            w->setEnabled(false);
            w->setVisible(false);
        }
    } else {
        Label8->setVisible(true);
        Label8->setText(tr("Number of Significant Figures"));
        Label8->setBuddy(eSigFigs);
        eDisplayResolution->setEnabled(false);
        eDisplayResolution->setVisible(false);
        eSigFigs->setVisible(true);
        cbShowDPs->setVisible(true);
    }
}

void TfmDisplayOptions::tbContrastChange() {
    lbContrastValue->setText(QString::asprintf("%0.0f%%", tbContrast->value() * 100.0 / 255.0));
    if (Device.Connected())
        ContrastTimer->start(); // restarts: one preview 300 ms after the bar stops
}

void TfmDisplayOptions::ContrastTimerTimer() {
    ContrastTimer->stop();
    Device.PreviewContrast(static_cast<uint8_t>(tbContrast->value()));
}

bool TfmDisplayOptions::GatherDisplayOptions() {
    if (!record_)
        return false;
    if (!CheckFields())
        return false;
    StoreFields();
    const int index = cbDisplayUOMs->currentIndex();
    Setting(item::DisplayUom)
        ->SetValue(Device.Image, static_cast<uint32_t>(index >= kUnitCount
                                                           ? cbDisplayUOMs->currentData().toInt()
                                                           : index));
    // An extended gauge's significant figures box is hidden and holds the byte shown last,
    // which is what the image already holds.
    return true;
}

bool TfmDisplayOptions::ReadSettings() {
    if (!Device.ReadGroup(instr::DisplayOptionsRead) ||
        !Device.ReadGroup(instr::DisplayResolutionRead))
        return false;
    ShowDisplayOptions(Device.Image.DisplayOptions);
    return true;
}

bool TfmDisplayOptions::WriteSettings() {
    // 0xB2 goes only to an extended gauge: the others have no display resolution to write.
    return Device.WriteDisplayOptions();
}
