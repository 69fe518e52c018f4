// The study table's rows put in a column's order off the GUI thread: each
// row's key made (a point's run made again, on every core, where a row shows
// a reactor the table does not keep), then the rows sorted piece by piece,
// with progress and a stop looked at between pieces.
#pragma once

#include "study/point_rows.h"
#include "ui/study_point.h"

#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

namespace kaskad::ui {

// What a sort reads; its owner keeps the points and rows unchanged until
// the sort has ended.
struct RowSortInput {
    std::shared_ptr<const study::SweepPlan> plan;
    const std::vector<StudyPoint>* points = nullptr;
    const std::vector<StudyRow>* rows = nullptr;
    study::Column by;
    bool descending = false;
    unsigned jobs = 1;
};

// How far a sort has come: the points run again, then the rows ordered.
struct RowSortProgress {
    bool running = true; // still running points again
    std::size_t done = 0;
    std::size_t total = 0;
};

// The rows in the column's order: swept fields by the order of their values,
// errors by their texts, verdicts "нет" before "да", the rest by value. A
// cell without a value sorts after every value, whichever the order; rows of
// equal keys keep their order. None when stopped before the end.
std::optional<std::vector<StudyRow>> sortedRows(const RowSortInput& input, const std::stop_token& stop,
                                                const std::function<void(const RowSortProgress&)>& progress = {});

// sortedRows on a thread of its own.
class RowSort {
public:
    // `ended` runs on the sort's thread once it has ended, stopped or not.
    RowSort(RowSortInput input, std::function<void()> ended);
    // Stops the sort and waits for its thread.
    ~RowSort();
    RowSort(const RowSort&) = delete;
    RowSort& operator=(const RowSort&) = delete;

    RowSortProgress progress() const;
    // Once ended: the sorted rows, none when it was stopped; what ended it,
    // when it failed.
    std::optional<std::vector<StudyRow>> takeRows() { return std::move(rows_); }
    std::exception_ptr error() const { return error_; }

private:
    std::atomic<bool> running_ = true;
    std::atomic<std::size_t> done_ = 0;
    std::atomic<std::size_t> total_ = 0;
    std::optional<std::vector<StudyRow>> rows_;
    std::exception_ptr error_;
    std::jthread thread_;
};

} // namespace kaskad::ui
