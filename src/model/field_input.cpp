// Field texts converted and stored at the width of their quantity.
#include "model/field_input.h"

namespace kaskad {

std::int32_t readCount(const ModelWindow& window, int field, DecimalSeparator separator)
{
    return RoundCount(TextToNumber(window.fieldText(field), separator));
}

Single readSingle(const ModelWindow& window, int field, DecimalSeparator separator)
{
    return storeSingle(TextToNumber(window.fieldText(field), separator));
}

Double readDouble(const ModelWindow& window, int field, DecimalSeparator separator)
{
    return storeDouble(TextToNumber(window.fieldText(field), separator));
}

SeriesInputs readSeriesInputs(const ModelWindow& window, DecimalSeparator separator)
{
    SeriesInputs in;
    in.N = readCount(window, 1, separator);
    in.y10 = readSingle(window, 2, separator);
    in.y50 = readSingle(window, 3, separator);
    in.wg = readSingle(window, 4, separator);
    in.t = readSingle(window, 5, separator);
    in.dtr = readSingle(window, 6, separator);
    return in;
}

} // namespace kaskad
