// How a window sits in the window system: its outer size with the frame the
// window manager puts round it, which window owns the task-bar entry, and a
// window brought to the front.
#pragma once

#include <QMargins>
#include <QObject>
#include <QSize>

#include <optional>

class QWidget;

namespace kaskad::ui {

// The client size that gives a window `outerSize` once the window manager
// has put a frame with these margins round it. A frame as large as the
// window leaves the smallest window there is, 1 x 1.
QSize clientSizeFor(QSize outerSize, QMargins frame);

// Follows the frame of one window and says when and how to size the window
// so that its outer size stays the layout's. Until the window manager has
// framed a newly shown window, Qt reports no frame, or one measured against
// the unframed window with negative sides, which counts as none.
class OuterSizeTracker {
public:
    explicit OuterSizeTracker(QSize outerSize) : outerSize_(outerSize) {}

    // The window is being opened with the frame reported now: the client
    // size to give it. Where no frame is reported, the frame last seen
    // stands in, so that a window opened again comes out right at once.
    QSize opening(QMargins frame);

    // The shown window has been exposed, moved or resized, with the frame
    // reported now: a new client size when the frame differs from the one
    // last sized for, none otherwise. The user's own resizing leaves the
    // frame as it is, and so the size the user chose.
    std::optional<QSize> framed(QMargins frame);

private:
    QSize outerSize_;
    QMargins sizedFor_;
};

// Keeps `window` at `outerSize`, frame included: sized now, on every
// opening, and again whenever the frame of the exposed window changes while
// the window is neither maximised, minimised nor full-screen: above all once
// the window manager has framed it for the first time. Without a window
// manager the frame is empty and the client size is the outer size.
void keepOuterSize(QWidget& window, QSize outerSize);

// Makes `window` belong to `owner` in the window system, a transient window
// of it, so that the program has the owner's task-bar entry only. The window
// becomes a dialog-type window, since on X11 Qt names the owner to the window
// manager for dialog-like types only, and keeps the title bar, system menu,
// minimise, maximise and close boxes of an ordinary window. Creates both
// native windows, hidden, if they do not exist yet.
void makeTransientFor(QWidget& window, QWidget& owner);

// Shows `window` in front and active as a transient window of `owner`, so
// that a modal owner leaves it usable; a window the user has minimised comes
// back as it was.
void showInFront(QWidget& window, const QWidget& owner);

} // namespace kaskad::ui
