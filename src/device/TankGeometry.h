// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A tank's shape from its drawing, the volume it holds at each fill height, and a tank table
// worked out from it. Heights are measured from the lowest point inside the tank. Volumes are
// exact formulas where the shape has one; a lying cylinder's torispherical heads are summed
// numerically to far better than a part in 10^9 of the tank.

#include "TableFit.h"
#include "TableUnits.h"

#include <optional>
#include <string>

enum class TTankKind {
    HorizontalCylinder, // lying, with two equal heads
    VerticalCylinder,   // standing, with a bottom and a top head
    Sphere,
};

enum class THeadKind {
    Flat,
    Hemispherical,
    Ellipsoidal,   // half an ellipsoid of revolution
    Torispherical, // a spherical crown joined to the shell by a toroidal knuckle
    Conical,
};

// "horizontal", "vertical", "sphere".
std::string TankKindName(TTankKind kind);
std::optional<TTankKind> ParseTankKind(const std::string& text);
// "flat", "hemispherical", "ellipsoidal", "torispherical", "conical".
std::string HeadKindName(THeadKind kind);
std::optional<THeadKind> ParseHeadKind(const std::string& text);

// One head, its sizes in the tank's unit. A size left at 0 takes its usual value.
struct THead {
    THeadKind Kind = THeadKind::Flat;
    // How far the head reaches beyond the end of the shell. Ellipsoidal: 0 for a 2:1 head (a
    // quarter of the diameter), else at most the radius. Conical: needed. The other heads'
    // depths follow from the diameter and must be left at 0.
    double Depth = 0;
    // Torispherical only: 0 for the ASME flanged and dished head, whose crown radius is the
    // diameter and whose knuckle radius is 6 % of it. The crown radius must be at least the
    // shell's radius and the knuckle radius below it.
    double CrownRadius = 0;
    double KnuckleRadius = 0;
};

struct TTankShape {
    TTankKind Kind = TTankKind::HorizontalCylinder;
    TLengthUnit Unit = TLengthUnit::Millimetre; // of every size
    double Diameter = 0;                        // inside the shell
    double Length = 0; // the straight part of a cylinder, the heads come on top; not a sphere's
    THead Ends;        // a horizontal cylinder's two heads
    THead Bottom;      // a vertical cylinder's heads
    THead Top;
};

// A checked shape's volumes. Lengths are in the shape's unit, volumes in cubes of it.
class TTankGeometry {
public:
    // Nothing, with the reason in message, for a shape no tank can have.
    static std::optional<TTankGeometry> Make(const TTankShape& shape, std::string& message);

    // A head's sizes as worked out from the shape, in the shape's unit.
    struct THeadSizes {
        THeadKind Kind = THeadKind::Flat;
        double Radius = 0; // the shell's
        double Depth = 0;
        double Crown = 0;
        double Knuckle = 0;
        // Where a torispherical head's crown meets its knuckle: the distance from the axis and
        // from the end of the shell.
        double JunctionRadius = 0;
        double JunctionDepth = 0;
        double Volume = 0;
    };

    const TTankShape& Shape() const { return shape_; }
    // A horizontal cylinder's heads; a vertical cylinder's bottom and top head.
    const THeadSizes& Ends() const { return ends_; }
    const THeadSizes& Bottom() const { return bottom_; }
    const THeadSizes& Top() const { return top_; }
    double FullHeight() const { return fullHeight_; }
    double FullVolume() const { return fullVolume_; }
    // The volume below a fill height; 0 below the bottom, the full volume above the top.
    double Volume(double height) const;

private:
    TTankGeometry() = default;

    TTankShape shape_;
    THeadSizes ends_;
    THeadSizes bottom_;
    THeadSizes top_;
    double fullHeight_ = 0;
    double fullVolume_ = 0;
};

// What to work a table out with.
struct TShapeTableRequest {
    TTankShape Shape;
    TLengthUnit HeightUnit = TLengthUnit::Millimetre;
    TVolumeUnit VolumeUnit = TVolumeUnit::Litre;
    int Points = 100; // 2 to 100
    TPlacement Placement = TPlacement::Best;
};

struct TShapeTable {
    bool Ok = false;
    std::string Message; // why there is no table
    // The first row is height 0 volume 0, the last the full height with the full volume. The
    // worst error is the largest difference, over every height, between interpolation in the
    // stored rows and the shape's volume.
    TFittedTable Table;
};

TShapeTable ShapeTable(const TShapeTableRequest& request);
