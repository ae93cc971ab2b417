// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The four gauge families settings can be prepared for without a gauge: what each is called,
// what its identity says, and the device object's family flags it stands for. Offline the
// family is chosen, not read, so these are the one place that maps between the two.

#include "Instructions.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

class T7310;

enum class TGaugeFamily : uint8_t { T7310, T7310Extended, T8310, PRM8310 };

struct TFamilyFacts {
    TGaugeFamily Family;
    const char* Name;       // as the family question lists it: "T7310 extended"
    const char* DeviceName; // the identity's device name: "T7310"
    bool Is8310;
    bool HasFlowScaling;
    bool Is7310Extended;
    uint32_t FileFormat; // the .TLS format its settings are saved in
};

// In the order the family question lists them.
std::span<const TFamilyFacts> Families();
const TFamilyFacts& FamilyFacts(TGaugeFamily family);
bool IsExtendedFamily(TGaugeFamily family);
// Whether a family has what an instruction's family condition names.
bool FamilyHas(TGaugeFamily family, instr::TFamily condition);

// The family the device object's flags name (those of the last identity, or set offline).
TGaugeFamily FamilyOf(const T7310& device);
// Sets the device object's family flags and identity name as a gauge of that family would;
// the gauge's version texts are cleared, since no gauge said them.
void TakeFamily(T7310& device, TGaugeFamily family);

// A family by its listed name ("T8310", "T7310 extended"; letter case ignored).
std::optional<TGaugeFamily> FamilyNamed(const std::string& name);
// The families a settings file of that format can be for (none for an unknown format).
std::vector<TGaugeFamily> FamiliesForFormat(uint32_t format);
// The family an archive folder ("T8310-node01") settles for a file of that format, or none
// when the folder is not an archive's gauge folder or does not fit the format.
std::optional<TGaugeFamily> FamilyOfArchiveFolder(const QString& folderName, uint32_t format);

// Fills the device object's image as a blank one of its family: every value of the catalogue
// at its lowest valid value (so the tank type is "none"), texts and the table empty.
void BlankImage(T7310& device);

// The names of the catalogue settings a family has and another has not, in catalogue order:
// what settings prepared for `from` would lose on a gauge of family `to`.
std::vector<std::string> SettingsNotHeld(TGaugeFamily from, TGaugeFamily to);
