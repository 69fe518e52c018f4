// Sorting the study table's rows: keys per row, pieces sorted on every core,
// then merged pairwise.
#include "ui/study_row_sort.h"

#include "study/point_runs.h"
#include "study/runner.h"
#include "study/threads.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <string>

namespace kaskad::ui {

namespace {

using study::ColumnKind;

// A row's key and its place before the sort; a key that is NaN is a cell
// without a value.
struct SortEntry {
    double key;
    std::uint32_t row;
};

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
// Rows sorted at once between two looks at the stop: a few milliseconds' work.
constexpr std::size_t kPiece = std::size_t{1} << 16;

// A total order, so that the pieces sort the same whichever way they are
// cut: missing keys last, then by key, then by the row's earlier place.
struct EntryOrder {
    bool descending;

    bool operator()(const SortEntry& a, const SortEntry& b) const
    {
        const bool aMissing = std::isnan(a.key);
        const bool bMissing = std::isnan(b.key);
        if (aMissing != bMissing)
            return bMissing;
        if (!aMissing && a.key != b.key)
            return descending ? a.key > b.key : a.key < b.key;
        return a.row < b.row;
    }
};

// Each point's key in a column that holds one value a point: the field's
// texts by their order in the study, errors by their texts' order.
std::vector<double> pointKeys(const RowSortInput& input)
{
    const std::vector<StudyPoint>& points = *input.points;
    const study::SweepPlan& plan = *input.plan;
    const study::Column& by = input.by;
    std::vector<double> keys(points.size(), kMissing);
    const bool message = by.kind == ColumnKind::errorMessage;
    std::map<std::string, double> textRanks;
    if (by.kind == ColumnKind::errorKind || message) {
        for (const StudyPoint& point : points)
            if (point.run.error)
                textRanks.emplace(message ? point.run.error->message : point.run.error->kind, 0);
        double rank = 0;
        for (auto& [text, place] : textRanks)
            place = rank++;
    }
    std::optional<std::size_t> swept;
    for (std::size_t f = 0; f < plan.sweptFields().size(); ++f)
        if (plan.sweptFields()[f].field == by.field)
            swept = f;
    for (std::size_t p = 0; p < points.size(); ++p) {
        const StudyPoint& point = points[p];
        const CriterionResult& criterion = point.criterion;
        switch (by.kind) {
        case ColumnKind::field:
            keys[p] = swept ? double(plan.textIndex(point.index, *swept)) : 0;
            break;
        case ColumnKind::errorKind:
        case ColumnKind::errorMessage:
            if (point.run.error)
                keys[p] = textRanks.at(message ? point.run.error->message : point.run.error->kind);
            break;
        case ColumnKind::bound:
            if (!criterion.bounds.empty())
                keys[p] = criterion.bounds[by.bound] ? 1 : 0;
            break;
        case ColumnKind::meetsCriterion:
            keys[p] = criterion.meets ? 1 : 0;
            break;
        case ColumnKind::criterionMargin:
            if (criterion.margin)
                keys[p] = *criterion.margin;
            break;
        case ColumnKind::reactor:
        case ColumnKind::quantity:
            break;
        }
    }
    return keys;
}

// A quantity's values on every reactor of the points whose rows show a
// reactor other than the outlet, run again on every core: the values of
// point p from offsets[p] on. Empty when stopped.
struct RunAgainValues {
    std::vector<std::size_t> offsets;
    std::vector<double> values;
};

std::optional<RunAgainValues> runAgainValues(const RowSortInput& input, const std::stop_token& stop,
                                             const std::function<void(const RowSortProgress&)>& progress)
{
    const std::vector<StudyPoint>& points = *input.points;
    std::vector<char> needed(points.size(), 0);
    for (const StudyRow& row : *input.rows)
        if (row.reactor >= 0 && row.reactor + 1 < points[row.point].reactorCount)
            needed[row.point] = 1;
    RunAgainValues made;
    made.offsets.assign(points.size(), 0);
    std::vector<std::uint32_t> places;
    std::size_t size = 0;
    for (std::uint32_t p = 0; p < points.size(); ++p)
        if (needed[p]) {
            places.push_back(p);
            made.offsets[p] = size;
            size += std::size_t(points[p].reactorCount);
        }
    made.values.assign(size, kMissing);
    const Pane pane = input.by.pane;
    const std::size_t total = places.size();
    const std::size_t delivered = study::runInOrder<std::vector<double>>(
        total, input.jobs,
        [&](std::size_t k) {
            const RunRecord run = study::runPoint(*input.plan, points[places[k]].index);
            std::vector<double> values;
            values.reserve(run.reactors.size());
            for (const ReactorResult& reactor : run.reactors)
                values.push_back(reactor.has(pane) ? reactor.value(pane) : kMissing);
            return values;
        },
        [&](std::size_t k, std::vector<double>&& values) {
            const std::uint32_t p = places[k];
            const std::size_t count = std::min(values.size(), std::size_t(points[p].reactorCount));
            std::copy_n(values.begin(), count, made.values.begin() + std::ptrdiff_t(made.offsets[p]));
        },
        stop,
        [&](std::size_t done) {
            if (progress)
                progress({true, done, total});
        });
    if (delivered < total)
        return std::nullopt;
    return made;
}

// Every row's key and place; none when stopped.
std::optional<std::vector<SortEntry>> sortEntries(const RowSortInput& input, const std::stop_token& stop,
                                                  const std::function<void(const RowSortProgress&)>& progress)
{
    const std::vector<StudyPoint>& points = *input.points;
    const std::vector<StudyRow>& rows = *input.rows;
    std::vector<SortEntry> entries(rows.size());
    const ColumnKind kind = input.by.kind;
    if (kind != ColumnKind::reactor && kind != ColumnKind::quantity) {
        const std::vector<double> keys = pointKeys(input);
        for (std::size_t r = 0; r < rows.size(); ++r)
            entries[r] = {keys[rows[r].point], std::uint32_t(r)};
        return entries;
    }
    std::optional<RunAgainValues> again;
    if (kind == ColumnKind::quantity && !(again = runAgainValues(input, stop, progress)))
        return std::nullopt;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const StudyRow& row = rows[r];
        const StudyPoint& point = points[row.point];
        double key = kMissing;
        const ReactorResult* outlet = point.run.reactors.empty() ? nullptr : &point.run.reactors.back();
        if (row.reactor < 0)
            key = kMissing;
        else if (kind == ColumnKind::reactor)
            key = double(row.reactor + 1); // a run numbers its reactors from 1, in order
        else if (row.reactor + 1 == point.reactorCount)
            key = outlet && outlet->has(input.by.pane) ? outlet->value(input.by.pane) : kMissing;
        else
            key = again->values[again->offsets[row.point] + std::size_t(row.reactor)];
        entries[r] = {key, std::uint32_t(r)};
    }
    return entries;
}

// Runs work(k) for every k below `count` on `jobs` threads, the calling one
// among them; none is begun once the stop is asked for.
void forEachPiece(std::size_t count, unsigned jobs, const std::stop_token& stop,
                  const std::function<void(std::size_t)>& work)
{
    std::atomic<std::size_t> next = 0;
    const auto claimAndWork = [&] {
        for (std::size_t k; !stop.stop_requested() && (k = next++) < count;)
            work(k);
    };
    {
        const std::vector<std::jthread> helpers = study::startThreads(
            std::min<std::size_t>(jobs, count) > 1 ? std::min<std::size_t>(jobs, count) - 1 : 0, claimAndWork);
        claimAndWork();
    }
}

// The progress of the ordering: entries sorted or merged, of every round's.
class OrderingProgress {
public:
    OrderingProgress(std::size_t total, const std::function<void(const RowSortProgress&)>& progress)
        : total_(total), progress_(progress)
    {}
    void advance(std::size_t entries)
    {
        const std::size_t done = done_ += entries;
        if (progress_)
            progress_({false, done, total_});
    }

private:
    const std::size_t total_;
    const std::function<void(const RowSortProgress&)>& progress_;
    std::atomic<std::size_t> done_ = 0;
};

// Merges the sorted runs [from, middle) and [middle, to) of `in` into `out`,
// looking at the stop every piece; false when stopped.
bool mergeRuns(const std::vector<SortEntry>& in, std::vector<SortEntry>& out, std::size_t from, std::size_t middle,
               std::size_t to, EntryOrder order, const std::stop_token& stop, OrderingProgress& progress)
{
    std::size_t a = from, b = middle, o = from;
    while (o < to) {
        if (stop.stop_requested())
            return false;
        const std::size_t pieceEnd = std::min(to, o + kPiece);
        progress.advance(pieceEnd - o);
        for (; o < pieceEnd; ++o)
            out[o] = b == to || (a < middle && !order(in[b], in[a])) ? in[a++] : in[b++];
    }
    return true;
}

// Sorts the entries: pieces on every core, then rounds of pairwise merges;
// false when stopped.
bool sortEntriesInPieces(std::vector<SortEntry>& entries, const RowSortInput& input, const std::stop_token& stop,
                         const std::function<void(const RowSortProgress&)>& report)
{
    const std::size_t n = entries.size();
    const EntryOrder order{input.descending};
    const std::size_t pieces = (n + kPiece - 1) / kPiece;
    std::size_t rounds = 0;
    for (std::size_t width = kPiece; width < n; width *= 2)
        ++rounds;
    OrderingProgress progress(n * (rounds + 1), report);
    std::atomic<std::size_t> sortedPieces = 0;
    forEachPiece(pieces, input.jobs, stop, [&](std::size_t k) {
        const std::size_t size = std::min(kPiece, n - k * kPiece);
        const auto first = entries.begin() + std::ptrdiff_t(k * kPiece);
        std::sort(first, first + std::ptrdiff_t(size), order);
        ++sortedPieces;
        progress.advance(size);
    });
    if (sortedPieces < pieces)
        return false;
    std::vector<SortEntry> merged(n);
    for (std::size_t width = kPiece; width < n; width *= 2) {
        const std::size_t pairs = (n + 2 * width - 1) / (2 * width);
        std::atomic<std::size_t> mergedPairs = 0;
        forEachPiece(pairs, input.jobs, stop, [&](std::size_t k) {
            const std::size_t from = k * 2 * width;
            if (mergeRuns(entries, merged, from, std::min(n, from + width), std::min(n, from + 2 * width), order, stop,
                          progress))
                ++mergedPairs;
        });
        if (mergedPairs < pairs)
            return false;
        entries.swap(merged);
    }
    return true;
}

} // namespace

std::optional<std::vector<StudyRow>> sortedRows(const RowSortInput& input, const std::stop_token& stop,
                                                const std::function<void(const RowSortProgress&)>& progress)
{
    std::optional<std::vector<SortEntry>> entries = sortEntries(input, stop, progress);
    if (!entries || !sortEntriesInPieces(*entries, input, stop, progress))
        return std::nullopt;
    std::vector<StudyRow> sorted(entries->size());
    for (std::size_t r = 0; r < sorted.size(); ++r)
        sorted[r] = (*input.rows)[(*entries)[r].row];
    return sorted;
}

RowSort::RowSort(RowSortInput input, std::function<void()> ended)
    : thread_([this, input = std::move(input), ended = std::move(ended)](const std::stop_token& stop) {
          try {
              rows_ = sortedRows(input, stop, [this](const RowSortProgress& progress) {
                  running_ = progress.running;
                  total_ = progress.total;
                  done_ = progress.done;
              });
          } catch (...) {
              error_ = std::current_exception();
          }
          ended();
      })
{}

RowSort::~RowSort()
{
    thread_.request_stop();
    if (thread_.joinable())
        thread_.join();
}

RowSortProgress RowSort::progress() const { return {running_, done_, total_}; }

} // namespace kaskad::ui
