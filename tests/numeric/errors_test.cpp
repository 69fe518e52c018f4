// Error kinds, the report text and the application title.
#include "numeric/errors.h"

#include <gtest/gtest.h>

namespace kaskad {
namespace {

TEST(Errors, KindsFormOneHierarchyWithTheirMessages)
{
    const EInvalidOp invalid;
    const EZeroDivide zero;
    const EOverflow overflow;
    const EConvertError convert("abc");
    const ENoConvergence noConvergence(1000);
    EXPECT_EQ(invalid.message(), "Invalid floating point operation");
    EXPECT_EQ(zero.message(), "Floating point division by zero");
    EXPECT_EQ(overflow.message(), "Floating point overflow");
    EXPECT_EQ(convert.message(), "'abc' is not a valid floating point value");
    EXPECT_EQ(noConvergence.message(), "The y3 balance did not converge in 1000 iterations");
    for (const Exception* e : {static_cast<const Exception*>(&invalid), static_cast<const Exception*>(&zero),
                               static_cast<const Exception*>(&overflow)}) {
        EXPECT_NE(dynamic_cast<const EMathError*>(e), nullptr) << e->kindName();
        EXPECT_NE(dynamic_cast<const EExternal*>(e), nullptr) << e->kindName();
    }
    EXPECT_EQ(dynamic_cast<const EExternal*>(static_cast<const Exception*>(&convert)), nullptr);
    EXPECT_STREQ(zero.kindName(), "EZeroDivide");
    EXPECT_STREQ(noConvergence.kindName(), "ENoConvergence");
}

TEST(Errors, ReportAppendsAPointAfterCharactersThatSortAfterIt)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Floating point overflow", "Floating point overflow."},
        {"'' is not a valid floating point value", "'' is not a valid floating point value."},
        {"ends in point.", "ends in point."},
        {"ends in quote'", "ends in quote'"},
        {"ends in bracket)", "ends in bracket)"},
        {"ends in bang!", "ends in bang!"},
        {"ends in blank ", "ends in blank "},
        {"ends in slash/", "ends in slash/."},
        {"ends in digit 7", "ends in digit 7."},
        {"Ошибка", "Ошибка."},
        {"", ""},
    };
    for (const auto& [message, report] : cases)
        EXPECT_EQ(reportText(message), report);
}

TEST(Errors, ApplicationTitleComesFromTheProgramFileName)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/usr/bin/kaskad", "kaskad"},
        {"build/bin/kaskad-cli", "kaskad-cli"},
        {"C:/Programs/KASKAD.EXE", "Kaskad"},
        {"Project1.exe", "Project1"},
        {"./my.prog.bin", "my"},
        {"/opt/ПРОГРАММА", "Программа"},
        {"kaskad", "kaskad"},
        {"/dir/.hidden", ""},
    };
    for (const auto& [path, title] : cases)
        EXPECT_EQ(applicationTitle(path), title) << path;
}

} // namespace
} // namespace kaskad
