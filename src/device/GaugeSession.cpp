// SPDX-License-Identifier: GPL-3.0-or-later
#include "GaugeSession.h"

#include "ConnectionDoctor.h"
#include "SerialPacket.h"

TGaugeSession::TGaugeSession(T7310& device, TArchive& archive)
    : device_(device), archive_(archive) {
    device_.ProgramSoftwareId = kProgramSoftwareId;
}

TConnectResult TGaugeSession::Connect(int commPort, uint8_t nodeId, long baudRate) {
    return Connected([&] { return device_.Connect(commPort, nodeId, baudRate); });
}

TConnectResult TGaugeSession::ConnectOnLine(int commPort, uint8_t nodeId, long baudRate) {
    if (!device_.Connected())
        return Connect(commPort, nodeId, baudRate);
    return Connected([&] { return device_.Readdress(nodeId); });
}

TConnectResult TGaugeSession::Connected(const std::function<bool()>& connect) {
    TConnectResult result;
    // The refusal is raised inside Connect; the owner's handler hears it too.
    TSubscription refused = device_.OnIncompatible.Subscribe(
        [&result](T7310*, const std::string& text) { result.IncompatibleText = text; });
    device_.ProgramSoftwareId = kProgramSoftwareId;
    device_.AlarmTests.clear();
    if (!connect()) {
        TSerialPacket& link = device_.Link();
        if (!result.IncompatibleText.empty()) {
            result.Failure = TConnectFailure::Incompatible;
        } else if (link.ErrorCode() != PORT_OK) {
            result.Failure = TConnectFailure::PortNotOpened;
            result.Advice = ConnectionAdvice(link.LastSystemError(), link.OpenedPath());
        } else {
            result.Failure = TConnectFailure::NoIdentity;
        }
        result.Outcome = device_.LastOutcome();
        return result;
    }
    if (!device_.SettingsRead()) {
        result.Failure = TConnectFailure::ReadFailed;
        result.Outcome = device_.LastOutcome();
    }
    return result;
}

std::vector<uint8_t> FileWriteSeries(const T7310& device) {
    std::vector<uint8_t> codes(instr::WriteAllOrder().begin(), instr::WriteAllOrder().end());
    if (device.Image.IsNonStandardTank()) {
        codes.push_back(instr::TableSizeWrite);
        codes.push_back(instr::TableDataWrite);
    }
    if (device.IsExtended())
        codes.push_back(instr::DisplayResolutionWrite);
    if (device.Is8310) {
        if (device.HasFlowScaling)
            codes.push_back(instr::FlowScalingWrite);
        codes.push_back(instr::SafeCapacityWrite);
        codes.push_back(instr::ResolutionHysteresisWrite);
    }
    return codes;
}

std::set<uint8_t> FileWriteInstructions(const T7310& device) {
    const std::vector<uint8_t> codes = FileWriteSeries(device);
    return {codes.begin(), codes.end()};
}

size_t KeepGaugeValues(T7310& device, const TDifferences& changes,
                       const std::vector<bool>& chosen) {
    size_t kept = 0;
    for (size_t i = 0; i < changes.Settings.size() && i < chosen.size(); ++i) {
        if (chosen[i])
            continue;
        const TSettingDifference& change = changes.Settings[i];
        if (change.Id < 0) {
            // The default-protocol flag has no catalogue item of its own.
            device.Image.DefaultProtocol = device.GaugeImage.DefaultProtocol;
            ++kept;
            continue;
        }
        const TZURSetting* item =
            device.Settings().Find(static_cast<uint32_t>(change.Id), change.Name);
        if (!item)
            continue;
        if (item->DataType == stText) {
            const std::string* gauge = item->Where.Text(device.GaugeImage);
            std::string* image = item->Where.Text(device.Image);
            if (gauge && image)
                *image = *gauge;
        } else {
            item->SetValue(device.Image, item->Value(device.GaugeImage));
        }
        ++kept;
    }
    return kept;
}

bool TGaugeSession::WriteFileSeries() {
    for (uint8_t code : FileWriteSeries(device_)) {
        // The table goes as one transfer: its size, then its rows.
        if (code == instr::TableDataWrite)
            continue;
        const bool ok =
            code == instr::TableSizeWrite ? device_.WriteTankTable() : device_.WriteGroup(code);
        if (!ok)
            return false;
    }
    return true;
}

bool TGaugeSession::FileDifferences(TDifferences& differences) {
    TCompareScope scope;
    scope.Writes = FileWriteInstructions(device_);
    scope.Table = TableMatters(device_.GaugeImage, device_.Image);
    if (scope.Table && !device_.GaugeTableKnown() && !device_.ReadGaugeTable())
        return false;
    differences = CompareImages(device_.GaugeImage, device_.Image, scope);
    return true;
}

TCheckedWriteOutcome TGaugeSession::CheckedWrite(const std::string& operation,
                                                 const std::function<bool()>& series,
                                                 const TWriteHooks& hooks) {
    TCheckedWriteOutcome outcome;
    TSafeWrite write(device_, archive_, operation);
    write.OnArchiveError = hooks.ArchiveError;
    write.User = hooks.User;
    if (!write.Prepare()) {
        outcome.Result = TCheckedWrite::NotRead;
        outcome.Outcome = device_.LastOutcome();
        return outcome;
    }
    if (hooks.Confirm &&
        !hooks.Confirm(CompareImages(device_.GaugeImage, device_.Image, ScopeOf(hooks.Confirms)))) {
        outcome.Result = TCheckedWrite::Cancelled;
        return outcome;
    }
    if (hooks.Reason)
        write.Reason = hooks.Reason().trimmed();
    write.Begin();
    outcome.AsFound = write.AsFound();
    if (!series()) {
        outcome.Result = TCheckedWrite::Failed;
        outcome.Outcome = device_.LastOutcome();
        write.Record(false);
        return outcome;
    }
    if (!hooks.Verify || !hooks.Verify()) {
        outcome.Result = TCheckedWrite::Written;
        write.Record(true);
        return outcome;
    }
    if (hooks.BeforeVerify)
        hooks.BeforeVerify();
    bool readBack = false;
    {
        // Cleared however the read-back ends (a hook may throw).
        struct TVerifying {
            bool& Flag;
            explicit TVerifying(bool& flag) : Flag(flag) { Flag = true; }
            ~TVerifying() { Flag = false; }
        } verifying(verifying_);
        readBack = write.Verify();
        if (!readBack && hooks.VerifyAgain)
            readBack = hooks.VerifyAgain(write);
    }
    outcome.AsLeft = write.AsLeft();
    if (!readBack) {
        outcome.Result = TCheckedWrite::ReadBackFailed;
        outcome.Outcome = device_.LastOutcome();
        write.Record(true);
        return outcome;
    }
    outcome.NotKept = write.NotKept();
    outcome.Result = write.Record(true) == TWriteResult::NotKept ? TCheckedWrite::NotKept
                                                                  : TCheckedWrite::Written;
    return outcome;
}

namespace {

std::string NameList(const std::vector<std::string>& names) {
    constexpr size_t kNamed = 6;
    std::string text;
    for (size_t i = 0; i < names.size() && i < kNamed; ++i)
        text += (i ? ", " : "") + names[i];
    if (names.size() > kNamed)
        text += " and " + std::to_string(names.size() - kNamed) + " more";
    return text;
}

} // namespace

std::string TGaugeSession::PreparedFamilyRefusal(TGaugeFamily prepared) const {
    const TGaugeFamily gauge = FamilyOf(device_);
    if (gauge == prepared)
        return {};
    const std::string preparedName = FamilyFacts(prepared).Name;
    const std::string gaugeName = FamilyFacts(gauge).Name;
    std::string text = "These settings are for a " + preparedName + ", but this gauge is a " +
                       gaugeName + ".";
    if (const auto lost = SettingsNotHeld(prepared, gauge); !lost.empty())
        text += "\nA " + gaugeName + " cannot hold " + NameList(lost) + ".";
    if (const auto missing = SettingsNotHeld(gauge, prepared); !missing.empty())
        text += "\nSettings for a " + preparedName + " hold no " + NameList(missing) + ".";
    if (IsExtendedFamily(prepared) != IsExtendedFamily(gauge))
        text += "\nTheir settings files are of another format (" +
                std::to_string(FamilyFacts(prepared).FileFormat) + ", not " +
                std::to_string(FamilyFacts(gauge).FileFormat) + ").";
    return text + "\nNothing was written.";
}
