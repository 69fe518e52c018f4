// The file dialog, the folder last used and whole-file writes.
#include "ui/user_files.h"

#include "formats/whole_file.h"
#include "formats/file_problem.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

#include <utility>

namespace kaskad::ui {

using formats::FileProblem;

namespace {

const QString kLastFolderKey = QStringLiteral("files/lastFolder");

QSettings userSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Kaskad"), QStringLiteral("kaskad"));
}

QStringList filtersOf(const FileRequest& request)
{
    QStringList filters;
    for (const FileType& type : request.types)
        filters << type.filter;
    return filters;
}

// The file dialog; the suffix of the type shown goes to a name typed
// without one, so that the dialog asks before replacing that file.
std::optional<ChosenFile> askWithDialog(QWidget* parent, const FileRequest& request, const QString& folder)
{
    QFileDialog dialog(parent, request.caption, folder);
    dialog.setAcceptMode(request.saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = filtersOf(request);
    dialog.setNameFilters(filters);
    if (!request.types.empty() && request.saving)
        dialog.setDefaultSuffix(request.types.front().suffix);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        if (request.saving && filters.contains(filter))
            dialog.setDefaultSuffix(request.types[std::size_t(filters.indexOf(filter))].suffix);
    });
    if (!request.suggestedName.isEmpty())
        dialog.selectFile(request.suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const qsizetype type = filters.indexOf(dialog.selectedNameFilter());
    return ChosenFile{dialog.selectedFiles().constFirst(), type < 0 ? 0 : std::size_t(type)};
}

FileChooser& currentChooser()
{
    static FileChooser chooser;
    return chooser;
}

// The type whose suffix the name has, or the chosen type's suffix added.
ChosenFile withTypeSuffix(ChosenFile chosen, const FileRequest& request)
{
    for (std::size_t t = 0; t < request.types.size(); ++t)
        if (chosen.path.endsWith(QLatin1Char('.') + request.types[t].suffix, Qt::CaseInsensitive))
            return {chosen.path, t};
    if (request.saving && chosen.type < request.types.size())
        chosen.path += QLatin1Char('.') + request.types[chosen.type].suffix;
    return chosen;
}

} // namespace

FileChooser setFileChooser(FileChooser chooser) { return std::exchange(currentChooser(), std::move(chooser)); }

QString lastFolder()
{
    const QString folder = userSettings().value(kLastFolderKey).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

std::optional<ChosenFile> chooseFile(QWidget* parent, const FileRequest& request)
{
    const FileChooser& chooser = currentChooser();
    std::optional<ChosenFile> chosen =
        chooser ? chooser(parent, request, lastFolder()) : askWithDialog(parent, request, lastFolder());
    if (!chosen || chosen->path.isEmpty())
        return std::nullopt;
    userSettings().setValue(kLastFolderKey, QFileInfo(chosen->path).absolutePath());
    return withTypeSuffix(*chosen, request);
}

std::string cannotOpen(const QString& path, const std::string& problem)
{
    return "Не удалось открыть «" + QDir::toNativeSeparators(path).toStdString() + "»: " + problem + ".";
}

std::string cannotSave(const QString& path, const std::string& problem)
{
    return "Не удалось сохранить «" + QDir::toNativeSeparators(path).toStdString() + "»: " + problem + ".";
}

void writeWholeFile(const QString& path, const QByteArray& bytes)
{
    try {
        formats::writeWholeFile(path.toStdString(), std::string_view(bytes.constData(), std::size_t(bytes.size())));
    } catch (const std::runtime_error& error) {
        throw FileProblem(cannotSave(path, error.what()));
    }
}

} // namespace kaskad::ui
