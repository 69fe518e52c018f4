// The inputs of a run as values: each field's value as the run stores it, at
// the width of its field, and the texts they may have been read from.
#pragma once

#include "model/model_window.h"
#include "numeric/extended.h"

#include <cstdint>
#include <string>

namespace kaskad {

// The field texts of a run, LabeledEdit1..LabeledEdit8.
using FieldTexts = FieldArray<std::string>;

// How a run stores a field's value: N as a count (the nearest whole number,
// ties to even), the others as a single or a double; a field the run never
// reads is not stored at all.
enum class FieldStorage { count, single, wide, unread };

// x stored as a field of that storage stores it, widened exactly again;
// raises the store's error (an overflow) as the run would. An unread field
// stores nothing: 0.
double storedFieldValue(FieldStorage storage, long double x);

// The value a field's text gives as the field stores it; raises
// EConvertError for a text that is no number and the store's error.
double storedFieldValue(FieldStorage storage, std::string_view text, DecimalSeparator separator);

// The values a run reads from its fields, each stored at its field's width
// and widened exactly; N as its count.
struct ModelInputs {
    FieldArray<double> values{};

    std::int32_t count() const { return static_cast<std::int32_t>(values[fieldN]); }
    Single single(Field field) const { return Single(static_cast<float>(values[field])); }
    Double wide(Field field) const { return Double(values[field]); }
};

} // namespace kaskad
