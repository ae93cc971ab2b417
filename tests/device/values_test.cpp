// SPDX-License-Identifier: GPL-3.0-or-later
// Code lists, format and parse hooks, locale-aware number conversion and the field checks.

#include "Values.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every test starts in the C locale; a test that needs another sets it itself.
class ValuesTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale::c()); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

TEST_F(ValuesTest, CodeListsAtTheirEdges) {
    const struct {
        std::string (*List)(uint8_t);
        uint8_t Code;
        const char* Label;
    } cases[] = {
        {VolumeUnitText, 0, "none"},
        {VolumeUnitText, 1, "Cubic Metres"},
        {VolumeUnitText, 2, "Litres"},
        {VolumeUnitText, 3, "Gallons"},
        {VolumeUnitText, 4, "Cubic Inches"},
        {VolumeUnitText, 5, "Cubic Feet"},
        {VolumeUnitText, 6, "err."},
        {VolumeUnitText, 255, "err."},
        {TankTypeText, 0, "none"},
        {TankTypeText, 1, "Cylinder 2 Endcaps"},
        {TankTypeText, 2, "Cuboid"},
        {TankTypeText, 3, "Hemi"},
        {TankTypeText, 4, "Vertical Cylinder"},
        {TankTypeText, 5, "Non standard"},
        {TankTypeText, 6, "err."},
        {TankTypeText, 200, "err."},
        {LengthUnitText, 0, "Metres"},
        {LengthUnitText, 1, "Inches"},
        {LengthUnitText, 2, "Feet"},
        {LengthUnitText, 3, "err."},
        {EdgeText, 0, "FALLING EDGE"},
        {EdgeText, 1, "RISING EDGE"},
        {EdgeText, 2, "FALLING EDGE"},
        {EdgeText, 255, "FALLING EDGE"},
        {OnOffText, 0, "OFF"},
        {OnOffText, 1, "ON"},
        {OnOffText, 2, "ON"},
        {OnOffText, 255, "ON"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.List(c.Code), c.Label) << int(c.Code);
}

TEST_F(ValuesTest, FormatHooks) {
    const struct {
        std::string (*Hook)(int64_t, bool);
        int64_t Raw;
        bool Unit;
        const char* Expected;
    } cases[] = {
        {PercentFormat, 5000, true, "50.00 %"},
        {PercentFormat, 5000, false, "50.00"},
        {PercentFormat, 12345, true, "123.45 %"},
        {PercentFormat, 10000, true, "100.00 %"},
        {PercentFormat, 0, true, "0.00 %"},
        {PercentFormat, 1, false, "0.01"},
        {PercentFormat, 5, false, "0.05"},
        {PercentFormat, 999, false, "9.99"},
        {PercentFormat, 65535, false, "655.35"},
        // beyond five significant digits the value is rounded to five
        {PercentFormat, 123456, false, "1234.60"},
        {MsFormat, 250, true, "250 MS"},
        {MsFormat, 250, false, "250"},
        {MsFormat, 0, true, "0 MS"},
        {MsFormat, 65535, true, "65535 MS"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Hook(c.Raw, c.Unit), c.Expected) << c.Raw;
}

TEST_F(ValuesTest, FormatFixedRoundsToThePrecisionFirst) {
    const struct {
        double Value;
        int Precision;
        int Digits;
        char Separator;
        const char* Expected;
    } cases[] = {
        {0, 18, 3, '.', "0.000"},
        {4000000, 18, 3, '.', "4000000.000"},
        {static_cast<float>(0.1), 18, 3, '.', "0.100"},
        {-1.5, 18, 3, '.', "-1.500"},
        {123.449997, 5, 2, '.', "123.45"},
        {99999.4, 5, 2, '.', "99999.00"},
        {123456.0, 5, 2, '.', "1.2346E+05"},
        {-0.001, 5, 2, '.', "0.00"},
        {50.5, 5, 2, ',', "50,50"},
        {1e300, 18, 3, '.', "1.00000000000000005E+300"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFixed(c.Value, c.Precision, c.Digits, c.Separator), c.Expected) << c.Value;
}

TEST_F(ValuesTest, PercentParse) {
    const struct {
        const char* Text;
        int64_t Expected;
    } cases[] = {
        {"50", 5000},    {"100", 10000},    {"0", 0},       {"0.01", 1},
        {"99.99", 9999}, {"123.45", 12345}, {" 50 ", 5000}, {"-1", -100},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PercentParse(c.Text), c.Expected) << c.Text;

    // A half may go either way.
    const int64_t half = PercentParse("12.345");
    EXPECT_TRUE(half == 1234 || half == 1235) << half;
}

TEST_F(ValuesTest, PercentParseRefusesWhatIsNoNumber) {
    const struct {
        const char* Text;
        const char* Message;
    } cases[] = {
        {"", "'' is not a valid floating point value"},
        {"abc", "'abc' is not a valid floating point value"},
        {"50,5", "'50,5' is not a valid floating point value"},
        {"1e39", "'1e39' is not a valid floating point value"}, // beyond a 32-bit float
    };
    for (const auto& c : cases) {
        try {
            PercentParse(c.Text);
            ADD_FAILURE() << c.Text << " parsed";
        } catch (const TConvertError& e) {
            EXPECT_EQ(std::string(e.what()), c.Message);
        }
    }
    // Hundredths beyond 32 bits fail on the integer step.
    try {
        PercentParse("1e30");
        ADD_FAILURE() << "1e30 parsed";
    } catch (const TConvertError& e) {
        EXPECT_TRUE(std::string(e.what()).ends_with("' is not a valid integer value")) << e.what();
    }
}

TEST_F(ValuesTest, TextToInteger) {
    const struct {
        const char* Text;
        bool Ok;
        int32_t Value;
    } cases[] = {
        {"0", true, 0},
        {"100", true, 100},
        {"-5", true, -5},
        {"+7", true, 7},
        {"007", true, 7},
        {" 42\t", true, 42},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999999", false, 0},
        {"1.5", false, 0},
        {"", false, 0},
        {"   ", false, 0},
        {"abc", false, 0},
        {"12abc", false, 0},
        {"$1F", false, 0},
        {"0x1F", false, 0},
        {"1e3", false, 0},
        {"+", false, 0},
        {"-", false, 0},
        {"--1", false, 0},
        {"+-1", false, 0},
        {"1 2", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        int32_t value = -99;
        EXPECT_EQ(TryStrToInt(std::string(c.Text), value), c.Ok);
        if (c.Ok) {
            EXPECT_EQ(value, c.Value);
            EXPECT_EQ(StrToInt(std::string(c.Text)), c.Value);
        } else {
            EXPECT_EQ(value, -99); // left alone on failure
            try {
                StrToInt(std::string(c.Text));
                ADD_FAILURE() << "no error";
            } catch (const TConvertError& e) {
                EXPECT_EQ(std::string(e.what()),
                          "'" + std::string(c.Text) + "' is not a valid integer value");
            }
        }
    }
}

TEST_F(ValuesTest, TextToFloatWithTheGivenSeparator) {
    const struct {
        const char* Text;
        char Separator;
        bool Ok;
        double Value;
    } cases[] = {
        {"1.5", '.', true, 1.5},      {"-0.001", '.', true, -0.001},
        {"+2", '.', true, 2},         {".5", '.', true, 0.5},
        {"5.", '.', true, 5},         {"1e3", '.', true, 1000},
        {"1.5E-2", '.', true, 0.015}, {" 4000000 ", '.', true, 4000000},
        {"1,5", ',', true, 1.5},      {"1,000", ',', true, 1},
        {"-0,25e1", ',', true, -2.5}, {"1.5", ',', false, 0}, // a dot in a comma locale is refused
        {"1.500", ',', false, 0},                             // it may mean fifteen hundred
        {"1,5", '.', false, 0},       {"1,000.5", '.', false, 0},
        {"", '.', false, 0},          {"abc", '.', false, 0},
        {".", '.', false, 0},         {"-", '.', false, 0},
        {"e5", '.', false, 0},        {"1e", '.', false, 0},
        {"1e+", '.', false, 0},       {"1.2.3", '.', false, 0},
        {"nan", '.', false, 0},       {"inf", '.', false, 0},
        {"0x10", '.', false, 0},      {"1e400", '.', false, 0},
        {"1 5", '.', false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Text) + " with '" + c.Separator + "'");
        double value = -99;
        EXPECT_EQ(TryStrToFloat(std::string(c.Text), value, c.Separator), c.Ok);
        if (c.Ok) {
            EXPECT_DOUBLE_EQ(value, c.Value);
            EXPECT_DOUBLE_EQ(StrToFloat(std::string(c.Text), c.Separator), c.Value);
        } else {
            EXPECT_EQ(value, -99);
            try {
                StrToFloat(std::string(c.Text), c.Separator);
                ADD_FAILURE() << "no error";
            } catch (const TConvertError& e) {
                EXPECT_EQ(std::string(e.what()),
                          "'" + std::string(c.Text) + "' is not a valid floating point value");
            }
        }
    }
}

// Without an explicit separator the user's locale decides, for input and for shown values.
TEST_F(ValuesTest, LocaleDecidesTheSeparator) {
    EXPECT_EQ(DecimalSeparator(), '.');
    double value = 0;
    EXPECT_TRUE(TryStrToFloat(std::string("1.5"), value));

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(DecimalSeparator(), ',');
    EXPECT_TRUE(TryStrToFloat(QString("1,5"), value));
    EXPECT_DOUBLE_EQ(value, 1.5);
    EXPECT_FALSE(TryStrToFloat(QString("1.5"), value));
    EXPECT_DOUBLE_EQ(StrToFloat(QString("-2,25")), -2.25);
    EXPECT_EQ(PercentFormat(5050, true), "50,50 %");
    EXPECT_EQ(PercentParse("50,5"), 5050);
    EXPECT_EQ(CheckRealNumberText("Height", "-0,5", 0, 4000000).Message,
              "Error with value: Height\nThe value -0,5 is not in the range: 0,000 - 4000000,000");
    int32_t whole = 0;
    EXPECT_TRUE(TryStrToInt(QString("12"), whole));
    EXPECT_EQ(StrToInt(QString("-12")), -12);

    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    EXPECT_EQ(DecimalSeparator(), '.');
    EXPECT_EQ(PercentFormat(5050, false), "50.50");
}

const std::string kMissing = "Error with value: Level\nYou must enter a value for this setting";

TEST_F(ValuesTest, WholeNumberCheck) {
    const struct {
        const char* Text;
        int32_t Lo;
        int32_t Hi;
        const char* Message; // empty: accepted
    } cases[] = {
        {"100", 1, 100, ""},
        {"1", 1, 100, ""},
        {"50", 1, 100, ""},
        {" 7 ", 1, 100, ""},
        {"101", 1, 100, "Error with value: Level\nThe value 101 is not in the range: 1 - 100"},
        {"0", 1, 100, "Error with value: Level\nThe value 0 is not in the range: 1 - 100"},
        {"1.5", 1, 100, "Error with value: Level\n'1.5' is not a valid integer value"},
        {"abc", 1, 100, "Error with value: Level\n'abc' is not a valid integer value"},
        {" ", 1, 100, "Error with value: Level\n' ' is not a valid integer value"},
        {"99999999999", 0, 100,
         "Error with value: Level\n'99999999999' is not a valid integer value"},
        {"-11", -10, 10, "Error with value: Level\nThe value -11 is not in the range: -10 - 10"},
        {"-10", -10, 10, ""},
        {"2147483647", 0, 2147483647, ""},
        {"", 1, 100, kMissing.c_str()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        const TFieldCheckResult result = CheckWholeNumberText("Level", c.Text, c.Lo, c.Hi);
        EXPECT_EQ(result.Ok, std::string(c.Message).empty());
        EXPECT_EQ(result.Message, c.Message);
    }
}

TEST_F(ValuesTest, RealNumberCheck) {
    const struct {
        const char* Text;
        float Lo;
        float Hi;
        char Separator;
        const char* Message; // empty: accepted
    } cases[] = {
        {"4000000", 0, 4000000, '.', ""},
        {"0", 0, 4000000, '.', ""},
        {"0.001", 0, 4000000, '.', ""},
        {"-0.001", 0, 4000000, '.',
         "Error with value: Level\nThe value -0.001 is not in the range: 0.000 - 4000000.000"},
        // compared at full precision, not after rounding to the bound's 32 bits
        {"4000000.001", 0, 4000000, '.',
         "Error with value: Level\nThe value 4000000.001 is not in the range: 0.000 - "
         "4000000.000"},
        {"2", 0.5f, 1.5f, '.',
         "Error with value: Level\nThe value 2 is not in the range: 0.500 - 1.500"},
        {"1.5", 0.5f, 1.5f, '.', ""},
        {"0.5", 0.5f, 1.5f, '.', ""},
        // a bound that single precision cannot hold is still the bound as written
        {"0.001", 0.001f, 1000, '.', ""},
        {"0.0009999", 0.001f, 1000, '.',
         "Error with value: Level\nThe value 0.0009999 is not in the range: 0.001 - 1000.000"},
        {"abc", 0, 100, '.', "Error with value: Level\n'abc' is not a valid floating point value"},
        {"1,5", 0, 100, '.', "Error with value: Level\n'1,5' is not a valid floating point value"},
        {"1,5", 0, 100, ',', ""},
        {"1.5", 0, 100, ',', "Error with value: Level\n'1.5' is not a valid floating point value"},
        {"101", 0, 100, ',',
         "Error with value: Level\nThe value 101 is not in the range: 0,000 - 100,000"},
        {"", 0, 100, '.', kMissing.c_str()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        const TFieldCheckResult result =
            CheckRealNumberText("Level", c.Text, c.Lo, c.Hi, c.Separator);
        EXPECT_EQ(result.Ok, std::string(c.Message).empty());
        EXPECT_EQ(result.Message, c.Message);
    }
}

} // namespace
