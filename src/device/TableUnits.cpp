// SPDX-License-Identifier: GPL-3.0-or-later
#include "TableUnits.h"

#include <array>
#include <utility>

namespace {

constexpr double kInch = 0.0254;

constexpr std::array<std::pair<TLengthUnit, const char*>, 5> kLengthNames{{
    {TLengthUnit::Millimetre, "mm"},
    {TLengthUnit::Centimetre, "cm"},
    {TLengthUnit::Metre, "m"},
    {TLengthUnit::Inch, "in"},
    {TLengthUnit::Foot, "ft"},
}};

constexpr std::array<std::pair<TVolumeUnit, const char*>, 4> kVolumeNames{{
    {TVolumeUnit::Litre, "l"},
    {TVolumeUnit::CubicMetre, "m3"},
    {TVolumeUnit::UsGallon, "usgal"},
    {TVolumeUnit::ImperialGallon, "impgal"},
}};

std::string LowerCase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

template <typename TUnit, size_t N>
std::string NameOf(const std::array<std::pair<TUnit, const char*>, N>& names, TUnit unit) {
    for (const auto& [known, name] : names)
        if (known == unit)
            return name;
    return {};
}

template <typename TUnit, size_t N>
std::optional<TUnit> Parse(const std::array<std::pair<TUnit, const char*>, N>& names,
                           const std::string& text) {
    const std::string lower = LowerCase(text);
    for (const auto& [unit, name] : names)
        if (lower == name)
            return unit;
    return std::nullopt;
}

template <typename TUnit, size_t N>
std::string AllNames(const std::array<std::pair<TUnit, const char*>, N>& names) {
    std::string text;
    for (const auto& entry : names)
        text += (text.empty() ? "" : ", ") + std::string(entry.second);
    return text;
}

} // namespace

std::string LengthUnitName(TLengthUnit unit) {
    return NameOf(kLengthNames, unit);
}

std::string VolumeUnitName(TVolumeUnit unit) {
    return NameOf(kVolumeNames, unit);
}

std::optional<TLengthUnit> ParseLengthUnit(const std::string& text) {
    return Parse(kLengthNames, text);
}

std::optional<TVolumeUnit> ParseVolumeUnit(const std::string& text) {
    return Parse(kVolumeNames, text);
}

std::string LengthUnitNames() {
    return AllNames(kLengthNames);
}

std::string VolumeUnitNames() {
    return AllNames(kVolumeNames);
}

double MetresPer(TLengthUnit unit) {
    switch (unit) {
    case TLengthUnit::Millimetre:
        return 0.001;
    case TLengthUnit::Centimetre:
        return 0.01;
    case TLengthUnit::Metre:
        return 1;
    case TLengthUnit::Inch:
        return kInch;
    case TLengthUnit::Foot:
        return 12 * kInch;
    }
    return 1;
}

double CubicMetresPer(TVolumeUnit unit) {
    switch (unit) {
    case TVolumeUnit::Litre:
        return 0.001;
    case TVolumeUnit::CubicMetre:
        return 1;
    case TVolumeUnit::UsGallon:
        return 231 * kInch * kInch * kInch;
    case TVolumeUnit::ImperialGallon:
        return 0.00454609;
    }
    return 1;
}

double ConvertLength(double value, TLengthUnit from, TLengthUnit to) {
    return from == to ? value : value * MetresPer(from) / MetresPer(to);
}

double ConvertVolume(double value, TVolumeUnit from, TVolumeUnit to) {
    return from == to ? value : value * CubicMetresPer(from) / CubicMetresPer(to);
}

double CubeToVolume(double value, TLengthUnit cubeOf, TVolumeUnit to) {
    const double metres = MetresPer(cubeOf);
    return value * (metres * metres * metres) / CubicMetresPer(to);
}
