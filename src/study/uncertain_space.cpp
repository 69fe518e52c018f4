// A point's fields read once, runs of it with some fields changed, and the
// fields an uncertainty study draws.
#include "study/uncertain_space.h"

#include "study/design_space.h"
#include "study/field_values.h"
#include "study/study_error.h"

namespace kaskad::study {

namespace {

// A text written with "." given the point's separator.
std::string withSeparator(std::string text, DecimalSeparator separator)
{
    if (const std::size_t point = text.find('.'); point != std::string::npos)
        text.replace(point, 1, separator.text());
    return text;
}

} // namespace

FieldPoint::FieldPoint(ModelKind model, const FieldTexts& texts, DecimalSeparator separator)
    : model_(model), texts_(texts), separator_(separator)
{
    setCalculationFloatingPointEnvironment();
    for (const FieldDescription& description : modelFields(model)) {
        if (!description.converted())
            continue;
        const std::string& text = texts[description.field];
        const std::string said = fieldOption(description.name) + ": '" + shortQuote(text) + "' ";
        try {
            inputs_.values[description.field] = storedFieldValue(description.storage, text, separator);
        } catch (const EConvertError&) {
            throw StudyError(said + "is not a number");
        } catch (const Exception&) {
            throw StudyError(said + "lies beyond the values the field stores");
        }
        if (description.field == fieldN &&
            (TextToNumber(text, separator) != inputs_.values[fieldN] || inputs_.values[fieldN] < 1))
            throw StudyError(said + "is not a whole number of reactors");
    }
}

std::vector<VaryingField> FieldPoint::fields() const
{
    std::vector<VaryingField> fields;
    for (const FieldDescription& description : modelFields(model_))
        if (description.converted() && description.field != fieldN)
            fields.push_back({description.field, std::string(description.name), description.storage});
    return fields;
}

VaryingField FieldPoint::field(std::string_view name) const
{
    for (VaryingField& field : fields())
        if (field.name == name)
            return std::move(field);
    throw StudyError(fieldOption(name) + ": the " + std::string(modelName(model_)) + " design has no field " +
                     std::string(name) + " that a study can change");
}

RunRecord FieldPoint::runWith(std::span<const VaryingField> fields, std::span<const long double> values) const
{
    setCalculationFloatingPointEnvironment();
    return runRecordedVaried(model_, inputs_, [&](ModelInputs& inputs) {
        for (std::size_t k = 0; k < fields.size(); ++k)
            inputs.values[fields[k].field] = storedFieldValue(fields[k].storage, values[k]);
    });
}

FieldTexts FieldPoint::textsWith(std::span<const VaryingField> fields, std::span<const long double> values) const
{
    FieldTexts texts = texts_;
    for (std::size_t k = 0; k < fields.size(); ++k)
        texts[fields[k].field] = withSeparator(storedValueText(values[k], fields[k].storage), separator_);
    return texts;
}

UncertainSpace::UncertainSpace(ModelKind model, const FieldTexts& optionTexts, DecimalSeparator separator)
    : nominal_(model, nominalTexts(model, optionTexts, separator, uncertain_), separator)
{
    for (const UncertainField& field : uncertain_)
        varying_.push_back(field.field);
}

FieldTexts UncertainSpace::nominalTexts(ModelKind model, const FieldTexts& optionTexts, DecimalSeparator separator,
                                        std::vector<UncertainField>& uncertain)
{
    FieldTexts texts = optionTexts;
    for (const FieldDescription& description : modelFields(model)) {
        const std::string& text = optionTexts[description.field];
        if (!description.converted() || !isDistributionText(text))
            continue;
        if (description.field == fieldN)
            throw StudyError("--N: the number of reactors is a whole number; it cannot be uncertain");
        const Distribution distribution = parseDistribution(description.name, text, separator);
        uncertain.push_back({{description.field, std::string(description.name), description.storage}, distribution});
        try {
            texts[description.field] =
                withSeparator(storedValueText(distribution.nominal(), description.storage), separator);
        } catch (const Exception&) {
            throw StudyError(fieldOption(description.name) + ": '" + shortQuote(text) +
                             "' is centred beyond the values the field stores");
        }
    }
    return texts;
}

} // namespace kaskad::study
