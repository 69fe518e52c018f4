// libFuzzer target for whole runs of kaskad-cli: the input, one argument per
// line, goes through the same parsing and running as the program's command
// line. Standard output goes to /dev/null and standard error's text is
// dropped. --plot, the only option that writes a file, is left out, and so is
// --scan, which only makes a solve long and does not heed a stop. A run still
// going after a fraction of a second gets SIGHUP, which a sweep or a search
// takes as the request to stop.
#include "cli/commands.h"
#include "numeric/extended.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <mutex>
#include <streambuf>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr auto kRunBudget = std::chrono::milliseconds(200);

// A stream buffer that takes every character and keeps none.
class DiscardingBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

// Sends SIGHUP to the process when a run outlives its budget.
class RunWatchdog {
public:
    RunWatchdog() : thread_([this] { watch(); }) { thread_.detach(); }

    void started()
    {
        const std::lock_guard lock(mutex_);
        ++run_;
        deadline_ = std::chrono::steady_clock::now() + kRunBudget;
        running_ = true;
        changed_.notify_one();
    }

    void finished()
    {
        const std::lock_guard lock(mutex_);
        running_ = false;
        changed_.notify_one();
    }

private:
    void watch()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return running_; });
            const std::uint64_t run = run_;
            const auto over = [this, run] { return !running_ || run_ != run; };
            if (!changed_.wait_until(lock, deadline_, over)) {
                ::kill(::getpid(), SIGHUP);
                changed_.wait(lock, over);
            }
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::chrono::steady_clock::time_point deadline_;
    bool running_ = false;
    std::uint64_t run_ = 0;
    std::thread thread_;
};

// Between runs SIGHUP does nothing: one that comes after a run has ended
// must not end the fuzzer.
extern "C" void ignoreLateHangUp(int) {}

// The options left out: --plot writes a file, --scan only makes a run long.
bool leftOut(std::string_view argument)
{
    for (const std::string_view option : {"--plot", "--scan"})
        if (argument == option || (argument.starts_with(option) && argument[option.size()] == '='))
            return true;
    return false;
}

std::vector<std::string> argumentsOf(std::string_view input)
{
    std::vector<std::string> arguments{"kaskad-cli"};
    while (!input.empty()) {
        const std::size_t end = std::min(input.find('\n'), input.size());
        if (const std::string_view argument = input.substr(0, end); !leftOut(argument))
            arguments.emplace_back(argument);
        input.remove_prefix(std::min(end + 1, input.size()));
    }
    return arguments;
}

RunWatchdog* watchdog = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const int sink = ::open("/dev/null", O_WRONLY);
    if (sink < 0 || ::dup2(sink, STDOUT_FILENO) < 0)
        std::abort();
    ::close(sink);
    static DiscardingBuffer discarded;
    std::cerr.rdbuf(&discarded);
    std::signal(SIGHUP, ignoreLateHangUp);
    watchdog = new RunWatchdog;
    kaskad::setCalculationFloatingPointEnvironment();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> arguments = argumentsOf(std::string_view(reinterpret_cast<const char*>(data), size));
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    watchdog->started();
    kaskad::cli::runCommandLine(static_cast<int>(arguments.size()), argv.data());
    watchdog->finished();
    return 0;
}
