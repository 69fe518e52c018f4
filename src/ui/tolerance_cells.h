// The tolerance cells of the window "Допуски и надёжность": what a cell says
// of its field, and the texts the sensitivity and the uncertainty study take.
#pragma once

#include "model/design.h"
#include "study/tolerance.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kaskad::ui {

// A cell read: empty, a tolerance around the field's value ("±1", "+-5%"),
// or a distribution that replaces the field's text ("normal(433;0,5)").
struct ToleranceCell {
    std::optional<study::Tolerance> tolerance;
    std::optional<study::Distribution> distribution;
};

// Reads a cell with the window's separator; `name` is the field's ("t").
// Raises StudyError naming the field.
ToleranceCell readToleranceCell(std::string_view name, std::string_view text, DecimalSeparator separator);

// A model window's fields with the cells beside them.
struct ToleranceTable {
    ModelKind model = ModelKind::bubble;
    FieldTexts fields; // as the model window holds them
    FieldTexts cells;  // the tolerance cells, N's always empty
    DecimalSeparator separator;
};

// The tolerances of the sensitivity, by field name: a cell's tolerance, or
// the half-width of its distribution (a normal's two deviations, a bounded
// one's farther end from its nominal value).
std::map<std::string, study::Tolerance> sensitivityTolerances(const ToleranceTable& table);

// The uncertainty study's field texts: a field with a tolerance "V±D" (its
// text and the cell's), one with a distribution the cell's text, the others
// their own.
FieldTexts uncertainTexts(const ToleranceTable& table);

} // namespace kaskad::ui
