// A point of a design as a plant holds it: the fields' stored values, some of
// them given as distributions, and the runs at values drawn from them.
#pragma once

#include "model/run_record.h"
#include "study/tolerance.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kaskad::study {

// A field whose value a study changes: its name and how the run stores it.
struct VaryingField {
    Field field = fieldWg;
    std::string name; // "wg", "ts", ...
    FieldStorage storage = FieldStorage::single;
};

// The stored values of one point's fields, and runs of it with some fields
// changed. Each changed value is stored at its field's width, exactly as a
// typed field with that value would store it.
class FieldPoint {
public:
    // texts: one number per field the model reads, N a whole number of
    // reactors, read with `separator`. Raises StudyError naming the field.
    FieldPoint(ModelKind model, const FieldTexts& texts, DecimalSeparator separator);

    ModelKind model() const { return model_; }
    std::int32_t reactors() const { return inputs_.count(); }
    const FieldTexts& texts() const { return texts_; }
    // The value a field stores at the point.
    long double value(Field field) const { return inputs_.values[field]; }
    // The fields the model reads, other than N, in the window's order.
    std::vector<VaryingField> fields() const;
    VaryingField field(std::string_view name) const; // raises StudyError for no such field

    // The run with fields[k] set to values[k]. A value its field cannot
    // store is a run that failed reading its fields.
    RunRecord runWith(std::span<const VaryingField> fields, std::span<const long double> values) const;
    // The texts of that run: a changed field's the shortest text that reads
    // as the value it stores, the others as given.
    FieldTexts textsWith(std::span<const VaryingField> fields, std::span<const long double> values) const;

private:
    ModelKind model_;
    FieldTexts texts_;
    DecimalSeparator separator_;
    ModelInputs inputs_;
};

// A field given as a distribution.
struct UncertainField {
    VaryingField field;
    Distribution distribution;
};

// The fields of an uncertainty study: each a number or a distribution (N
// only a whole number). Raises StudyError.
class UncertainSpace {
public:
    UncertainSpace(ModelKind model, const FieldTexts& optionTexts, DecimalSeparator separator);

    // The point at every distribution's nominal value.
    const FieldPoint& nominal() const { return nominal_; }
    const std::vector<UncertainField>& uncertain() const { return uncertain_; }
    const std::vector<VaryingField>& varying() const { return varying_; }

    // The run of a sample: uncertain field k takes values[k].
    RunRecord sampleRun(std::span<const long double> values) const { return nominal_.runWith(varying_, values); }
    FieldTexts sampleTexts(std::span<const long double> values) const { return nominal_.textsWith(varying_, values); }

private:
    static FieldTexts nominalTexts(ModelKind model, const FieldTexts& optionTexts, DecimalSeparator separator,
                                   std::vector<UncertainField>& uncertain);

    std::vector<UncertainField> uncertain_;
    FieldPoint nominal_;
    std::vector<VaryingField> varying_;
};

} // namespace kaskad::study
