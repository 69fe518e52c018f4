// Files the user chooses: the file dialog (replaceable, for tests), the
// folder last used, and writing whole files with a report that names the
// file and the reason.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace kaskad::ui {

struct FileType {
    QString filter; // "CSV (*.csv)"
    QString suffix; // "csv": added to a name that has none of the types' suffixes
};

// A type a window saves, with what forms the file's bytes from what it shows.
template <class Source, class Bytes>
struct SavedFileType {
    FileType type;
    Bytes (*bytesOf)(Source& source);
};

// The types of a window's saved file types, in their order, for the dialog.
template <class Saved, std::size_t count>
std::vector<FileType> fileTypesOf(const std::array<Saved, count>& saved)
{
    std::vector<FileType> types;
    types.reserve(count);
    for (const Saved& each : saved)
        types.push_back(each.type);
    return types;
}

struct FileRequest {
    bool saving = false;
    QString caption;
    std::vector<FileType> types; // the first is offered first
    QString suggestedName;       // the name proposed when saving
};

struct ChosenFile {
    QString path;
    std::size_t type = 0; // index into the request's types
};

// Asks the user for a file, starting in `folder`; none when cancelled.
using FileChooser =
    std::function<std::optional<ChosenFile>(QWidget* parent, const FileRequest& request, const QString& folder)>;

// Replaces the chooser (an empty one restores the file dialog) and returns
// the one it replaces.
FileChooser setFileChooser(FileChooser chooser);

// Asks for a file in the folder last used, and remembers the folder of the
// file chosen. A name without one of the types' suffixes gets the chosen
// type's; a name with one takes that type.
std::optional<ChosenFile> chooseFile(QWidget* parent, const FileRequest& request);

// The folder the file dialogs start in: the last one used, kept in the
// user's settings, or the home folder.
QString lastFolder();

// Replaces the file with `bytes` whole, or leaves it as it was: raises
// FileProblem naming the file and the reason.
void writeWholeFile(const QString& path, const QByteArray& bytes);

// "Не удалось открыть «PATH»: PROBLEM." and its saving twin.
std::string cannotOpen(const QString& path, const std::string& problem);
std::string cannotSave(const QString& path, const std::string& problem);

} // namespace kaskad::ui
