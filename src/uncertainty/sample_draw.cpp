// Draws of the fields' values with OpenTURNS: Monte Carlo, Latin hypercube
// and Sobol' low-discrepancy samples of the independent joint distribution.
#include "uncertainty/sample_draw.h"

#include "study/study_error.h"

namespace kaskad::study {

OT::Distribution otDistribution(const Distribution& distribution)
{
    const auto& p = distribution.parameters;
    switch (distribution.kind) {
    case Distribution::Kind::uniform:
        return OT::Uniform(double(p[0]), double(p[1]));
    case Distribution::Kind::normal:
        return OT::Normal(double(p[0]), double(p[1]));
    case Distribution::Kind::triangular:
        return OT::Triangular(double(p[0]), double(p[1]), double(p[2]));
    }
    throw StudyError("a distribution of no known kind");
}

OT::ComposedDistribution jointDistribution(std::span<const Distribution> inputs)
{
    OT::Collection<OT::Distribution> marginals;
    for (const Distribution& input : inputs)
        marginals.add(otDistribution(input));
    return OT::ComposedDistribution(marginals);
}

void seedRandomGenerator(std::uint64_t seed)
{
    // The generator takes a seed of 64 bits.
    OT::RandomGenerator::SetSeed(OT::UnsignedInteger(seed));
}

namespace {

OT::Sample experimentSample(const OT::ComposedDistribution& joint, std::size_t count, SamplingMethod method)
{
    switch (method) {
    case SamplingMethod::mc:
        return OT::MonteCarloExperiment(joint, count).generate();
    case SamplingMethod::lhs:
        return OT::LHSExperiment(joint, count).generate();
    case SamplingMethod::sobol:
        return OT::LowDiscrepancyExperiment(OT::SobolSequence(joint.getDimension()), joint, count).generate();
    }
    throw StudyError("a sampling method of no known kind");
}

} // namespace

std::vector<double> drawSample(std::span<const Distribution> inputs, std::size_t count, SamplingMethod method,
                               std::uint64_t seed)
{
    seedRandomGenerator(seed);
    const OT::Sample sample = experimentSample(jointDistribution(inputs), count, method);
    const std::size_t width = inputs.size();
    std::vector<double> rows(count * width);
    for (std::size_t row = 0; row < count; ++row)
        for (std::size_t k = 0; k < width; ++k)
            rows[row * width + k] = sample(row, k);
    return rows;
}

} // namespace kaskad::study
