// Input sets: the field texts written whole and read back, and every way a
// file can fail to be one, each with the problem it reports.
#include "formats/input_set.h"

#include "formats/file_problem.h"

#include <gtest/gtest.h>

#include <string>

namespace kaskad::formats {
namespace {

TEST(InputSet, WrittenWithTheModelsFieldNames)
{
    const FieldTexts fields = {"24", " 3", "2,5", "", "433", "2", "0.5", "3600 "};
    EXPECT_EQ(inputSetJson(ModelKind::gaslift, fields, ','), "{\n"
                                                             "  \"kaskad-input-set\": 1,\n"
                                                             "  \"model\": \"gaslift\",\n"
                                                             "  \"decimal-separator\": \",\",\n"
                                                             "  \"fields\": {\n"
                                                             "    \"N\": \"24\",\n"
                                                             "    \"y10\": \" 3\",\n"
                                                             "    \"y50\": \"2,5\",\n"
                                                             "    \"wg\": \"\",\n"
                                                             "    \"t\": \"433\",\n"
                                                             "    \"dtr\": \"2\",\n"
                                                             "    \"db\": \"0.5\",\n"
                                                             "    \"ts\": \"3600 \"\n"
                                                             "  }\n"
                                                             "}\n");
}

struct RoundTripCase {
    const char* name;
    ModelKind model;
    FieldTexts fields;
};

class InputSetRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

// Whatever the texts hold, they come back as they were typed.
TEST_P(InputSetRoundTrip, GivesTheTextsBack)
{
    const RoundTripCase& c = GetParam();
    EXPECT_EQ(readInputSet(inputSetJson(c.model, c.fields, ','), c.model, ','), c.fields);
}

const RoundTripCase kRoundTrips[] = {
    {"BubbleWorkedExample", ModelKind::bubble, {"3", "3", "2.5", "0.05", "433", "2", "3", "3600"}},
    {"CommaSeparatorAndBlanks", ModelKind::bubble, {" 24 ", "3", "2,5", "0,05", "433", "2", "3", "3600"}},
    {"EmptyAndNotNumbers", ModelKind::gaslift, {"", "abc", "\"quoted\"", "back\\slash", "таб\tи\nстрока", "2", "", ""}},
    {"GasLiftDrawTube", ModelKind::gaslift, {"24", "3", "2", "0.05", "450", "2", "любой текст", "3600"}},
};

INSTANTIATE_TEST_SUITE_P(InputSet, InputSetRoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& info) { return std::string(info.param.name); });

struct BadSetCase {
    const char* name;
    std::string json;
    const char* problem;
};

// An array nested `levels` deep, with "1" at its bottom: deep enough at
// 100,000 to overflow the stack of anything that recurses per level.
std::string nestedArray(std::size_t levels) { return std::string(levels, '[') + "1" + std::string(levels, ']'); }

// A set saved under one locale opens under another: its numbers take the
// window's separator, other texts stay as typed; an older set without a
// separator gives its texts as they are.
TEST(InputSet, NumbersTakeTheOpeningWindowsSeparator)
{
    const FieldTexts typed = {"24", "3", "2,5", "0,05", "abc,d", "2", "1,2,3", "3600"};
    const FieldTexts converted = {"24", "3", "2.5", "0.05", "abc,d", "2", "1,2,3", "3600"};
    std::string json = inputSetJson(ModelKind::bubble, typed, ',');
    EXPECT_EQ(readInputSet(json, ModelKind::bubble, '.'), converted);
    EXPECT_EQ(readInputSet(inputSetJson(ModelKind::bubble, converted, '.'), ModelKind::bubble, ','), typed);
    json.erase(json.find("  \"decimal-separator\""), std::string("  \"decimal-separator\": \",\",\n").size());
    EXPECT_EQ(readInputSet(json, ModelKind::bubble, '.'), typed);
}

class BadInputSet : public ::testing::TestWithParam<BadSetCase> {};

// The sets are read by the bubble-column window.
TEST_P(BadInputSet, SaysWhatIsWrong)
{
    const BadSetCase& c = GetParam();
    try {
        readInputSet(c.json, ModelKind::bubble, '.');
        FAIL() << "read as an input set";
    } catch (const FileProblem& problem) {
        EXPECT_EQ(problem.message(), c.problem);
    }
}

#define FIELDS_WITHOUT(last)                                                                                           \
    "\"N\": \"3\", \"y10\": \"3\", \"y50\": \"2.5\", \"wg\": \"0.05\", \"t\": \"433\", \"dtr\": \"2\", " last

const BadSetCase kBadSets[] = {
    {"Empty", "", "это не JSON (строка 1, позиция 1)"},
    // The parser stops at the end of the token it did not expect.
    {"MalformedOnLineThree", "{\n  \"kaskad-input-set\": 1,\n  \"model\" \"bubble\"\n}",
     "это не JSON (строка 3, позиция 18)"},
    {"NotAnObject", "[1, 2]", "это не файл исходных данных Kaskad"},
    {"NoVersion", "{\"model\": \"bubble\", \"fields\": {}}", "это не файл исходных данных Kaskad"},
    {"UnknownVersion", "{\"kaskad-input-set\": 2, \"model\": \"bubble\", \"fields\": {}}",
     "неизвестная версия исходных данных: 2"},
    {"VersionAsText", "{\"kaskad-input-set\": \"1\", \"model\": \"bubble\", \"fields\": {}}",
     "неизвестная версия исходных данных: \"1\""},
    {"OtherModel", "{\"kaskad-input-set\": 1, \"model\": \"gaslift\", \"fields\": {}}",
     "это исходные данные окна «Тевир Газлифтовый»"},
    {"UnknownModel", "{\"kaskad-input-set\": 1, \"model\": \"airlift\", \"fields\": {}}",
     "неизвестная модель: \"airlift\""},
    {"NoModel", "{\"kaskad-input-set\": 1, \"fields\": {}}", "не указана модель (\"model\")"},
    {"NoFields", "{\"kaskad-input-set\": 1, \"model\": \"bubble\"}", "нет полей (\"fields\")"},
    {"SeparatorADigit", "{\"kaskad-input-set\": 1, \"model\": \"bubble\", \"decimal-separator\": \"5\"}",
     "неверный десятичный разделитель: \"5\""},
    {"FieldMissing", "{\"kaskad-input-set\": 1, \"model\": \"bubble\", \"fields\": {" FIELDS_WITHOUT("\"ts\": \"1\"}}"),
     "нет поля «d»"},
    {"DrawTubeInsteadOfDiameter",
     "{\"kaskad-input-set\": 1, \"model\": \"bubble\", \"fields\": {" FIELDS_WITHOUT("\"db\": \"3\", \"ts\": \"1\"}}"),
     "нет поля «d»"},
    {"FieldANumber",
     "{\"kaskad-input-set\": 1, \"model\": \"bubble\", \"fields\": {" FIELDS_WITHOUT("\"d\": 3, \"ts\": \"1\"}}"),
     "поле «d» не строка: 3"},
    {"FieldNull",
     "{\"kaskad-input-set\": 1, \"model\": \"bubble\", \"fields\": {" FIELDS_WITHOUT("\"d\": \"3\", \"ts\": null}}"),
     "поле «ts» не строка: null"},
    {"NumberBeyondDouble", "{\"kaskad-input-set\": 1e400, \"model\": \"bubble\", \"fields\": {}}",
     "число вне допустимых пределов: 1e400 (строка 1, позиция 26)"},
    {"NegativeNumberBeyondDouble", "{\"fields\": {\"N\": -1e99999}}",
     "число вне допустимых пределов: -1e99999 (строка 1, позиция 25)"},
    // A set is two levels deep; the depth is refused before anything walks it.
    {"DeeplyNestedVersion", "{\"kaskad-input-set\": " + nestedArray(100000) + "}", "вложенность глубже 8 уровней"},
    {"DeeplyNestedField",
     "{\"kaskad-input-set\": 1, \"model\": \"bubble\", \"fields\": {\"N\": " + nestedArray(100000) + "}}",
     "вложенность глубже 8 уровней"},
    {"NestedAsDeepAsAllowed",
     "{\"kaskad-input-set\": 1, \"model\": \"bubble\", \"fields\": {\"N\": " + nestedArray(6) + "}}",
     "поле «N» не строка: [[[[[[1]]]]]]"},
};

INSTANTIATE_TEST_SUITE_P(InputSet, BadInputSet, ::testing::ValuesIn(kBadSets),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kaskad::formats
