// Study definitions: the values texts written whole and read back, turned to
// the reader's separator, and the ways a file fails to be a study.
#include "formats/study_definition.h"

#include "formats/file_problem.h"

#include <gtest/gtest.h>

#include <string>

namespace kaskad::formats {
namespace {

TEST(StudyDefinition, RoundTripsEveryModelsTextsAsTyped)
{
    const StudyDefinition studies[] = {
        {ModelKind::bubble, {"20:24:2", "3", "2,5", "0,03:0,07:0,01", "430;433;436", "2", "3", "3600"}},
        {ModelKind::gaslift, {"12", "abc", "", "0.05", "450", "2", "любой текст", " 1800 "}},
    };
    for (const StudyDefinition& study : studies) {
        const StudyDefinition read = readStudy(studyJson(study, ','), ',');
        EXPECT_EQ(read.model, study.model);
        EXPECT_EQ(read.values, study.values);
    }
    const std::string head = "{\n"
                             "  \"kaskad-study\": 1,\n"
                             "  \"model\": \"bubble\",\n"
                             "  \"decimal-separator\": \",\",\n"
                             "  \"fields\": {\n"
                             "    \"N\": \"20:24:2\",\n";
    EXPECT_EQ(studyJson(studies[0], ',').substr(0, head.size()), head);
}

// The numbers of ranges and lists take the reader's separator; a text that
// is not a number stays as typed.
TEST(StudyDefinition, NumbersTakeTheReadersSeparator)
{
    const struct {
        const char* saved;
        const char* read;
    } cases[] = {
        {"0,03:0,07:0,01", "0.03:0.07:0.01"},
        {"2,5;2,75;abc,d", "2.5;2.75;abc,d"},
        {"1,5", "1.5"},
        {"1,2,3", "1,2,3"},
        {"433", "433"},
    };
    for (const auto& c : cases) {
        const StudyDefinition study{ModelKind::bubble, {c.saved, "3", "2,5", "0,05", "433", "2", "3", "3600"}};
        EXPECT_EQ(readStudy(studyJson(study, ','), '.').values[fieldN], c.read) << c.saved;
    }
}

TEST(StudyDefinition, AFileThatIsNoStudySaysWhatIsWrong)
{
    const std::string fields =
        R"("fields": {"N": "24", "y10": "3", "y50": "2.5", "wg": "0.05", "t": "433", "dtr": "2", "d": "3"})";
    const struct {
        std::string json;
        const char* problem;
    } cases[] = {
        {"{\"kaskad-study\": 1,", "это не JSON (строка 1, позиция 20)"},
        {R"({"kaskad-input-set": 1})", "это не файл исследования Kaskad"},
        {R"({"kaskad-study": 2})", "неизвестная версия исследования: 2"},
        {R"({"kaskad-study": 1, "model": "tower"})", "неизвестная модель: \"tower\""},
        {R"({"kaskad-study": 1, "model": "bubble", "decimal-separator": "55"})",
         "неверный десятичный разделитель: \"55\""},
        {R"({"kaskad-study": 1, "model": "bubble", "decimal-separator": ":"})",
         "неверный десятичный разделитель: \":\" пишет диапазоны и списки"},
        {R"({"kaskad-study": 1, "model": "bubble", )" + fields + "}", "нет поля «ts»"},
        {R"({"kaskad-study": 1, "model": "bubble", "fields": {"N": 24}})", "поле «N» не строка: 24"},
    };
    for (const auto& c : cases) {
        try {
            static_cast<void>(readStudy(c.json, '.'));
            ADD_FAILURE() << c.json;
        } catch (const FileProblem& problem) {
            EXPECT_EQ(problem.message(), c.problem) << c.json;
        }
    }
}

} // namespace
} // namespace kaskad::formats
