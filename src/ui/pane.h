// The output pane control: a plain-text edit that takes only text when the
// user pastes or drops something into it.
#pragma once

#include <QPlainTextEdit>

namespace kaskad::ui {

// Ctrl+V, Shift+Insert, a middle click or a drop insert the text of the
// clipboard, the selection or the drag as a plain-text edit does; data that
// carries no text (nothing at all, an image) inserts nothing. Qt 6.4's own
// insertion crashes on data without any format, as an empty clipboard or
// selection gives it.
class Pane : public QPlainTextEdit {
public:
    explicit Pane(QWidget* parent);

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
};

} // namespace kaskad::ui
