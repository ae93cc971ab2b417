// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The length and volume units a tank table can be worked out in: their short text forms (what
// a command line takes) and conversions between them. Every factor is exact by definition of
// the unit (the inch is 25.4 mm, the US gallon 231 cubic inches, the imperial gallon 4.54609 l).

#include <optional>
#include <string>

enum class TLengthUnit { Millimetre, Centimetre, Metre, Inch, Foot };
enum class TVolumeUnit { Litre, CubicMetre, UsGallon, ImperialGallon };

// "mm", "cm", "m", "in", "ft".
std::string LengthUnitName(TLengthUnit unit);
// "l", "m3", "usgal", "impgal".
std::string VolumeUnitName(TVolumeUnit unit);
// The text forms above, in any letter case; nothing for any other text.
std::optional<TLengthUnit> ParseLengthUnit(const std::string& text);
std::optional<TVolumeUnit> ParseVolumeUnit(const std::string& text);
// Every unit's text form, comma separated, for messages: "mm, cm, m, in, ft".
std::string LengthUnitNames();
std::string VolumeUnitNames();

double MetresPer(TLengthUnit unit);
double CubicMetresPer(TVolumeUnit unit);
double ConvertLength(double value, TLengthUnit from, TLengthUnit to);
double ConvertVolume(double value, TVolumeUnit from, TVolumeUnit to);
// A volume in cubes of a length unit (what a tank's dimensions give) in a volume unit.
double CubeToVolume(double value, TLengthUnit cubeOf, TVolumeUnit to);
