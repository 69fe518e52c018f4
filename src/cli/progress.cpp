// Drawing the sweep progress bar.
#include "cli/progress.h"

#include <string>
#include <unistd.h>

namespace kaskad::cli {

namespace {

constexpr auto kQuietStart = std::chrono::seconds(2);
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr std::size_t kBarWidth = 40;

} // namespace

ProgressBar::ProgressBar(std::ostream& out, std::size_t total, bool enabled, Clock clock)
    : out_(out), total_(total), enabled_(enabled), clock_(std::move(clock)), start_(clock_())
{}

void ProgressBar::update(std::size_t done)
{
    if (!enabled_ || total_ == 0)
        return;
    const auto now = clock_();
    if (now - start_ < kQuietStart || (drawn_ && now - lastDrawn_ < kRedrawInterval))
        return;
    const std::size_t filled = done * kBarWidth / total_;
    out_ << "\r[" << std::string(filled, '#') << std::string(kBarWidth - filled, '.') << "] " << done << '/' << total_
         << " points" << std::flush;
    drawn_ = true;
    lastDrawn_ = now;
}

void ProgressBar::finish()
{
    if (drawn_)
        out_ << "\r\x1b[K" << std::flush;
    drawn_ = false;
}

bool standardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

} // namespace kaskad::cli
