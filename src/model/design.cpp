// The descriptions of the bubble-column and gas-lift designs, and reading a
// run's inputs from the field texts.
#include "model/design.h"

namespace kaskad {

std::optional<ModelKind> modelNamed(std::string_view name)
{
    for (const ModelKind model : kModelKinds)
        if (describe(model).name == name)
            return model;
    return std::nullopt;
}

double storedFieldValue(FieldStorage storage, long double x)
{
    switch (storage) {
    case FieldStorage::count:
        return roundCount(x);
    case FieldStorage::single:
        return storeSingle(x).value();
    case FieldStorage::wide:
        return storeDouble(x).value();
    case FieldStorage::unread:
        break;
    }
    return 0;
}

double storedFieldValue(FieldStorage storage, std::string_view text, DecimalSeparator separator)
{
    return storedFieldValue(storage, TextToNumber(text, separator));
}

ModelInputs readModelInputs(ModelKind model, const FieldTexts& texts, DecimalSeparator separator)
{
    setCalculationFloatingPointEnvironment();
    ModelInputs inputs;
    for (const FieldDescription& field : modelFields(model))
        if (field.converted())
            inputs.values[field.field] = storedFieldValue(field.storage, texts[field.field], separator);
    return inputs;
}

void runModel(ModelKind model, const ModelInputs& inputs, ModelWindow& window, DecimalSeparator separator)
{
    const DesignDescription& design = describe(model);
    ResultWriter out(window, design.resultWord, separator);
    design.run(inputs, out);
}

void runModel(ModelKind model, const FieldTexts& texts, ModelWindow& window, DecimalSeparator separator)
{
    runModel(model, readModelInputs(model, texts, separator), window, separator);
}

} // namespace kaskad
