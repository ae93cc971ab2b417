// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmSummary.h"

#include "DialogService.h"
#include "FieldChecks.h"
#include "SummaryReport.h"
#include "T7310.h"
#include "Values.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#include <algorithm>

namespace {

// What a gauge without a flow output is sent for the flow frequency scaling.
constexpr uint32_t kDefaultFlowScaling = 100;

QString kNoSettingsFor7310() {
    return QCoreApplication::translate("TfmSummary", "No settings to write for T7310.");
}
QString kWrittenWithFlow() {
    return QCoreApplication::translate(
        "TfmSummary", "Totalisation pulses/litre, Tank Safe Capacity and Display Resolution "
                      "Hysteresis written successfully.");
}
QString kWritten() {
    return QCoreApplication::translate(
        "TfmSummary", "Tank Safe Capacity and Display Resolution Hysteresis written successfully.");
}
QString kFileNotCreated() {
    return QCoreApplication::translate("TfmSummary", "The file could not be created");
}
const char* const kAlarmKeys[] = {"Master", "Alarm1", "Alarm2", "Alarm3"};

QString Text(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string Bytes(const QString& text) {
    return text.toLatin1().toStdString();
}

void OpenWithTextEditor(const QString& path) {
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return;
    for (const char* variable : {"VISUAL", "EDITOR"}) {
        QStringList command = QProcess::splitCommand(qEnvironmentVariable(variable));
        if (command.isEmpty())
            continue;
        const QString program = command.takeFirst();
        if (QProcess::startDetached(program, command << path))
            return;
    }
    QProcess::startDetached(QStringLiteral("xdg-open"), {path});
}

void PrintWithLp(const QString& path) {
    QProcess::startDetached(QStringLiteral("lp"), {path});
}

} // namespace

TfmSummary::TfmSummary(QWidget* host, T7310& device)
    : TZURPage(host, device, {.Heading = tr("Summary"), .Buttons = false}),
      OpenInEditor(OpenWithTextEditor), PrintFile(PrintWithLp) {
    // One frame holding everything, its own buttons in the last row.
    LeftPanel->hide();
    BuildLayout();
    SettingsReadHeard_ = Device.OnSettingsRead.Subscribe([this](T7310*) { ShowSummary(); });
    // The summary's own values of the gauge, in the order they are checked; a gauge without a
    // flow output is sent the default scaling.
    Fields.push_back({.Control = edFlowFreqScaling,
                      .Item = Setting(84),
                      .Check = TEntryCheck{"Totalisation pulse/litre", true, 1, 65535},
                      .Stores = [this] { return Device.HasFlowScaling; }});
    Fields.push_back({.Control = edTankSafeCapacity,
                      .Item = Setting(85, "Safe Tank Capacity"),
                      .Check = TEntryCheck{"Tank Safe Capacity", true, 1, 100}});
    Fields.push_back({.Control = edDisplayResolutionHysteresis,
                      .Item = Setting(86),
                      .Check = TEntryCheck{"Display Resolution Hysteresis", true, 1, 99}});
    SetPageEnabled(false);
}

TfmSummary::~TfmSummary() = default;

void TfmSummary::BuildLayout() {
    Body->setAutoFillBackground(true);
    QPalette palette = Body->palette();
    palette.setColor(QPalette::Window, Qt::white);
    Body->setPalette(palette);

    auto* grid = new QGridLayout(Body);
    grid->setContentsMargins(10, 8, 10, 8);
    grid->setVerticalSpacing(3);
    for (int column = 0; column < 3; ++column)
        grid->setColumnStretch(column, 1);
    int row = 0;
    // A cell of one row and column holding its widgets side by side.
    auto cell = [&](int column, std::initializer_list<QWidget*> widgets, int span = 1) {
        auto* box = new QHBoxLayout;
        box->setSpacing(4);
        for (QWidget* widget : widgets)
            box->addWidget(widget);
        box->addStretch(1);
        grid->addLayout(box, row, column, 1, span);
    };
    auto value = [&](const char* name, const char* caption) {
        return ValueLabel(name, QString::fromLatin1(caption), QString::fromLatin1(caption));
    };
    auto edit = [&](const char* name, int width) {
        QLineEdit* box = Edit(name, QString());
        box->setFixedWidth(width);
        return box;
    };
    auto combo = [&](const char* name, const auto& items) {
        auto* box = new QComboBox(Body);
        box->setObjectName(QString::fromLatin1(name));
        for (const char* item : items)
            box->addItem(QString::fromLatin1(item));
        return box;
    };

    edSerialNumber = edit("edSerialNumber", 110);
    lblSoftwareVersion = value("lblSoftwareVersion", "Software Version");
    cell(0, {Caption(tr("Unit Serial Number"), edSerialNumber), edSerialNumber});
    cell(1, {lblSoftwareVersion});
    ++row;
    cell(0, {BodyHeading(tr("Display Options"))});
    ++row;
    lblCurrentContrast = value("lblCurrentContrast", "Current Contrast Value");
    lblDisplayResolution = value("lblDisplayResolution", "Display Resolution");
    lblDisplayUnits = value("lblDisplayUnits", "Display Units");
    cell(0, {lblCurrentContrast});
    cell(1, {lblDisplayResolution});
    cell(2, {lblDisplayUnits});
    ++row;
    edDisplayResolutionHysteresis = edit("edDisplayResolutionHysteresis", 40);
    lblDisplayResolutionHysteresis =
        Caption(tr("Display Resolution Hysteresis"), edDisplayResolutionHysteresis,
                "lblDisplayResolutionHysteresis");
    lblScreenDamping = value("lblScreenDamping", "Screen Damping");
    edFlowFreqScaling = edit("edFlowFreqScaling", 60);
    lblTotalisation =
        Caption(tr("Totalisation pulses/litre"), edFlowFreqScaling, "lblTotalisation");
    cell(0, {lblDisplayResolutionHysteresis, edDisplayResolutionHysteresis});
    cell(1, {lblScreenDamping});
    cell(2, {lblTotalisation, edFlowFreqScaling});
    ++row;
    cell(0, {BodyHeading(tr("Sensor Parameters"))});
    ++row;
    lbl4mALevel = value("lbl4mALevel", "4mA Level");
    lbl20mALevel = value("lbl20mALevel", "20mA Level");
    lblSpecificGravity = value("lblSpecificGravity", "Specific Gravity");
    cell(0, {lbl4mALevel});
    cell(1, {lbl20mALevel});
    cell(2, {lblSpecificGravity});
    ++row;
    cell(0, {BodyHeading(tr("Tank Settings"))});
    ++row;
    lblTankType = value("lblTankType", "Tank Type");
    lblTankName = value("lblTankName", "Tank Name");
    cell(0, {lblTankType});
    cell(1, {lblTankName});
    ++row;
    lblTankDiameter = value("lblTankDiameter", "Tank Diameter");
    lblTankHeight = value("lblTankHeight", "Tank Height");
    lblTankExtent = value("lblTankExtent", "Tank Extent");
    cell(0, {lblTankDiameter});
    cell(1, {lblTankHeight});
    cell(2, {lblTankExtent});
    ++row;
    lblEnableOutput = value("lblEnableOutput", "Enable 4-20mA Output");
    lblMirrorInput = value("lblMirrorInput", "Mirror 4-20mA Input");
    edTankSafeCapacity = edit("edTankSafeCapacity", 40);
    lblSafeWorkingCapacity =
        Caption(tr("Safe Working Capacity"), edTankSafeCapacity, "lblSafeWorkingCapacity");
    lblSafeWorkingCapacityPercentage =
        Caption(QStringLiteral("%"), nullptr, "lblSafeWorkingCapacityPercentage");
    cell(0, {lblEnableOutput});
    cell(1, {lblMirrorInput});
    cell(2, {lblSafeWorkingCapacity, edTankSafeCapacity, lblSafeWorkingCapacityPercentage});
    ++row;
    lblTankSafeCapacityLitres = value("lblTankSafeCapacityLitres", "Tank Safe Capacity Litres");
    cell(0, {lblTankSafeCapacityLitres}, 2);
    ++row;
    cell(0, {BodyHeading(tr("Alarms"))});
    ++row;
    for (size_t k = 0; k < 4; ++k, ++row) {
        const QString title = QString::fromLatin1(AlarmTitle(k));
        const QByteArray key = kAlarmKeys[k];
        lblAlarmDirection[k] =
            ValueLabel(("lbl" + key + "Direction").constData(), title + tr(" - Direction"));
        lblAlarmSetpoint[k] =
            ValueLabel(("lbl" + key + "Setpoint").constData(), title + tr(" - Setpoint"));
        lblAlarmHysteresis[k] =
            ValueLabel(("lbl" + key + "Hysteresis").constData(), title + tr(" - Hysteresis"));
        for (QLabel* label : {lblAlarmDirection[k], lblAlarmSetpoint[k], lblAlarmHysteresis[k]})
            label->setText(label->accessibleDescription());
        cell(0, {lblAlarmDirection[k]});
        cell(1, {lblAlarmSetpoint[k]});
        cell(2, {lblAlarmHysteresis[k]});
    }
    cell(0, {BodyHeading(tr("General"))});
    ++row;
    edSensorDistance = edit("edSensorDistance", 50);
    cbBundAlarm = combo("cbBundAlarm", kBundAlarmChoices);
    cbCommsType = combo("cbCommsType", kCommsTypeChoices);
    cell(0, {Caption(tr("Mount Sensor"), edSensorDistance), edSensorDistance,
             Caption(tr("mm off bottom of tank"))});
    cell(1, {Caption(tr("Bund Alarm Fitted?"), cbBundAlarm), cbBundAlarm});
    cell(2, {Caption(tr("Comms Type"), cbCommsType), cbCommsType});
    ++row;
    lblNodeID = value("lblNodeID", "Node Address");
    edCompletedDate = edit("edCompletedDate", 110);
    cell(0, {lblNodeID});
    cell(1, {Caption(tr("Completed Date"), edCompletedDate), edCompletedDate});
    ++row;
    edName = edit("edName", 150);
    edSavedAs = edit("edSavedAs", 330);
    cell(0, {Caption(tr("Name:"), edName), edName});
    cell(1, {Caption(tr("File saved as"), edSavedAs), edSavedAs}, 2);
    ++row;
    grid->setRowStretch(row++, 1);
    btReadSettings = Button("btReadSettings", tr("&Read Settings"));
    btWriteSettings = Button("btWriteSettings", tr("&Write Settings"));
    btExport = Button("btExport", tr("&Export"));
    btPrint = Button("btPrint", tr("&Print"));
    btPrint->hide();
    cell(0, {btReadSettings, btWriteSettings, btExport, btPrint}, 3);
    connect(btReadSettings, &QPushButton::clicked, this, [this] { btReadSettingsClick(); });
    connect(btWriteSettings, &QPushButton::clicked, this, [this] { btWriteSettingsClick(); });
    connect(btExport, &QPushButton::clicked, this, [this] { btExportClick(); });
    connect(btPrint, &QPushButton::clicked, this, [this] { btPrintClick(); });
}

void TfmSummary::SetPageEnabled(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             edSerialNumber, edFlowFreqScaling, edTankSafeCapacity, edDisplayResolutionHysteresis,
             edSensorDistance, cbBundAlarm, cbCommsType, edCompletedDate, edName, edSavedAs})
        control->setEnabled(enabled);
    SetButtonsEnabled(enabled);
}

void TfmSummary::ShowSummary() {
    const TDeviceImage& image = Device.Image;
    const auto value = [&](uint32_t id, const char* name = nullptr) {
        return name ? Setting(id, name)->Value(image) : Setting(id)->Value(image);
    };

    lblSoftwareVersion->setText(tr("Software Version: ") + Text(image.SoftwareVersion));
    if (const TZURSetting* node = Device.Settings().Find(50))
        lblNodeID->setText(tr("Node Address: ") + Text(node->AsText(false, false)));
    lblCurrentContrast->setText(
        tr("Current Contrast Value: %1%").arg(ContrastPercent(static_cast<uint8_t>(value(33)))));
    lblDisplayResolution->setText(tr("Display Resolution: ") +
                                  Text(FormatX3(value(85, "LCD Display Resolution") * 0.001)));
    lblDisplayUnits->setText(tr("Display Units: ") +
                             Text(SummaryVolumeUnitName(image.DisplayUom())));
    lblScreenDamping->setText(tr("Screen Damping: ") + Text(FormatX2(value(35) * 0.001)));

    lblTankType->setText(tr("Tank Type: ") + Text(SummaryTankTypeName(image.TankType())));
    lblTankName->setText(tr("Tank Name: ") + Text(image.TankName));
    int count = 0;
    const auto dimensions = TankDimensions(image, count);
    QLabel* const dimensionLabels[] = {lblTankDiameter, lblTankHeight, lblTankExtent};
    for (int i = 0; i < count; ++i)
        dimensionLabels[i]->setText(QString::fromLatin1(dimensions[i].Caption) +
                                    QStringLiteral(": ") + Text(dimensions[i].Value));
    if (count > 0)
        lblTankExtent->setVisible(count == 3);
    lblEnableOutput->setText(tr("Enable 4-20mA Output: ") + (value(27) ? "YES" : "NO"));
    lblMirrorInput->setText(tr("Mirror 4-20mA Input: ") + (value(28) ? "YES" : "NO"));
    if (Device.IsExtended()) {
        QLabel* const levels[] = {lbl4mALevel, lbl20mALevel};
        for (bool tankMax : {false, true})
            levels[tankMax]->setText(Text(LevelText(image, tankMax)) + tr("mA Level: ") +
                                     Text(LevelHeightText(image, tankMax)) + tr(" Meters Water"));
        lblSpecificGravity->setText(tr("Specific Gravity: ") +
                                    Text(FormatF3(static_cast<float>(value(40)) * 0.001f)));
        lblTankSafeCapacityLitres->setText(tr("4mA - 20mA = 0 to %1 Litres").arg(value(87)));
    }

    const TSummaryEntries shown = ShownEntries(Device);
    edSensorDistance->setText(Text(shown.SensorDistance));
    const TReportFields& report = Device.Report;
    cbBundAlarm->setCurrentIndex(report.BundAlarm < cbBundAlarm->count() ? report.BundAlarm : -1);
    cbCommsType->setCurrentIndex(report.CommsType < cbCommsType->count() ? report.CommsType : -1);
    edCompletedDate->setText(Text(shown.CompletedDate));
    edName->setText(Text(shown.Name));
    edSavedAs->setText(Text(shown.SavedAs));
    edSerialNumber->setText(Text(shown.SerialNumber));
    if (Device.HasFlowScaling)
        edFlowFreqScaling->setText(Text(shown.FlowFreqScaling));
    edFlowFreqScaling->setVisible(Device.HasFlowScaling);
    lblTotalisation->setVisible(Device.HasFlowScaling);
    if (Device.Is8310) {
        edTankSafeCapacity->setText(Text(shown.SafeWorkingCapacity));
        edDisplayResolutionHysteresis->setText(Text(shown.DisplayResolutionHysteresis));
    }
    for (QWidget* control : std::initializer_list<QWidget*>{
             edTankSafeCapacity, edDisplayResolutionHysteresis, lblSafeWorkingCapacity,
             lblSafeWorkingCapacityPercentage, lblDisplayResolutionHysteresis})
        control->setVisible(Device.Is8310);

    for (size_t k = 0; k < img::AlarmCount; ++k) {
        const TAlarmSummary alarm = AlarmSummary(image, k);
        const QString title = QString::fromLatin1(AlarmTitle(k));
        lblAlarmDirection[k]->setText(title + tr(" - Direction: ") + Text(alarm.Direction));
        lblAlarmSetpoint[k]->setText(title + tr(" - Setpoint: ") + Text(alarm.Setpoint));
        lblAlarmHysteresis[k]->setText(title + tr(" - Hysteresis: ") + Text(alarm.Hysteresis));
    }
}

bool TfmSummary::GatherSummary() {
    if (!CheckFields())
        return false;
    if (!Device.HasFlowScaling)
        Setting(84)->SetValue(Device.Image, kDefaultFlowScaling);
    StoreFields();
    TReportFields& report = Device.Report;
    report.SerialNumber = Bytes(edSerialNumber->text());
    report.Name = Bytes(edName->text());
    report.CompletedDate = Bytes(edCompletedDate->text());
    report.SavedAs = Bytes(edSavedAs->text());
    report.BundAlarm = static_cast<uint8_t>(std::max(cbBundAlarm->currentIndex(), 0));
    report.CommsType = static_cast<uint8_t>(std::max(cbCommsType->currentIndex(), 0));
    if (!CheckWholeNumberField(tr("Sensor Distance"), edSensorDistance, 0, 10000))
        return false;
    report.SensorDistance = StrToInt(edSensorDistance->text());
    return true;
}

void TfmSummary::btReadSettingsClick() {
    // A good read refreshes the page through OnSettingsRead.
    Device.ReadAllSettings();
}

void TfmSummary::btWriteSettingsClick() {
    if (!Device.Is8310) {
        Dialogs().Information(this, kNoSettingsFor7310());
        return;
    }
    TZURPage::btWriteSettingsClick();
}

bool TfmSummary::WriteSettings() {
    return Device.WriteSummary();
}

QString TfmSummary::SuccessText() const {
    return Device.HasFlowScaling ? kWrittenWithFlow() : kWritten();
}

TSummaryEntries TfmSummary::Entries() const {
    TSummaryEntries entries;
    entries.SerialNumber = Bytes(edSerialNumber->text());
    entries.DisplayResolutionHysteresis = Bytes(edDisplayResolutionHysteresis->text());
    entries.FlowFreqScaling = Bytes(edFlowFreqScaling->text());
    entries.SafeWorkingCapacity = Bytes(edTankSafeCapacity->text());
    entries.SensorDistance = Bytes(edSensorDistance->text());
    entries.BundAlarm = Bytes(cbBundAlarm->currentText());
    entries.CommsType = Bytes(cbCommsType->currentText());
    entries.CompletedDate = Bytes(edCompletedDate->text());
    entries.Name = Bytes(edName->text());
    entries.SavedAs = Bytes(edSavedAs->text());
    return entries;
}

bool TfmSummary::WriteSummaryReport(const QString& fileName) {
    if (SaveSummaryReport(fileName, SummaryReport(Device, Entries())))
        return true;
    Dialogs().Plain(this, kFileNotCreated());
    return false;
}

void TfmSummary::btExportClick() {
    const QString name = QString::fromLatin1(kSummaryReportFileName);
    // The editor opens the file also when it could not be written: an older report shows.
    WriteSummaryReport(name);
    if (OpenInEditor)
        OpenInEditor(QFileInfo(name).absoluteFilePath());
}

void TfmSummary::btPrintClick() {
    const QString name = QString::fromLatin1(kSummaryReportFileName);
    WriteSummaryReport(name);
    if (PrintFile)
        PrintFile(QFileInfo(name).absoluteFilePath());
}
