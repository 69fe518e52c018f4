// Study definitions: the model and, per field, the values a parameter study
// gives it (a text, a range FROM:TO:STEP or a list A;B;C), kept as a small
// JSON file that the desktop program's study window and kaskad-cli's sweep
// both read.
#pragma once

#include "model/run_record.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kaskad::formats {

inline constexpr int kStudyVersion = 1;
inline constexpr std::string_view kStudySuffix = ".kaskad-study.json";
// A study file is a few hundred bytes: a larger file is not one.
inline constexpr std::size_t kStudySizeLimit = std::size_t(64) * 1024;

struct StudyDefinition {
    ModelKind model = ModelKind::bubble;
    FieldTexts values; // per field, its values text
};

// {"kaskad-study": 1, "model": "bubble", "decimal-separator": ",",
// "fields": {"N": "24", "wg": "0,03:0,07:0,01", …}}: the fields under the
// model's names, indented, with a final line end.
std::string studyJson(const StudyDefinition& study, DecimalSeparator separator);

// A study as its file records it: the values as written, and the separator
// they were typed with (none in a file from before files named it).
struct SavedStudy {
    StudyDefinition study;
    std::optional<DecimalSeparator> separator;
};

// The study of either model that the file holds. Raises FileProblem saying
// what is wrong: not JSON, not a study, an unknown version or model, a
// separator that cannot be one, a field missing or not a string.
SavedStudy readSavedStudy(std::string_view json);

// The study in the file at `path`, as the file records it. Raises
// FileProblem saying, with the file's name, why it cannot be read or is no
// study.
SavedStudy readSavedStudyFile(const std::string& path);

// The saved study with its numbers turned to `separator`: each number of a
// range or a list takes it; any other text, and every text of a study that
// names no separator, is given as written.
StudyDefinition studyWithSeparator(const SavedStudy& saved, DecimalSeparator separator);

// The study in the file, its numbers turned to `separator`, as the two above.
StudyDefinition readStudy(std::string_view json, DecimalSeparator separator);

// The values text with its numbers' separator `saved` replaced by `window`.
std::string valuesWithSeparator(const std::string& values, DecimalSeparator saved, DecimalSeparator window);

} // namespace kaskad::formats
