// The field texts of a swept field: a range FROM:TO:STEP, a list A;B;C or a
// single text.
#pragma once

#include "numeric/number_text.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kaskad::study {

// The most values one field may take.
inline constexpr std::size_t kMaxFieldValues = 1'000'000;

// A text as a message quotes it: whole up to 80 bytes, else its first 60
// (cut before a UTF-8 character's continuation), "…" and its length.
std::string shortQuote(std::string_view text);

// True when the text names several values (it holds ":" or ";").
bool isSweepText(std::string_view text);

// The field texts a optionText stands for, in order.
//  - "A;B;C": the items, each a field text exactly as written (an item that
//    is not a number is a run that fails, like the same text in one run).
//  - "FROM:TO:STEP": FROM, FROM + STEP, ... up to TO, computed exactly in
//    decimal and written as decimal texts ("0.1", "0.2", "0.3"), so each
//    value is the text a user would type for it. FROM, TO and STEP must be
//    numbers in the field's syntax; a zero step, a step leading away from TO,
//    too many values, a number of more than 36 digits from its first to its
//    last non-zero digit and numbers that count more than 2^127 - 1 units of
//    the last decimal place of FROM and STEP are study errors.
//  - anything else: that one text.
// Raises StudyError.
std::vector<std::string> fieldValueTexts(std::string_view text, DecimalSeparator separator);

} // namespace kaskad::study
