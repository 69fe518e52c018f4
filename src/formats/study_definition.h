// Study definitions: the model and, per field, the values a parameter study
// gives it (a text, a range FROM:TO:STEP or a list A;B;C), kept as a small
// JSON file that the desktop program's study window and kaskad-cli's sweep
// both read.
#pragma once

#include "model/run_record.h"

#include <string>
#include <string_view>

namespace kaskad::formats {

inline constexpr int kStudyVersion = 1;
inline constexpr std::string_view kStudySuffix = ".kaskad-study.json";

struct StudyDefinition {
    ModelKind model = ModelKind::bubble;
    FieldTexts values; // per field, its values text
};

// {"kaskad-study": 1, "model": "bubble", "decimal-separator": ",",
// "fields": {"N": "24", "wg": "0,03:0,07:0,01", …}}: the fields under the
// model's names, indented, with a final line end.
std::string studyJson(const StudyDefinition& study, DecimalSeparator separator);

// A study of either model, its numbers turned to `separator` from the one the
// file records: each number of a range or a list takes it; any other text,
// and every text of a study that names no separator, is given as written.
// Raises FileProblem saying what is wrong: not JSON, not a study, an unknown
// version or model, a separator that cannot be one, a field missing or not a
// string.
StudyDefinition readStudy(std::string_view json, DecimalSeparator separator);

// The values text with its numbers' separator `saved` replaced by `window`.
std::string valuesWithSeparator(const std::string& values, DecimalSeparator saved, DecimalSeparator window);

} // namespace kaskad::formats
