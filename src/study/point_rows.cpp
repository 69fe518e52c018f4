// The columns of a sweep and the rows of each point it keeps.
#include "study/point_rows.h"

namespace kaskad::study {

std::vector<Column> reactorColumns()
{
    std::vector<Column> columns = {{ColumnKind::reactor, "reactor"}};
    for (Pane pane : kStoreOrder)
        columns.push_back({ColumnKind::quantity, std::string(quantityName(pane)), fieldN, pane});
    return columns;
}

std::vector<Column> errorColumns()
{
    return {{ColumnKind::errorKind, "error_kind"}, {ColumnKind::errorMessage, "error_message"}};
}

std::vector<Column> sweepColumns(ModelKind model, const RowOptions& options)
{
    // The criterion judges a point by its outlet: every row of the point,
    // whichever its reactor, carries the outlet's verdict, and says so.
    const std::string outlet = "outlet_";
    std::vector<Column> columns;
    for (const FieldDescription& field : modelFields(model))
        columns.push_back({ColumnKind::field, fieldOption(field.name), field.field});
    for (Column& column : reactorColumns())
        columns.push_back(std::move(column));
    for (Column& column : errorColumns())
        columns.push_back(std::move(column));
    if (options.withCriterion()) {
        const std::span<const CriterionBound> bounds = criterionBounds(model);
        for (std::size_t b = 0; b < bounds.size(); ++b)
            columns.push_back({ColumnKind::bound, outlet + std::string(bounds[b].label), fieldN, bounds[b].pane, b});
        columns.push_back({ColumnKind::meetsCriterion, outlet + "meets_criterion"});
        columns.push_back({ColumnKind::criterionMargin, outlet + "criterion_margin"});
    }
    return columns;
}

SweepRows::SweepRows(const SweepPlan& plan, RowOptions options) : SweepRows(plan.model(), options) { plan_ = &plan; }

SweepRows::SweepRows(ModelKind model, RowOptions options)
    : model_(model), options_(options), columns_(sweepColumns(model, options))
{
    options_.criterion = options_.withCriterion();
}

std::optional<PointRows> SweepRows::point(std::size_t index, RunView run) const
{
    return keptPoint(index, run, [&] { return plan_->pointFields(index); });
}

std::optional<PointRows> SweepRows::point(std::size_t index, FieldTexts fields, RunView run) const
{
    return keptPoint(index, run, [&] { return std::move(fields); });
}

// The texts are formed only for a point that is kept.
template <class FieldsOf>
std::optional<PointRows> SweepRows::keptPoint(std::size_t index, RunView run, FieldsOf fieldsOf) const
{
    PointRows rows;
    if (options_.criterion) {
        rows.criterion = evaluateCriterion(run);
        if (options_.onlyMeeting && !rows.criterion->meets)
            return std::nullopt;
        if (options_.best > 0 && !rows.criterion->margin)
            return std::nullopt;
    }
    rows.index = index;
    rows.fields = fieldsOf();
    rows.run = run;
    rows.reactors = run.reactors;
    if (options_.outletOnly && !rows.reactors.empty())
        rows.reactors = rows.reactors.last(1);
    return rows;
}

void BestPoints::offer(std::size_t index, double margin)
{
    const std::pair<double, std::size_t> point(-margin, index);
    if (kept_.size() == count_ && (count_ == 0 || point > *kept_.rbegin()))
        return;
    kept_.insert(point);
    if (kept_.size() > count_)
        kept_.erase(std::prev(kept_.end()));
}

std::vector<std::size_t> BestPoints::indices() const
{
    std::vector<std::size_t> indices;
    indices.reserve(kept_.size());
    for (const auto& [negatedMargin, index] : kept_)
        indices.push_back(index);
    return indices;
}

} // namespace kaskad::study
