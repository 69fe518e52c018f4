// A command's field options, and --input-set FILE, which gives the fields
// not given as options: a set saved by the desktop program runs as it is, or
// with some of its fields changed.
#pragma once

#include "model/design.h"

#include "cli/cli_errors.h"
#include "formats/file_problem.h"
#include "formats/whole_file.h"

#include <CLI/CLI.hpp>

#include <string>

namespace kaskad::cli {

// What a file named by an option holds, for messages: "study", "a study".
struct FileKind {
    const char* name;
    const char* withArticle;
};

// The file at `path`, of at most `limit` bytes, read by `read` from its
// text. Raises UsageError saying why it cannot be read or is not of its kind.
template <class Read>
auto readOptionFile(const std::string& path, std::size_t limit, const FileKind& kind, const Read& read)
{
    std::string text;
    try {
        text = formats::readWholeFile(path, limit, formats::OtherFiles::read);
    } catch (const formats::FileTooLarge&) {
        throw UsageError(std::string("the ") + kind.name + " " + path + " is larger than " + kind.withArticle +
                         " can be");
    } catch (const formats::FileProblem& problem) {
        throw UsageError(std::string("cannot read the ") + kind.name + " " + path + ": " + problem.message());
    }
    try {
        return read(text);
    } catch (const formats::FileProblem& problem) {
        throw UsageError(std::string("the ") + kind.name + " " + path + " cannot be read: " + problem.message());
    }
}

struct FieldOptions {
    FieldTexts texts;
    FieldArray<CLI::Option*> options{};
    std::string inputSetPath; // empty: no input set
};

// Adds an option per field of `model`, named as kaskad-cli names them, whose
// type is `typeName` for the fields that take a number, and --input-set.
void addFieldOptions(CLI::App& command, ModelKind model, FieldOptions& fields, const char* typeName);

// The field texts: those given as options, the others from the input set,
// whose numbers are given with `separator`. Raises UsageError for a field
// that takes a number and is given neither way, and for an input set that
// cannot be read or is of the other model.
FieldTexts chosenFields(const FieldOptions& fields, ModelKind model, DecimalSeparator separator);

} // namespace kaskad::cli
