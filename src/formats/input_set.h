// Input sets: the eight field texts of a model window as they stand, kept as
// a small JSON file that fills the fields again.
#pragma once

#include "model/run_record.h"

#include <string>
#include <string_view>

namespace kaskad::formats {

inline constexpr int kInputSetVersion = 1;
inline constexpr std::string_view kInputSetSuffix = ".kaskad.json";

// {"kaskad-input-set": 1, "model": "bubble", "fields": {"N": "24", …}}, the
// fields under the model's names ("d" or "db" for the seventh), indented,
// with a final line end. The texts are kept whole, blanks included.
std::string inputSetJson(ModelKind model, const FieldTexts& fields);

// The field texts of an input set written for `model`. Raises FileProblem
// saying what is wrong, and nothing else: not JSON, a number beyond double,
// nesting deeper than a set could need, not an input set, an unknown
// version, the other model's set, a field missing or not a string.
FieldTexts readInputSet(std::string_view json, ModelKind model);

} // namespace kaskad::formats
