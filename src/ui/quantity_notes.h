// What each input field and each printed quantity means and in which unit,
// as the windows' tooltips say it. A unit is named only where the model
// fixes one: the kelvin of the temperatures.
#pragma once

#include "model/design.h"
#include "model/quantities.h"

#include <QString>

class QWidget;

namespace kaskad::ui {

// "Температура в первом реакторе t, К." and the like.
QString fieldNote(ModelKind model, Field field);
// "y1 — концентрация п-ксилола на выходе реактора; …".
QString quantityNote(Pane pane);

// Puts the notes on a model window's fields, their captions and the panes'
// titles as tooltips; nothing visible changes.
void addQuantityNotes(QWidget& window, ModelKind model);

} // namespace kaskad::ui
