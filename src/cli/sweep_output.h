// Writing a sweep's points as CSV rows or a JSON document.
#pragma once

#include "cli/output.h"
#include "cli/sweep.h"
#include "model/criterion.h"

#include <cstddef>
#include <map>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace kaskad::cli {

struct SweepOutputOptions {
    OutputFormat format = OutputFormat::csv;  // csv or json
    bool outletOnly = false;                  // only the last reactor computed
    bool criterion = false;                   // test each outlet against the criterion
    bool onlyMeeting = false;                 // drop the points that do not meet it
    std::size_t best = 0;                     // keep the points of the largest margins; 0: all
    bool header = true;                       // CSV: the header line first

    bool withCriterion() const { return criterion || onlyMeeting || best > 0; }
};

// The CSV columns of a sweep's rows, in order.
std::vector<std::string> sweepCsvColumns(const SweepPlan& plan, const SweepOutputOptions& options);

// The reactors a point's rows show: every reactor it computed, or its outlet
// only. A point without any still has one row, its reactor cells empty.
std::span<const ReactorResult> writtenReactors(const RunRecord& run, bool outletOnly);

// CSV: a header, then per point one row per reactor: the texts of every
// field (columns named by their options, "--t", apart from the reactor's
// "t"), reactor, y1..P, error_kind, error_message and, with the criterion,
// one column per bound ("y2>=1.47", ...), meets_criterion and
// criterion_margin. A point's error and criterion are repeated on each of its
// rows; a point without a reactor gets one row with the reactor and values
// empty.
//
// JSON: {"model":…,"points":[…]}, one object per point, one line each:
// "inputs" {"N":"24",…} with every field text, "reactors" as in the single
// run, "error" and, with the criterion, "criterion" {bound: true|false|null},
// "meets_criterion" and "criterion_margin".
//
// Without the header, CSV rows alone: the header and the rows of contiguous
// pieces of a sweep, concatenated, are the whole sweep's output. JSON has no
// such form; asking for it raises UsageError.
class SweepWriter {
public:
    SweepWriter(std::ostream& out, const SweepPlan& plan, SweepOutputOptions options);
    void begin();
    // The output of a point, or nothing when the point is left out. Safe to
    // call from several threads at once.
    std::optional<FormattedPoint> format(std::size_t index, const RunRecord& run) const;
    // Takes a formatted point, in point order: writes it, or with `best`
    // keeps it until end() if its margin is among the largest.
    void write(std::size_t index, std::optional<FormattedPoint>&& point);
    void point(std::size_t index, const RunRecord& run);
    // Writes the kept points, largest margin first, and closes the document.
    void end();

private:
    void writeText(const std::string& text);
    std::string csvHeader() const;
    std::string csvPoint(std::size_t index, const RunRecord& run,
                         const std::optional<CriterionResult>& criterion) const;
    std::string jsonPoint(std::size_t index, const RunRecord& run,
                          const std::optional<CriterionResult>& criterion) const;

    std::ostream& out_;
    const SweepPlan& plan_;
    SweepOutputOptions options_;
    bool wrotePoint_ = false;
    // With `best`: the kept points by descending margin, then point order.
    std::map<std::pair<double, std::size_t>, std::string> best_;
};

} // namespace kaskad::cli
