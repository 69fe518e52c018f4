// An uncertainty study run off the GUI thread: the uncertainty library's
// study on a thread of its own, its progress read as it goes, its sampled
// margins and samples' CSV rows kept for the window.
#pragma once

#include "formats/uncertainty_output.h"
#include "uncertainty/uncertainty_on_demand.h"

#include <atomic>
#include <exception>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace kaskad::ui {

// What a finished study gives the window.
struct UncertaintyOutcome {
    formats::UncertaintyRequest request;
    study::UncertaintyResult result;
    std::vector<double> margins; // the sampled runs' margins, those that gave one
    std::string samplesCsv;      // a row per sample, as kaskad-cli's --samples-out writes them
};

class UncertaintyRun {
public:
    // Starts the study of `space`; the settings' stop, progress and sink are
    // the run's own.
    UncertaintyRun(std::shared_ptr<const study::UncertainSpace> space, study::UncertaintySettings settings);
    // Stops the study and waits for its thread.
    ~UncertaintyRun();
    UncertaintyRun(const UncertaintyRun&) = delete;
    UncertaintyRun& operator=(const UncertaintyRun&) = delete;

    void stop() { stopSource_.request_stop(); }
    bool finished() const { return finished_; }
    // The runs made so far, and how many the study plans.
    std::size_t done() const { return done_; }
    std::size_t total() const { return total_; }
    // Waits for the study's end and gives its outcome, or raises its error.
    UncertaintyOutcome outcome();

private:
    void run();

    std::shared_ptr<const study::UncertainSpace> space_;
    study::UncertaintySettings settings_;
    std::size_t total_;
    std::optional<UncertaintyOutcome> outcome_;
    std::exception_ptr error_;
    std::stop_source stopSource_;
    std::atomic<std::size_t> done_ = 0;
    std::atomic<bool> finished_ = false;
    std::thread thread_;
};

} // namespace kaskad::ui
