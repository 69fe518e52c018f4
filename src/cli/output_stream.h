// Standard output as a stream that knows why a write failed, and the watch
// that turns SIGINT, SIGTERM and SIGHUP into a clean stop of any command.
#pragma once

#include <atomic>
#include <csignal>
#include <iterator>
#include <ostream>
#include <stop_token>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

namespace kaskad::cli {

// A buffered stream buffer over a file descriptor. A write that fails keeps
// its errno, so the failure can be reported with its reason.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int descriptor, std::size_t capacity = 1 << 16);
    ~DescriptorBuffer() override;

    // The errno of the first failed write, 0 while none failed.
    int failure() const { return failure_; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    bool drain();

    int descriptor_;
    std::vector<char> buffer_;
    int failure_ = 0;
};

// The standard output of the command line. check() raises OutputError, with
// the reason, once a write has failed.
class StandardOutput {
public:
    StandardOutput();
    std::ostream& stream() { return stream_; }
    void flush();
    void check() const;

private:
    DescriptorBuffer buffer_;
    std::ostream stream_;
};

// While alive, SIGINT, SIGTERM and SIGHUP do not end the process but are
// noted, so a sweep can stop between two points and leave complete output.
// One watch lives for the whole command, made before anything is computed;
// a signal the parent ignored stays ignored.
class InterruptionWatch {
public:
    InterruptionWatch();
    ~InterruptionWatch();
    InterruptionWatch(const InterruptionWatch&) = delete;
    InterruptionWatch& operator=(const InterruptionWatch&) = delete;

    // The signal received, 0 while none.
    static int received();

private:
    static constexpr int kWatched[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction previous_[std::size(kWatched)]{};
};

// The stop of long work (a sweep, a search), asked for once the watch has
// noted a signal. A signal handler cannot ask for a stop safely, so a thread
// of its own looks at the watch every few milliseconds while this lives.
class InterruptionStop {
public:
    InterruptionStop();
    InterruptionStop(const InterruptionStop&) = delete;
    InterruptionStop& operator=(const InterruptionStop&) = delete;

    std::stop_token token() const { return source_.get_token(); }

private:
    void watch(const std::stop_token& ending);

    std::stop_source source_;
    std::jthread watcher_; // last: it ends before the source goes
};

} // namespace kaskad::cli
