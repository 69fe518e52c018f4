// A parameter study run off the GUI thread: the study library's ordered
// parallel runner on its own thread, on every core, its points handed over
// in batches that the window takes when it polls.
#pragma once

#include "ui/study_table_model.h"

#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace kaskad::ui {

class StudyRun {
public:
    // Starts the plan's points on `jobs` threads at once, one of them the
    // run's own.
    StudyRun(std::shared_ptr<const study::SweepPlan> plan, unsigned jobs);
    // Stops the study and waits for its thread.
    ~StudyRun();
    StudyRun(const StudyRun&) = delete;
    StudyRun& operator=(const StudyRun&) = delete;

    // The points delivered since the last call, in point order.
    std::vector<StudyPoint> takePoints();
    // Asks the study to stop; the points begun are still delivered.
    void stop() { stopSource_.request_stop(); }
    bool finished() const { return finished_; }
    // Once finished: the study ended before its last point, as asked.
    bool stopped() const { return stopped_; }
    // Waits for the study's thread to end: call stop() first to end it soon.
    void wait();
    // What ended the study when it failed, once finished.
    std::exception_ptr error() const;

private:
    void run(unsigned jobs);

    std::shared_ptr<const study::SweepPlan> plan_;
    mutable std::mutex mutex_;
    std::vector<StudyPoint> delivered_;
    std::exception_ptr error_;
    std::stop_source stopSource_;
    std::atomic<bool> stopped_ = false;
    std::atomic<bool> finished_ = false;
    std::thread thread_;
};

} // namespace kaskad::ui
