// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "Alarm Setpoints" page: the gauge's four alarms (Master, 1, 2, 3), each driving one
// output, and the alarm test that switches one output on for five seconds.

#include "Page.h"
#include "T7310.h"

#include <array>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QTimer;

class TfmAlarms final : public TZURPage {
    Q_OBJECT
public:
    TfmAlarms(QWidget* host, T7310& device);
    ~TfmAlarms() override;

    void SetPageEnabled(bool enabled) override;
    bool HasGather() const override { return true; }
    bool Gather() override { return GatherAlarmSettings(); }

    void ShowAlarms(const TAlarmRefs& alarms);
    void ShowAlarm(size_t index, const TAlarmRecord& record);
    bool GatherAlarmSettings();
    bool Loaded() const { return Alarms_ != nullptr; }
    bool TestInProgress() const { return TestInProgress_; }

    void btAlarmTestClick(size_t index);
    void AlarmTestTimerTimer();

    // The output bit the test switches on for each alarm (Master first).
    static constexpr std::array<uint8_t, 4> kTestMask = kAlarmTestMasks;
    static constexpr int kTestSeconds = 5;

    // One alarm's controls; index 0 is the Master alarm.
    struct TAlarmControls {
        QCheckBox* Enabled = nullptr;
        QPushButton* Test = nullptr;
        QComboBox* Direction = nullptr;
        QLineEdit* Setpoint = nullptr;
        QLineEdit* Hysterisis = nullptr;
        QLabel* Testing = nullptr;
        // The volume the setpoint means for this tank, when the gauge gives what it takes.
        QLabel* SetpointVolume = nullptr;
    };
    std::array<TAlarmControls, 4> Alarm{};

    QCheckBox *cbMEnabled = nullptr, *cb1Enabled = nullptr, *cb2Enabled = nullptr,
              *cb3Enabled = nullptr;
    QPushButton *btTestM = nullptr, *btTest1 = nullptr, *btTest2 = nullptr, *btTest3 = nullptr;
    QComboBox *cbMDirection = nullptr, *cb1Direction = nullptr, *cb2Direction = nullptr,
              *cb3Direction = nullptr;
    QLineEdit *eMSetpoint = nullptr, *e1Setpoint = nullptr, *e2Setpoint = nullptr,
              *e3Setpoint = nullptr;
    QLineEdit *eMHysterisis = nullptr, *e1Hysterisis = nullptr, *e2Hysterisis = nullptr,
              *e3Hysterisis = nullptr;
    QLabel *lbAlarmMTesting = nullptr, *lbAlarm1Testing = nullptr, *lbAlarm2Testing = nullptr,
           *lbAlarm3Testing = nullptr;
    QTimer* AlarmTestTimer = nullptr;

protected:
    bool ReadSettings() override;
    bool WriteSettings() override;

private:
    QWidget* BuildPanel(size_t index);
    void cbAlarmEnableClick(size_t index);
    void AlarmTestMode(bool on);
    void ShowTestLabel();
    void ShowSetpointVolume(size_t index);

    const TAlarmRefs* Alarms_ = nullptr;
    TSubscription AlarmsHeard_;
    TSubscription TestModeHeard_;
    bool TestInProgress_ = false;
    size_t AlarmUnderTest_ = 0;
    int Countdown_ = 0;
};
