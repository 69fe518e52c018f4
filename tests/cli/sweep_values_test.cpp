// Ranges and lists of a swept field expanded into field texts.
#include "cli/cli_errors.h"
#include "cli/sweep_values.h"

#include <gtest/gtest.h>

namespace kaskad::cli {
namespace {

struct Expansion {
    const char* optionText;
    char separator;
    std::vector<std::string> texts;
};

class FieldValues : public ::testing::TestWithParam<Expansion> {};

TEST_P(FieldValues, AreTheTextsAUserWouldType)
{
    const Expansion& e = GetParam();
    EXPECT_EQ(fieldValueTexts(e.optionText, e.separator), e.texts);
}

INSTANTIATE_TEST_SUITE_P(
    Sweep, FieldValues,
    ::testing::Values(
        // Decimal steps land exactly on the end, with no binary residue.
        Expansion{"0.1:0.3:0.1", '.', {"0.1", "0.2", "0.3"}},
        Expansion{"-0.3:0.3:0.1", '.', {"-0.3", "-0.2", "-0.1", "0", "0.1", "0.2", "0.3"}},
        Expansion{"1:2:0.3", '.', {"1", "1.3", "1.6", "1.9"}},
        Expansion{"5:1:-2", '.', {"5", "3", "1"}},
        Expansion{"433:433:5", '.', {"433"}},
        Expansion{" +1.50 :2.5e0:5E-1", '.', {"1.5", "2", "2.5"}},
        // The printed numbers' forms: exponent below 0.0001 and from 10^15.
        Expansion{"1E-5:3e-5:1E-5", '.', {"1E-5", "2E-5", "3E-5"}},
        Expansion{"0.0001:0.0003:0.0001", '.', {"0.0001", "0.0002", "0.0003"}},
        Expansion{"9E14:1.1E15:1E14", '.', {"900000000000000", "1E15", "1.1E15"}},
        Expansion{"0.00001234:0.00001235:0.00000001", '.', {"1.234E-5", "1.235E-5"}},
        // The separator of the run.
        Expansion{"0,1:0,3:0,1", ',', {"0,1", "0,2", "0,3"}},
        // Lists keep their items as written, ranges among them expanded.
        Expansion{"430;433;436", '.', {"430", "433", "436"}},
        Expansion{"1:3:1;10;0.50", '.', {"1", "2", "3", "10", "0.50"}},
        Expansion{"0;abc", '.', {"0", "abc"}},
        Expansion{"2.5", '.', {"2.5"}}));

struct Rejection {
    const char* optionText;
    const char* message;
};

class FieldValueUsage : public ::testing::TestWithParam<Rejection> {};

TEST_P(FieldValueUsage, IsAUsageError)
{
    try {
        fieldValueTexts(GetParam().optionText, '.');
        FAIL() << "accepted " << GetParam().optionText;
    } catch (const UsageError& error) {
        EXPECT_EQ(error.message(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sweep, FieldValueUsage,
    ::testing::Values(
        Rejection{"1:2:0", "range '1:2:0' has a zero step"},
        Rejection{"1:2:-0.5", "the step of range '1:2:-0.5' leads away from its end"},
        Rejection{"2:1:0.5", "the step of range '2:1:0.5' leads away from its end"},
        Rejection{"1:2", "range '1:2' is not FROM:TO:STEP"},
        Rejection{"1:2:3:4", "range '1:2:3:4' is not FROM:TO:STEP"},
        Rejection{"1:x:1", "'x' is not a valid floating point value."},
        Rejection{"0:1000000:1", "range '0:1000000:1' has more than 1000000 values"},
        Rejection{"1;;2", "list '1;;2' has an empty item"},
        Rejection{"1;", "list '1;' has an empty item"},
        Rejection{"1E-300:1:1", "the numbers of range '1E-300:1:1' are too far apart in scale"},
        Rejection{"0:1:0.1234567890123456789012345678901234567",
                  "'0.1234567890123456789012345678901234567' has too many digits for a range"}));

} // namespace
} // namespace kaskad::cli
