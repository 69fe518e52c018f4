// A window's controls held as data, and the one routine that builds a window
// from them: fixed positions and sizes inside a scrolling client area.
#pragma once

#include "ui/qt_text.h"

#include <QPalette>
#include <QRect>
#include <QString>
#include <QWidget>

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

class QFont;

namespace kaskad::ui {

enum class ControlKind {
    label,       // static text; sized to its caption unless a size is given
    button,      // push button
    labeledEdit, // single-line field with its caption in a label above it
    pane,        // multi-line, word-wrapped output pane without scroll bars
};

struct FontStyle {
    int pixelHeight = 0; // character height in pixels; 0: the window's font
    bool bold = false;
    bool underline = false;
};

enum class CaptionColour { windowText, pureRed };

struct ControlRow {
    std::string_view name;
    ControlKind kind;
    std::string_view caption;
    int left, top;
    int width = 0, height = 0; // 0 for a label: fit the caption
    FontStyle font = {};
    int tabOrder = -1; // -1: not in the tab order
    CaptionColour captionColour = CaptionColour::windowText;
};

// Row builders that keep the window tables short.
constexpr ControlRow labelAt(std::string_view name, std::string_view caption, int left, int top)
{
    return {name, ControlKind::label, caption, left, top};
}
constexpr ControlRow boldButton(std::string_view name, std::string_view caption, int left, int top, int width,
                                int height, int fontPixelHeight, int tabOrder,
                                CaptionColour colour = CaptionColour::windowText)
{
    return {name, ControlKind::button, caption, left, top, width, height, {fontPixelHeight, true}, tabOrder, colour};
}
// Every labelled field is 121 x 21 in the window font.
constexpr ControlRow labeledEdit(std::string_view name, std::string_view caption, int left, int top, int tabOrder)
{
    return {name, ControlKind::labeledEdit, caption, left, top, 121, 21, {}, tabOrder};
}
// Every output pane is 185 x 89 in the window font.
constexpr ControlRow pane(std::string_view name, int left, int top, int tabOrder)
{
    return {name, ControlKind::pane, {}, left, top, 185, 89, {}, tabOrder};
}

struct WindowDescription {
    std::string_view caption;
    QRect outerGeometry; // outer top-left on screen, outer size
    QPalette::ColorRole background;
    int fontPixelHeight;         // the font of controls without their own
    std::string_view firstFocus; // control focused when first shown
    std::span<const ControlRow> controls;
};

// The family every window asks for. Where it is missing, a sans-serif of
// similar width comes next, so that captions fit the fixed control sizes,
// and the platform's sans-serif last.
inline constexpr std::string_view kWindowFontFamily = "MS Sans Serif";
inline constexpr std::string_view kNarrowFallbackFamily = "Liberation Sans";
QFont windowFont(const FontStyle& style);

// Gives `window` its caption, font, background, position and outer size (kept
// on every opening, see keepOuterSize), and puts the controls of `row` at
// their fixed places inside a scroll area that fills the window. Returns the
// widget the controls are children of.
QWidget* buildWindow(QWidget& window, const WindowDescription& layout);

// The object name of the caption label of a labelled field.
QString editLabelName(std::string_view editName);

// The child control of `window` with this object name; throws
// std::logic_error when the layout has no such control of that type.
template <class Widget>
Widget* requireControl(const QWidget& window, std::string_view name)
{
    const QString objectName = toQString(name);
    Widget* control = window.findChild<Widget*>(objectName);
    if (!control)
        throw std::logic_error("window layout has no control " + std::string(name));
    return control;
}

} // namespace kaskad::ui
