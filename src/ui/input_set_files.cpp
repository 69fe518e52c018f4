// Input set files of the model windows.
#include "ui/input_set_files.h"

#include "formats/file_problem.h"
#include "formats/input_set.h"
#include "formats/whole_file.h"
#include "ui/model_form.h"
#include "ui/qt_text.h"
#include "ui/user_files.h"

#include <QLineEdit>

namespace kaskad::ui {

using formats::FileProblem;

namespace {

const std::vector<FileType> kSavedTypes = {
    {QStringLiteral("Исходные данные Kaskad (*.kaskad.json)"), QStringLiteral("kaskad.json")},
    {QStringLiteral("JSON (*.json)"), QStringLiteral("json")},
};
const std::vector<FileType> kOpenedTypes = {
    {QStringLiteral("Исходные данные Kaskad (*.kaskad.json)"), QStringLiteral("kaskad.json")},
    {QStringLiteral("JSON (*.json)"), QStringLiteral("json")},
    {QStringLiteral("Все файлы (*)"), QString()},
};

} // namespace

void saveInputSet(ModelForm& form)
{
    const std::optional<ChosenFile> chosen = chooseFile(
        &form, {true, QStringLiteral("Сохранить исходные данные"), kSavedTypes, QStringLiteral("исходные данные")});
    if (!chosen)
        return;
    FieldTexts fields;
    for (int n = 1; n <= kFieldCount; ++n)
        fields[Field(n)] = form.fieldText(n);
    writeWholeFile(chosen->path,
                   QByteArray::fromStdString(formats::inputSetJson(form.modelKind(), fields, form.decimalSeparator())));
}

void openInputSet(ModelForm& form)
{
    const std::optional<ChosenFile> chosen =
        chooseFile(&form, {false, QStringLiteral("Открыть исходные данные"), kOpenedTypes, {}});
    if (!chosen)
        return;
    FieldTexts fields;
    try {
        const std::string json = formats::readWholeFile(chosen->path.toStdString(), formats::kInputSetSizeLimit,
                                                        formats::OtherFiles::refused);
        fields = formats::readInputSet(json, form.modelKind(), form.decimalSeparator());
    } catch (const FileProblem& problem) {
        throw FileProblem(cannotOpen(chosen->path, problem.message()));
    }
    for (int n = 1; n <= kFieldCount; ++n)
        form.field(n)->setText(toQString(fields[Field(n)]));
}

} // namespace kaskad::ui
