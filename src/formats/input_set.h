// Input sets: the eight field texts of a model window as they stand, kept as
// a small JSON file that fills the fields again.
#pragma once

#include "model/run_record.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace kaskad::formats {

inline constexpr int kInputSetVersion = 1;
inline constexpr std::string_view kInputSetSuffix = ".kaskad.json";
// An input set is a few hundred bytes: a larger file is not one.
inline constexpr std::size_t kInputSetSizeLimit = std::size_t(64) * 1024;

// {"kaskad-input-set": 1, "model": "bubble", "decimal-separator": ",",
// "fields": {"N": "24", …}}: the separator the texts were typed with, the
// fields under the model's names ("d" or "db" for the seventh), indented,
// with a final line end. The texts are kept whole, blanks included.
std::string inputSetJson(ModelKind model, const FieldTexts& fields, DecimalSeparator separator);

// The field texts of an input set written for `model`, for a window whose
// separator is `separator`: a text that is a number under the set's own
// separator takes the window's; any other text, and every text of a set
// that names no separator, is given as written. Raises FileProblem saying
// what is wrong, and nothing else: not JSON, a number beyond double, nesting
// deeper than a set could need, not an input set, an unknown version, the
// other model's set, a separator that cannot be one, a field missing or not
// a string.
FieldTexts readInputSet(std::string_view json, ModelKind model, DecimalSeparator separator);

// The same from the file at `path`. Raises FileProblem naming the file and
// saying why it cannot be read or is not such a set.
FieldTexts readInputSetFile(const std::string& path, ModelKind model, DecimalSeparator separator);

} // namespace kaskad::formats
