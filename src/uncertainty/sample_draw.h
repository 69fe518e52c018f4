// The fields' distributions as OpenTURNS distributions, and samples drawn
// from them; only this library's sources include it.
#pragma once

#include "uncertainty/uncertainty.h"

#include <openturns/OT.hxx>

#include <cstdint>
#include <span>
#include <vector>

namespace kaskad::study {

OT::Distribution otDistribution(const Distribution& distribution);
// The independent joint distribution of the inputs.
OT::ComposedDistribution jointDistribution(std::span<const Distribution> inputs);

// `count` rows drawn from the joint distribution, row after row, by the
// method from `seed`; the same rows every time.
std::vector<double> drawSample(std::span<const Distribution> inputs, std::size_t count, SamplingMethod method,
                               std::uint64_t seed);

// OpenTURNS' random generator set to a seed. Its state is the process's:
// draws are made on one thread, one after another.
void seedRandomGenerator(std::uint64_t seed);

} // namespace kaskad::study
