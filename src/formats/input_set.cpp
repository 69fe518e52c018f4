// Writing and reading input sets with nlohmann::json.
#include "formats/input_set.h"

#include "formats/file_problem.h"
#include "numeric/errors.h"
#include "numeric/number_text.h"
#include "numeric/utf8.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <optional>

namespace kaskad::formats {

namespace {

using Json = nlohmann::ordered_json;

const std::string kVersionKey = "kaskad-input-set";
const std::string kSeparatorKey = "decimal-separator";

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

Json parsed(std::string_view json)
{
    DocumentCheck check(json);
    Json::sax_parse(json.begin(), json.end(), &check);
    return Json::parse(json.begin(), json.end());
}

void checkModel(const Json& set, ModelKind model)
{
    const auto version = set.find(kVersionKey);
    if (!version->is_number_integer() || version->get<std::int64_t>() != kInputSetVersion)
        throw FileProblem("неизвестная версия исходных данных: " + version->dump());
    const auto name = set.find("model");
    if (name == set.end() || !name->is_string())
        throw FileProblem("не указана модель (\"model\")");
    for (ModelKind kind : {ModelKind::bubble, ModelKind::gaslift})
        if (name->get<std::string>() == modelName(kind) && kind != model)
            throw FileProblem("это исходные данные окна «" + std::string(modelCaption(kind)) + "»");
    if (name->get<std::string>() != modelName(model))
        throw FileProblem("неизвестная модель: " + name->dump());
}

FieldTexts fieldsOf(const Json& set, ModelKind model)
{
    const auto fields = set.find("fields");
    if (fields == set.end() || !fields->is_object())
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

// The separator a set's texts were typed with; none in a set from before
// sets named it.
std::optional<DecimalSeparator> savedSeparator(const Json& set)
{
    const auto saved = set.find(kSeparatorKey);
    if (saved == set.end())
        return std::nullopt;
    if (saved->is_string())
        if (const std::optional<DecimalSeparator> separator = DecimalSeparator::fromText(saved->get<std::string>()))
            return separator;
    throw FileProblem("неверный десятичный разделитель: " + saved->dump());
}

} // namespace

std::string withSeparator(const std::string& text, DecimalSeparator from, DecimalSeparator to)
{
    try {
        static_cast<void>(TextToNumber(text, from));
    } catch (const Exception&) {
        return text;
    }
    std::string converted = text;
    if (const std::size_t at = converted.find(from.text()); at != std::string::npos)
        converted.replace(at, from.text().size(), to.text());
    return converted;
}

std::string inputSetJson(ModelKind model, const FieldTexts& fields, DecimalSeparator separator)
{
    Json set;
    set[kVersionKey] = kInputSetVersion;
    set["model"] = std::string(modelName(model));
    set[kSeparatorKey] = std::string(separator.text());
    Json& named = set["fields"] = Json::object();
    for (const FieldDescription& field : modelFields(model))
        named[std::string(field.name)] = withValidUtf8(fields[field.field]);
    return set.dump(2) + "\n";
}

FieldTexts readInputSet(std::string_view json, ModelKind model, DecimalSeparator separator)
{
    const Json set = parsed(json);
    if (!set.is_object() || !set.contains(kVersionKey))
        throw FileProblem("это не файл исходных данных Kaskad");
    checkModel(set, model);
    const std::optional<DecimalSeparator> saved = savedSeparator(set);
    FieldTexts texts = fieldsOf(set, model);
    if (saved && !(*saved == separator))
        for (std::string& text : texts)
            text = withSeparator(text, *saved, separator);
    return texts;
}

} // namespace kaskad::formats
