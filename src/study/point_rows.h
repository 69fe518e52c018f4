// The rows a sweep's point gives: which reactors, which columns, and the
// criterion's verdict and margin. Every writer of a sweep serialises these.
#pragma once

#include "model/criterion.h"
#include "model/run_record.h"
#include "study/sweep_plan.h"

#include <cstddef>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace kaskad::study {

// Which points a sweep keeps and which of their reactors and columns.
struct RowOptions {
    bool outletOnly = false;  // only the last reactor computed
    bool criterion = false;   // test each outlet against the criterion
    bool onlyMeeting = false; // drop the points that do not meet it
    std::size_t best = 0;     // keep the points of the largest margins; 0: all

    bool withCriterion() const { return criterion || onlyMeeting || best > 0; }
};

enum class ColumnKind {
    field,           // a field's text, swept or not ("--t")
    reactor,         // the reactor's number
    quantity,        // a stored value ("y1" … "P")
    errorKind,       // the kind of the error that ended the point's run
    errorMessage,    // its message
    bound,           // whether the outlet meets one bound of the criterion
    meetsCriterion,  // whether it meets them all
    criterionMargin, // the criterion's margin
};

struct Column {
    ColumnKind kind;
    std::string name;
    Field field = fieldN;  // of a field column
    Pane pane = paneY1;    // of a quantity column
    std::size_t bound = 0; // of a bound column: its place in criterionBounds()
};

// "reactor", then the quantities in store order: a reactor's own columns.
std::vector<Column> reactorColumns();

// "error_kind", "error_message": the error that ended a run, on each of its
// rows.
std::vector<Column> errorColumns();

// The columns of a sweep's rows, in order: every field ("--N" …), the
// reactor's columns, error_kind, error_message and, with the criterion, one
// per bound ("outlet_y2>=1.47", …), outlet_meets_criterion and
// outlet_criterion_margin: the verdict of the point's outlet, on each of its rows.
std::vector<Column> sweepColumns(ModelKind model, const RowOptions& options);

// A point kept by a sweep and the rows it gives: one per reactor shown, or,
// for a point that computed none, one row with the reactor's cells empty.
// It refers to the point's run, which must outlive it.
struct PointRows {
    std::size_t index = 0; // the point in the whole sweep
    FieldTexts fields;     // every field's text
    RunView run;
    std::span<const ReactorResult> reactors;  // the reactors shown
    std::optional<CriterionResult> criterion; // with the criterion

    std::size_t rowCount() const { return reactors.empty() ? 1 : reactors.size(); }
    // The reactor of a row; none on the row of a point without one.
    const ReactorResult* reactor(std::size_t row) const { return reactors.empty() ? nullptr : &reactors[row]; }
    const RunError* error() const { return run.error; }
    std::optional<double> margin() const { return criterion ? criterion->margin : std::nullopt; }
};

// The one decision of what a sweep's points give, for every writer.
class SweepRows {
public:
    SweepRows(const SweepPlan& plan, RowOptions options);
    // Rows of points given by their field texts, without a plan: only the
    // point() that takes the texts applies.
    SweepRows(ModelKind model, RowOptions options);

    const SweepPlan& plan() const { return *plan_; }
    ModelKind model() const { return model_; }
    const RowOptions& options() const { return options_; }
    const std::vector<Column>& columns() const { return columns_; }

    // The rows of point `index` from its run, or nothing when the point is
    // left out: it misses the criterion with onlyMeeting, or has no margin
    // to rank with best. Safe to call from several threads at once.
    std::optional<PointRows> point(std::size_t index, RunView run) const;
    // The same for a point given by its field texts rather than by the plan.
    std::optional<PointRows> point(std::size_t index, FieldTexts fields, RunView run) const;

private:
    template <class FieldsOf>
    std::optional<PointRows> keptPoint(std::size_t index, RunView run, FieldsOf fieldsOf) const;

    const SweepPlan* plan_ = nullptr;
    ModelKind model_;
    RowOptions options_;
    std::vector<Column> columns_;
};

// The points of the largest criterion margins offered, at most `count`:
// the ranking of RowOptions::best, largest margin first, ties in point
// order. Memory holds `count` margins whatever the points offered.
class BestPoints {
public:
    explicit BestPoints(std::size_t count) : count_(count) {}
    void offer(std::size_t index, double margin);
    // The points kept, best first.
    std::vector<std::size_t> indices() const;

private:
    std::size_t count_;
    std::set<std::pair<double, std::size_t>> kept_; // by the margin negated, then the point
};

} // namespace kaskad::study
