// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliSession.h"

#include "SettingsFile.h"
#include "StatusText.h"
#include "SummaryReport.h"
#include "Values.h"

int TCliSession::Identify() {
    if (const int status = Connect(false))
        return status;
    if (options_.Json)
        OutJson(IdentityJson());
    else
        Out(IdentityText());
    return esSuccess;
}

int TCliSession::Read() {
    if (!options_.File.empty() && !CheckWritableTarget(options_.File))
        return esFileFailure;
    if (const int status = Connect(false))
        return status;
    // As the window does, a Non standard tank's table is read after the settings.
    bool tableRead = false;
    if (device_.Image.IsNonStandardTank()) {
        BeginOperation();
        if (!device_.ReadTankTable())
            return TableReadFailure();
        tableRead = true;
    }
    progress_.Clear();
    if (!options_.File.empty()) {
        try {
            if (!device_.SaveToFile(options_.File)) {
                Fail("cannot write " + options_.File + ": the settings file was cut short");
                return esFileFailure;
            }
        } catch (const std::exception& error) {
            Fail(error.what());
            return esFileFailure;
        }
    }
    PrintSettings(tableRead);
    return esSuccess;
}

int TCliSession::Status() {
    if (const int status = Connect(true))
        return status;
    bool state = false;
    bool outputs = false;
    bool volume = false;
    float volumeValue = 0;
    device_.OnDeviceState = [&](T7310*, uint8_t) { state = true; };
    device_.OnAlarmOutputs = [&](T7310*, uint8_t) { outputs = true; };
    device_.OnVolume = [&](T7310*, float value) {
        volume = true;
        volumeValue = value;
    };
    BeginOperation();
    device_.PollStatus();
    const bool arrived = WaitUntil([&] { return (state && outputs && volume) || comms_error_; },
                                   kStatusPolls * device_.PollInterval + 1000);
    device_.OnDeviceState = nullptr;
    device_.OnAlarmOutputs = nullptr;
    device_.OnVolume = nullptr;
    if (!arrived || !(state && outputs && volume)) {
        Fail(Where() + ": reading the status failed (no answer, or a wrong one)");
        return esCommsFailure;
    }

    const uint8_t code = device_.Image.DeviceState;
    const uint8_t bits = device_.Image.AlarmOutputs;
    const TZURSetting* uom = device_.Settings().Find(item::DisplayUom);
    const std::string unit =
        uom ? VolumeUnitLabel(static_cast<uint8_t>(uom->Value(device_.Image))) : std::string();
    if (options_.Json) {
        OutJson({{"state", code},
                 {"state_text", Latin1(DeviceStateText(code))},
                 {"alarm_outputs", bits},
                 {"volume", ShortestWide(volumeValue)}});
        return esSuccess;
    }
    const std::string volumeText = FormatFixed(volumeValue, 18, 2, '.');
    Out(ItemLine("Device State", DeviceStateText(code)) +
        ItemLine("Tank Volume", volumeText + (unit.empty() ? "" : " " + unit)) +
        ItemLine("Alarm Outputs", AlarmOutputsText(bits)));
    return esSuccess;
}

int TCliSession::Diff() {
    if (const int status = ConnectAndLoad())
        return status;
    BeginOperation();
    TDifferences differences;
    if (!session_.FileDifferences(differences))
        return TableReadFailure();
    progress_.Clear();
    if (options_.Json)
        OutJson(DifferencesJson(differences, QStringLiteral("gauge"), QStringLiteral("file")));
    else
        Out(DifferencesText(differences) + std::to_string(differences.Count()) +
            " differences\n");
    return differences.Empty() ? esSuccess : esDiffers;
}

// The report fields of a format-3 settings file, read through a device object of its own.
bool TCliSession::LoadReportFields(const std::string& fileName, TReportFields& fields) {
    T7310 scratch;
    scratch.Is7310Extended = true; // an extended device takes format 3 files only
    try {
        if (!scratch.LoadFromFile(fileName)) {
            Fail(fileName + ": not a format 3 settings file of " +
                 std::to_string(tls::Format3Size) + " bytes (the report fields are kept " +
                 "only in the settings files of extended gauges)");
            return false;
        }
    } catch (const std::exception& error) {
        Fail(error.what());
        return false;
    }
    fields = scratch.Report;
    return true;
}

int TCliSession::Report() {
    const bool toStdout = options_.File == "-";
    if (!toStdout && !CheckWritableTarget(options_.File))
        return esFileFailure;
    TReportFields fields;
    if (!options_.Fields.empty() &&
        (!CheckReadableFile(options_.Fields) || !LoadReportFields(options_.Fields, fields)))
        return esFileFailure;
    if (const int status = Connect(false))
        return status;
    if (!device_.IsExtended()) {
        Fail("report: the gauge is not an extended gauge (T8310, or T7310 with PC software "
             "ID 4 or more)");
        return esUsage;
    }
    CopyReportFields(fields, device_.Report);
    const QByteArray report = SummaryReport(device_, ShownEntries(device_));
    if (toStdout) {
        std::fwrite(report.constData(), 1, static_cast<size_t>(report.size()), stdout);
        return esSuccess;
    }
    QString reason;
    if (!SaveSummaryReport(QString::fromStdString(options_.File), report, &reason)) {
        Fail("cannot write " + options_.File + ": " + reason.toStdString());
        return esFileFailure;
    }
    PrintDone("Summary report of " + Where() + " written to " + options_.File,
              {{"file", QString::fromStdString(options_.File)}, {"written", true}});
    return esSuccess;
}
