// Reading a small file whole: its bytes up to the limit, and why a file is
// refused: too large, missing, or not a regular file where only those are read.
#include "formats/whole_file.h"

#include "formats/file_problem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

namespace kaskad::formats {
namespace {

namespace fs = std::filesystem;

// The bytes read, or the kind and message of the error raised.
std::string outcome(const std::string& path, OtherFiles otherFiles)
{
    try {
        return "bytes: " + readWholeFile(path, 1024, otherFiles);
    } catch (const FileProblem& problem) {
        return std::string(problem.kindName()) + ": " + problem.message();
    }
}

TEST(ReadWholeFile, GivesTheBytesUpToTheLimitOrSaysWhyNot)
{
    const fs::path folder = fs::path(::testing::TempDir()) / "read_whole_file";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const auto file = [&folder](const char* name, std::size_t size) {
        std::ofstream((folder / name).string(), std::ios::binary) << std::string(size, 'x');
        return (folder / name).string();
    };
    const std::string pipe = (folder / "pipe").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const struct {
        const char* name;
        std::string path;
        OtherFiles otherFiles;
        std::string outcome;
    } cases[] = {
        {"as large as the limit", file("limit", 1024), OtherFiles::refused, "bytes: " + std::string(1024, 'x')},
        {"a byte over the limit", file("over", 1025), OtherFiles::refused, "FileTooLarge: файл больше 1 КБ"},
        {"missing", (folder / "missing").string(), OtherFiles::read, "FileProblem: No such file or directory"},
        {"a folder, refused", folder.string(), OtherFiles::refused, "FileProblem: это не обычный файл"},
        {"a folder, read", folder.string(), OtherFiles::read, "FileProblem: Is a directory"},
        {"a named pipe without a writer, refused at once", pipe, OtherFiles::refused,
         "FileProblem: это не обычный файл"},
        {"a device without end, read to the limit", "/dev/zero", OtherFiles::read, "FileTooLarge: файл больше 1 КБ"},
        {"an empty device, read", "/dev/null", OtherFiles::read, "bytes: "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(outcome(c.path, c.otherFiles), c.outcome) << c.name;
}

} // namespace
} // namespace kaskad::formats
