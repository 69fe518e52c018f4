// Writing a file whole: renamed into place, or written through a device;
// reading a small file whole, up to a size limit.
#include "formats/whole_file.h"

#include "formats/file_problem.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
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

// Writes the bytes straight into the path: a device or a pipe (flags
// O_TRUNC), or a new file in a folder that takes no temporary file (flags
// O_CREAT | O_EXCL: a file that appeared meanwhile is never truncated, and
// the file made is removed again when it cannot be written whole). Synced
// where it is a regular file.
void writeInPlace(const std::string& path, std::string_view bytes, int flags)
{
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | flags, 0666);
    if (descriptor < 0)
        failWithErrno(errno);
    const auto fail = [&path, flags](int error) {
        if ((flags & O_EXCL) != 0)
            ::unlink(path.c_str());
        failWithErrno(error);
    };
    struct stat status {};
    try {
        writeAll(descriptor, bytes);
        if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && ::fsync(descriptor) != 0)
            throw std::system_error(errno, std::generic_category());
    } catch (const std::system_error& error) {
        ::close(descriptor);
        fail(error.code().value());
    }
    if (::close(descriptor) != 0)
        fail(errno);
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

// A descriptor opened for reading, closed at the end. Where other files are
// refused it is opened without waiting, so that a named pipe without a
// writer is refused instead of holding the open for good.
class FileForReading {
public:
    FileForReading(const std::string& path, OtherFiles otherFiles)
        : descriptor_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | (otherFiles == OtherFiles::refused ? O_NONBLOCK : 0)))
    {
        if (descriptor_ < 0)
            throw FileProblem(std::strerror(errno));
    }
    ~FileForReading() { ::close(descriptor_); }
    FileForReading(const FileForReading&) = delete;
    FileForReading& operator=(const FileForReading&) = delete;

    int descriptor() const { return descriptor_; }

private:
    int descriptor_;
};

FileTooLarge tooLarge(std::size_t limit) { return FileTooLarge("файл больше " + std::to_string(limit / 1024) + " КБ"); }

// The next `most` bytes of the descriptor, fewer at its end.
std::string readUpTo(int descriptor, std::size_t most)
{
    std::string bytes(most, '\0');
    std::size_t used = 0;
    while (used < most) {
        const ssize_t n = ::read(descriptor, bytes.data() + used, most - used);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw FileProblem(std::strerror(errno));
        if (n == 0)
            break;
        used += std::size_t(n);
    }
    bytes.resize(used);
    return bytes;
}

} // namespace

// A regular file's size refuses it before anything is read; what the file
// holds by the time it is read is checked again, as is what a pipe gives.
std::string readWholeFile(const std::string& path, std::size_t limit, OtherFiles otherFiles)
{
    const FileForReading file(path, otherFiles);
    struct stat status {};
    if (::fstat(file.descriptor(), &status) != 0)
        throw FileProblem(std::strerror(errno));
    const bool regular = S_ISREG(status.st_mode);
    if (!regular && otherFiles == OtherFiles::refused)
        throw FileProblem("это не обычный файл");
    if (regular && std::uintmax_t(status.st_size) > limit)
        throw tooLarge(limit);
    std::string bytes = readUpTo(file.descriptor(), limit + 1);
    if (bytes.size() > limit)
        throw tooLarge(limit);
    return bytes;
}

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
        writeInPlace(path, bytes, O_TRUNC);
        return;
    }
    std::string noTemporaryFile;
    std::optional<TemporaryFile> file = temporaryFileBeside(path, noTemporaryFile);
    if (!file) {
        // An existing file is never truncated before its new content is
        // known to fit: without a temporary file it is left as it was.
        if (exists)
            throw std::runtime_error("no temporary file could be made beside it (" + noTemporaryFile +
                                     "); it was left as it was rather than overwritten in place");
        try {
            writeInPlace(path, bytes, O_CREAT | O_EXCL);
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

// A pipe or a device opened in place, or a temporary file beside a regular
// file or a new one.
struct FileInPieces::Target {
    std::string path;
    std::optional<TemporaryFile> temporary;
    int device = -1;

    ~Target()
    {
        if (device >= 0)
            ::close(device);
    }
    int descriptor() const { return temporary ? temporary->descriptor() : device; }
};

FileInPieces::FileInPieces(const std::string& path) : target_(std::make_unique<Target>())
{
    target_->path = path;
    struct stat status {};
    const bool exists = ::stat(path.c_str(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode)) {
        target_->device = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (target_->device < 0)
            failWithErrno(errno);
        return;
    }
    try {
        target_->temporary.emplace(path);
    } catch (const std::system_error& error) {
        failWithErrno(error.code().value());
    }
    if (exists && ::fchmod(target_->descriptor(), status.st_mode & 07777) != 0)
        failWithErrno(errno);
}

FileInPieces::~FileInPieces() = default;

void FileInPieces::append(std::string_view bytes)
{
    try {
        writeAll(target_->descriptor(), bytes);
    } catch (const std::system_error& error) {
        failWithErrno(error.code().value());
    }
}

void FileInPieces::finish()
{
    if (target_->temporary)
        target_->temporary->renameOver(target_->path);
    else if (::close(std::exchange(target_->device, -1)) != 0)
        failWithErrno(errno);
}

} // namespace kaskad::formats
