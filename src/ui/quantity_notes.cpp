// The notes on the fields and quantities of the model windows.
#include "ui/quantity_notes.h"

#include "ui/qt_text.h"
#include "ui/window_layout.h"

#include <QLabel>
#include <QLineEdit>

#include <string>

namespace kaskad::ui {

QString fieldNote(ModelKind model, Field field)
{
    return toQString(modelFields(model)[FieldArray<int>::place(field)].note);
}

QString quantityNote(Pane pane)
{
    const QuantityDescription& quantity = quantityOf(pane);
    return toQString(quantity.name) + QStringLiteral(" — ") + toQString(quantity.note) + QLatin1Char('.');
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
