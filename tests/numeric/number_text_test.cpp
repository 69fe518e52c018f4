// Field texts to numbers and numbers to pane text, digit for digit.
#include "numeric/errors.h"
#include "numeric/extended.h"
#include "numeric/number_text.h"
#include "numeric/result_line.h"
#include "text_lines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

namespace kaskad {
namespace {

std::string printed(long double value) { return NumberToText(value, '.'); }

struct Reading {
    const char* text;
    long double value;
};

TEST(TextToNumber, ReadsTheAcceptedSyntax)
{
    const Reading cases[] = {
        {" 12 ", 12},        {"+3", 3},
        {"5.", 5},           {".5", 0.5L},
        {"1e", 1},           {"1E+", 1},
        {"00012", 12},       {".", 0},
        {"-2.5e-1", -0.25L}, {"1E499", 1e499L},
        {"1E-4999", 0},      {"1E0000000001", 10},
        {"0.05", 0.05L},     {"1234567890123456789", 1234567890123456789.0L},
        {"1e4932", 1e4932L}, {"  -0.000001  ", -1e-6L},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(TextToNumber(text, '.'), value) << '"' << text << '"';
}

TEST(TextToNumber, RoundsLongMantissasAndReadsMinusPointAsNegativeZero)
{
    // Beyond 19 digits the mantissa is rounded at every digit taken.
    EXPECT_EQ(printed(TextToNumber("123456789012345678901234567890", '.')), "1.23456789012346E29");
    const long double value = TextToNumber("-.", '.');
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(std::signbit(value));
    EXPECT_EQ(printed(value), "0");
}

TEST(TextToNumber, RejectsWithTheFieldsWholeText)
{
    const char* rejected[] = {"",       "-",   "e5",  "1 000", "- 5",  "1.5.3", "1\t",   "\t1", "1E5000",
                              "1E4999", "1,5", "abc", "0x10",  "1e5.", "++1",   "1e--1", " "};
    for (const char* text : rejected) {
        try {
            TextToNumber(text, '.');
            ADD_FAILURE() << "accepted \"" << text << '"';
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.message(), std::string("'") + text + "' is not a valid floating point value");
        }
    }
}

struct Parts {
    const char* text;
    bool negative;
    const char* wholeDigits;
    const char* fractionDigits;
    std::int64_t writtenExponent;
    std::int64_t lastDigitExponent;
};

TEST(scanNumberText, TakesTheTextApartAsTextToNumberReadsIt)
{
    const Parts cases[] = {
        {" -12.50e-3 ", true, "12", "50", -3, -5},
        {"+.5", false, "", "5", 0, -1},
        {"5.", false, "5", "", 0, 0},
        {"-.", true, "", "", 0, 0},
        {"1e", false, "1", "", 0, 0},
        {"00012E+", false, "00012", "", 0, 0},
        {"1E0000000001", false, "1", "", 1, 1},
        {"7e0499", false, "7", "", 499, 499},
        {"0.001E-499", false, "0", "001", -499, -502},
    };
    for (const auto& c : cases) {
        const NumberTextParts parts = scanNumberText(c.text, '.');
        EXPECT_EQ(parts.text, c.text);
        EXPECT_EQ(parts.negative, c.negative) << c.text;
        EXPECT_EQ(parts.wholeDigits, c.wholeDigits) << c.text;
        EXPECT_EQ(parts.fractionDigits, c.fractionDigits) << c.text;
        EXPECT_EQ(parts.writtenExponent, c.writtenExponent) << c.text;
        EXPECT_EQ(parts.lastDigitExponent(), c.lastDigitExponent) << c.text;
        const long double value = numberTextValue(parts);
        EXPECT_EQ(printed(value), printed(TextToNumber(c.text, '.'))) << c.text;
        EXPECT_EQ(std::signbit(value), std::signbit(TextToNumber(c.text, '.'))) << c.text;
    }
}

TEST(scanNumberText, RejectsBySyntaxAloneAndNumberTextValueByRange)
{
    EXPECT_THROW(scanNumberText("1E5000", '.'), EConvertError);
    EXPECT_THROW(scanNumberText("1,5", '.'), EConvertError);
    // "1E4999" is a number by its syntax; its value is beyond extended.
    const NumberTextParts parts = scanNumberText("1E4999", '.');
    try {
        numberTextValue(parts);
        ADD_FAILURE() << "1E4999 has a value";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), "'1E4999' is not a valid floating point value");
    }
}

std::string zeros(std::size_t count) { return std::string(count, '0'); }

struct LongText {
    const char* name;
    std::string text;
};

struct LongTextReading {
    const char* name;
    std::string text;
    const char* printed;
};

TEST(TextToNumber, ReadsZeroOnceTheLastDigitIsAtTenToTheMinus5120)
{
    // The value is 0 when the last digit's power, the exponent less the
    // fraction digits, is -5120 or below, even where it is in range.
    const LongTextReading cases[] = {
        {"5,122 fraction digits", "0." + zeros(5121) + "1", "0"},
        {"5,119 fraction digits, 10^-188", "0." + zeros(187) + "1" + zeros(4931), "1E-188"},
        {"5,120 fraction digits, 10^-189 in range", "0." + zeros(188) + "1" + zeros(4931), "0"},
        {"5,121 fraction digits, 10^-190 in range", "0." + zeros(189) + "1" + zeros(4931), "0"},
        {"negative, 6,001 fraction digits", "-0." + zeros(6000) + "1", "0"},
        {"5,122 fraction digits with an exponent", "0." + zeros(5121) + "1E4999", "1E-123"},
        {"5,200 leading zeros before the separator", zeros(5200) + "1." + zeros(100), "1"},
    };
    for (const auto& [name, text, expected] : cases)
        EXPECT_EQ(printed(TextToNumber(text, '.')), expected) << name;
}

TEST(TextToNumber, RejectsDigitsWhoseIntegerIsBeyondTheExtendedRange)
{
    // All the digits are read as one integer before the exponent and the
    // fraction scale it: where that integer overflows, the text is rejected
    // whatever its value.
    const LongTextReading accepted[] = {
        {"1 and 4,932 fraction zeros", "1." + zeros(4932), "1"},
        {"4,932 nines", std::string(4932, '9'), "1E4932"},
        {"1, 4,932 zeros and E-4932", "1" + zeros(4932) + "E-4932", "1"},
    };
    for (const auto& [name, text, expected] : accepted)
        EXPECT_EQ(printed(TextToNumber(text, '.')), expected) << name;

    const LongText rejected[] = {
        {"1 and 4,933 fraction zeros", "1." + zeros(4933)},
        {"4,933 nines", std::string(4933, '9')},
        {"1, 4,933 zeros and E-4933", "1" + zeros(4933) + "E-4933"},
        {"10^4933 as the digits of 10^-5134", "0." + zeros(200) + "1" + zeros(4933)},
    };
    for (const auto& [name, text] : rejected) {
        try {
            TextToNumber(text, '.');
            ADD_FAILURE() << "accepted " << name;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.message(), "'" + text + "' is not a valid floating point value") << name;
        }
    }
}

TEST(TextToNumber, UsesTheSeparatorItIsGiven)
{
    EXPECT_EQ(TextToNumber("0,05", ','), 0.05L);
    EXPECT_THROW(TextToNumber("0.05", ','), EConvertError);
    EXPECT_THROW(TextToNumber("0,05", '.'), EConvertError);
    const DecimalSeparator momayyez = *DecimalSeparator::fromText("٫");
    EXPECT_EQ(TextToNumber("2٫5", momayyez), 2.5L);
    EXPECT_EQ(NumberToText(2.5L, momayyez), "2٫5");
}

TEST(DecimalSeparator, AcceptsOneCharacterThatCannotBelongToANumber)
{
    EXPECT_TRUE(DecimalSeparator::fromText(","));
    EXPECT_TRUE(DecimalSeparator::fromText("·"));
    for (const char* bad : {"", "5", "-", "+", "e", "E", " ", ",,", "\xD0", "\xC0\xAC", "\xED\xA0\x80"})
        EXPECT_FALSE(DecimalSeparator::fromText(bad)) << '"' << bad << '"';
}

TEST(TextToNumber, OverflowOfTheStoreIsNotAConversionError)
{
    const long double value = TextToNumber("1E39", '.');
    EXPECT_THROW(storeSingle(value), EOverflow);
    EXPECT_EQ(storeDouble(value).value(), 1e39);
}

TEST(TextToNumber, PowerOfTenTablesAreTheNearestExtendedValues)
{
    // Where one table entry does the whole scaling, the result must be the C
    // library's correctly rounded decimal conversion.
    for (int k :
         {1, 17, 27, 28, 31, 32, 64, 96, 288, 480, 512, 1024, 2048, 4096, 4608, -1, -7, -31, -64, -512, -4608}) {
        const std::string text = "1e" + std::to_string(k);
        EXPECT_EQ(scaleByPowerOfTen(1, k), k > 0 ? std::strtold(text.c_str(), nullptr)
                                                 : 1 / std::strtold(("1e" + std::to_string(-k)).c_str(), nullptr))
            << text;
    }
}

struct CountCase {
    const char* text;
    std::int32_t n;
};

TEST(roundCount, RoundsToNearestTiesToEven)
{
    const CountCase cases[] = {
        {"2.5", 2},
        {"3.5", 4},
        {"-2.5", -2},
        {"0.5", 0},
        {"-0.5", 0},
        {"7", 7},
        {"1e12", INT32_MAX},
        {"-1e12", INT32_MIN},
        {"2147483647.4", INT32_MAX},
        {"9.2233720368547758e18", INT32_MAX},
    };
    for (const auto& [text, n] : cases)
        EXPECT_EQ(roundCount(TextToNumber(text, '.')), n) << text;
}

TEST(roundCount, BeyondSixtyFourBitsIsAnInvalidOperation)
{
    for (const char* text : {"1E19", "-1E19", "9223372036854775808"}) {
        try {
            roundCount(TextToNumber(text, '.'));
            ADD_FAILURE() << text;
        } catch (const EInvalidOp& e) {
            EXPECT_EQ(e.message(), "Invalid floating point operation");
        }
    }
    EXPECT_EQ(roundCount(-0x1p63L), INT32_MIN);
}

struct Printing {
    long double value;
    const char* text;
};

TEST(NumberToText, PrintsFifteenSignificantDigitsOfTheStoredWidth)
{
    const Printing cases[] = {
        {0.02f, "0.0199999995529652"},
        {0.02, "0.02"},
        {0.1f, "0.100000001490116"},
        {450.1f, "450.100006103516"},
        {1e-5f, "9.99999974737875E-6"},
        {1e15f, "999999986991104"},
        {2.0 / 3.0, "0.666666666666667"},
        {1e15, "1E15"},
        {123456789012345678.0, "1.23456789012346E17"},
        {1.5e-5, "1.5E-5"},
        {0.0001, "0.0001"},
        {-0.75, "-0.75"},
        {1234.5, "1234.5"},
        {100, "100"},
        {999999999999999.4L, "999999999999999"},
        {999999999999999.5L, "1E15"},
        {0.0001L, "0.0001"},
        {0.00009999L, "9.999E-5"},
        {-1e-10L, "-1E-10"},
        {1e100L, "1E100"},
        {0.1 + 0.2, "0.3"},
        {0.0, "0"},
        {-0.0, "0"},
        {1, "1"},
        {10, "10"},
        {0.001, "0.001"},
        {-12.5e-4L, "-0.00125"},
        {1e4932L, "1E4932"},
        {0x1p-16445L, "3.64519953188247E-4951"},
        {std::numeric_limits<long double>::max(), "1.18973149535723E4932"},
        {9.5, "9.5"},
        {0.5f, "0.5"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(printed(value), text);
}

TEST(NumberToText, UsesTheSeparatorItIsGiven)
{
    EXPECT_EQ(NumberToText(0.02f, ','), "0,0199999995529652");
    EXPECT_EQ(NumberToText(1.5e-5, ','), "1,5E-5");
    EXPECT_EQ(NumberToText(100, ','), "100");
}

TEST(NumberToText, NonFiniteValuesHaveNames)
{
    EXPECT_EQ(printed(INFINITY), "INF");
    EXPECT_EQ(printed(-INFINITY), "-INF");
    EXPECT_EQ(printed(NAN), "NAN");
}

TEST(NumberToText, ReadsBackToTheSamePrintedDigits)
{
    // Printing, reading and printing again must not move a digit, for values
    // across the whole range of the three widths.
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> exponent(-300, 300);
    std::uniform_real_distribution<double> mantissa(1, 10);
    for (int i = 0; i < 20000; ++i) {
        const double value = (i % 2 ? -1 : 1) * mantissa(random) * std::pow(10.0, exponent(random));
        for (const long double stored :
             {static_cast<long double>(value), static_cast<long double>(static_cast<float>(value))}) {
            if (std::isinf(stored) || stored == 0)
                continue;
            const std::string text = printed(stored);
            ASSERT_EQ(printed(TextToNumber(text, '.')), text) << text;
        }
    }
}

TEST(ResultLine, WordReactorThreeBlanksValueAndLineEnd)
{
    EXPECT_EQ(ResultLine("Реактор", 1, 0.02f, '.'), "Реактор1   0.0199999995529652\r\n");
    EXPECT_EQ(ResultLine("Реактор", 1, 0.02f, ','), "Реактор1   0,0199999995529652\r\n");
    EXPECT_EQ(ResultLine("реактор", 24, -0.0, '.'), "реактор24   0\r\n");
    EXPECT_EQ(ResultLine("реактор", 3, 8.76570120453835e-5f, '.'), "реактор3   8.76570120453835E-5\r\n");
}

TEST(NumberToText, StoredValuesPrintAsTheirExtendedWidening)
{
    // Singles and doubles take an integer path that must round exactly as
    // the extended scaling of the general path does.
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> exponent(-30, 30);
    std::uniform_real_distribution<double> mantissa(1, 10);
    char buffer[kNumberTextCapacity];
    for (int i = 0; i < 200000; ++i) {
        const double value = (i % 3 ? 1 : -1) * mantissa(random) * std::pow(10.0, exponent(random));
        for (const double stored : {value, static_cast<double>(static_cast<float>(value))}) {
            const std::string_view written(buffer,
                                           static_cast<std::size_t>(writeNumberText(buffer, stored, '.') - buffer));
            ASSERT_EQ(written, printed(stored)) << stored;
        }
    }
    for (const double edge : {1e17, 1e18, 999999999999999999.0, 0.1, 5e-324, 1.7976931348623157e308, 1e-5, 0.0001})
        EXPECT_EQ(std::string(buffer, writeNumberText(buffer, edge, '.')), printed(edge)) << edge;
}

TEST(IntegerToText, PlainDecimalDigits)
{
    EXPECT_EQ(IntegerToText(0), "0");
    EXPECT_EQ(IntegerToText(24), "24");
    EXPECT_EQ(IntegerToText(-7), "-7");
    EXPECT_EQ(IntegerToText(INT32_MIN), "-2147483648");
}

} // namespace
} // namespace kaskad
