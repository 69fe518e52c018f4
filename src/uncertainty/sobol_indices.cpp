// Sobol' indices of a generic model: OpenTURNS draws the pick-freeze design,
// the model evaluates it, and Martinez' estimators give the indices with
// bootstrap intervals.
#include "uncertainty/sobol_indices.h"

#include "uncertainty/sample_draw.h"

#include <cmath>

namespace kaskad::study {

namespace {

// The design's rows as the model takes them, row after row.
std::vector<double> rowsOf(const OT::Sample& design)
{
    const std::size_t width = design.getDimension();
    std::vector<double> rows(design.getSize() * width);
    for (std::size_t row = 0; row < design.getSize(); ++row)
        for (std::size_t k = 0; k < width; ++k)
            rows[row * width + k] = design(row, k);
    return rows;
}

IndexEstimate estimate(const OT::Point& values, const OT::Interval& interval, std::size_t input)
{
    return {values[input], interval.getLowerBound()[input], interval.getUpperBound()[input]};
}

// The indices of output `output` from its column of the outputs.
OutputIndices outputIndices(const GenericModel& model, const OT::Sample& design, std::span<const double> outputs,
                            std::size_t output, std::size_t base)
{
    const std::size_t rows = design.getSize();
    const std::size_t width = model.outputNames.size();
    OutputIndices result{model.outputNames[output], std::nullopt, 0};
    OT::Sample column(rows, 1);
    for (std::size_t row = 0; row < rows; ++row) {
        column(row, 0) = outputs[row * width + output];
        result.rowsWithout += std::isfinite(column(row, 0)) ? 0 : 1;
    }
    if (result.rowsWithout > 0)
        return result;
    OT::MartinezSensitivityAlgorithm algorithm(design, column, base);
    algorithm.setUseAsymptoticDistribution(false);
    algorithm.setConfidenceLevel(0.95);
    const OT::Point first = algorithm.getFirstOrderIndices();
    const OT::Point total = algorithm.getTotalOrderIndices();
    const OT::Interval firstInterval = algorithm.getFirstOrderIndicesInterval();
    const OT::Interval totalInterval = algorithm.getTotalOrderIndicesInterval();
    std::vector<InputIndices> inputs;
    for (std::size_t k = 0; k < model.inputNames.size(); ++k)
        inputs.push_back({model.inputNames[k], estimate(first, firstInterval, k), estimate(total, totalInterval, k)});
    result.inputs = std::move(inputs);
    return result;
}

} // namespace

SobolIndices estimateSobolIndices(const GenericModel& model, std::size_t base, std::uint64_t seed)
{
    seedRandomGenerator(seed);
    const OT::Sample design = OT::SobolIndicesExperiment(jointDistribution(model.inputs), base).generate();
    const std::vector<double> inputs = rowsOf(design);
    std::vector<double> outputs(design.getSize() * model.outputNames.size());
    model.evaluate(inputs, outputs);
    SobolIndices result;
    result.evaluations = design.getSize();
    for (std::size_t output = 0; output < model.outputNames.size(); ++output)
        result.outputs.push_back(outputIndices(model, design, outputs, output, base));
    return result;
}

} // namespace kaskad::study
