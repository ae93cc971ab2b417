// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Text forms of setting values: code lists, the catalogue's format and parse hooks, text to
// number conversion in the user's locale and the widget-free logic of the two field checks.

#include <QString>

#include <cstdint>
#include <stdexcept>
#include <string>

// A text that is not a number of the asked kind; what() is the text the user sees.
class TConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ---- code lists: any code outside a list gives "err." ----
std::string VolumeUnitText(uint8_t code);
std::string TankTypeText(uint8_t code);
std::string LengthUnitText(uint8_t code);
// By Tank UOM (0..2): the symbols of the table's heights ("m") and volumes ("m³"); empty
// for any other code.
QString TableLengthSymbol(uint8_t uom);
QString TableVolumeSymbol(uint8_t uom);
// Alarm direction: 1 is "RISING EDGE", every other value "FALLING EDGE".
std::string EdgeText(uint8_t value);
// 0 is "OFF", every other value "ON".
std::string OnOffText(uint8_t value);

// ---- format and parse hooks of the catalogue ----
// The hooks write decimals with DecimalSeparator(), so a shown value can be typed back.
// Hundredths of a percent: 5000 -> "50.00" (+ " %").
std::string PercentFormat(int64_t raw, bool appendUnit);
// Milliseconds: 250 -> "250" (+ " MS").
std::string MsFormat(int64_t raw, bool appendUnit);
// Percent text to hundredths: "50" -> 5000. Throws TConvertError.
int64_t PercentParse(const std::string& text);

// Fixed-point text with `digits` decimals after rounding to `precision` significant digits,
// written with the given decimal separator; numbers with more integer digits than the
// precision come out in scientific notation.
std::string FormatFixed(double value, int precision, int digits, char separator);

// ---- text to number ----
// Integers: an optional sign and decimal digits, within 32 bits; no hexadecimal, no decimal
// separator. Reals: an optional sign, digits with at most one decimal separator (at least one
// digit in all) and an optional exponent (e or E, optional sign, digits). Only the given
// separator is accepted: in a comma locale "1.500" is refused rather than read as 1.5, since
// that user may mean fifteen hundred. Leading and trailing blanks are ignored by both.

// The user's decimal separator (QLocale(), which is the system locale unless a default was
// set); '.' when the locale's separator is not a single ASCII character.
char DecimalSeparator();

bool TryStrToInt(const std::string& text, int32_t& value);
bool TryStrToFloat(const std::string& text, double& value, char separator);
bool TryStrToFloat(const std::string& text, double& value);
// Throwing forms; the error carries IntegerErrorText or FloatErrorText of the text.
int32_t StrToInt(const std::string& text);
double StrToFloat(const std::string& text, char separator);
double StrToFloat(const std::string& text);

// "'<text>' is not a valid integer value" / "'<text>' is not a valid floating point value".
std::string IntegerErrorText(const std::string& text);
std::string FloatErrorText(const std::string& text);

// Forms for edit box texts.
inline bool TryStrToInt(const QString& text, int32_t& value) {
    return TryStrToInt(text.toStdString(), value);
}
inline bool TryStrToFloat(const QString& text, double& value) {
    return TryStrToFloat(text.toStdString(), value);
}
inline int32_t StrToInt(const QString& text) {
    return StrToInt(text.toStdString());
}
inline double StrToFloat(const QString& text) {
    return StrToFloat(text.toStdString());
}

// The convention for storing an entry: multiply, add 0.5 and drop the fraction, on 32-bit
// floating-point values; below zero gives 0, beyond 32 bits the largest value.
uint32_t ScaledRound(double entry, double factor);

// The double nearest to the shortest decimal text of a single-precision value, so 0.1f is 0.1.
double ShortestWide(float value);

// ---- field checks (the edit box part lives with the pages) ----
struct TFieldCheckResult {
    bool Ok = false;
    std::string Message; // empty when Ok
};

// The text must be a 32-bit integer within lo..hi (both inclusive).
TFieldCheckResult CheckWholeNumberText(const std::string& name, const std::string& text, int32_t lo,
                                       int32_t hi);
// The text must be a real number within lo..hi (both inclusive); the separator is both the one
// accepted in the text and the one the bounds are written with.
TFieldCheckResult CheckRealNumberText(const std::string& name, const std::string& text, float lo,
                                      float hi, char separator);
TFieldCheckResult CheckRealNumberText(const std::string& name, const std::string& text, float lo,
                                      float hi);
