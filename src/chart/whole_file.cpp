// Writing a file whole: renamed into place, or written through a device.
#include "chart/whole_file.h"

#include <QSaveFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace kaskad::chart {

namespace {

[[noreturn]] void failWithErrno(int error) { throw std::runtime_error(std::strerror(error)); }

// Every failed write is reported, a write cut short by a signal resumed.
void writeInPlace(const std::string& path, const QByteArray& bytes)
{
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (descriptor < 0)
        failWithErrno(errno);
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written =
            ::write(descriptor, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0) {
            const int error = errno;
            ::close(descriptor);
            failWithErrno(error);
        }
        done += written;
    }
    if (::close(descriptor) != 0)
        failWithErrno(errno);
}

} // namespace

void writeWholeFile(const std::string& path, const QByteArray& bytes)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        writeInPlace(path, bytes);
        return;
    }
    QSaveFile out(QString::fromStdString(path));
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        throw std::runtime_error(out.errorString().toStdString());
}

} // namespace kaskad::chart
