// Writing and reading study definitions with nlohmann::json.
#include "formats/study_definition.h"

#include "formats/file_problem.h"
#include "formats/json_document.h"
#include "formats/named_file.h"
#include "formats/whole_file.h"
#include "numeric/utf8.h"

namespace kaskad::formats {

namespace {

const std::string kVersionKey = "kaskad-study";

ModelKind studyModel(const Json& study)
{
    const auto version = study.find(kVersionKey);
    if (!version->is_number_integer() || version->get<std::int64_t>() != kStudyVersion)
        throw FileProblem("неизвестная версия исследования: " + version->dump());
    const auto name = study.find("model");
    if (name == study.end() || !name->is_string())
        throw FileProblem("не указана модель (\"model\")");
    if (const std::optional<ModelKind> model = modelNamed(name->get<std::string>()))
        return *model;
    throw FileProblem("неизвестная модель: " + name->dump());
}

// The pieces of a values text between its `delimiter`s, each converted.
std::string piecesWithSeparator(const std::string& values, char delimiter, DecimalSeparator saved,
                                DecimalSeparator window)
{
    std::string converted;
    std::size_t from = 0;
    for (;;) {
        const std::size_t to = values.find(delimiter, from);
        converted += numberWithSeparator(values.substr(from, to - from), saved, window);
        if (to == std::string::npos)
            return converted;
        converted += delimiter;
        from = to + 1;
    }
}

} // namespace

std::string studyJson(const StudyDefinition& study, DecimalSeparator separator)
{
    Json document;
    document[kVersionKey] = kStudyVersion;
    document["model"] = std::string(modelName(study.model));
    document[std::string(kSeparatorKey)] = std::string(separator.text());
    Json& named = document["fields"] = Json::object();
    for (const FieldDescription& field : modelFields(study.model))
        named[std::string(field.name)] = withValidUtf8(study.values[field.field]);
    return document.dump(2) + "\n";
}

SavedStudy readSavedStudy(std::string_view json)
{
    const Json document = parsedDocument(json);
    if (!document.is_object() || !document.contains(kVersionKey))
        throw FileProblem("это не файл исследования Kaskad");
    SavedStudy saved;
    saved.study.model = studyModel(document);
    saved.separator = savedSeparator(document);
    // ":" and ";" write a study's ranges and lists: a separator of either
    // would read "0:1" as a number.
    if (saved.separator && (*saved.separator == ':' || *saved.separator == ';'))
        throw FileProblem("неверный десятичный разделитель: \"" + std::string(saved.separator->text()) +
                          "\" пишет диапазоны и списки");
    saved.study.values = fieldTextsOf(document, saved.study.model);
    return saved;
}

SavedStudy readSavedStudyFile(const std::string& path)
{
    return readNamedFile(path, kStudySizeLimit, {"study", "a study"},
                         [](const std::string& json) { return readSavedStudy(json); });
}

StudyDefinition studyWithSeparator(const SavedStudy& saved, DecimalSeparator separator)
{
    StudyDefinition study = saved.study;
    if (saved.separator && !(*saved.separator == separator))
        for (std::string& values : study.values)
            values = valuesWithSeparator(values, *saved.separator, separator);
    return study;
}

StudyDefinition readStudy(std::string_view json, DecimalSeparator separator)
{
    return studyWithSeparator(readSavedStudy(json), separator);
}

// A list's items are field texts; a range's three parts are numbers.
std::string valuesWithSeparator(const std::string& values, DecimalSeparator saved, DecimalSeparator window)
{
    if (values.find(';') != std::string::npos)
        return piecesWithSeparator(values, ';', saved, window);
    return piecesWithSeparator(values, ':', saved, window);
}

} // namespace kaskad::formats
