// SPDX-License-Identifier: GPL-3.0-or-later
#include "GaugeFamily.h"

#include "SettingsFile.h"
#include "T7310.h"
#include "ZURSettings.h"

#include <QStringList>

#include <algorithm>
#include <array>

namespace {

constexpr std::array<TFamilyFacts, 4> kFamilies{{
    {TGaugeFamily::T7310, "T7310", "T7310", false, false, false, tls::Format2},
    {TGaugeFamily::T7310Extended, "T7310 extended", "T7310", false, false, true, tls::Format3},
    {TGaugeFamily::T8310, "T8310", "T8310", true, false, false, tls::Format3},
    {TGaugeFamily::PRM8310, "PRM8310", "PRM8310", true, true, false, tls::Format3},
}};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::span<const TFamilyFacts> Families() {
    return kFamilies;
}

const TFamilyFacts& FamilyFacts(TGaugeFamily family) {
    for (const TFamilyFacts& facts : kFamilies)
        if (facts.Family == family)
            return facts;
    return kFamilies.front();
}

bool IsExtendedFamily(TGaugeFamily family) {
    return FamilyFacts(family).FileFormat == tls::Format3;
}

bool FamilyHas(TGaugeFamily family, instr::TFamily condition) {
    const TFamilyFacts& facts = FamilyFacts(family);
    switch (condition) {
    case instr::TFamily::Any:
        return true;
    case instr::TFamily::Extended:
        return IsExtendedFamily(family);
    case instr::TFamily::Is8310:
        return facts.Is8310;
    case instr::TFamily::FlowScaling:
        return facts.Is8310 && facts.HasFlowScaling;
    }
    return false;
}

TGaugeFamily FamilyOf(const T7310& device) {
    if (device.Is8310)
        return device.HasFlowScaling ? TGaugeFamily::PRM8310 : TGaugeFamily::T8310;
    return device.Is7310Extended ? TGaugeFamily::T7310Extended : TGaugeFamily::T7310;
}

void TakeFamily(T7310& device, TGaugeFamily family) {
    const TFamilyFacts& facts = FamilyFacts(family);
    device.Is8310 = facts.Is8310;
    device.HasFlowScaling = facts.HasFlowScaling;
    device.Is7310Extended = facts.Is7310Extended;
    device.Image.DeviceName = facts.DeviceName;
    device.Image.SoftwareVersion.clear();
    device.Image.DevicePcSoftwareId.clear();
}

std::optional<TGaugeFamily> FamilyNamed(const std::string& name) {
    for (const TFamilyFacts& facts : kFamilies)
        if (Lower(name) == Lower(facts.Name))
            return facts.Family;
    return std::nullopt;
}

std::vector<TGaugeFamily> FamiliesForFormat(uint32_t format) {
    std::vector<TGaugeFamily> families;
    for (const TFamilyFacts& facts : kFamilies)
        if (facts.FileFormat == format)
            families.push_back(facts.Family);
    return families;
}

std::optional<TGaugeFamily> FamilyOfArchiveFolder(const QString& folderName, uint32_t format) {
    // "<device name>-node<NN>", as the archive names its gauge folders.
    const qsizetype dash = folderName.lastIndexOf(QStringLiteral("-node"));
    if (dash <= 0)
        return std::nullopt;
    const std::string deviceName = folderName.left(dash).toStdString();
    for (const TFamilyFacts& facts : kFamilies)
        if (facts.DeviceName == deviceName && facts.FileFormat == format)
            return facts.Family;
    return std::nullopt;
}

void BlankImage(T7310& device) {
    const TGaugeFamily family = FamilyOf(device);
    const std::string deviceName = device.Image.DeviceName;
    device.Image = TDeviceImage{};
    device.Image.DeviceName = deviceName;
    device.Report = TReportFields{};
    const TZURSettings& settings = device.Settings();
    for (size_t i = 0; i < settings.Count(); ++i) {
        const TZURSetting& setting = settings.Item(i);
        if (!setting.Writable() || !setting.Raw() || !FamilyHas(family, setting.Family))
            continue;
        setting.SetValue(device.Image, static_cast<uint32_t>(std::max<int64_t>(setting.Min, 0)));
    }
}

std::vector<std::string> SettingsNotHeld(TGaugeFamily from, TGaugeFamily to) {
    std::vector<std::string> names;
    const TZURSettings& catalogue = Catalogue();
    for (size_t i = 0; i < catalogue.Count(); ++i) {
        const TZURSetting& setting = catalogue.Item(i);
        if (setting.Writable() && FamilyHas(from, setting.Family) &&
            !FamilyHas(to, setting.Family) &&
            std::find(names.begin(), names.end(), setting.Name) == names.end())
            names.push_back(setting.Name);
    }
    return names;
}
