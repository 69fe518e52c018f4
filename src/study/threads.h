// Starting the worker threads of a study: as many as asked where the system
// allows, fewer where it refuses more, and the shortfall told to the user.
#pragma once

#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

namespace kaskad::study {

// Starts up to `count` threads running `work`. Where the system refuses a
// thread (std::system_error: a process limit, a container's), keeps those
// started, tells the shortfall reporter, and returns them: the caller does
// the work of those missing on its own thread.
std::vector<std::jthread> startThreads(std::size_t count, const std::function<void()>& work);

// How a front end tells the user that fewer threads ran than asked for
// (kaskad-cli: a line on stderr). Set once, before any study starts; by
// default nothing is told.
using ThreadShortfallReporter = std::function<void(std::size_t started, std::size_t asked, const char* reason)>;
void setThreadShortfallReporter(ThreadShortfallReporter reporter);

} // namespace kaskad::study
