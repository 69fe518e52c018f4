// Ranges and lists of a swept field expanded into field texts.
#include "study/field_values.h"
#include "study/study_error.h"

#include <gtest/gtest.h>

#include <ostream>

namespace kaskad::study {
namespace {

struct Expansion {
    const char* name;
    const char* optionText;
    char separator;
    std::vector<std::string> texts;
};

// A row shows as its option text.
void PrintTo(const Expansion& e, std::ostream* out) { *out << '"' << e.optionText << '"'; }

class FieldValues : public ::testing::TestWithParam<Expansion> {};

TEST_P(FieldValues, AreTheTextsAUserWouldType)
{
    const Expansion& e = GetParam();
    EXPECT_EQ(fieldValueTexts(e.optionText, e.separator), e.texts);
}

template <typename Row>
std::string rowName(const ::testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Sweep, FieldValues,
    ::testing::Values(
        // Decimal steps land exactly on the end, with no binary residue.
        Expansion{"DecimalStepsLandOnTheEnd", "0.1:0.3:0.1", '.', {"0.1", "0.2", "0.3"}},
        Expansion{"ThroughZero", "-0.3:0.3:0.1", '.', {"-0.3", "-0.2", "-0.1", "0", "0.1", "0.2", "0.3"}},
        Expansion{"StopsBeforeAnEndBetweenSteps", "1:2:0.3", '.', {"1", "1.3", "1.6", "1.9"}},
        Expansion{"StepsDown", "5:1:-2", '.', {"5", "3", "1"}}, Expansion{"OneValue", "433:433:5", '.', {"433"}},
        Expansion{"FieldSyntax", " +1.50 :2.5e0:5E-1", '.', {"1.5", "2", "2.5"}},
        // The printed numbers' forms: exponent below 0.0001 and from 10^15.
        Expansion{"ExponentFormBelowATenThousandth", "1E-5:3e-5:1E-5", '.', {"1E-5", "2E-5", "3E-5"}},
        Expansion{"PositionalFromATenThousandth", "0.0001:0.0003:0.0001", '.', {"0.0001", "0.0002", "0.0003"}},
        Expansion{"ExponentFormFromTenToTheFifteenth", "9E14:1.1E15:1E14", '.', {"900000000000000", "1E15", "1.1E15"}},
        Expansion{"SeveralDigitsInExponentForm", "0.00001234:0.00001235:0.00000001", '.', {"1.234E-5", "1.235E-5"}},
        // The separator of the run.
        Expansion{"SeparatorOfTheRun", "0,1:0,3:0,1", ',', {"0,1", "0,2", "0,3"}},
        // Lists keep their items as written, ranges among them expanded.
        Expansion{"ListItemsAsWritten", "430;433;436", '.', {"430", "433", "436"}},
        Expansion{"RangeInAList", "1:3:1;10;0.50", '.', {"1", "2", "3", "10", "0.50"}},
        Expansion{"ListItemThatIsNotANumber", "0;abc", '.', {"0", "abc"}}, Expansion{"OneText", "2.5", '.', {"2.5"}},
        // A range is computed at the last decimal place of FROM and STEP,
        // whatever the scale of its numbers; zero has no place of its own.
        Expansion{"FromZeroAtTheScaleOfTheStep",
                  "0:1e308:1e307",
                  '.',
                  {"0", "1E307", "2E307", "3E307", "4E307", "5E307", "6E307", "7E307", "8E307", "9E307", "1E308"}},
        Expansion{
            "FromZeroByTinySteps",
            "0:1E-300:1E-301",
            '.',
            {"0", "1E-301", "2E-301", "3E-301", "4E-301", "5E-301", "6E-301", "7E-301", "8E-301", "9E-301", "1E-300"}},
        Expansion{"EndFinerThanTheStepUp", "-5:1E-300:1", '.', {"-5", "-4", "-3", "-2", "-1", "0"}},
        Expansion{"EndFinerThanTheStepDown", "2:-1E-300:-1", '.', {"2", "1", "0"}},
        Expansion{"EndFinerThanTheStepBeforeFrom", "-2.5:-2.5000001:-1", '.', {"-2.5"}},
        Expansion{"TrailingZerosAreNoDigits",
                  "10000000000000000000000000000000000000000:3E40:1E40",
                  '.',
                  {"1E40", "2E40", "3E40"}},
        Expansion{"ThirtySixDigitsDownToThePlaceOfFrom",
                  "1E-35:2:1",
                  '.',
                  {"1E-35", "1.00000000000000000000000000000000001"}},
        // Up to 2^127 - 1 units of that place: 1.5E38 units, 39 digits.
        Expansion{
            "AsManyUnitsAsARangeCounts", "1E-38:1.5:1", '.', {"1E-38", "1.00000000000000000000000000000000000001"}},
        Expansion{"MoreThanFifteenDigitsInExponentForm",
                  "1E30:1.000000000000000000000000000002E30:1",
                  '.',
                  {"1E30", "1.000000000000000000000000000001E30", "1.000000000000000000000000000002E30"}}),
    rowName<Expansion>);

struct Rejection {
    const char* name;
    const char* optionText;
    const char* message;
};

void PrintTo(const Rejection& r, std::ostream* out) { *out << '"' << r.optionText << '"'; }

class FieldValueUsage : public ::testing::TestWithParam<Rejection> {};

TEST_P(FieldValueUsage, IsAUsageError)
{
    try {
        fieldValueTexts(GetParam().optionText, '.');
        FAIL() << "accepted " << GetParam().optionText;
    } catch (const StudyError& error) {
        EXPECT_EQ(error.message(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sweep, FieldValueUsage,
    ::testing::Values(
        Rejection{"ZeroStep", "1:2:0", "range '1:2:0' has a zero step"},
        Rejection{"StepDownToAHigherEnd", "1:2:-0.5", "the step of range '1:2:-0.5' leads away from its end"},
        Rejection{"StepUpToALowerEnd", "2:1:0.5", "the step of range '2:1:0.5' leads away from its end"},
        Rejection{"StepUpToAFinerLowerEnd", "-5:-5.1:1", "the step of range '-5:-5.1:1' leads away from its end"},
        Rejection{"TwoParts", "1:2", "range '1:2' is not FROM:TO:STEP"},
        Rejection{"FourParts", "1:2:3:4", "range '1:2:3:4' is not FROM:TO:STEP"},
        Rejection{"EndThatIsNotANumber", "1:x:1", "'x' is not a valid floating point value."},
        Rejection{"EndBeyondTheFieldsRange", "1:1E4999:1", "'1E4999' is not a valid floating point value."},
        Rejection{"TooManyValues", "0:1000000:1", "range '0:1000000:1' has more than 1000000 values"},
        Rejection{"EmptyListItem", "1;;2", "list '1;;2' has an empty item"},
        Rejection{"EmptyLastListItem", "1;", "list '1;' has an empty item"},
        Rejection{"TooManyDigitsInOneNumber", "0:1:0.1234567890123456789012345678901234567",
                  "'0.1234567890123456789012345678901234567' has too many digits for a range"},
        // Beyond 2^127 - 1 units of the last decimal place of FROM and STEP.
        Rejection{"StepFarAboveTheLastPlaceOfFrom", "1E-300:1:1",
                  "the numbers of range '1E-300:1:1' are too far apart in scale: in units of the last decimal "
                  "place of FROM and STEP they take 301 digits, and a range counts at most "
                  "170141183460469231731687303715884105727 units"},
        Rejection{"EndBeyondTheUnitsARangeCounts", "1E-38:2:1",
                  "the numbers of range '1E-38:2:1' are too far apart in scale: in units of the last decimal "
                  "place of FROM and STEP they take 39 digits, and a range counts at most "
                  "170141183460469231731687303715884105727 units"},
        Rejection{"EndFarAboveTheLastPlaceOfTheStep", "0:1E40:0.5",
                  "the numbers of range '0:1E40:0.5' are too far apart in scale: in units of the last decimal "
                  "place of FROM and STEP they take 42 digits, and a range counts at most "
                  "170141183460469231731687303715884105727 units"},
        // From -(2^127 - 1) to 2^127 - 1 units the count is still exact.
        Rejection{"WidestRange", "-1.7E38:1.7E38:1", "range '-1.7E38:1.7E38:1' has more than 1000000 values"}),
    rowName<Rejection>);

} // namespace
} // namespace kaskad::study
