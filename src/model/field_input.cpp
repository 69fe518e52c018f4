// Field texts converted and stored at the width of their quantity.
#include "model/field_input.h"

namespace kaskad {

std::int32_t readCount(const ModelWindow& window, Field field, DecimalSeparator separator)
{
    return roundCount(TextToNumber(window.fieldText(field), separator));
}

Single readSingle(const ModelWindow& window, Field field, DecimalSeparator separator)
{
    return storeSingle(TextToNumber(window.fieldText(field), separator));
}

Double readDouble(const ModelWindow& window, Field field, DecimalSeparator separator)
{
    return storeDouble(TextToNumber(window.fieldText(field), separator));
}

SeriesInputs readSeriesInputs(const ModelWindow& window, DecimalSeparator separator)
{
    SeriesInputs in;
    in.N = readCount(window, fieldN, separator);
    in.y10 = readSingle(window, fieldY10, separator);
    in.y50 = readSingle(window, fieldY50, separator);
    in.wg = readSingle(window, fieldWg, separator);
    in.t = readSingle(window, fieldT, separator);
    in.dtr = readSingle(window, fieldDtr, separator);
    return in;
}

} // namespace kaskad
