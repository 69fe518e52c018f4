// A point of a parameter study as the study window keeps it, and a row of
// its table: a point and the reactor the row shows.
#pragma once

#include "model/criterion.h"
#include "study/point_rows.h"

#include <cstddef>
#include <cstdint>

namespace kaskad::ui {

// A point of a study: its run kept to its outlet, the last reactor it
// computed, with its error; how many reactors it computed; the verdict of
// its outlet. A run gives the same values every time it is run, so the
// other reactors are run again when a view asks for them: a study's memory
// stays a point's outlet, whatever its reactor count.
struct StudyPoint {
    std::size_t index = 0; // the point in the whole study
    RunRecord run;
    std::int32_t reactorCount = 0;
    CriterionResult criterion;
};

// A point of `index` from its whole run, on the thread that ran it.
StudyPoint studyPoint(std::size_t index, RunView run, const study::SweepRows& rows);

// A row of the study's table: its point, by its place among the points kept,
// and the reactor shown, an index into its run's reactors; -1 on the row of a
// point that computed none.
struct StudyRow {
    std::uint32_t point;
    std::int32_t reactor;
};

} // namespace kaskad::ui
