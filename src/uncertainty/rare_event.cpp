// FORM and subset sampling of the event "first output < 0" of a generic
// model, the model wrapped as an OpenTURNS evaluation run in batches.
#include "uncertainty/rare_event.h"

#include "uncertainty/sample_draw.h"

#include <cmath>
#include <limits>

namespace kaskad::study {

namespace {

// The model's first output as an OpenTURNS evaluation; a batch of points is
// one call of the model, which runs its rows in parallel. Counts the rows.
class FirstOutput : public OT::EvaluationImplementation {
public:
    FirstOutput(const GenericModel& model, std::size_t& evaluations) : model_(&model), evaluations_(&evaluations) {}

    FirstOutput* clone() const override { return new FirstOutput(*this); }
    OT::UnsignedInteger getInputDimension() const override { return model_->inputs.size(); }
    OT::UnsignedInteger getOutputDimension() const override { return 1; }

    OT::Point operator()(const OT::Point& point) const override
    {
        return OT::Point(1, values(OT::Sample(1, point))[0]);
    }

    OT::Sample operator()(const OT::Sample& points) const override
    {
        const std::vector<double> outputs = values(points);
        OT::Sample sample(points.getSize(), 1);
        for (std::size_t row = 0; row < outputs.size(); ++row)
            sample(row, 0) = outputs[row];
        return sample;
    }

private:
    // The first output of each row; the lowest double where a row gives
    // none, so that it lies in the event.
    std::vector<double> values(const OT::Sample& points) const
    {
        const std::size_t rows = points.getSize(), width = points.getDimension();
        const std::size_t outputCount = model_->outputNames.size();
        std::vector<double> inputs(rows * width), outputs(rows * outputCount);
        for (std::size_t row = 0; row < rows; ++row)
            for (std::size_t k = 0; k < width; ++k)
                inputs[row * width + k] = points(row, k);
        model_->evaluate(inputs, outputs);
        *evaluations_ += rows;
        std::vector<double> first(rows);
        for (std::size_t row = 0; row < rows; ++row) {
            const double value = outputs[row * outputCount];
            first[row] = std::isnan(value) ? std::numeric_limits<double>::lowest() : value;
        }
        return first;
    }

    const GenericModel* model_;
    std::size_t* evaluations_;
};

void runForm(const OT::ThresholdEvent& event, const OT::Point& start, RareEventResult& result)
{
    OT::FORM form(OT::Cobyla(), event, start);
    form.run();
    const OT::FORMResult& found = form.getResult();
    result.formProbability = found.getEventProbability();
    result.reliabilityIndex = found.getHasoferReliabilityIndex();
    const OT::Point designPoint = found.getPhysicalSpaceDesignPoint();
    result.designPoint.assign(designPoint.begin(), designPoint.end());
}

void runSubsetSampling(const OT::ThresholdEvent& event, std::size_t perStep, RareEventResult& result)
{
    // Batches of up to 1000 points, each one call of the model.
    const std::size_t block = std::min<std::size_t>(perStep, 1000);
    OT::SubsetSampling subset(event);
    subset.setBlockSize(block);
    subset.setMaximumOuterSampling((perStep + block - 1) / block);
    subset.run();
    const OT::ProbabilitySimulationResult& found = subset.getResult();
    result.subsetProbability = found.getProbabilityEstimate();
    result.subsetCoefficientOfVariation = found.getCoefficientOfVariation();
}

} // namespace

RareEventResult estimateProbabilityBelowZero(const GenericModel& model, std::size_t perStep, std::uint64_t seed)
{
    RareEventResult result;
    const OT::ComposedDistribution joint = jointDistribution(model.inputs);
    const OT::Function function(FirstOutput(model, result.evaluations));
    const OT::ThresholdEvent event(OT::CompositeRandomVector(function, OT::RandomVector(joint)), OT::Less(), 0.0);
    seedRandomGenerator(seed);
    runForm(event, joint.getMean(), result);
    runSubsetSampling(event, perStep, result);
    return result;
}

} // namespace kaskad::study
