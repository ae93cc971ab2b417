// SPDX-License-Identifier: GPL-3.0-or-later
// The units a tank table is worked out in: their text forms and conversions.

#include "TableUnits.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TableUnits, TextFormsReadBackInAnyCaseAndNothingElseIsAUnit) {
    const struct {
        TLengthUnit Unit;
        const char* Name;
        const char* Typed;
    } lengths[] = {
        {TLengthUnit::Millimetre, "mm", "MM"}, {TLengthUnit::Centimetre, "cm", "Cm"},
        {TLengthUnit::Metre, "m", "M"},        {TLengthUnit::Inch, "in", "IN"},
        {TLengthUnit::Foot, "ft", "Ft"},
    };
    for (const auto& c : lengths) {
        EXPECT_EQ(LengthUnitName(c.Unit), c.Name);
        EXPECT_EQ(ParseLengthUnit(c.Name), c.Unit) << c.Name;
        EXPECT_EQ(ParseLengthUnit(c.Typed), c.Unit) << c.Typed;
        EXPECT_NE(LengthUnitNames().find(c.Name), std::string::npos) << c.Name;
    }
    const struct {
        TVolumeUnit Unit;
        const char* Name;
        const char* Typed;
    } volumes[] = {
        {TVolumeUnit::Litre, "l", "L"},
        {TVolumeUnit::CubicMetre, "m3", "M3"},
        {TVolumeUnit::UsGallon, "usgal", "USGal"},
        {TVolumeUnit::ImperialGallon, "impgal", "ImpGal"},
    };
    for (const auto& c : volumes) {
        EXPECT_EQ(VolumeUnitName(c.Unit), c.Name);
        EXPECT_EQ(ParseVolumeUnit(c.Name), c.Unit) << c.Name;
        EXPECT_EQ(ParseVolumeUnit(c.Typed), c.Unit) << c.Typed;
        EXPECT_NE(VolumeUnitNames().find(c.Name), std::string::npos) << c.Name;
    }
    for (const char* text : {"", "mm ", "millimetre", "m³", "gal", "litre", "yd"}) {
        EXPECT_FALSE(ParseLengthUnit(text)) << text;
        EXPECT_FALSE(ParseVolumeUnit(text)) << text;
    }
}

// The defining sizes of the units, as the standards publish them.
TEST(TableUnits, ConversionsMatchTheUnitsDefinitions) {
    const struct {
        double Value;
        TLengthUnit From;
        TLengthUnit To;
        double Expected;
    } lengths[] = {
        {1, TLengthUnit::Foot, TLengthUnit::Millimetre, 304.8},
        {1, TLengthUnit::Inch, TLengthUnit::Centimetre, 2.54},
        {12, TLengthUnit::Inch, TLengthUnit::Foot, 1},
        {2500, TLengthUnit::Millimetre, TLengthUnit::Metre, 2.5},
        {1, TLengthUnit::Metre, TLengthUnit::Inch, 1 / 0.0254},
        {7, TLengthUnit::Centimetre, TLengthUnit::Centimetre, 7},
    };
    for (const auto& c : lengths)
        EXPECT_NEAR(ConvertLength(c.Value, c.From, c.To), c.Expected, c.Expected * 1e-15)
            << LengthUnitName(c.From) << " -> " << LengthUnitName(c.To);

    const struct {
        double Value;
        TVolumeUnit From;
        TVolumeUnit To;
        double Expected;
    } volumes[] = {
        {1, TVolumeUnit::CubicMetre, TVolumeUnit::Litre, 1000},
        {1, TVolumeUnit::UsGallon, TVolumeUnit::Litre, 3.785411784},
        {1, TVolumeUnit::ImperialGallon, TVolumeUnit::Litre, 4.54609},
        {1, TVolumeUnit::ImperialGallon, TVolumeUnit::UsGallon, 4.54609 / 3.785411784},
        {500, TVolumeUnit::Litre, TVolumeUnit::CubicMetre, 0.5},
    };
    for (const auto& c : volumes)
        EXPECT_NEAR(ConvertVolume(c.Value, c.From, c.To), c.Expected, c.Expected * 1e-15)
            << VolumeUnitName(c.From) << " -> " << VolumeUnitName(c.To);

    const struct {
        double Value;
        TLengthUnit CubeOf;
        TVolumeUnit To;
        double Expected;
    } cubes[] = {
        {1, TLengthUnit::Foot, TVolumeUnit::Litre, 28.316846592},
        {231, TLengthUnit::Inch, TVolumeUnit::UsGallon, 1},
        {1e6, TLengthUnit::Millimetre, TVolumeUnit::Litre, 1},
        {1, TLengthUnit::Metre, TVolumeUnit::CubicMetre, 1},
        {1000, TLengthUnit::Centimetre, TVolumeUnit::Litre, 1},
    };
    for (const auto& c : cubes)
        EXPECT_NEAR(CubeToVolume(c.Value, c.CubeOf, c.To), c.Expected, c.Expected * 1e-14)
            << LengthUnitName(c.CubeOf) << "^3 -> " << VolumeUnitName(c.To);
}

} // namespace
