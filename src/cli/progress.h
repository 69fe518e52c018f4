// A progress bar on a terminal for long sweeps.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <ostream>

namespace kaskad::cli {

// Draws "[#####.....] 1234/10000 points" on one line, rewritten in place.
// Nothing is drawn during the first two seconds, so short sweeps stay
// silent, nor at all when disabled (the stream is not a terminal).
class ProgressBar {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    ProgressBar(std::ostream& out, std::size_t total, bool enabled, Clock clock = &std::chrono::steady_clock::now);
    // Redraws at most ten times a second.
    void update(std::size_t done);
    // Clears the bar, if one was drawn.
    void finish();

private:
    std::ostream& out_;
    std::size_t total_;
    bool enabled_;
    Clock clock_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDrawn_;
    bool drawn_ = false;
};

// True when the standard error stream is a terminal.
bool standardErrorIsTerminal();

} // namespace kaskad::cli
