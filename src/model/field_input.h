// Reading the model's inputs from the field texts.
#pragma once

#include "model/model_window.h"
#include "numeric/extended.h"

namespace kaskad {

// The inputs both designs read from LabeledEdit1..6: the number of
// reactors, the entering y1 and y5, the air velocity, the first reactor's
// temperature and the temperature step.
struct SeriesInputs {
    std::int32_t N;
    Single y10, y50, wg, t, dtr;
};
SeriesInputs readSeriesInputs(const ModelWindow& window, DecimalSeparator separator);

// N: the field's number rounded to the nearest integer, ties to even.
std::int32_t readCount(const ModelWindow& window, Field field, DecimalSeparator separator);
Single readSingle(const ModelWindow& window, Field field, DecimalSeparator separator);
Double readDouble(const ModelWindow& window, Field field, DecimalSeparator separator);

} // namespace kaskad
