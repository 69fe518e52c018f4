// What the readers of the program's own JSON documents share: the document
// read with clear messages, and the decimal separator a document records.
#pragma once

#include "model/design.h"
#include "model/run_record.h"
#include "numeric/number_text.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace kaskad::formats {

using Json = nlohmann::ordered_json;

inline constexpr std::string_view kSeparatorKey = "decimal-separator";

// The document, or FileProblem saying where it stops being JSON, a number
// beyond double, or nesting deeper than a document of ours could need.
Json parsedDocument(std::string_view json);

// The separator a document's texts were typed with; none in a document from
// before documents named it. Raises FileProblem for one that cannot be one.
std::optional<DecimalSeparator> savedSeparator(const Json& document);

// A number's text with the window's separator in place of the saved one;
// any other text as it stands.
std::string numberWithSeparator(const std::string& text, DecimalSeparator saved, DecimalSeparator window);

// The texts of the model's fields under the document's "fields", each a
// string; raises FileProblem for a field missing or not a string.
FieldTexts fieldTextsOf(const Json& document, ModelKind model);

} // namespace kaskad::formats
