// Writing bytes to a descriptor to the last one, and a file whole or not at
// all, for the plot module, kaskad-cli's output and the desktop program's
// saved tables, charts and input sets; reading a small file whole.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace kaskad::formats {

// What readWholeFile does with a file that is not a regular one.
enum class OtherFiles {
    refused, // a window must not wait on a named pipe that has no writer
    read,    // a command reads a pipe or a device as it comes: --study <(…)
};

// The file's bytes, at most `limit` of them. Raises FileTooLarge ("файл
// больше 64 КБ") for a file holding more, and FileProblem with the reason
// (the system's, or "это не обычный файл") for one that cannot be opened or
// read.
std::string readWholeFile(const std::string& path, std::size_t limit, OtherFiles otherFiles);

// Writes every byte to the descriptor, resuming a write cut short or
// interrupted by a signal. Raises std::system_error with the write's errno.
void writeAll(int descriptor, std::string_view bytes);

// Writes the bytes into a temporary file beside the path and renames it over
// the path, so a failure leaves no half-written file; a file replaced keeps
// its permissions. A device or a pipe cannot be replaced that way: the bytes
// go straight into it. Raises std::runtime_error with the reason when the
// file cannot be written.
void writeWholeFile(const std::string& path, std::string_view bytes);

// A file written piece by piece, as writeWholeFile writes a file whole: into a
// temporary file beside the path, renamed over it by finish(); a device or a
// pipe takes the pieces as they come. Destroyed unfinished, it leaves the
// path as it was. Raises std::runtime_error with the reason when the file
// cannot be made or written.
class FileInPieces {
public:
    explicit FileInPieces(const std::string& path);
    ~FileInPieces();
    FileInPieces(const FileInPieces&) = delete;
    FileInPieces& operator=(const FileInPieces&) = delete;

    void append(std::string_view bytes);
    void finish();

private:
    struct Target;
    std::unique_ptr<Target> target_;
};

} // namespace kaskad::formats
