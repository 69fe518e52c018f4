// Reading the small JSON documents the program saves (input sets, studies),
// stopping with a clear message at what is wrong.
#include "formats/json_document.h"

#include "formats/file_problem.h"
#include "numeric/errors.h"

#include <algorithm>

namespace kaskad::formats {

namespace {

// Where the parser stopped, as a line and a column counted from 1.
std::string positionText(std::string_view json, std::size_t byte)
{
    const std::string_view before = json.substr(0, std::min(json.size(), byte > 0 ? byte - 1 : 0));
    const std::size_t line = 1 + std::size_t(std::count(before.begin(), before.end(), '\n'));
    const std::size_t lineStart = before.rfind('\n');
    const std::size_t column = before.size() - (lineStart == std::string_view::npos ? 0 : lineStart + 1) + 1;
    return "строка " + std::to_string(line) + ", позиция " + std::to_string(column);
}

// A set is two levels deep; a few more leave room to quote a wrong value
// in a message, and none of what reads the document recurses deeper.
constexpr std::size_t kDeepestNesting = 8;

// Reads the document once, keeping nothing, to stop at what the document
// parser would raise or what could not be walked: where it stops being
// JSON, a number beyond double, nesting deeper than kDeepestNesting. The
// parser itself keeps its nesting on the heap.
class DocumentCheck : public nlohmann::json_sax<Json> {
public:
    explicit DocumentCheck(std::string_view json) : json_(json) {}

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return deeper(); }
    bool key(string_t&) override { return true; }
    bool end_object() override { return shallower(); }
    bool start_array(std::size_t) override { return deeper(); }
    bool end_array() override { return shallower(); }

    bool parse_error(std::size_t position, const std::string& token, const Json::exception& error) override
    {
        // The lexer reports a number beyond double as out of range (406).
        if (dynamic_cast<const Json::out_of_range*>(&error))
            throw FileProblem("число вне допустимых пределов: " + token + " (" + positionText(json_, position) + ")");
        throw FileProblem("это не JSON (" + positionText(json_, position) + ")");
    }

private:
    bool deeper()
    {
        if (++depth_ > kDeepestNesting)
            throw FileProblem("вложенность глубже " + std::to_string(kDeepestNesting) + " уровней");
        return true;
    }
    bool shallower()
    {
        --depth_;
        return true;
    }

    std::string_view json_;
    std::size_t depth_ = 0;
};

} // namespace

Json parsedDocument(std::string_view json)
{
    DocumentCheck check(json);
    Json::sax_parse(json.begin(), json.end(), &check);
    return Json::parse(json.begin(), json.end());
}

std::optional<DecimalSeparator> savedSeparator(const Json& set)
{
    const auto saved = set.find(std::string(kSeparatorKey));
    if (saved == set.end())
        return std::nullopt;
    if (saved->is_string())
        if (const std::optional<DecimalSeparator> separator = DecimalSeparator::fromText(saved->get<std::string>()))
            return separator;
    throw FileProblem("неверный десятичный разделитель: " + saved->dump());
}

std::string numberWithSeparator(const std::string& text, DecimalSeparator saved, DecimalSeparator window)
{
    try {
        static_cast<void>(TextToNumber(text, saved));
    } catch (const Exception&) {
        return text;
    }
    std::string converted = text;
    if (const std::size_t at = converted.find(saved.text()); at != std::string::npos)
        converted.replace(at, saved.text().size(), window.text());
    return converted;
}

FieldTexts fieldTextsOf(const Json& document, ModelKind model)
{
    const auto fields = document.find("fields");
    if (fields == document.end() || !fields->is_object())
        throw FileProblem("нет полей (\"fields\")");
    FieldTexts texts;
    for (const FieldDescription& field : modelFields(model)) {
        const auto text = fields->find(std::string(field.name));
        if (text == fields->end())
            throw FileProblem("нет поля «" + std::string(field.name) + "»");
        if (!text->is_string())
            throw FileProblem("поле «" + std::string(field.name) + "» не строка: " + text->dump());
        texts[field.field] = text->get<std::string>();
    }
    return texts;
}

} // namespace kaskad::formats
