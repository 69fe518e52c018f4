// The tolerance cells read, and turned into the studies' texts.
#include "ui/tolerance_cells.h"

#include "study/study_error.h"

#include <algorithm>

namespace kaskad::ui {

namespace {

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool startsAsTolerance(std::string_view text) { return text.starts_with("±") || text.starts_with("+-"); }

// The half-width a distribution spans around its nominal value.
long double halfWidthOf(const study::Distribution& distribution)
{
    if (distribution.kind == study::Distribution::Kind::normal)
        return 2 * distribution.parameters[1];
    const long double nominal = distribution.nominal();
    return std::max(nominal - distribution.lower(), distribution.upper() - nominal);
}

} // namespace

ToleranceCell readToleranceCell(std::string_view name, std::string_view text, DecimalSeparator separator)
{
    const std::string_view cell = trimmed(text);
    ToleranceCell read;
    if (cell.empty())
        return read;
    if (startsAsTolerance(cell))
        read.tolerance = study::parseTolerance(name, cell, separator);
    else
        read.distribution = study::parseDistribution(name, cell, separator);
    return read;
}

std::map<std::string, study::Tolerance> sensitivityTolerances(const ToleranceTable& table)
{
    std::map<std::string, study::Tolerance> tolerances;
    for (const FieldDescription& field : modelFields(table.model)) {
        const ToleranceCell cell = readToleranceCell(field.name, table.cells[field.field], table.separator);
        const std::string name(field.name);
        if (cell.tolerance)
            tolerances[name] = *cell.tolerance;
        else if (cell.distribution)
            tolerances[name] = study::Tolerance{halfWidthOf(*cell.distribution), false};
    }
    return tolerances;
}

FieldTexts uncertainTexts(const ToleranceTable& table)
{
    FieldTexts texts = table.fields;
    for (const FieldDescription& field : modelFields(table.model)) {
        const std::string& cellText = table.cells[field.field];
        const ToleranceCell cell = readToleranceCell(field.name, cellText, table.separator);
        if (cell.tolerance)
            texts[field.field] = std::string(trimmed(table.fields[field.field])) + std::string(trimmed(cellText));
        else if (cell.distribution)
            texts[field.field] = std::string(trimmed(cellText));
    }
    return texts;
}

} // namespace kaskad::ui
