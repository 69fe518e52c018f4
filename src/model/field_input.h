// Reading the model's inputs from the field texts.
#pragma once

#include "model/model_window.h"
#include "numeric/extended.h"

namespace kaskad {

// N: the field's number rounded to the nearest integer, ties to even.
std::int32_t readCount(const ModelWindow& window, int field, DecimalSeparator separator);
Single readSingle(const ModelWindow& window, int field, DecimalSeparator separator);
Double readDouble(const ModelWindow& window, int field, DecimalSeparator separator);

} // namespace kaskad
