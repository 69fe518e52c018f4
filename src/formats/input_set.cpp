// Writing and reading input sets with nlohmann::json.
#include "formats/input_set.h"

#include "formats/file_problem.h"
#include "formats/json_document.h"
#include "formats/named_file.h"
#include "numeric/errors.h"
#include "numeric/number_text.h"
#include "numeric/utf8.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <optional>

namespace kaskad::formats {

namespace {

const std::string kVersionKey = "kaskad-input-set";

void checkModel(const Json& set, ModelKind model)
{
    const auto version = set.find(kVersionKey);
    if (!version->is_number_integer() || version->get<std::int64_t>() != kInputSetVersion)
        throw FileProblem("неизвестная версия исходных данных: " + version->dump());
    const auto name = set.find("model");
    if (name == set.end() || !name->is_string())
        throw FileProblem("не указана модель (\"model\")");
    const std::optional<ModelKind> named = modelNamed(name->get<std::string>());
    if (!named)
        throw FileProblem("неизвестная модель: " + name->dump());
    if (*named != model)
        throw FileProblem("это исходные данные окна «" + std::string(modelCaption(*named)) + "»");
}

} // namespace

std::string inputSetJson(ModelKind model, const FieldTexts& fields, DecimalSeparator separator)
{
    Json set;
    set[kVersionKey] = kInputSetVersion;
    set["model"] = std::string(modelName(model));
    set[std::string(kSeparatorKey)] = std::string(separator.text());
    Json& named = set["fields"] = Json::object();
    for (const FieldDescription& field : modelFields(model))
        named[std::string(field.name)] = withValidUtf8(fields[field.field]);
    return set.dump(2) + "\n";
}

FieldTexts readInputSet(std::string_view json, ModelKind model, DecimalSeparator separator)
{
    const Json set = parsedDocument(json);
    if (!set.is_object() || !set.contains(kVersionKey))
        throw FileProblem("это не файл исходных данных Kaskad");
    checkModel(set, model);
    const std::optional<DecimalSeparator> saved = savedSeparator(set);
    FieldTexts texts = fieldTextsOf(set, model);
    if (saved && !(*saved == separator))
        for (std::string& text : texts)
            text = numberWithSeparator(text, *saved, separator);
    return texts;
}

FieldTexts readInputSetFile(const std::string& path, ModelKind model, DecimalSeparator separator)
{
    return readNamedFile(path, kInputSetSizeLimit, {"input set", "an input set"},
                         [&](const std::string& json) { return readInputSet(json, model, separator); });
}

} // namespace kaskad::formats
