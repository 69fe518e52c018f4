// Field options and the input set that fills the fields not given.
#include "cli/field_options.h"

#include "cli/cli_errors.h"
#include "formats/file_problem.h"
#include "formats/input_set.h"

#include <optional>

namespace kaskad::cli {
namespace {

FieldTexts readInputSetFile(const std::string& path, ModelKind model, DecimalSeparator separator)
{
    try {
        return formats::readInputSetFile(path, model, separator);
    } catch (const formats::FileProblem& problem) {
        throw UsageError(problem.message());
    }
}

} // namespace

void addFieldOptions(CLI::App& command, ModelKind model, FieldOptions& fields, const char* typeName)
{
    for (const FieldDescription& f : modelFields(model)) {
        CLI::Option* option = command.add_option(fieldOption(f.name), fields.texts[f.field], std::string(f.help));
        option->type_name(f.converted() ? typeName : "TEXT");
        // Required unless the input set gives it: checked once the options are read.
        fields.options[f.field] = option;
    }
    command
        .add_option("--input-set", fields.inputSetPath,
                    "take the fields not given here from an input set (NAME.kaskad.json) of this model")
        ->type_name("FILE");
}

FieldTexts chosenFields(const FieldOptions& fields, ModelKind model, DecimalSeparator separator)
{
    std::optional<FieldTexts> inputSet;
    if (!fields.inputSetPath.empty())
        inputSet = readInputSetFile(fields.inputSetPath, model, separator);
    FieldTexts texts = fields.texts;
    for (const FieldDescription& f : modelFields(model)) {
        if (fields.options[f.field]->count() > 0)
            continue;
        if (inputSet)
            texts[f.field] = (*inputSet)[f.field];
        else if (f.converted())
            throw UsageError(fieldOption(f.name) + " is required");
    }
    return texts;
}

} // namespace kaskad::cli
