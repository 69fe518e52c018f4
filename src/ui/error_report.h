// The guard every event handler of ours runs in, and the application's
// default error handler that reports what the guard caught.
#pragma once

#include <QPushButton>
#include <QString>

#include <exception>
#include <functional>

namespace kaskad::ui {

struct ErrorReport {
    QString caption; // the application title
    QString text;    // the error's message with its closing "."
};

// Shows a report to the user. The default shows the modal message box.
using ErrorPresenter = std::function<void(const ErrorReport&)>;

// Replaces the presenter (an empty one restores the message box) and
// returns the one it replaces.
ErrorPresenter setErrorPresenter(ErrorPresenter presenter);

// The report of an error caught by a guard: the kaskad::Exception's report
// text, or the message of any other std::exception.
ErrorReport reportOf(std::exception_ptr error);

// The application's default error handler: releases a mouse grab, then
// presents the report of `error`.
void handleException(std::exception_ptr error);

// The message box: stop icon, one OK button, the application title as
// caption, the text as plain text; modal to the whole application while it
// is shown.
void showErrorMessageBox(const ErrorReport& report);

// Runs one event handler of ours. An error that leaves it goes to the
// default error handler and never further, so none unwinds through the
// toolkit's frames.
template <class Handler>
void guarded(Handler&& handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        handleException(std::current_exception());
    }
}

// Binds a click handler of a window to its button, run inside the guard.
template <class Window>
void onClick(QPushButton* button, Window* window, void (Window::*handler)())
{
    QObject::connect(button, &QPushButton::clicked, window,
                     [window, handler] { guarded([&] { (window->*handler)(); }); });
}

} // namespace kaskad::ui
