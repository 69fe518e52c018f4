// Worker threads started as far as the system allows.
#include "study/threads.h"

#include <system_error>
#include <utility>

namespace kaskad::study {

namespace {

ThreadShortfallReporter& shortfallReporter()
{
    static ThreadShortfallReporter reporter;
    return reporter;
}

} // namespace

std::vector<std::jthread> startThreads(std::size_t count, const std::function<void()>& work)
{
    std::vector<std::jthread> threads;
    threads.reserve(count);
    try {
        while (threads.size() < count)
            threads.emplace_back(work);
    } catch (const std::system_error& error) {
        if (const ThreadShortfallReporter& report = shortfallReporter())
            report(threads.size(), count, error.what());
    }
    return threads;
}

void setThreadShortfallReporter(ThreadShortfallReporter reporter) { shortfallReporter() = std::move(reporter); }

} // namespace kaskad::study
