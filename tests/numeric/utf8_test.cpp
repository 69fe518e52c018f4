// The one UTF-8 rule: which texts are well-formed, and what replaces the rest.
#include "numeric/utf8.h"

#include <gtest/gtest.h>

namespace kaskad {
namespace {

struct Utf8Case {
    const char* name;
    std::string text;
    bool valid;
    std::string repaired; // "?" stands for U+FFFD
};

class Utf8Rule : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Rule, ChecksAndRepairsAlike)
{
    const Utf8Case& c = GetParam();
    std::string expected;
    for (char ch : c.repaired)
        expected += ch == '?' ? std::string("\xEF\xBF\xBD") : std::string(1, ch);
    EXPECT_EQ(isValidUtf8(c.text), c.valid);
    EXPECT_EQ(withValidUtf8(c.text), expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, Utf8Rule,
                         ::testing::Values(Utf8Case{"Ascii", "wg=0.05", true, "wg=0.05"},
                                           Utf8Case{"Cyrillic", "Расчёт", true, "Расчёт"},
                                           Utf8Case{"LargestCodePoint", "\xF4\x8F\xBF\xBF", true, "\xF4\x8F\xBF\xBF"},
                                           Utf8Case{"StrayContinuation", "a\x80z", false, "a?z"},
                                           Utf8Case{"OverlongSlash", "\xC0\xAF", false, "??"},
                                           Utf8Case{"OverlongThreeBytes", "\xE0\x80\xAF", false, "???"},
                                           Utf8Case{"Surrogate", "\xED\xA0\x80", false, "???"},
                                           Utf8Case{"BeyondLargestCodePoint", "\xF4\x90\x80\x80", false, "????"},
                                           Utf8Case{"TruncatedAtTheEnd", "t\xE2\x82", false, "t?"},
                                           Utf8Case{"TruncatedBeforeAscii", "\xF0\x9F\x98x", false, "?x"},
                                           Utf8Case{"LeadByteF5", "\xF5\x80", false, "??"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kaskad
