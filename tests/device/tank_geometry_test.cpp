// SPDX-License-Identifier: GPL-3.0-or-later
// Tank volumes from the shape against published full volumes, symmetry and a numerical
// integration of the shape's cross-sections written out here; the tables worked out from them.

#include "TableReference.h"
#include "TankGeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

using tabletest::Interpolate;

constexpr double kPi = 3.14159265358979323846;

// ---- the reference: a shape's volume integrated here, slice by slice ----

// Tanh-sinh quadrature: to rounding for a function smooth inside the interval, whatever it
// does at the ends, so pieces are split where the function has a kink.
double Integrate(const std::function<double(double)>& f, double from, double to) {
    if (to <= from)
        return 0;
    const double half = (to - from) / 2;
    const double step = 1.0 / 64;
    double sum = 0;
    for (int k = -256; k <= 256; ++k) {
        const double t = k * step;
        const double u = kPi / 2 * std::sinh(t);
        const double weight = kPi / 2 * std::cosh(t) / (std::cosh(u) * std::cosh(u));
        // The distance to the nearer end, without the loss of digits of 1 - tanh(u).
        const double gap = half / (std::exp(std::abs(u)) * std::cosh(u));
        const double x = t < 0 ? from + gap : (t > 0 ? to - gap : from + half);
        if (gap > 0 && weight > 0)
            sum += weight * f(x);
    }
    return sum * half * step;
}

double Integrate(const std::function<double(double)>& f, std::vector<double> cuts) {
    std::sort(cuts.begin(), cuts.end());
    double sum = 0;
    for (size_t k = 0; k + 1 < cuts.size(); ++k)
        sum += Integrate(f, cuts[k], cuts[k + 1]);
    return sum;
}

// The area of a circle of radius r below a line d above its lowest point.
double Segment(double r, double d) {
    if (d <= 0)
        return 0;
    if (d >= 2 * r)
        return kPi * r * r;
    const double halfAngle = std::atan2(std::sqrt(d * (2 * r - d)), r - d);
    return r * r * halfAngle - (r - d) * std::sqrt(d * (2 * r - d));
}

// A head's profile: its radius at a distance x beyond the end of the shell.
struct TProfile {
    THeadKind Kind = THeadKind::Flat;
    double R = 0;
    double Depth = 0;
    double Crown = 0;
    double Knuckle = 0;
    double Junction = 0; // x where a torispherical crown meets the knuckle

    TProfile(const THead& head, double radius) : Kind(head.Kind), R(radius) {
        switch (head.Kind) {
        case THeadKind::Flat:
            break;
        case THeadKind::Hemispherical:
            Depth = R;
            break;
        case THeadKind::Ellipsoidal:
            Depth = head.Depth > 0 ? head.Depth : R / 2;
            break;
        case THeadKind::Conical:
            Depth = head.Depth;
            break;
        case THeadKind::Torispherical: {
            Crown = head.CrownRadius > 0 ? head.CrownRadius : 2 * R;
            Knuckle = head.KnuckleRadius > 0 ? head.KnuckleRadius : 0.06 * 2 * R;
            // The crown's centre on the axis, the knuckle circle's at R - rk from it in the
            // shell's end; the circles touch on the line through both centres.
            Depth = Crown - std::sqrt(std::pow(Crown - Knuckle, 2) - std::pow(R - Knuckle, 2));
            const double crownCentre = Depth - Crown;
            const double apart = std::hypot(0 - crownCentre, R - Knuckle);
            Junction = crownCentre + Crown * (0 - crownCentre) / apart;
            break;
        }
        }
    }

    double Radius(double x) const {
        switch (Kind) {
        case THeadKind::Flat:
            return R;
        case THeadKind::Hemispherical:
            return std::sqrt(std::max(0.0, R * R - x * x));
        case THeadKind::Ellipsoidal:
            return R * std::sqrt(std::max(0.0, 1 - (x / Depth) * (x / Depth)));
        case THeadKind::Conical:
            return R * (1 - x / Depth);
        case THeadKind::Torispherical:
            if (x <= Junction)
                return (R - Knuckle) + std::sqrt(std::max(0.0, Knuckle * Knuckle - x * x));
            return std::sqrt(std::max(0.0, Crown * Crown - std::pow(x - (Depth - Crown), 2)));
        }
        return 0;
    }

    std::vector<double> Cuts() const {
        if (Kind == THeadKind::Torispherical)
            return {0, Junction, Depth};
        return {0, Depth};
    }
};

// One lying head's liquid: the segments of its circular slices across the axis.
double LyingHead(const TProfile& head, double h) {
    if (head.Depth == 0)
        return 0;
    std::vector<double> cuts = head.Cuts();
    // Where the liquid line touches a slice the segment's area has a kink.
    const double gap = std::abs(head.R - h);
    if (gap > 0 && gap < head.R) {
        double low = 0;
        double high = head.Depth;
        for (int k = 0; k < 200; ++k)
            (head.Radius((low + high) / 2) > gap ? low : high) = (low + high) / 2;
        cuts.push_back(low);
    }
    return Integrate(
        [&](double x) {
            const double r = head.Radius(x);
            return Segment(r, h - (head.R - r));
        },
        cuts);
}

// The reference volume below a fill height, from level slices for a standing tank and a
// sphere, and from slices across the axis for a lying one.
double ReferenceVolume(const TTankShape& shape, double h) {
    const double r = shape.Diameter / 2;
    switch (shape.Kind) {
    case TTankKind::HorizontalCylinder: {
        const TProfile head(shape.Ends, r);
        return shape.Length * Segment(r, h) + 2 * LyingHead(head, h);
    }
    case TTankKind::VerticalCylinder: {
        const TProfile bottom(shape.Bottom, r);
        const TProfile top(shape.Top, r);
        const double shellTop = bottom.Depth + shape.Length;
        auto radius = [&](double y) {
            if (y < bottom.Depth)
                return bottom.Radius(bottom.Depth - y);
            if (y <= shellTop)
                return r;
            return top.Radius(y - shellTop);
        };
        std::vector<double> cuts{0, h};
        for (const double cut :
             {bottom.Depth - bottom.Junction, bottom.Depth, shellTop, shellTop + top.Junction})
            if (cut > 0 && cut < h)
                cuts.push_back(cut);
        return Integrate([&](double y) { return kPi * std::pow(radius(y), 2); }, cuts);
    }
    case TTankKind::Sphere:
        return Integrate([&](double y) { return kPi * (r * r - (y - r) * (y - r)); }, {0, h});
    }
    return 0;
}

// ---- the shapes ----

THead Head(THeadKind kind, double depth = 0, double crown = 0, double knuckle = 0) {
    return THead{kind, depth, crown, knuckle};
}

TTankShape Lying(double diameter, double length, THead heads) {
    TTankShape shape;
    shape.Kind = TTankKind::HorizontalCylinder;
    shape.Diameter = diameter;
    shape.Length = length;
    shape.Ends = heads;
    return shape;
}

TTankShape Standing(double diameter, double length, THead bottom, THead top) {
    TTankShape shape;
    shape.Kind = TTankKind::VerticalCylinder;
    shape.Diameter = diameter;
    shape.Length = length;
    shape.Bottom = bottom;
    shape.Top = top;
    return shape;
}

TTankShape Sphere(double diameter) {
    TTankShape shape;
    shape.Kind = TTankKind::Sphere;
    shape.Diameter = diameter;
    return shape;
}

// Published full volumes of heads (D the inside diameter): a hemisphere, a 2:1 ellipsoidal
// head pi D^3 / 24, a half ellipsoid 2/3 pi r^2 a, a cone 1/3 pi r^2 a, an ASME flanged and
// dished head about 0.0809 D^3 (rounded to three digits: within 0.2 %) and about 0.1693 D
// deep.
double Cylinder(double d, double length) {
    return kPi * d * d / 4 * length;
}
double Hemisphere(double d) {
    return kPi * d * d * d / 12;
}
double Ellipsoid21(double d) {
    return kPi * d * d * d / 24;
}
double HalfEllipsoid(double d, double a) {
    return 2.0 / 3 * kPi * d * d / 4 * a;
}
double Cone(double d, double a) {
    return kPi * d * d / 4 * a / 3;
}
double AsmeHead(double d) {
    return 0.0809 * d * d * d;
}

struct TShapeCase {
    const char* Name;
    TTankShape Shape;
    double FullVolume;
    double FullHeight;
    double Tolerance; // relative, of the published full volume and height
    bool Symmetric;   // half full at half height
};

const std::vector<TShapeCase>& ShapeCases() {
    static const std::vector<TShapeCase> cases{
        {"lying, flat", Lying(2000, 5000, Head(THeadKind::Flat)), Cylinder(2000, 5000), 2000, 1e-14,
         true},
        {"lying, hemispherical", Lying(2000, 5000, Head(THeadKind::Hemispherical)),
         Cylinder(2000, 5000) + 2 * Hemisphere(2000), 2000, 1e-14, true},
        {"lying, 2:1 ellipsoidal", Lying(1800, 4200, Head(THeadKind::Ellipsoidal)),
         Cylinder(1800, 4200) + 2 * Ellipsoid21(1800), 1800, 1e-14, true},
        {"lying, ellipsoidal 300 deep", Lying(2000, 3000, Head(THeadKind::Ellipsoidal, 300)),
         Cylinder(2000, 3000) + 2 * HalfEllipsoid(2000, 300), 2000, 1e-14, true},
        {"lying, ASME flanged and dished", Lying(2500, 6000, Head(THeadKind::Torispherical)),
         Cylinder(2500, 6000) + 2 * AsmeHead(2500), 2500,
         2e-3 * 2 * AsmeHead(2500) / (Cylinder(2500, 6000) + 2 * AsmeHead(2500)), true},
        {"lying, torispherical 1600/200",
         Lying(2000, 4000, Head(THeadKind::Torispherical, 0, 1600, 200)), 0, 2000, 0, true},
        {"lying, conical 700 deep", Lying(2000, 4000, Head(THeadKind::Conical, 700)),
         Cylinder(2000, 4000) + 2 * Cone(2000, 700), 2000, 1e-14, true},
        {"lying, conical heads only", Lying(1000, 0, Head(THeadKind::Conical, 1500)),
         2 * Cone(1000, 1500), 1000, 1e-14, true},
        {"standing, ASME bottom, 2:1 top",
         Standing(3000, 4000, Head(THeadKind::Torispherical), Head(THeadKind::Ellipsoidal)),
         Cylinder(3000, 4000) + AsmeHead(3000) + Ellipsoid21(3000), 0.1693 * 3000 + 4000 + 750,
         2e-4, false},
        {"standing, conical bottom, flat top",
         Standing(2000, 3000, Head(THeadKind::Conical, 1200), Head(THeadKind::Flat)),
         Cylinder(2000, 3000) + Cone(2000, 1200), 1200 + 3000, 1e-14, false},
        {"standing, hemispherical, no shell",
         Standing(1500, 0, Head(THeadKind::Hemispherical), Head(THeadKind::Hemispherical)),
         4 * kPi / 3 * 750 * 750 * 750, 1500, 1e-14, true},
        {"standing, flat", Standing(1000, 2000, Head(THeadKind::Flat), Head(THeadKind::Flat)),
         Cylinder(1000, 2000), 2000, 1e-14, true},
        {"sphere", Sphere(3000), 4 * kPi / 3 * 1500 * 1500 * 1500, 3000, 1e-14, true},
    };
    return cases;
}

TEST(TankGeometry, FullVolumesAndHeightsAreThePublishedOnes) {
    for (const TShapeCase& c : ShapeCases()) {
        std::string message;
        const std::optional<TTankGeometry> geometry = TTankGeometry::Make(c.Shape, message);
        ASSERT_TRUE(geometry) << c.Name << ": " << message;
        if (c.FullVolume > 0) {
            EXPECT_NEAR(geometry->FullVolume(), c.FullVolume, c.FullVolume * c.Tolerance) << c.Name;
        }
        EXPECT_NEAR(geometry->FullHeight(), c.FullHeight, c.FullHeight * c.Tolerance) << c.Name;
        EXPECT_NEAR(geometry->FullVolume(), ReferenceVolume(c.Shape, geometry->FullHeight()),
                    geometry->FullVolume() * 1e-12)
            << c.Name;
    }
}

TEST(TankGeometry, EveryVolumeIsWithinAPartInTenToTheNinthOfTheReference) {
    for (const TShapeCase& c : ShapeCases()) {
        std::string message;
        const std::optional<TTankGeometry> geometry = TTankGeometry::Make(c.Shape, message);
        ASSERT_TRUE(geometry) << c.Name << ": " << message;
        const double full = geometry->FullHeight();
        std::vector<double> heights{1e-9 * full, 1e-4 * full, 0.9999 * full, full};
        for (int k = 1; k < 60; ++k)
            heights.push_back(full * k / 60);
        // Both sides of every place the shape changes.
        for (const double place :
             {geometry->Bottom().Depth, full - geometry->Top().Depth, full / 2})
            for (const double offset : {-1e-3, 1e-3})
                heights.push_back(std::clamp(place + offset, 0.0, full));
        double previous = -1;
        std::sort(heights.begin(), heights.end());
        for (const double h : heights) {
            const double volume = geometry->Volume(h);
            EXPECT_NEAR(volume, ReferenceVolume(c.Shape, h), 1e-9 * geometry->FullVolume())
                << c.Name << " at " << h;
            EXPECT_GE(volume, previous) << c.Name << " at " << h;
            previous = volume;
        }
        EXPECT_EQ(geometry->Volume(0), 0) << c.Name;
        EXPECT_EQ(geometry->Volume(-5), 0) << c.Name;
        EXPECT_EQ(geometry->Volume(full * 2), geometry->FullVolume()) << c.Name;
    }
}

TEST(TankGeometry, ALyingTankOrASphereHalfFullHoldsHalf) {
    for (const TShapeCase& c : ShapeCases()) {
        if (!c.Symmetric)
            continue;
        std::string message;
        const std::optional<TTankGeometry> geometry = TTankGeometry::Make(c.Shape, message);
        ASSERT_TRUE(geometry) << c.Name << ": " << message;
        const double full = geometry->FullHeight();
        const double volume = geometry->FullVolume();
        EXPECT_NEAR(geometry->Volume(full / 2), volume / 2, volume * 1e-12) << c.Name;
        for (const double share : {0.01, 0.2, 0.37, 0.49})
            EXPECT_NEAR(geometry->Volume(full * share) + geometry->Volume(full * (1 - share)),
                        volume, volume * 1e-12)
                << c.Name << " at " << share;
    }
}

// The torispherical sums reduce to a hemisphere when the crown radius is the shell's.
TEST(TankGeometry, ATorisphericalHeadWithTheShellsRadiusIsAHemisphere) {
    const TTankShape dished = Lying(2000, 1000, Head(THeadKind::Torispherical, 0, 1000, 150));
    const TTankShape hemispherical = Lying(2000, 1000, Head(THeadKind::Hemispherical));
    std::string message;
    const std::optional<TTankGeometry> a = TTankGeometry::Make(dished, message);
    const std::optional<TTankGeometry> b = TTankGeometry::Make(hemispherical, message);
    ASSERT_TRUE(a && b) << message;
    for (int k = 0; k <= 40; ++k) {
        const double h = 2000.0 * k / 40;
        EXPECT_NEAR(a->Volume(h), b->Volume(h), 1e-10 * b->FullVolume()) << h;
    }
}

// ---- tables ----

TEST(TankGeometry, TablesFollowTheShapeAndReportTheirWorstError) {
    constexpr double kLitresPerCubicMillimetre = 1e-6;
    for (const TShapeCase& c : ShapeCases()) {
        double worstOfEqual = 0;
        for (const TPlacement placement : {TPlacement::EqualHeights, TPlacement::Best}) {
            const std::string what = std::string(c.Name) + ", " + PlacementName(placement);
            TShapeTableRequest request;
            request.Shape = c.Shape;
            request.Placement = placement;
            const TShapeTable result = ShapeTable(request);
            ASSERT_TRUE(result.Ok) << what << ": " << result.Message;
            const TFittedTable& table = result.Table;
            const std::vector<TTablePoint>& points = table.Points;
            ASSERT_EQ(points.size(), 100u) << what;

            std::string message;
            const double fullHeight = TTankGeometry::Make(c.Shape, message)->FullHeight();
            const double fullVolume =
                ReferenceVolume(c.Shape, fullHeight) * kLitresPerCubicMillimetre;
            EXPECT_NEAR(table.FullVolume, fullVolume, fullVolume * 1e-12) << what;
            EXPECT_EQ(points.front().StoredHeight, 0) << what;
            EXPECT_EQ(points.front().StoredVolume, 0) << what;
            EXPECT_EQ(points.back().StoredHeight, std::llround(fullHeight * 1000)) << what;
            EXPECT_EQ(points.back().StoredVolume, std::llround(fullVolume * 1000)) << what;
            for (size_t k = 1; k < points.size(); ++k) {
                EXPECT_GT(points[k].StoredHeight, points[k - 1].StoredHeight) << what << k;
                EXPECT_GE(points[k].StoredVolume, points[k - 1].StoredVolume) << what << k;
            }
            for (size_t k = 1; k + 1 < points.size(); ++k) {
                const double h = points[k].StoredHeight / 1000.0;
                EXPECT_NEAR(points[k].StoredVolume,
                            ReferenceVolume(c.Shape, h) * kLitresPerCubicMillimetre * 1000,
                            0.5 + 1e-6)
                    << what << " row " << k;
            }
            if (placement == TPlacement::EqualHeights) {
                const double steps = static_cast<double>(std::llround(fullHeight * 1000));
                for (size_t k = 0; k < points.size(); ++k)
                    EXPECT_EQ(points[k].StoredHeight,
                              std::llround(steps * static_cast<double>(k) / 99))
                        << what << " row " << k;
            }

            // The reported worst is the largest error anywhere: none larger at 3000 heights,
            // and that large where it is said to be.
            double seen = 0;
            for (int k = 0; k <= 3000; ++k) {
                const double h = fullHeight * k / 3000;
                seen = std::max(seen,
                                std::abs(Interpolate(points, h) -
                                         ReferenceVolume(c.Shape, h) * kLitresPerCubicMillimetre));
            }
            EXPECT_GE(table.WorstError, seen - 1e-9 * fullVolume) << what;
            EXPECT_LE(table.WorstError, seen * 1.05 + 1e-9 * fullVolume) << what;
            const double there = std::abs(Interpolate(points, table.WorstErrorHeight) -
                                          ReferenceVolume(c.Shape, table.WorstErrorHeight) *
                                              kLitresPerCubicMillimetre);
            EXPECT_NEAR(there, table.WorstError, 1e-9 * fullVolume) << what;
            EXPECT_NEAR(table.WorstErrorPercent, table.WorstError / fullVolume * 100, 1e-12)
                << what;
            if (placement == TPlacement::EqualHeights) {
                worstOfEqual = table.WorstError;
            } else if (worstOfEqual > 0.01) {
                EXPECT_LT(table.WorstError, worstOfEqual) << what;
            }
        }
    }
}

TEST(TankGeometry, TablesComeInTheAskedUnitsAndNumberOfPoints) {
    const TTankShape shape = Lying(2000, 5000, Head(THeadKind::Torispherical));
    const double fullVolume = ReferenceVolume(shape, 2000); // cubic millimetres
    const struct {
        TLengthUnit ShapeUnit;
        double Scale; // of the millimetre sizes into the shape's unit
        TLengthUnit HeightUnit;
        TVolumeUnit VolumeUnit;
        double FullHeight;
        double FullVolume;
        int Points;
    } cases[] = {
        {TLengthUnit::Millimetre, 1, TLengthUnit::Metre, TVolumeUnit::CubicMetre, 2,
         fullVolume * 1e-9, 100},
        {TLengthUnit::Metre, 1e-3, TLengthUnit::Millimetre, TVolumeUnit::Litre, 2000,
         fullVolume * 1e-6, 37},
        {TLengthUnit::Centimetre, 0.1, TLengthUnit::Inch, TVolumeUnit::UsGallon, 2000 / 25.4,
         fullVolume / (231 * 25.4 * 25.4 * 25.4), 2},
        {TLengthUnit::Inch, 1 / 25.4, TLengthUnit::Foot, TVolumeUnit::ImperialGallon, 2000 / 304.8,
         fullVolume * 1e-6 / 4.54609, 64},
    };
    for (const auto& c : cases) {
        const std::string what = LengthUnitName(c.ShapeUnit) + " to " +
                                 LengthUnitName(c.HeightUnit) + ", " + VolumeUnitName(c.VolumeUnit);
        TShapeTableRequest request;
        request.Shape = shape;
        request.Shape.Unit = c.ShapeUnit;
        request.Shape.Diameter *= c.Scale;
        request.Shape.Length *= c.Scale;
        request.HeightUnit = c.HeightUnit;
        request.VolumeUnit = c.VolumeUnit;
        request.Points = c.Points;
        const TShapeTable result = ShapeTable(request);
        ASSERT_TRUE(result.Ok) << what << ": " << result.Message;
        EXPECT_EQ(result.Table.HeightUnit, c.HeightUnit) << what;
        EXPECT_EQ(result.Table.VolumeUnit, c.VolumeUnit) << what;
        EXPECT_EQ(result.Table.Points.size(), static_cast<size_t>(c.Points)) << what;
        EXPECT_NEAR(result.Table.FullVolume, c.FullVolume, c.FullVolume * 1e-12) << what;
        EXPECT_EQ(result.Table.Points.back().StoredHeight, std::llround(c.FullHeight * 1000))
            << what;
        EXPECT_EQ(result.Table.Points.back().StoredVolume, std::llround(c.FullVolume * 1000))
            << what;
        // Half the height holds half the volume in any units.
        EXPECT_NEAR(Interpolate(result.Table.Points, c.FullHeight / 2), c.FullVolume / 2,
                    result.Table.WorstError + 1e-3)
            << what;
    }
}

TEST(TankGeometry, ShapesAndTablesThatCannotBeAreRefused) {
    auto withPoints = [](int points) {
        TShapeTableRequest request;
        request.Shape = Lying(2000, 5000, Head(THeadKind::Flat));
        request.Points = points;
        return request;
    };
    auto inUnits = [](TTankShape shape, TLengthUnit shapeUnit, TLengthUnit heightUnit,
                      TVolumeUnit volumeUnit) {
        TShapeTableRequest request;
        request.Shape = shape;
        request.Shape.Unit = shapeUnit;
        request.HeightUnit = heightUnit;
        request.VolumeUnit = volumeUnit;
        return request;
    };
    auto of = [](TTankShape shape) {
        TShapeTableRequest request;
        request.Shape = shape;
        return request;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* Name;
        TShapeTableRequest Request;
        const char* Message;
    } cases[] = {
        {"no diameter", of(Lying(0, 5000, Head(THeadKind::Flat))), "diameter must be"},
        {"diameter not a number", of(Sphere(nan)), "diameter must be"},
        {"negative length", of(Lying(2000, -1, Head(THeadKind::Flat))), "length must be"},
        {"infinite length",
         of(Standing(2000, std::numeric_limits<double>::infinity(), Head(THeadKind::Flat),
                     Head(THeadKind::Flat))),
         "length must be"},
        {"ellipsoidal deeper than a hemisphere",
         of(Lying(2000, 5000, Head(THeadKind::Ellipsoidal, 1000.5))),
         "The heads' depth 1000.5 mm is more than the radius 1000 mm"},
        {"conical without a depth",
         of(Standing(2000, 5000, Head(THeadKind::Conical), Head(THeadKind::Flat))),
         "The bottom head is conical; it needs its depth"},
        {"negative depth",
         of(Standing(2000, 5000, Head(THeadKind::Flat), Head(THeadKind::Conical, -3))),
         "The top head's sizes must be numbers not below zero"},
        {"a depth for a hemispherical head",
         of(Lying(2000, 5000, Head(THeadKind::Hemispherical, 1000))), "takes no depth"},
        {"a crown radius for an ellipsoidal head",
         of(Lying(2000, 5000, Head(THeadKind::Ellipsoidal, 0, 2000))),
         "takes no crown or knuckle radius"},
        {"crown radius below the shell's",
         of(Lying(2000, 5000, Head(THeadKind::Torispherical, 0, 999))),
         "crown radius 999 mm is less than the shell's radius 1000 mm"},
        {"knuckle radius as large as the shell's",
         of(Lying(2000, 5000, Head(THeadKind::Torispherical, 0, 0, 1000))),
         "knuckle radius 1000 mm must be less than the shell's radius"},
        {"flat heads, no shell", of(Lying(2000, 0, Head(THeadKind::Flat))), "holds nothing"},
        {"one point", withPoints(1), "2 to 100"},
        {"101 points", withPoints(101), "2 to 100"},
        {"too many litres",
         inUnits(Lying(20, 100, Head(THeadKind::Flat)), TLengthUnit::Metre, TLengthUnit::Metre,
                 TVolumeUnit::Litre),
         "The full volume 31415926.5 l is too large. The largest value is 2147483.647; choose a "
         "larger volume unit."},
        {"too many millimetres",
         inUnits(Sphere(3000), TLengthUnit::Metre, TLengthUnit::Millimetre,
                 TVolumeUnit::CubicMetre),
         "The full height 3000000 mm is too large"},
        {"too few thousandths of height",
         inUnits(Sphere(50), TLengthUnit::Millimetre, TLengthUnit::Metre, TVolumeUnit::Litre),
         "only 51 heights"},
        {"a volume of no thousandths",
         inUnits(Sphere(10), TLengthUnit::Millimetre, TLengthUnit::Millimetre,
                 TVolumeUnit::CubicMetre),
         "is 0.000 in the table's thousandths"},
    };
    for (const auto& c : cases) {
        const TShapeTable result = ShapeTable(c.Request);
        EXPECT_FALSE(result.Ok) << c.Name;
        EXPECT_TRUE(result.Table.Points.empty()) << c.Name;
        EXPECT_NE(result.Message.find(c.Message), std::string::npos)
            << c.Name << ": " << result.Message;
    }
}

TEST(TankGeometry, KindsReadBackFromTheirNames) {
    for (const TTankKind kind :
         {TTankKind::HorizontalCylinder, TTankKind::VerticalCylinder, TTankKind::Sphere})
        EXPECT_EQ(ParseTankKind(TankKindName(kind)), kind) << TankKindName(kind);
    for (const THeadKind kind : {THeadKind::Flat, THeadKind::Hemispherical, THeadKind::Ellipsoidal,
                                 THeadKind::Torispherical, THeadKind::Conical})
        EXPECT_EQ(ParseHeadKind(HeadKindName(kind)), kind) << HeadKindName(kind);
    for (const char* text : {"", "cylinder", "dished", "Flat "}) {
        EXPECT_FALSE(ParseTankKind(text)) << text;
        EXPECT_FALSE(ParseHeadKind(text)) << text;
    }
}

} // namespace
