// SPDX-License-Identifier: GPL-3.0-or-later
#include "Values.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace {

constexpr const char* kOutsideList = "err.";

template <size_t N> std::string Label(const std::array<const char*, N>& labels, uint8_t code) {
    return code < N ? labels[code] : kOutsideList;
}

// Blanks and control characters around an entry are not part of it.
std::string_view Trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.remove_suffix(1);
    return s;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

size_t SkipDigits(std::string_view s, size_t pos) {
    while (pos < s.size() && IsDigit(s[pos]))
        ++pos;
    return pos;
}

// to_chars and from_chars ignore the C locale (which Qt sets from the environment), so the
// only separator in play is the one passed in.
std::string ToChars(double value, std::chars_format format, int precision) {
    std::array<char, 400> buf{};
    const auto result =
        std::to_chars(buf.data(), buf.data() + buf.size(), value, format, precision);
    return std::string(buf.data(), result.ptr);
}

} // namespace

std::string VolumeUnitText(uint8_t code) {
    static constexpr std::array<const char*, 6> labels{"none",    "Cubic Metres", "Litres",
                                                       "Gallons", "Cubic Inches", "Cubic Feet"};
    return Label(labels, code);
}

std::string TankTypeText(uint8_t code) {
    static constexpr std::array<const char*, 6> labels{
        "none", "Cylinder 2 Endcaps", "Cuboid", "Hemi", "Vertical Cylinder", "Non standard"};
    return Label(labels, code);
}

std::string LengthUnitText(uint8_t code) {
    static constexpr std::array<const char*, 3> labels{"Metres", "Inches", "Feet"};
    return Label(labels, code);
}

QString TableLengthSymbol(uint8_t uom) {
    static const std::array<QString, 3> symbols{QStringLiteral("m"), QStringLiteral("in"),
                                                QStringLiteral("ft")};
    return uom < symbols.size() ? symbols[uom] : QString();
}

QString TableVolumeSymbol(uint8_t uom) {
    static const std::array<QString, 3> symbols{
        QStringLiteral("m\u00B3"), QStringLiteral("in\u00B3"), QStringLiteral("ft\u00B3")};
    return uom < symbols.size() ? symbols[uom] : QString();
}

std::string EdgeText(uint8_t value) {
    return value == 1 ? "RISING EDGE" : "FALLING EDGE";
}

std::string OnOffText(uint8_t value) {
    return value == 0 ? "OFF" : "ON";
}

std::string FormatFixed(double value, int precision, int digits, char separator) {
    if (!std::isfinite(value))
        return std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF");
    precision = std::clamp(precision, 1, 30);
    digits = std::clamp(digits, 0, 30);
    // Round to the precision first, so that the decimals show no more than it holds.
    const std::string sci = ToChars(value, std::chars_format::scientific, precision - 1);
    double rounded = 0;
    std::from_chars(sci.data(), sci.data() + sci.size(), rounded);
    std::string text;
    if (rounded != 0 && std::fabs(rounded) >= std::pow(10.0, precision)) {
        text = sci;
        for (char& c : text)
            if (c == 'e')
                c = 'E';
    } else {
        text = ToChars(rounded, std::chars_format::fixed, digits);
        // A value that rounds to zero is shown without a sign.
        if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos)
            text.erase(0, 1);
    }
    for (char& c : text)
        if (c == '.')
            c = separator;
    return text;
}

std::string PercentFormat(int64_t raw, bool appendUnit) {
    const float percent = static_cast<float>(static_cast<double>(raw) * 0.01);
    std::string text = FormatFixed(percent, 5, 2, DecimalSeparator());
    if (appendUnit)
        text += " %";
    return text;
}

std::string MsFormat(int64_t raw, bool appendUnit) {
    std::string text = std::to_string(raw);
    if (appendUnit)
        text += " MS";
    return text;
}

int64_t PercentParse(const std::string& text) {
    const double number = StrToFloat(text);
    if (std::fabs(number) > std::numeric_limits<float>::max())
        throw TConvertError(FloatErrorText(text));
    const float hundredths = static_cast<float>(number) * 100.0f;
    // Whole number text first, then an integer, as the gauge's own tools round it.
    return StrToInt(ToChars(hundredths, std::chars_format::fixed, 0));
}

char DecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    if (point.size() == 1 && point.at(0).unicode() > ' ' && point.at(0).unicode() < 0x7F)
        return static_cast<char>(point.at(0).unicode());
    return '.';
}

bool TryStrToInt(const std::string& text, int32_t& value) {
    std::string_view s = Trim(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || SkipDigits(s, 0) != s.size())
        return false;
    uint64_t magnitude = 0;
    const auto result = std::from_chars(s.data(), s.data() + s.size(), magnitude);
    if (result.ec != std::errc() || result.ptr != s.data() + s.size())
        return false;
    const uint64_t limit = negative ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1;
    if (magnitude > limit)
        return false;
    value = static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude)
                                          : static_cast<int64_t>(magnitude));
    return true;
}

bool TryStrToFloat(const std::string& text, double& value, char separator) {
    const std::string_view s = Trim(text);
    // Rewritten with '.' for from_chars once the shape is known to be right.
    std::string plain;
    size_t pos = 0;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
        if (s[pos] == '-')
            plain += '-';
        ++pos;
    }
    size_t end = SkipDigits(s, pos);
    size_t digits = end - pos;
    plain.append(s.substr(pos, end - pos));
    pos = end;
    if (pos < s.size() && s[pos] == separator) {
        end = SkipDigits(s, pos + 1);
        digits += end - pos - 1;
        plain += '.';
        plain.append(s.substr(pos + 1, end - pos - 1));
        pos = end;
    }
    if (digits == 0)
        return false;
    if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
        size_t exp = pos + 1;
        if (exp < s.size() && (s[exp] == '+' || s[exp] == '-'))
            ++exp;
        end = SkipDigits(s, exp);
        if (end == exp)
            return false;
        plain += 'e';
        plain.append(s.substr(pos + 1, end - pos - 1));
        pos = end;
    }
    if (pos != s.size())
        return false;
    double number = 0;
    const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), number);
    // Out of range (too large or too small for a double) is not a usable number either.
    if (result.ec != std::errc() || result.ptr != plain.data() + plain.size())
        return false;
    value = number;
    return true;
}

bool TryStrToFloat(const std::string& text, double& value) {
    return TryStrToFloat(text, value, DecimalSeparator());
}

int32_t StrToInt(const std::string& text) {
    int32_t value = 0;
    if (!TryStrToInt(text, value))
        throw TConvertError(IntegerErrorText(text));
    return value;
}

double StrToFloat(const std::string& text, char separator) {
    double value = 0;
    if (!TryStrToFloat(text, value, separator))
        throw TConvertError(FloatErrorText(text));
    return value;
}

double StrToFloat(const std::string& text) {
    return StrToFloat(text, DecimalSeparator());
}

std::string IntegerErrorText(const std::string& text) {
    return "'" + text + "' is not a valid integer value";
}

std::string FloatErrorText(const std::string& text) {
    return "'" + text + "' is not a valid floating point value";
}

namespace {

constexpr const char* kErrorPrefix = "Error with value: ";

TFieldCheckResult Failure(const std::string& name, const std::string& detail) {
    return {false, kErrorPrefix + name + "\n" + detail};
}

std::string RangeText(const std::string& text, const std::string& lo, const std::string& hi) {
    return "The value " + text + " is not in the range: " + lo + " - " + hi;
}

constexpr const char* kMissingValue = "You must enter a value for this setting";

} // namespace

TFieldCheckResult CheckWholeNumberText(const std::string& name, const std::string& text, int32_t lo,
                                       int32_t hi) {
    if (text.empty())
        return Failure(name, kMissingValue);
    int32_t value = 0;
    if (!TryStrToInt(text, value))
        return Failure(name, IntegerErrorText(text));
    if (value < lo || value > hi)
        return Failure(name, RangeText(text, std::to_string(lo), std::to_string(hi)));
    return {true, {}};
}

double ShortestWide(float value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    double wide = value;
    std::from_chars(buffer, result.ptr, wide);
    return wide;
}

TFieldCheckResult CheckRealNumberText(const std::string& name, const std::string& text, float lo,
                                      float hi, char separator) {
    if (text.empty())
        return Failure(name, kMissingValue);
    double value = 0;
    if (!TryStrToFloat(text, value, separator))
        return Failure(name, FloatErrorText(text));
    // The bounds as written (0.001, not the single-precision value just above it), so an entry
    // of exactly a bound passes.
    if (value < ShortestWide(lo) || value > ShortestWide(hi))
        return Failure(name, RangeText(text, FormatFixed(lo, 18, 3, separator),
                                       FormatFixed(hi, 18, 3, separator)));
    return {true, {}};
}

TFieldCheckResult CheckRealNumberText(const std::string& name, const std::string& text, float lo,
                                      float hi) {
    return CheckRealNumberText(name, text, lo, hi, DecimalSeparator());
}

uint32_t ScaledRound(double entry, double factor) {
    const float scaled = static_cast<float>(entry) * static_cast<float>(factor) + 0.5f;
    // Field checks keep entries within their bounds; anything else is clamped, not wrapped.
    if (!(scaled > 0.0f))
        return 0;
    if (scaled >= 4294967295.0f)
        return UINT32_MAX;
    return static_cast<uint32_t>(std::floor(scaled));
}
