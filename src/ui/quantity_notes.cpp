// The notes on the fields and quantities of the model windows.
#include "ui/quantity_notes.h"

#include "ui/qt_text.h"
#include "ui/window_layout.h"

#include <QLabel>
#include <QLineEdit>

#include <string>

namespace kaskad::ui {

namespace {

const QString kNoUnit = QStringLiteral("единица измерения моделью не задана");
const QString kAsEntered = QStringLiteral("в тех же единицах, что входные концентрации y10 и y50");

const FieldArray<const char*> kFieldNotes = {
    "Число реакторов в каскаде N; дробное число округляется до ближайшего целого.",
    "Концентрация y1 (п-ксилол) в жидкости, входящей в первый реактор; %1.",
    "Концентрация y5 (п-эфир) в жидкости, входящей в первый реактор; %1.",
    "Приведённая скорость воздуха wg; %1.",
    "Температура в первом реакторе t, К (кельвины).",
    "Разность температур соседних реакторов dtr, К: каждый следующий реактор на dtr теплее.",
    "Диаметр реактора d: от него зависят объём реактора и расход воздуха; %1.",
    "Среднее время пребывания жидкости в одном реакторе ts; %1.",
};

const PaneArray<const char*> kQuantityNotes = {
    "концентрация п-ксилола на выходе реактора, %1",
    "концентрация п-толуиловой кислоты на выходе реактора, %1",
    "концентрация терефталевой кислоты на выходе реактора, %1",
    "концентрация монометилового эфира терефталевой кислоты на выходе реактора, %1",
    "концентрация п-эфира на выходе реактора, %1",
    "концентрация воды на выходе реактора, %1",
    "количество воздуха для реактора; %2",
    "первая величина теплообмена реактора; %2",
    "количество оксидата, выходящего из реактора; %2",
    "вторая величина теплообмена реактора; %2",
    "температура в реакторе, К (кельвины)",
    "давление в реакторе; %2",
};

} // namespace

QString fieldNote(ModelKind model, Field field)
{
    if (model == ModelKind::gaslift && field == fieldDiameter)
        return QStringLiteral("Диаметр барботажной трубы db. Газлифтовый расчёт это поле не читает: диаметр трубы "
                              "в модели постоянный.");
    return toQString(kFieldNotes[field]).replace(QStringLiteral("%1"), kNoUnit);
}

QString quantityNote(Pane pane)
{
    return toQString(quantityName(pane)) + QStringLiteral(" — ") +
           toQString(kQuantityNotes[pane])
               .replace(QStringLiteral("%1"), kAsEntered)
               .replace(QStringLiteral("%2"), kNoUnit) +
           QLatin1Char('.');
}

// A field's caption is named after it (editLabelName); a pane's title is the
// label that shows the pane's title text.
void addQuantityNotes(QWidget& window, ModelKind model)
{
    for (int n = 1; n <= kFieldCount; ++n) {
        const std::string edit = "LabeledEdit" + std::to_string(n);
        const QString note = fieldNote(model, Field(n));
        requireControl<QLineEdit>(window, edit)->setToolTip(note);
        requireControl<QLabel>(window, edit + ".EditLabel")->setToolTip(note);
    }
    for (QLabel* label : window.findChildren<QLabel*>())
        for (int p = 1; p <= kPaneCount; ++p)
            if (label->text() == toQString(kPaneTitles[Pane(p)]))
                label->setToolTip(quantityNote(Pane(p)));
}

} // namespace kaskad::ui
