// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmAlarms.h"

#include "DialogService.h"
#include "FieldChecks.h"
#include "T7310.h"
#include "Values.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cmath>

namespace {

QString kHeading() {
    return QCoreApplication::translate("TfmAlarms", "Alarm Setpoints & Test");
}
QString kHelpText() {
    return QCoreApplication::translate(
        "TfmAlarms",
        "Alarm settings allows you to assign up to 4 alarms.\nAlarms relate to the 4 output "
        "drivers "
        "on the device.\n\nYou can create raising edge alarms - alarms that are triggered when the "
        "level goes above the setpoint, or falling edge alarms - alarms that are triggered when "
        "the "
        "level goes below the setpoint.\n\nPush the test button to test the output on the device "
        "for "
        "5 seconds.");
}
QString kSuccessText() {
    return QCoreApplication::translate("TfmAlarms", "Alarm settings written successfully.");
}
QString kStillTesting() {
    return QCoreApplication::translate("TfmAlarms", "Alarm test still in progress, please wait...");
}
QString kTestModeError() {
    return QCoreApplication::translate(
        "TfmAlarms", "An error occured whilst starting the alarm test mode\nPlease ensure the "
                     "device is connected and powered up.");
}

const char* const kTitles[] = {
    QT_TRANSLATE_NOOP("TfmAlarms", "Master Alarm"), QT_TRANSLATE_NOOP("TfmAlarms", "Alarm 1"),
    QT_TRANSLATE_NOOP("TfmAlarms", "Alarm 2"), QT_TRANSLATE_NOOP("TfmAlarms", "Alarm 3")};
// The letter or digit of each alarm in its controls' names.
const char* const kKeys[] = {"M", "1", "2", "3"};
constexpr int kFallingEdge = 0;
constexpr int kRaisingEdge = 1;

QString TestingText(int seconds) {
    return QCoreApplication::translate("TfmAlarms", "Testing Alarm %1 Seconds").arg(seconds);
}

QByteArray Name(const char* pattern, size_t index) {
    return QString::fromLatin1(pattern).arg(QLatin1String(kKeys[index])).toLatin1();
}

} // namespace

TfmAlarms::TfmAlarms(QWidget* host, T7310& device)
    : TZURPage(host, device,
               {.Heading = kHeading(),
                .HelpObjectName = QStringLiteral("lbAlarmSettingsText"),
                .HelpText = kHelpText(),
                .SuccessText = kSuccessText(),
                .ReadFailure = TReadFailure::ErrorBox}) {
    auto* grid = new QGridLayout(Body);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(4);
    auto vertical = [this] {
        auto* rule = new QFrame(Body);
        rule->setFrameShape(QFrame::VLine);
        rule->setFrameShadow(QFrame::Sunken);
        return rule;
    };
    grid->addWidget(BuildPanel(0), 0, 0);
    grid->addWidget(vertical(), 0, 1);
    grid->addWidget(BuildPanel(1), 0, 2);
    grid->addWidget(Rule(), 1, 0, 1, 3);
    grid->addWidget(BuildPanel(2), 2, 0);
    grid->addWidget(vertical(), 2, 1);
    grid->addWidget(BuildPanel(3), 2, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);

    cbMEnabled = Alarm[0].Enabled, cb1Enabled = Alarm[1].Enabled;
    cb2Enabled = Alarm[2].Enabled, cb3Enabled = Alarm[3].Enabled;
    btTestM = Alarm[0].Test, btTest1 = Alarm[1].Test, btTest2 = Alarm[2].Test;
    btTest3 = Alarm[3].Test;
    cbMDirection = Alarm[0].Direction, cb1Direction = Alarm[1].Direction;
    cb2Direction = Alarm[2].Direction, cb3Direction = Alarm[3].Direction;
    eMSetpoint = Alarm[0].Setpoint, e1Setpoint = Alarm[1].Setpoint;
    e2Setpoint = Alarm[2].Setpoint, e3Setpoint = Alarm[3].Setpoint;
    eMHysterisis = Alarm[0].Hysterisis, e1Hysterisis = Alarm[1].Hysterisis;
    e2Hysterisis = Alarm[2].Hysterisis, e3Hysterisis = Alarm[3].Hysterisis;
    lbAlarmMTesting = Alarm[0].Testing, lbAlarm1Testing = Alarm[1].Testing;
    lbAlarm2Testing = Alarm[2].Testing, lbAlarm3Testing = Alarm[3].Testing;

    AlarmTestTimer = new QTimer(this);
    AlarmTestTimer->setObjectName(QStringLiteral("AlarmTestTimer"));
    AlarmTestTimer->setInterval(1000);
    connect(AlarmTestTimer, &QTimer::timeout, this, [this] { AlarmTestTimerTimer(); });

    AlarmsHeard_ = Device.OnAlarms.Subscribe(
        [this](T7310*, const TAlarmRefs& alarms) { ShowAlarms(alarms); });
    TestModeHeard_ =
        Device.OnAlarmTestMode.Subscribe([this](T7310*, bool on) { AlarmTestMode(on); });
    // Two rows per alarm: the setpoint, then the hysteresis, each checked as the page always
    // has (every hysteresis up to 65000) and stored only while the alarm is switched on.
    for (size_t k = 0; k < img::AlarmCount; ++k) {
        const uint32_t heading = static_cast<uint32_t>(k * 5);
        QCheckBox* enabled = Alarm[k].Enabled;
        const auto on = [enabled] { return enabled->isChecked(); };
        Fields.push_back({.Control = Alarm[k].Setpoint,
                          .Item = Setting(heading + 1),
                          .Check = TEntryCheck{"Set Point", false, 0, 100},
                          .Stores = on});
        Fields.push_back({.Control = Alarm[k].Hysterisis,
                          .Item = Setting(heading + 4),
                          .Check = TEntryCheck{"Hysterisis", true, 0, 65000},
                          .Stores = on});
    }
    SetPageEnabled(false);
}

TfmAlarms::~TfmAlarms() = default;

QWidget* TfmAlarms::BuildPanel(size_t index) {
    TAlarmControls& c = Alarm[index];
    auto* panel = new QWidget(Body);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(2, 2, 2, 2);
    grid->setHorizontalSpacing(4);

    QLabel* title = BodyHeading(QCoreApplication::translate("TfmAlarms", kTitles[index]));
    title->setParent(panel);
    c.Enabled = new QCheckBox(tr("Enabled"), panel);
    c.Enabled->setObjectName(QString::fromLatin1(Name("cb%1Enabled", index)));
    c.Enabled->setAccessibleName(QCoreApplication::translate("TfmAlarms", kTitles[index]) +
                                 tr(" Enabled"));
    c.Test = new QPushButton(tr("TEST"), panel);
    c.Test->setObjectName(QString::fromLatin1(Name("btTest%1", index)));
    c.Test->setAccessibleName(tr("TEST ") +
                              QCoreApplication::translate("TfmAlarms", kTitles[index]));
    c.Test->setMaximumWidth(48);
    c.Direction = new QComboBox(panel);
    c.Direction->setObjectName(QString::fromLatin1(Name("cb%1Direction", index)));
    c.Direction->addItems({tr("Falling Edge"), tr("Raising Edge")});
    c.Direction->setFixedWidth(104);
    c.Setpoint = new QLineEdit(QStringLiteral("0.00"), panel);
    c.Setpoint->setObjectName(QString::fromLatin1(Name("e%1Setpoint", index)));
    c.Hysterisis = new QLineEdit(QStringLiteral("0"), panel);
    c.Hysterisis->setObjectName(QString::fromLatin1(Name("e%1Hysterisis", index)));
    c.Setpoint->setFixedWidth(56);
    c.Hysterisis->setFixedWidth(56);
    c.Testing = new QLabel(TestingText(kTestSeconds), panel);
    c.Testing->setObjectName(QString::fromLatin1(Name("lbAlarm%1Testing", index)));
    c.Testing->setAlignment(Qt::AlignCenter);
    c.Testing->setAccessibleDescription(QCoreApplication::translate("TfmAlarms", kTitles[index]) +
                                        tr(" test"));
    c.Testing->hide();
    c.SetpointVolume = new QLabel(panel);
    c.SetpointVolume->setObjectName(QString::fromLatin1(Name("lb%1SetpointVolume", index)));
    c.SetpointVolume->setAccessibleDescription(tr("Setpoint volume"));

    auto caption = [&](const QString& text, QWidget* buddy) {
        QLabel* label = Caption(text, buddy);
        label->setParent(panel);
        return label;
    };
    auto unit = [&](const QString& text) {
        auto* label = new QLabel(text, panel);
        return label;
    };
    grid->addWidget(title, 0, 0, 1, 2);
    grid->addWidget(c.Enabled, 0, 2);
    grid->addWidget(c.Test, 0, 3, Qt::AlignRight);
    grid->addWidget(caption(tr("Direction"), c.Direction), 1, 0);
    grid->addWidget(c.Direction, 1, 1, 1, 3);
    grid->addWidget(caption(tr("Setpoint "), c.Setpoint), 2, 0);
    grid->addWidget(c.Setpoint, 2, 1);
    grid->addWidget(unit(QStringLiteral("(%)")), 2, 2);
    grid->addWidget(c.SetpointVolume, 3, 1, 1, 3);
    grid->addWidget(caption(tr("Hysterisis"), c.Hysterisis), 4, 0);
    grid->addWidget(c.Hysterisis, 4, 1);
    grid->addWidget(unit(QStringLiteral("(ms)")), 4, 2);
    grid->addWidget(c.Testing, 5, 0, 1, 4);
    // Four panels share the captions: the alarm's title tells their controls apart.
    for (QWidget* control : std::initializer_list<QWidget*>{c.Direction, c.Setpoint, c.Hysterisis})
        control->setAccessibleName(title->text() + QLatin1Char(' ') + control->accessibleName());
    grid->setRowStretch(6, 1);
    grid->setColumnStretch(3, 1);

    connect(c.Enabled, &QCheckBox::toggled, this, [this, index] { cbAlarmEnableClick(index); });
    connect(c.Test, &QPushButton::clicked, this, [this, index] { btAlarmTestClick(index); });
    connect(c.Setpoint, &QLineEdit::textChanged, this,
            [this, index] { ShowSetpointVolume(index); });
    cbAlarmEnableClick(index);
    return panel;
}

void TfmAlarms::SetPageEnabled(bool enabled) {
    SetButtonsEnabled(enabled);
    for (TAlarmControls& c : Alarm) {
        c.Test->setEnabled(enabled && !Offline());
        const bool row = enabled && c.Enabled->isChecked();
        c.Direction->setEnabled(row);
        c.Setpoint->setEnabled(row);
        c.Hysterisis->setEnabled(row);
    }
    // A session that ended while the gauge no longer answered leaves no countdown running.
    if (!enabled)
        AlarmTestMode(false);
}

void TfmAlarms::cbAlarmEnableClick(size_t index) {
    TAlarmControls& c = Alarm[index];
    const bool on = c.Enabled->isChecked();
    c.Direction->setEnabled(on);
    c.Setpoint->setEnabled(on);
    c.Hysterisis->setEnabled(on);
}

// ---- show and gather ----

void TfmAlarms::ShowAlarms(const TAlarmRefs& alarms) {
    Alarms_ = &alarms;
    for (size_t k = 0; k < img::AlarmCount; ++k)
        ShowAlarm(k, *alarms[k]);
}

void TfmAlarms::ShowAlarm(size_t index, const TAlarmRecord&) {
    TAlarmControls& c = Alarm[index];
    const uint32_t heading = static_cast<uint32_t>(index * 5);
    c.Enabled->setChecked(Setting(heading + 2)->Value(Device.Image) != 0);
    c.Direction->setCurrentIndex(Setting(heading + 3)->Value(Device.Image) == 1 ? kRaisingEdge
                                                                                : kFallingEdge);
    ShowField(Fields[index * 2]);
    ShowField(Fields[index * 2 + 1]);
    ShowSetpointVolume(index);
}

bool TfmAlarms::GatherAlarmSettings() {
    if (!Loaded())
        return false;
    // Every entry is checked before any is stored: a refused one leaves the image as it was.
    if (!CheckFields())
        return false;
    for (size_t k = 0; k < img::AlarmCount; ++k) {
        const uint32_t heading = static_cast<uint32_t>(k * 5);
        const bool on = Alarm[k].Enabled->isChecked();
        Setting(heading + 2)->SetValue(Device.Image, on ? 1 : 0);
        if (on)
            Setting(heading + 3)->SetValue(
                Device.Image, Alarm[k].Direction->currentIndex() == kRaisingEdge ? 1 : 2);
    }
    StoreFields();
    for (size_t k = 0; k < img::AlarmCount; ++k)
        ShowAlarm(k, *(*Alarms_)[k]);
    return true;
}

void TfmAlarms::ShowSetpointVolume(size_t index) {
    QLabel* label = Alarm[index].SetpointVolume;
    const TDeviceImage& image = Device.Image;
    const uint32_t capacity = Setting(87)->Value(image);
    const uint8_t unit = image.DisplayUom();
    double setpoint = 0;
    // Only a gauge that shows a volume and knows its safe capacity gives a volume to a level.
    if (!Device.IsExtended() || capacity == 0 || unit == 0 || unit > 5 ||
        !TryStrToFloat(Alarm[index].Setpoint->text(), setpoint) || setpoint < 0 || setpoint > 100) {
        label->clear();
        return;
    }
    const auto litres = static_cast<uint64_t>(std::llround(capacity * setpoint / 100.0));
    label->setText(tr("= %1 Litres").arg(litres));
}

// ---- read and write ----

bool TfmAlarms::ReadSettings() {
    for (uint8_t k = 0; k < img::AlarmCount; ++k)
        if (!Device.ReadAlarm(k))
            return false;
    if (Loaded())
        ShowAlarms(*Alarms_);
    return true;
}

bool TfmAlarms::WriteSettings() {
    return Device.WriteGroup(instr::AlarmWrite);
}

// ---- alarm test ----

void TfmAlarms::btAlarmTestClick(size_t index) {
    if (TestInProgress_) {
        Dialogs().Information(this, kStillTesting());
        return;
    }
    Device.SetAlarmTestMode(true);
    if (!Device.AlarmTestActive) {
        Dialogs().Error(this, kTestModeError());
        return;
    }
    Device.SetAlarmTestOutputs(kTestMask[index]);
    AlarmUnderTest_ = index;
    Countdown_ = kTestSeconds;
    ShowTestLabel();
    Alarm[index].Testing->show();
    TestInProgress_ = true;
    AlarmTestTimer->start();
}

void TfmAlarms::ShowTestLabel() {
    Alarm[AlarmUnderTest_].Testing->setText(TestingText(Countdown_));
}

void TfmAlarms::AlarmTestTimerTimer() {
    --Countdown_;
    ShowTestLabel();
    if (Countdown_ > 0)
        return;
    // Stopped before the requests: the replies are awaited with the message loop running.
    AlarmTestTimer->stop();
    Device.SetAlarmTestOutputs(0);
    Device.SetAlarmTestMode(false);
    Alarm[AlarmUnderTest_].Testing->hide();
    TestInProgress_ = false;
}

void TfmAlarms::AlarmTestMode(bool) {
    Alarm[AlarmUnderTest_].Testing->hide();
    TestInProgress_ = false;
    AlarmTestTimer->stop();
}
