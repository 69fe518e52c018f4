// The output pane control and what it accepts from the clipboard.
#include "ui/pane.h"

#include <QMimeData>

namespace kaskad::ui {

namespace {

bool carriesText(const QMimeData* source) { return source != nullptr && source->hasText(); }

} // namespace

Pane::Pane(QWidget* parent) : QPlainTextEdit(parent) {}

bool Pane::canInsertFromMimeData(const QMimeData* source) const
{
    return carriesText(source) && QPlainTextEdit::canInsertFromMimeData(source);
}

void Pane::insertFromMimeData(const QMimeData* source)
{
    if (carriesText(source))
        QPlainTextEdit::insertFromMimeData(source);
}

} // namespace kaskad::ui
