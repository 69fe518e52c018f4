// Writing a sweep's points as CSV rows or a JSON document: the serialising of
// the rows study::SweepRows decides.
#pragma once

#include "formats/run_output.h"
#include "study/point_rows.h"
#include "study/runner.h"

#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

namespace kaskad::formats {

struct SweepOutputOptions {
    OutputFormat format = OutputFormat::csv; // csv or json
    study::RowOptions rows;                  // which points, reactors and columns
    bool header = true;                      // CSV: the header line first; JSON always has its frame
};

// A point's output, with its criterion margin when the criterion is tested
// and the point has an outlet.
struct FormattedPoint {
    std::string text;
    std::optional<double> margin;
};

// The CSV rows of a point: per row the columns' cells, separated by commas.
// The text, reactor and criterion cells come from the point's rows; a value
// not stored, a reactor of a point without one, a bound without an outlet
// leave their cell empty.
void appendCsvRows(std::string& text, const std::vector<study::Column>& columns, const study::PointRows& point);

// The columns of CSV rows cut into runs: the cells every row of a point
// shares (its fields, its error, its criterion) and, between them, the runs
// of the reactor's own cells. Made once for all the points of a sweep.
class CsvRowLayout {
public:
    explicit CsvRowLayout(const std::vector<study::Column>& columns);

    // appendCsvRows with the columns this layout was made of.
    void appendRows(std::string& text, const study::PointRows& point) const;

    // A cell of the reactor's own: its number, or a quantity's value.
    struct ReactorCell {
        std::optional<Pane> pane; // none: the reactor's number
    };

private:
    // Shared runs and reactor runs take turns, a shared run first and last
    // (either may be empty): one more shared run than reactor runs.
    std::vector<std::vector<const study::Column*>> sharedRuns_;
    std::vector<std::vector<ReactorCell>> reactorRuns_;
    bool opensWithReactor_ = false; // the first column is the reactor's
};

// The JSON object of a point, on one line: "inputs" {"N":"24",…} with every
// field text, "reactors" as in the single run, "error" and, with the
// criterion, "criterion" {bound: true|false|null}, "meets_criterion" and
// "criterion_margin".
void appendJsonPoint(std::string& json, ModelKind model, const study::PointRows& point);

// CSV rows of points given by their field texts rather than by a plan, as
// the samples of an uncertainty study are: the sweep's columns for the
// outlet alone, with its criterion.
class OutletCsvRows {
public:
    explicit OutletCsvRows(ModelKind model);
    // The header line.
    std::string header() const;
    // The row of a point, appended with its line end.
    void appendPoint(std::string& text, std::size_t index, const FieldTexts& fields, RunView run) const;

private:
    study::SweepRows rows_;
    CsvRowLayout layout_;
};

// CSV: the header of the rows' columns, then each point's rows.
// JSON: {"model":…,"points":[…]}, one object per point, one line each.
//
// Without the header, CSV rows alone: the header and the rows of contiguous
// pieces of a sweep, concatenated, are the whole sweep's output. JSON is
// always the whole document.
class SweepWriter {
public:
    SweepWriter(std::ostream& out, const study::SweepPlan& plan, SweepOutputOptions options);
    void begin();
    // The output of a point, or nothing when the point is left out. Safe to
    // call from several threads at once.
    std::optional<FormattedPoint> format(std::size_t index, RunView run) const;
    // Takes a formatted point, in point order: writes it, or with `best`
    // keeps its margin and index if the margin is among the largest. With
    // `best`, format() forms no text: end() runs the kept points again and
    // writes them, so memory holds K margins whatever the point count.
    void write(std::size_t index, std::optional<FormattedPoint>&& point);
    void point(std::size_t index, RunView run);
    // Writes the kept points, largest margin first (each run again: a run
    // gives the same digits every time), and closes the document.
    void end();

    const study::SweepPlan& plan() const { return rows_.plan(); }

private:
    std::string pointText(const study::PointRows& point) const;
    void writeText(const std::string& text);
    // An empty text, with room from an earlier point when one is spare.
    std::string spareText() const;
    void keepSpare(std::string&& text);

    std::ostream& out_;
    study::SweepRows rows_;
    SweepOutputOptions options_;
    CsvRowLayout csvLayout_;
    // Texts written and emptied, kept for the next points. A text made on a
    // worker and freed on the writing thread would have the two threads take
    // turns at one allocator lock, point after point.
    mutable std::mutex spareMutex_;
    mutable std::vector<std::string> spareTexts_;
    bool wrotePoint_ = false;
    // With `best`: the points of the largest margins.
    study::BestPoints best_;
};

// How a sweep's points are written: on how many threads, the stop, the
// progress, and the look at the output after each write.
struct SweepWriting {
    unsigned jobs = 1;
    std::stop_token stop = {};         // none: runs to the last point
    study::ProgressSink progress = {}; // none: no progress reported
    // Called after each point written and once the output is closed: raises
    // to end the sweep when the output has failed. None: no check.
    std::function<void()> checkOutput = {};
};

// The sweep driver of kaskad-cli and the Python module: runs the points of
// `points` of the writer's plan on `writing.jobs` threads and writes them
// through `writer`, in point order, from begin() to end(). A raise from
// checkOutput ends the sweep there and is passed on. Once the stop is asked
// for, the points already begun are written and the output is closed, so
// the rows written stay whole. Returns the points run, fewer than
// points.size() only when stopped.
std::size_t writeSweep(SweepWriter& writer, study::PointRange points, const SweepWriting& writing);

} // namespace kaskad::formats
