// SPDX-License-Identifier: GPL-3.0-or-later
#include "TankGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <queue>
#include <utility>
#include <vector>

namespace {

using THeadSizes = TTankGeometry::THeadSizes;

constexpr double kPi = 3.141592653589793238462643383279502884;
// ASME flanged and dished: the crown radius is the diameter, the knuckle radius 6 % of it.
constexpr double kAsmeKnuckleShare = 0.06;
// Heights the best rows are chosen from: about 200 to a row of a 100-row table, so that rows
// on these heights come within a fraction of a percent of rows placed anywhere.
constexpr long kSamples = 20000;
// A shape's volume curve is smooth and changes its bending at most once, where the farthest
// reach is the least within a fraction of a percent; the search over every chord gets the
// time to confirm that on a curved shape, not on a long straight shell.
constexpr size_t kShapeSearchBudget = 5'000'000;
// A lying torispherical head is summed to this share of its full volume.
constexpr double kHeadTolerance = 1e-13;
// A sum whose error estimate will not settle stops at this many intervals.
constexpr size_t kMaxIntervals = 400;

// ---- numerical integration: adaptive Gauss-Kronrod 7/15 ----

constexpr std::array<double, 8> kKronrodNodes{
    0.991455371120812639206854697526329, 0.949107912342758524526189684047851,
    0.864864423359769072789712788640926, 0.741531185599394439863864773280788,
    0.586087235467691130294144845693013, 0.405845151377397166906606412076961,
    0.207784955007898467600689403773245, 0.0};
constexpr std::array<double, 8> kKronrodWeights{
    0.022935322010529224963732008058970, 0.063092092629978553290700663189204,
    0.104790010322250183839876322541518, 0.140653259715525918745189590510238,
    0.169004726639267902826583426598550, 0.190350578064785409913256402421014,
    0.204432940075298892414161999234649, 0.209482141084727828012999174891714};
// The 7-point Gauss rule on the odd Kronrod nodes and the centre.
constexpr std::array<double, 4> kGaussWeights{
    0.129484966168869693270611432679082, 0.279705391489276667901467771423780,
    0.381830050505118944950369775488975, 0.417959183673469387755102040816327};

struct TInterval {
    double From = 0;
    double To = 0;
    double Value = 0;
    double Error = 0;
    bool operator<(const TInterval& other) const { return Error < other.Error; }
};

template <typename TFunction> TInterval KronrodRule(const TFunction& f, double from, double to) {
    const double centre = (from + to) / 2;
    const double half = (to - from) / 2;
    const double middle = f(centre);
    double kronrod = middle * kKronrodWeights[7];
    double gauss = middle * kGaussWeights[3];
    for (size_t i = 0; i < 7; ++i) {
        const double offset = half * kKronrodNodes[i];
        const double pair = f(centre - offset) + f(centre + offset);
        kronrod += kKronrodWeights[i] * pair;
        if (i % 2 == 1)
            gauss += kGaussWeights[i / 2] * pair;
    }
    return {from, to, kronrod * half, std::abs(kronrod - gauss) * half};
}

// Splits the interval with the largest error estimate until the estimates add up to no more
// than the tolerance.
template <typename TFunction>
double Integrate(const TFunction& f, double from, double to, double tolerance) {
    std::priority_queue<TInterval> intervals;
    intervals.push(KronrodRule(f, from, to));
    double value = intervals.top().Value;
    double error = intervals.top().Error;
    while (error > tolerance && intervals.size() < kMaxIntervals) {
        const TInterval worst = intervals.top();
        intervals.pop();
        const double middle = (worst.From + worst.To) / 2;
        const TInterval lower = KronrodRule(f, worst.From, middle);
        const TInterval upper = KronrodRule(f, middle, worst.To);
        value += lower.Value + upper.Value - worst.Value;
        error += lower.Error + upper.Error - worst.Error;
        intervals.push(lower);
        intervals.push(upper);
    }
    return value;
}

// ---- circles and heads ----

// acos(1 - gap / radius), without the loss of digits near 1.
double AngleOfGap(double gap, double radius) {
    return 2 * std::asin(std::sqrt(std::clamp(gap / (2 * radius), 0.0, 1.0)));
}

// The area of a circle below a line at a height above its lowest point.
double SegmentArea(double radius, double height) {
    if (height <= 0)
        return 0;
    if (height >= 2 * radius)
        return kPi * radius * radius;
    if (height > radius)
        return kPi * radius * radius - SegmentArea(radius, 2 * radius - height);
    return radius * radius * AngleOfGap(height, radius) -
           (radius - height) * std::sqrt(height * (2 * radius - height));
}

// A torispherical head's knuckle between two distances from the end of the shell: a slice of
// a torus, pi * integral of r(x)^2 with r(x) = (R - k) + sqrt(k^2 - x^2), k the knuckle radius.
double KnuckleVolume(const THeadSizes& head, double from, double to) {
    const double knuckle = head.Knuckle;
    const double offset = head.Radius - knuckle;
    auto circle = [knuckle](double x) { // integral of sqrt(k^2 - u^2) from 0 to x
        return (x * std::sqrt(std::max(0.0, knuckle * knuckle - x * x)) +
                knuckle * knuckle * std::asin(std::clamp(x / knuckle, -1.0, 1.0))) /
               2;
    };
    return kPi *
           ((offset * offset + knuckle * knuckle) * (to - from) -
            (to * to * to - from * from * from) / 3 + 2 * offset * (circle(to) - circle(from)));
}

// The volume of a head from its outermost point to a distance inwards along the axis.
double CapVolume(const THeadSizes& head, double distance) {
    const double inward = std::clamp(distance, 0.0, head.Depth);
    const double radius = head.Radius;
    const double depth = head.Depth;
    switch (head.Kind) {
    case THeadKind::Flat:
        return 0;
    case THeadKind::Hemispherical:
    case THeadKind::Ellipsoidal:
        return kPi * radius * radius * inward * inward * (3 * depth - inward) / (3 * depth * depth);
    case THeadKind::Conical:
        return kPi * radius * radius * inward * inward * inward / (3 * depth * depth);
    case THeadKind::Torispherical: {
        const double crownHeight = depth - head.JunctionDepth;
        auto crown = [&](double height) {
            return kPi * height * height * (3 * head.Crown - height) / 3;
        };
        if (inward <= crownHeight)
            return crown(inward);
        return crown(crownHeight) + KnuckleVolume(head, depth - inward, head.JunctionDepth);
    }
    }
    return 0;
}

// How far a torispherical head reaches beyond the end of the shell at a distance from the
// axis; the distance to the shell wall is passed as well, since near the wall the knuckle's
// depth hangs on it and it would lose its digits if taken from the distance from the axis.
double TorisphericalDepth(const THeadSizes& head, double fromAxis, double fromWall) {
    if (fromAxis <= head.JunctionRadius)
        return head.Depth - head.Crown +
               std::sqrt((head.Crown - fromAxis) * (head.Crown + fromAxis));
    return std::sqrt(std::max(0.0, fromWall * (2 * head.Knuckle - fromWall)));
}

// One lying torispherical head's volume below a fill height no higher than the axis: over the
// circle's part below the liquid, the sum of the head's depth. In rings about the axis that is
// the integral of 2 r acos(c / r) depth(r) dr from the gap c between the liquid and the axis to
// the wall. The rings are taken in two pieces, crown and knuckle, since the depth's curvature
// jumps where they meet; within each r = low + (high - low) sin^2(t / 2), so that the square
// root behaviour at the liquid line (of the angle) and at the wall (of the knuckle's depth)
// becomes smooth in t.
double LyingTorisphericalVolume(const THeadSizes& head, double height) {
    const double radius = head.Radius;
    const double gap = radius - height;
    const double tolerance = kHeadTolerance * head.Volume;
    double volume = 0;
    auto piece = [&](double low, double high) {
        if (high <= low)
            return;
        const double span = high - low;
        auto ring = [&](double turn) {
            const double rising = std::sin(turn / 2);
            const double falling = std::cos(turn / 2);
            const double fromLow = span * rising * rising;
            const double fromAxis = low + fromLow;
            if (fromAxis <= 0)
                return 0.0;
            const double fromWall = (radius - high) + span * falling * falling;
            const double sector = AngleOfGap((low - gap) + fromLow, fromAxis);
            const double width = span / 2 * std::sin(turn);
            return 2 * fromAxis * sector * TorisphericalDepth(head, fromAxis, fromWall) * width;
        };
        volume += Integrate(ring, 0.0, kPi, tolerance);
    };
    piece(gap, std::min(head.JunctionRadius, radius));
    piece(std::max(gap, head.JunctionRadius), radius);
    return volume;
}

// One lying conical head's volume below a fill height no higher than the axis. A level plane
// at z from the axis cuts the cone in an area a (W - z^2 / R ln((R + W) / |z|)), W the half
// chord; its integral has a closed form.
double LyingConicalVolume(const THeadSizes& head, double height) {
    const double radius = head.Radius;
    const double z = height - radius; // below the axis, so not above 0
    const double halfChord = std::sqrt(height * (2 * radius - height));
    // asin(z / R) + pi / 2, without the loss of digits near the bottom.
    const double angle = AngleOfGap(height, radius);
    const double logarithm =
        z == 0 ? 0 : z * z * z / (3 * radius) * std::log((radius + halfChord) / -z);
    return head.Depth * (2.0 / 3 * z * halfChord + radius * radius / 3 * angle - logarithm);
}

// One lying head's volume below a fill height.
double LyingHeadVolume(const THeadSizes& head, double height) {
    const double radius = head.Radius;
    const double level = std::clamp(height, 0.0, 2 * radius);
    switch (head.Kind) {
    case THeadKind::Flat:
        return 0;
    case THeadKind::Hemispherical:
    case THeadKind::Ellipsoidal:
        // The two heads together are an ellipsoid: a sphere's cap stretched along the axis.
        return head.Depth / radius * kPi * level * level * (3 * radius - level) / 6;
    case THeadKind::Conical:
    case THeadKind::Torispherical: {
        // Above the axis, the full head less the empty part, which mirrors the full one below.
        const bool upper = level > radius;
        const double below = upper ? 2 * radius - level : level;
        // Rounding in the closed form can leave a hair below zero near the bottom.
        const double part =
            std::clamp(head.Kind == THeadKind::Conical ? LyingConicalVolume(head, below)
                                                       : LyingTorisphericalVolume(head, below),
                       0.0, head.Volume / 2);
        return upper ? head.Volume - part : part;
    }
    }
    return 0;
}

std::string Size(double value, TLengthUnit unit) {
    return NumberText(value) + " " + LengthUnitName(unit);
}

// The head's sizes, or nothing with the message. name: "The bottom head" and so on.
std::optional<THeadSizes> MakeHead(const THead& head, double radius, TLengthUnit unit,
                                   const std::string& name, std::string& message) {
    const std::string owner = name + (name.back() == 's' ? "'" : "'s");
    for (const double size : {head.Depth, head.CrownRadius, head.KnuckleRadius}) {
        if (!std::isfinite(size) || size < 0) {
            message = owner + " sizes must be numbers not below zero.";
            return std::nullopt;
        }
    }
    const std::string kind = HeadKindName(head.Kind);
    if (head.Kind != THeadKind::Torispherical &&
        (head.CrownRadius != 0 || head.KnuckleRadius != 0)) {
        message = name + " (" + kind +
                  ") takes no crown or knuckle radius; only a torispherical "
                  "head has them.";
        return std::nullopt;
    }
    const bool depthGiven = head.Kind == THeadKind::Ellipsoidal || head.Kind == THeadKind::Conical;
    if (!depthGiven && head.Depth != 0) {
        message = name + " (" + kind + ") takes no depth; it follows from the diameter.";
        return std::nullopt;
    }

    THeadSizes sizes;
    sizes.Kind = head.Kind;
    sizes.Radius = radius;
    switch (head.Kind) {
    case THeadKind::Flat:
        break;
    case THeadKind::Hemispherical:
        sizes.Depth = radius;
        break;
    case THeadKind::Ellipsoidal:
        sizes.Depth = head.Depth == 0 ? radius / 2 : head.Depth;
        if (sizes.Depth > radius) {
            message = owner + " depth " + Size(head.Depth, unit) + " is more than the radius " +
                      Size(radius, unit) + "; an ellipsoidal head is at most a hemisphere.";
            return std::nullopt;
        }
        break;
    case THeadKind::Conical:
        if (head.Depth == 0) {
            message = name + " is conical; it needs its depth.";
            return std::nullopt;
        }
        sizes.Depth = head.Depth;
        break;
    case THeadKind::Torispherical: {
        const double crown = head.CrownRadius == 0 ? 2 * radius : head.CrownRadius;
        const double knuckle =
            head.KnuckleRadius == 0 ? kAsmeKnuckleShare * 2 * radius : head.KnuckleRadius;
        if (crown < radius) {
            message = owner + " crown radius " + Size(crown, unit) +
                      " is less than the shell's radius " + Size(radius, unit) + ".";
            return std::nullopt;
        }
        if (knuckle >= radius) {
            message = owner + " knuckle radius " + Size(knuckle, unit) +
                      " must be less than the shell's radius " + Size(radius, unit) + ".";
            return std::nullopt;
        }
        sizes.Crown = crown;
        sizes.Knuckle = knuckle;
        // The crown's centre is on the axis, the knuckle's circle centre at radius - knuckle
        // in the shell's end; the two circles touch, so their centres are crown - knuckle
        // apart and the junction lies on the line through both.
        sizes.Depth = crown - std::sqrt((crown - radius) * (crown + radius - 2 * knuckle));
        sizes.JunctionRadius = (radius - knuckle) * crown / (crown - knuckle);
        sizes.JunctionDepth = knuckle * (crown - sizes.Depth) / (crown - knuckle);
        break;
    }
    }
    sizes.Volume = CapVolume(sizes, sizes.Depth);
    return sizes;
}

// The largest |volume - line| between two stored rows, over every height between them: the
// error at evenly spread heights, then a golden-section search about the largest.
template <typename TVolume>
std::pair<double, double> SegmentWorst(const TVolume& volume, const TTablePoint& lower,
                                       const TTablePoint& upper) {
    const double from = lower.StoredHeight / 1000.0;
    const double to = upper.StoredHeight / 1000.0;
    const double fromVolume = lower.StoredVolume / 1000.0;
    const double slope = (upper.StoredVolume / 1000.0 - fromVolume) / (to - from);
    auto error = [&](double height) {
        return std::abs(volume(height) - (fromVolume + slope * (height - from)));
    };
    constexpr int kSteps = 32;
    double worst = -1;
    int at = 0;
    for (int k = 0; k <= kSteps; ++k) {
        const double found = error(from + (to - from) * k / kSteps);
        if (found > worst) {
            worst = found;
            at = k;
        }
    }
    double low = from + (to - from) * std::max(at - 1, 0) / kSteps;
    double high = from + (to - from) * std::min(at + 1, kSteps) / kSteps;
    double worstHeight = from + (to - from) * at / kSteps;
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    double left = high - ratio * (high - low);
    double right = low + ratio * (high - low);
    double leftError = error(left);
    double rightError = error(right);
    for (int step = 0; step < 60 && high - low > 1e-12 * (to - from); ++step) {
        if (leftError > rightError) {
            high = right;
            right = left;
            rightError = leftError;
            left = high - ratio * (high - low);
            leftError = error(left);
        } else {
            low = left;
            left = right;
            leftError = rightError;
            right = low + ratio * (high - low);
            rightError = error(right);
        }
    }
    for (const auto& [height, found] : {std::pair{left, leftError}, std::pair{right, rightError}}) {
        if (found > worst) {
            worst = found;
            worstHeight = height;
        }
    }
    return {worst, worstHeight};
}

} // namespace

std::string TankKindName(TTankKind kind) {
    switch (kind) {
    case TTankKind::HorizontalCylinder:
        return "horizontal";
    case TTankKind::VerticalCylinder:
        return "vertical";
    case TTankKind::Sphere:
        return "sphere";
    }
    return {};
}

std::optional<TTankKind> ParseTankKind(const std::string& text) {
    for (const TTankKind kind :
         {TTankKind::HorizontalCylinder, TTankKind::VerticalCylinder, TTankKind::Sphere})
        if (text == TankKindName(kind))
            return kind;
    return std::nullopt;
}

std::string HeadKindName(THeadKind kind) {
    switch (kind) {
    case THeadKind::Flat:
        return "flat";
    case THeadKind::Hemispherical:
        return "hemispherical";
    case THeadKind::Ellipsoidal:
        return "ellipsoidal";
    case THeadKind::Torispherical:
        return "torispherical";
    case THeadKind::Conical:
        return "conical";
    }
    return {};
}

std::optional<THeadKind> ParseHeadKind(const std::string& text) {
    for (const THeadKind kind : {THeadKind::Flat, THeadKind::Hemispherical, THeadKind::Ellipsoidal,
                                 THeadKind::Torispherical, THeadKind::Conical})
        if (text == HeadKindName(kind))
            return kind;
    return std::nullopt;
}

std::optional<TTankGeometry> TTankGeometry::Make(const TTankShape& shape, std::string& message) {
    if (!std::isfinite(shape.Diameter) || shape.Diameter <= 0) {
        message = "The diameter must be a number above zero.";
        return std::nullopt;
    }
    const bool cylinder = shape.Kind != TTankKind::Sphere;
    if (cylinder && (!std::isfinite(shape.Length) || shape.Length < 0)) {
        message = "The length must be a number not below zero.";
        return std::nullopt;
    }
    TTankGeometry geometry;
    geometry.shape_ = shape;
    const double radius = shape.Diameter / 2;
    const double shell = cylinder ? kPi * radius * radius * shape.Length : 0;
    auto head = [&](const THead& given, const std::string& name, THeadSizes& sizes) {
        const std::optional<THeadSizes> made = MakeHead(given, radius, shape.Unit, name, message);
        if (made)
            sizes = *made;
        return made.has_value();
    };
    switch (shape.Kind) {
    case TTankKind::HorizontalCylinder:
        if (!head(shape.Ends, "The heads", geometry.ends_))
            return std::nullopt;
        geometry.fullHeight_ = shape.Diameter;
        geometry.fullVolume_ = shell + 2 * geometry.ends_.Volume;
        break;
    case TTankKind::VerticalCylinder:
        if (!head(shape.Bottom, "The bottom head", geometry.bottom_) ||
            !head(shape.Top, "The top head", geometry.top_))
            return std::nullopt;
        geometry.fullHeight_ = geometry.bottom_.Depth + shape.Length + geometry.top_.Depth;
        geometry.fullVolume_ = shell + geometry.bottom_.Volume + geometry.top_.Volume;
        break;
    case TTankKind::Sphere:
        geometry.fullHeight_ = shape.Diameter;
        geometry.fullVolume_ = 4 * kPi * radius * radius * radius / 3;
        break;
    }
    if (!std::isfinite(geometry.fullVolume_) || !std::isfinite(geometry.fullHeight_)) {
        message = "The tank is too large to work out.";
        return std::nullopt;
    }
    if (geometry.fullVolume_ <= 0) {
        message = "The tank holds nothing: flat heads with no straight part between them.";
        return std::nullopt;
    }
    return geometry;
}

double TTankGeometry::Volume(double height) const {
    if (!(height > 0))
        return 0;
    if (height >= fullHeight_)
        return fullVolume_;
    const double radius = shape_.Diameter / 2;
    switch (shape_.Kind) {
    case TTankKind::HorizontalCylinder:
        return shape_.Length * SegmentArea(radius, height) + 2 * LyingHeadVolume(ends_, height);
    case TTankKind::VerticalCylinder: {
        const double shellTop = bottom_.Depth + shape_.Length;
        if (height <= bottom_.Depth)
            return CapVolume(bottom_, height);
        const double belowTop = bottom_.Volume + kPi * radius * radius * shape_.Length;
        if (height <= shellTop)
            return bottom_.Volume + kPi * radius * radius * (height - bottom_.Depth);
        return belowTop + top_.Volume - CapVolume(top_, fullHeight_ - height);
    }
    case TTankKind::Sphere:
        return kPi * height * height * (3 * radius - height) / 3;
    }
    return 0;
}

TShapeTable ShapeTable(const TShapeTableRequest& request) {
    TShapeTable result;
    auto fail = [&](std::string message) {
        result.Message = std::move(message);
        return result;
    };
    std::string message;
    const std::optional<TTankGeometry> geometry = TTankGeometry::Make(request.Shape, message);
    if (!geometry)
        return fail(message);
    if (request.Points < 2 || request.Points > static_cast<int>(img::TableRows))
        return fail("The number of points must be 2 to 100.");

    const TLengthUnit shapeUnit = request.Shape.Unit;
    const TLengthUnit heightUnit = request.HeightUnit;
    const TVolumeUnit volumeUnit = request.VolumeUnit;
    const std::string heightName = LengthUnitName(heightUnit);
    const std::string volumeName = VolumeUnitName(volumeUnit);
    const double fullHeight = ConvertLength(geometry->FullHeight(), shapeUnit, heightUnit);
    const double fullVolume = CubeToVolume(geometry->FullVolume(), shapeUnit, volumeUnit);
    const std::optional<int32_t> storedHeight = StoredThousandths(fullHeight);
    const std::optional<int32_t> storedVolume = StoredThousandths(fullVolume);
    if (!storedHeight)
        return fail(
            TooLargeMessage("The full height " + NumberText(fullHeight) + " " + heightName) +
            "; choose a larger height unit.");
    if (!storedVolume)
        return fail(
            TooLargeMessage("The full volume " + NumberText(fullVolume) + " " + volumeName) +
            "; choose a larger volume unit.");
    if (*storedVolume == 0)
        return fail("The full volume " + NumberText(fullVolume) + " " + volumeName +
                    " is 0.000 in the table's thousandths; choose a smaller volume unit.");
    const long steps = *storedHeight;
    if (steps + 1 < request.Points)
        return fail("The full height " + NumberText(fullHeight) + " " + heightName + " has only " +
                    std::to_string(steps + 1) + " heights in the table's thousandths; choose " +
                    "fewer points or a smaller height unit.");

    auto volumeAt = [&](double height) {
        return CubeToVolume(geometry->Volume(ConvertLength(height, heightUnit, shapeUnit)),
                            shapeUnit, volumeUnit);
    };
    // The candidate heights are whole thousandths, so a chosen row's volume is worked out
    // for the height it is stored with.
    const long count =
        request.Placement == TPlacement::Best ? std::min(steps, kSamples) : request.Points - 1;
    std::vector<double> heights;
    std::vector<double> volumes;
    for (long k = 0; k <= count; ++k) {
        const long thousandths = static_cast<long>(std::llround(
            static_cast<double>(k) * static_cast<double>(steps) / static_cast<double>(count)));
        heights.push_back(static_cast<double>(thousandths) / 1000);
        volumes.push_back(k == count ? fullVolume : volumeAt(heights.back()));
    }
    std::vector<size_t> rows;
    if (request.Placement == TPlacement::Best) {
        rows = ChooseBestRows(heights, volumes, static_cast<size_t>(request.Points),
                              kShapeSearchBudget)
                   .Rows;
    } else {
        for (size_t k = 0; k < heights.size(); ++k)
            rows.push_back(k);
    }

    TFittedTable& table = result.Table;
    table.HeightUnit = heightUnit;
    table.VolumeUnit = volumeUnit;
    table.FullVolume = fullVolume;
    if (!MakeTablePoints(heights, volumes, rows, heightUnit, volumeUnit, table.Points, message))
        return fail(message);
    for (size_t k = 0; k + 1 < table.Points.size(); ++k) {
        const auto [error, height] = SegmentWorst(volumeAt, table.Points[k], table.Points[k + 1]);
        if (error > table.WorstError) {
            table.WorstError = error;
            table.WorstErrorHeight = height;
        }
    }
    table.WorstErrorPercent = table.WorstError / fullVolume * 100;
    result.Ok = true;
    return result;
}
