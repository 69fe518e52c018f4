// The uncertainty study's thread.
#include "ui/uncertainty_run.h"

#include "formats/sweep_output.h"
#include "model/criterion.h"

#include <algorithm>
#include <utility>

namespace kaskad::ui {

UncertaintyRun::UncertaintyRun(std::shared_ptr<const study::UncertainSpace> space, study::UncertaintySettings settings)
    : space_(std::move(space)),
      settings_(std::move(settings)),
      // The Sobol' design runs samples * (fields + 2) more.
      total_(settings_.samples * (settings_.indices ? space_->uncertain().size() + 3 : 1)),
      thread_([this] { run(); })
{}

UncertaintyRun::~UncertaintyRun()
{
    stop();
    if (thread_.joinable())
        thread_.join();
}

void UncertaintyRun::run()
{
    try {
        UncertaintyOutcome outcome;
        const formats::OutletCsvRows rows(space_->nominal().model());
        outcome.samplesCsv = rows.header();
        study::UncertaintySettings settings = settings_;
        settings.stop = stopSource_.get_token();
        settings.progress = [this](std::size_t done) { done_ = std::min(done, total_); };
        settings.sampleSink = [&](std::size_t index, std::span<const long double> values, const RunRecord& run) {
            if (const std::optional<double> margin = evaluateCriterion(run).margin)
                outcome.margins.push_back(*margin);
            rows.appendPoint(outcome.samplesCsv, index, space_->sampleTexts(values), run);
        };
        outcome.result = study::runUncertaintyOnDemand(*space_, settings);
        outcome.request = {space_->nominal().model(), space_->nominal().reactors(), settings.method, settings.samples,
                           settings.seed};
        outcome_ = std::move(outcome);
    } catch (...) {
        error_ = std::current_exception();
    }
    finished_ = true;
}

UncertaintyOutcome UncertaintyRun::outcome()
{
    if (thread_.joinable())
        thread_.join();
    if (error_)
        std::rethrow_exception(error_);
    return std::move(*outcome_);
}

} // namespace kaskad::ui
