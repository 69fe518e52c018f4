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

} // namespace kaskad
