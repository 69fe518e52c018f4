// First-order and total Sobol' indices of any model with independent inputs,
// estimated by OpenTURNS with bootstrap intervals.
#pragma once

#include "study/tolerance.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kaskad::study {

// A model seen only through its inputs and outputs.
struct GenericModel {
    std::vector<std::string> inputNames;
    std::vector<Distribution> inputs; // independent
    std::vector<std::string> outputNames;
    // Evaluates the rows of `inputs` (rows * inputs.size() values, row after
    // row) into `outputs` (rows * outputNames.size()); NaN for an output a
    // row does not give. Raises to abandon the estimate.
    std::function<void(std::span<const double> inputs, std::span<double> outputs)> evaluate;
};

struct IndexEstimate {
    double value = 0;
    double lower = 0; // the 95 % bootstrap interval
    double upper = 0;
};

struct InputIndices {
    std::string input;
    IndexEstimate first;
    IndexEstimate total;
};

struct OutputIndices {
    std::string output;
    // One per input; none when a row of the design gave no value of it.
    std::optional<std::vector<InputIndices>> inputs;
    std::size_t rowsWithout = 0; // the rows of the design without a value
};

struct SobolIndices {
    std::size_t evaluations = 0; // rows of the design: base * (inputs + 2)
    std::vector<OutputIndices> outputs;
};

// The Saltelli estimates from a pick-freeze design of `base` rows per
// matrix drawn by Monte Carlo from `seed`, with bootstrap intervals.
SobolIndices estimateSobolIndices(const GenericModel& model, std::size_t base, std::uint64_t seed);

} // namespace kaskad::study
