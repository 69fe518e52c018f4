// Writing a file whole: renamed into place, or written through a device.
#include "formats/whole_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace kaskad::formats {

namespace {

[[noreturn]] void failWithErrno(int error) { throw std::runtime_error(std::strerror(error)); }

// Closes a descriptor it owns, and removes the temporary file it names until
// that file is renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& path) : path_(path) { create(); }
    ~TemporaryFile()
    {
        if (descriptor_ >= 0)
            ::close(descriptor_);
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int descriptor() const { return descriptor_; }

    void renameOver(const std::string& target)
    {
        const int descriptor = std::exchange(descriptor_, -1);
        if (::fsync(descriptor) != 0 || ::close(descriptor) != 0)
            failWithErrno(errno);
        if (::rename(path_.c_str(), target.c_str()) != 0)
            failWithErrno(errno);
        path_.clear();
    }

private:
    // A new name beside the target: the process and a counter, tried again
    // while such a file exists. The mode 0666 passes through the umask, as a
    // new file's does.
    void create()
    {
        static std::atomic<unsigned> counter{0};
        const std::string base = path_;
        for (;;) {
            path_ = base + ".kaskad-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
            descriptor_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (descriptor_ >= 0)
                return;
            if (errno != EEXIST) {
                const int error = errno;
                path_.clear();
                failWithErrno(error);
            }
        }
    }

    std::string path_;
    int descriptor_ = -1;
};

void writeInPlace(const std::string& path, std::string_view bytes)
{
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (descriptor < 0)
        failWithErrno(errno);
    try {
        writeAll(descriptor, bytes);
    } catch (const std::system_error& error) {
        ::close(descriptor);
        failWithErrno(error.code().value());
    }
    if (::close(descriptor) != 0)
        failWithErrno(errno);
}

} // namespace

void writeAll(int descriptor, std::string_view bytes)
{
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t written = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            throw std::system_error(errno, std::generic_category());
        done += static_cast<std::size_t>(written);
    }
}

void writeWholeFile(const std::string& path, std::string_view bytes)
{
    struct stat status {};
    const bool exists = ::stat(path.c_str(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode)) {
        writeInPlace(path, bytes);
        return;
    }
    TemporaryFile file(path);
    if (exists && ::fchmod(file.descriptor(), status.st_mode & 07777) != 0)
        failWithErrno(errno);
    try {
        writeAll(file.descriptor(), bytes);
    } catch (const std::system_error& error) {
        failWithErrno(error.code().value());
    }
    file.renameOver(path);
}

} // namespace kaskad::formats
