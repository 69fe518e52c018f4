// A small file a command or the Python module names, read whole and parsed,
// its problems told with the kind of file it should be.
#pragma once

#include "formats/file_problem.h"
#include "formats/whole_file.h"

#include <cstddef>
#include <string>

namespace kaskad::formats {

// What a named file holds, for messages: "study", "a study".
struct FileKind {
    const char* name;
    const char* withArticle;
};

// The file at `path`, of at most `limit` bytes, given to `read` as text.
// Raises FileTooLarge or FileProblem naming the file and why it cannot be
// read or is not of its kind.
template <class Read>
auto readNamedFile(const std::string& path, std::size_t limit, const FileKind& kind, const Read& read)
{
    const std::string named = std::string(kind.name) + " " + path;
    std::string text;
    try {
        text = readWholeFile(path, limit, OtherFiles::read);
    } catch (const FileTooLarge&) {
        throw FileTooLarge("the " + named + " is larger than " + kind.withArticle + " can be");
    } catch (const FileProblem& problem) {
        throw FileProblem("cannot read the " + named + ": " + problem.message());
    }
    try {
        return read(text);
    } catch (const FileProblem& problem) {
        throw FileProblem("the " + named + " cannot be read: " + problem.message());
    }
}

} // namespace kaskad::formats
