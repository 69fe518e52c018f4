// Writing standard output with its failures kept, and noting stop signals.
#include "cli/output_stream.h"

#include "cli/cli_errors.h"
#include "formats/whole_file.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string_view>
#include <system_error>
#include <pthread.h>
#include <unistd.h>

namespace kaskad::cli {

namespace {

std::atomic<int> receivedSignal{0};

extern "C" void noteSignal(int signal) { receivedSignal.store(signal); }

} // namespace

DescriptorBuffer::DescriptorBuffer(int descriptor, std::size_t capacity) : descriptor_(descriptor), buffer_(capacity)
{
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

DescriptorBuffer::~DescriptorBuffer() { drain(); }

bool DescriptorBuffer::drain()
{
    if (failure_ == 0 && pptr() > pbase()) {
        try {
            formats::writeAll(descriptor_, std::string_view(pbase(), static_cast<std::size_t>(pptr() - pbase())));
        } catch (const std::system_error& error) {
            // Kept, not lost: check() raises it as the output's failure.
            failure_ = error.code().value();
        }
    }
    // What could not be written is dropped: the stream reports the failure.
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return failure_ == 0;
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c)
{
    if (!drain())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

std::streamsize DescriptorBuffer::xsputn(const char* text, std::streamsize count)
{
    std::streamsize done = 0;
    while (done < count) {
        if (pptr() == epptr() && !drain())
            return done;
        const std::streamsize room = epptr() - pptr();
        const std::streamsize part = std::min(room, count - done);
        std::memcpy(pptr(), text + done, static_cast<std::size_t>(part));
        pbump(static_cast<int>(part));
        done += part;
    }
    return done;
}

int DescriptorBuffer::sync() { return drain() ? 0 : -1; }

StandardOutput::StandardOutput() : buffer_(STDOUT_FILENO), stream_(&buffer_) {}

void StandardOutput::flush()
{
    stream_.flush();
    check();
}

void StandardOutput::check() const
{
    if (buffer_.failure() != 0)
        throw OutputError(std::string("the output could not be written: ") + std::strerror(buffer_.failure()));
    if (!stream_)
        throw OutputError("the output could not be written");
}

InterruptionWatch::InterruptionWatch()
{
    receivedSignal.store(0);
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    sigset_t watched;
    sigemptyset(&watched);
    for (std::size_t i = 0; i < std::size(kWatched); ++i) {
        sigaction(kWatched[i], nullptr, &previous_[i]);
        // A signal the parent ignores (nohup, "cmd &" in a script) stays ignored.
        if (previous_[i].sa_handler == SIG_IGN)
            continue;
        sigaction(kWatched[i], &action, nullptr);
        sigaddset(&watched, kWatched[i]);
    }
    // A watched signal that was blocked, and may be pending since before the
    // program started, is noted now rather than never.
    pthread_sigmask(SIG_UNBLOCK, &watched, nullptr);
}

InterruptionWatch::~InterruptionWatch()
{
    for (std::size_t i = 0; i < std::size(kWatched); ++i)
        if (previous_[i].sa_handler != SIG_IGN)
            sigaction(kWatched[i], &previous_[i], nullptr);
}

int InterruptionWatch::received() { return receivedSignal.load(); }

// Where the system starts no thread for the watch, the work runs without it:
// a signal then ends the program only when the work is done.
InterruptionStop::InterruptionStop()
{
    try {
        watcher_ = std::jthread([this](const std::stop_token& ending) { watch(ending); });
    } catch (const std::system_error& error) {
        std::cerr << "kaskad-cli: no thread could be started to watch for signals (" << error.what()
                  << "); a signal ends the work only when it is done\n";
    }
}

void InterruptionStop::watch(const std::stop_token& ending)
{
    constexpr auto kLookEvery = std::chrono::milliseconds(10);
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    while (!ending.stop_requested()) {
        if (InterruptionWatch::received() != 0) {
            source_.request_stop();
            return;
        }
        // Wakes at once when this stop ends.
        never.wait_for(lock, ending, kLookEvery, [] { return false; });
    }
}

} // namespace kaskad::cli
