// An uncertainty study's result as text for a person or as one JSON
// document, and its samples as the rows of a sweep.
#pragma once

#include "formats/run_output.h"
#include "uncertainty/uncertainty.h"

#include <cstdint>
#include <ostream>

namespace kaskad::formats {

// What the study was asked for, beside its result.
struct UncertaintyRequest {
    ModelKind model = ModelKind::bubble;
    std::int32_t reactors = 1;
    study::SamplingMethod method = study::SamplingMethod::lhs;
    std::size_t samples = 0;
    std::uint64_t seed = 0;
};

// Text: the runs, the probability of meeting the criterion, a table of the
// summaries, and the indices and rare-event estimates when computed.
// JSON: {"model", "N", "method", "samples", "seed", "stopped",
// "evaluations", "failed_runs", "probability_meets", "quantities",
// "indices", "index_evaluations", "rare"}, its numbers with the printed
// digits.
void writeUncertaintyResult(std::ostream& out, const UncertaintyRequest& request,
                            const study::UncertaintyResult& result, OutputFormat format);

} // namespace kaskad::formats
