// Outer window size under a window manager, transient ownership and
// bringing a window to the front.
#include "ui/window_frame.h"

#include "ui/error_report.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace kaskad::ui {

namespace {

QMargins frameOf(const QWidget& window)
{
    const QWindow* handle = window.windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

bool isFrame(QMargins frame)
{
    return frame.left() >= 0 && frame.top() >= 0 && frame.right() >= 0 && frame.bottom() >= 0;
}

bool isFramingEvent(const QEvent& event)
{
    return event.type() == QEvent::Expose ||
           (event.spontaneous() && (event.type() == QEvent::Move || event.type() == QEvent::Resize));
}

// Feeds a window's tracker from the widget's show, move and resize events
// and from the expose events of its native window.
class OuterSizeKeeper : public QObject {
public:
    OuterSizeKeeper(QWidget& window, QSize outerSize) : QObject(&window), window_(window), tracker_(outerSize)
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        guarded([&] { follow(watched, *event); });
        return QObject::eventFilter(watched, event);
    }

private:
    // A show the window system sends on its own (restoring a minimised
    // window) is no opening.
    void follow(const QObject* watched, const QEvent& event)
    {
        if (watched == &window_ && event.type() == QEvent::Show && !event.spontaneous())
            opened();
        else if ((watched == &window_ || watched == nativeWindow_) && isFramingEvent(event))
            framed();
    }

    // The native window exists from the opening on.
    void opened()
    {
        if (QWindow* handle = window_.windowHandle(); handle && handle != nativeWindow_) {
            nativeWindow_ = handle;
            handle->installEventFilter(this);
        }
        window_.resize(tracker_.opening(frameOf(window_)));
    }

    // Only a window on the screen has a frame; a maximised window keeps the
    // size the window manager gives it.
    void framed()
    {
        if (!nativeWindow_ || !nativeWindow_->isExposed() ||
            (window_.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
            return;
        if (const std::optional<QSize> size = tracker_.framed(frameOf(window_)))
            window_.resize(*size);
    }

    QWidget& window_;
    QPointer<QWindow> nativeWindow_;
    OuterSizeTracker tracker_;
};

} // namespace

QSize clientSizeFor(QSize outerSize, QMargins frame) { return outerSize.shrunkBy(frame).expandedTo(QSize(1, 1)); }

QSize OuterSizeTracker::opening(QMargins frame)
{
    if (isFrame(frame) && !frame.isNull())
        sizedFor_ = frame;
    return clientSizeFor(outerSize_, sizedFor_);
}

std::optional<QSize> OuterSizeTracker::framed(QMargins frame)
{
    if (!isFrame(frame) || frame == sizedFor_)
        return std::nullopt;
    sizedFor_ = frame;
    return clientSizeFor(outerSize_, frame);
}

void keepOuterSize(QWidget& window, QSize outerSize)
{
    window.resize(clientSizeFor(outerSize, frameOf(window)));
    new OuterSizeKeeper(window, outerSize);
}

void makeTransientFor(QWidget& window, QWidget& owner)
{
    window.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowCloseButtonHint);
    // winId() creates the native window and its QWindow; neither is shown.
    owner.winId();
    window.winId();
    window.windowHandle()->setTransientParent(owner.windowHandle());
}

// show(), raise() and activateWindow() leave a minimised window minimised.
void showInFront(QWidget& window, const QWidget& owner)
{
    window.winId();
    if (QWindow* handle = window.windowHandle())
        handle->setTransientParent(owner.windowHandle());
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace kaskad::ui
