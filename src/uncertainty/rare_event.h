// The probability that a model's first output falls below 0, by FORM and by
// subset sampling over OpenTURNS functions that run the model.
#pragma once

#include "uncertainty/sobol_indices.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kaskad::study {

struct RareEventResult {
    std::size_t evaluations = 0;
    double formProbability = 0;
    double reliabilityIndex = 0;
    std::vector<double> designPoint; // in the inputs' units, one per input
    double subsetProbability = 0;
    double subsetCoefficientOfVariation = 0;
};

// FORM by Cobyla from the inputs' means, then subset sampling of `perStep`
// runs per step drawn from `seed`. A row without a value of the output
// counts as below 0.
RareEventResult estimateProbabilityBelowZero(const GenericModel& model, std::size_t perStep, std::uint64_t seed);

} // namespace kaskad::study
