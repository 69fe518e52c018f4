// Writing a file whole: renamed into place, or written through a device.
#include "formats/whole_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
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
                throw std::system_error(error, std::generic_category());
            }
        }
    }

    std::string path_;
    int descriptor_ = -1;
};

// Writes the bytes straight into the path: a device or a pipe, or a file
// whose folder takes no temporary file, created when missing and synced.
void writeInPlace(const std::string& path, std::string_view bytes)
{
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor < 0)
        failWithErrno(errno);
    struct stat status {};
    try {
        writeAll(descriptor, bytes);
        if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && ::fsync(descriptor) != 0)
            throw std::system_error(errno, std::generic_category());
    } catch (const std::system_error& error) {
        ::close(descriptor);
        failWithErrno(error.code().value());
    }
    if (::close(descriptor) != 0)
        failWithErrno(errno);
}

// The temporary file beside the path, or nothing when the folder exists but
// takes no new name (a read-only folder may hold a writable file, a name may
// leave no room for a longer one); why it could not be made.
std::optional<TemporaryFile> temporaryFileBeside(const std::string& path, std::string& whyNot)
{
    try {
        return std::optional<TemporaryFile>(std::in_place, path);
    } catch (const std::system_error& error) {
        const int code = error.code().value();
        if (code != EACCES && code != EPERM && code != EROFS && code != ENAMETOOLONG && code != EDQUOT &&
            code != ENOSPC)
            failWithErrno(code);
        whyNot = std::strerror(code);
        return std::nullopt;
    }
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
    std::string noTemporaryFile;
    std::optional<TemporaryFile> file = temporaryFileBeside(path, noTemporaryFile);
    if (!file) {
        try {
            writeInPlace(path, bytes);
        } catch (const std::runtime_error& error) {
            throw std::runtime_error("no temporary file could be made beside it (" + noTemporaryFile +
                                     ") and it could not be written in place (" + error.what() + ")");
        }
        return;
    }
    if (exists && ::fchmod(file->descriptor(), status.st_mode & 07777) != 0)
        failWithErrno(errno);
    try {
        writeAll(file->descriptor(), bytes);
    } catch (const std::system_error& error) {
        failWithErrno(error.code().value());
    }
    file->renameOver(path);
}

} // namespace kaskad::formats
