// A command's field options, and --input-set FILE, which gives the fields
// not given as options: a set saved by the desktop program runs as it is, or
// with some of its fields changed.
#pragma once

#include "model/design.h"

#include <CLI/CLI.hpp>

#include <string>

namespace kaskad::cli {

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
