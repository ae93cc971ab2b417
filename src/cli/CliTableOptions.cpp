// SPDX-License-Identifier: GPL-3.0-or-later
// The options of table-make and table-fit: a tank's shape or a chart, the units, the points.

#include "CliOptions.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

namespace {

// A size: a plain decimal number, finite, above zero.
bool ParseSize(const std::string& text, double& value) {
    if (text.empty() || text.find_first_not_of("0123456789.+-eE") != std::string::npos)
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value) && value > 0;
}

// Walks the arguments: options with their values, and the file names in order.
class TArguments {
public:
    TArguments(const std::vector<std::string>& rest, std::set<std::string> known)
        : rest_(rest), known_(std::move(known)) {}

    // Splits the arguments; false with the reason for an unknown option, a repeated one or one
    // without its value.
    bool Split(std::string& error) {
        for (size_t k = 0; k < rest_.size(); ++k) {
            const std::string& arg = rest_[k];
            if (arg.size() < 3 || arg.rfind("--", 0) != 0) {
                files_.push_back(arg);
                continue;
            }
            if (arg == "--json") {
                json_ = true;
                continue;
            }
            if (known_.count(arg) == 0) {
                error = "unknown option " + arg;
                return false;
            }
            if (values_.count(arg) != 0) {
                error = arg + " given twice";
                return false;
            }
            if (k + 1 >= rest_.size() || rest_[k + 1].empty()) {
                error = arg + " needs a value";
                return false;
            }
            values_[arg] = rest_[++k];
        }
        return true;
    }

    const std::string* Value(const std::string& option) const {
        const auto found = values_.find(option);
        return found == values_.end() ? nullptr : &found->second;
    }
    const std::vector<std::string>& Files() const { return files_; }
    bool Json() const { return json_; }

private:
    const std::vector<std::string>& rest_;
    std::set<std::string> known_;
    std::map<std::string, std::string> values_;
    std::vector<std::string> files_;
    bool json_ = false;
};

bool SizeOption(const TArguments& arguments, const std::string& option, double& out,
                std::string& error) {
    const std::string* text = arguments.Value(option);
    if (!text)
        return true;
    if (!ParseSize(*text, out)) {
        error = option + " " + *text + ": not a number above zero";
        return false;
    }
    return true;
}

bool PointsOption(const TArguments& arguments, int& points, std::string& error) {
    const std::string* text = arguments.Value("--points");
    if (!text)
        return true;
    if (!ParseDecimal(*text, points) || points < 2 || points > 100) {
        error = "--points " + *text + ": not a number from 2 to 100";
        return false;
    }
    return true;
}

bool LengthOption(const TArguments& arguments, const std::string& option, TLengthUnit& unit,
                  std::string& error) {
    const std::string* text = arguments.Value(option);
    if (!text)
        return true;
    const auto parsed = ParseLengthUnit(*text);
    if (!parsed) {
        error = option + " " + *text + ": expected one of " + LengthUnitNames();
        return false;
    }
    unit = *parsed;
    return true;
}

bool VolumeOption(const TArguments& arguments, const std::string& option, TVolumeUnit& unit,
                  std::string& error) {
    const std::string* text = arguments.Value(option);
    if (!text)
        return true;
    const auto parsed = ParseVolumeUnit(*text);
    if (!parsed) {
        error = option + " " + *text + ": expected one of " + VolumeUnitNames();
        return false;
    }
    unit = *parsed;
    return true;
}

bool HeadOption(const TArguments& arguments, const std::string& option, THead& head,
                std::string& error) {
    const std::string* text = arguments.Value(option);
    if (!text)
        return true;
    const auto kind = ParseHeadKind(*text);
    if (!kind) {
        error = option + " " + *text +
                ": expected flat, hemispherical, ellipsoidal, torispherical or conical";
        return false;
    }
    head.Kind = *kind;
    return true;
}

bool TakesDepth(const THead& head) {
    return head.Kind == THeadKind::Ellipsoidal || head.Kind == THeadKind::Conical;
}

bool ParseTableMake(const TArguments& arguments, TShapeTableRequest& request, std::string& error) {
    TTankShape& shape = request.Shape;
    const std::string* kind = arguments.Value("--shape");
    if (!kind) {
        error = "--shape horizontal|vertical|sphere is needed";
        return false;
    }
    const auto parsedKind = ParseTankKind(*kind);
    if (!parsedKind) {
        error = "--shape " + *kind + ": expected horizontal, vertical or sphere";
        return false;
    }
    shape.Kind = *parsedKind;
    // The tank is drawn in the table's length unit unless told otherwise.
    shape.Unit = TLengthUnit::Metre;
    request.HeightUnit = TLengthUnit::Metre;
    request.VolumeUnit = TVolumeUnit::CubicMetre;
    if (!LengthOption(arguments, "--length-unit", shape.Unit, error) ||
        !VolumeOption(arguments, "--volume-unit", request.VolumeUnit, error))
        return false;
    request.HeightUnit = shape.Unit;
    if (!arguments.Value("--diameter")) {
        error = "--diameter D is needed";
        return false;
    }
    if (!SizeOption(arguments, "--diameter", shape.Diameter, error))
        return false;

    const bool sphere = shape.Kind == TTankKind::Sphere;
    const bool vertical = shape.Kind == TTankKind::VerticalCylinder;
    if (sphere) {
        for (const char* option : {"--length", "--heads", "--bottom", "--top", "--head-depth"})
            if (arguments.Value(option)) {
                error = std::string(option) + " does not apply to a sphere";
                return false;
            }
    } else {
        if (!arguments.Value("--length")) {
            error = "--length L (the straight part of the cylinder) is needed";
            return false;
        }
        if (!SizeOption(arguments, "--length", shape.Length, error))
            return false;
    }
    const bool endsGiven = arguments.Value("--bottom") || arguments.Value("--top");
    if (endsGiven && !vertical) {
        error = "--bottom and --top apply to a vertical cylinder; give --heads";
        return false;
    }
    if (endsGiven && arguments.Value("--heads")) {
        error = "give --heads or --bottom and --top, not both";
        return false;
    }
    if (vertical) {
        if (!HeadOption(arguments, "--heads", shape.Bottom, error) ||
            !HeadOption(arguments, "--bottom", shape.Bottom, error) ||
            !HeadOption(arguments, "--top", shape.Top, error))
            return false;
        if (arguments.Value("--heads"))
            shape.Top = shape.Bottom;
    } else if (!HeadOption(arguments, "--heads", shape.Ends, error)) {
        return false;
    }
    if (const std::string* depthText = arguments.Value("--head-depth")) {
        double depth = 0;
        if (!SizeOption(arguments, "--head-depth", depth, error))
            return false;
        bool taken = false;
        for (THead* head : {&shape.Ends, &shape.Bottom, &shape.Top})
            if (TakesDepth(*head) && (vertical ? head != &shape.Ends : head == &shape.Ends)) {
                head->Depth = depth;
                taken = true;
            }
        if (!taken) {
            error =
                "--head-depth " + *depthText + ": only ellipsoidal and conical heads take a depth";
            return false;
        }
    }
    if (!PointsOption(arguments, request.Points, error))
        return false;
    if (const std::string* spacing = arguments.Value("--spacing")) {
        if (*spacing == "even")
            request.Placement = TPlacement::EqualHeights;
        else if (*spacing == "best")
            request.Placement = TPlacement::Best;
        else {
            error = "--spacing " + *spacing + ": expected even or best";
            return false;
        }
    }
    return true;
}

bool ParseTableFit(const TArguments& arguments, TChartFitRequest& request, std::string& error) {
    if (!PointsOption(arguments, request.Points, error) ||
        !LengthOption(arguments, "--height-unit", request.ChartHeightUnit, error) ||
        !VolumeOption(arguments, "--volume-unit", request.ChartVolumeUnit, error))
        return false;
    request.HeightUnit = request.ChartHeightUnit;
    request.VolumeUnit = request.ChartVolumeUnit;
    return LengthOption(arguments, "--to-length-unit", request.HeightUnit, error) &&
           VolumeOption(arguments, "--to-volume-unit", request.VolumeUnit, error);
}

} // namespace

bool ParseTableOptions(TCliCommand command, const std::vector<std::string>& rest,
                       TCliOptions& options, std::string& error) {
    const bool make = command == ccTableMake;
    TArguments arguments(
        rest, make ? std::set<std::string>{"--shape", "--diameter", "--length", "--heads",
                                           "--bottom", "--top", "--head-depth", "--points",
                                           "--spacing", "--length-unit", "--volume-unit"}
                   : std::set<std::string>{"--points", "--height-unit", "--volume-unit",
                                           "--to-length-unit", "--to-volume-unit"});
    if (!arguments.Split(error))
        return false;
    if (arguments.Json())
        options.Json = true;
    const std::vector<std::string>& files = arguments.Files();
    const size_t wanted = make ? 1 : 2;
    if (files.size() < wanted) {
        error = make ? "needs the output file (OUT.csv, - for stdout)"
                     : "needs the chart and the output file (CHART.csv OUT.csv, - for stdout)";
        return false;
    }
    if (files.size() > wanted) {
        error = "unexpected argument " + files[wanted];
        return false;
    }
    for (const std::string& file : files)
        if (file.empty()) {
            error = "a file name is empty";
            return false;
        }
    options.File = files.back();
    if (!make)
        options.Chart = files.front();
    return make ? ParseTableMake(arguments, options.ShapeRequest, error)
                : ParseTableFit(arguments, options.FitRequest, error);
}
