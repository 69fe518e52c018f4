// The default error handler and its message box.
#include "ui/error_report.h"

#include "numeric/errors.h"
#include "ui/qt_text.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include <utility>

namespace kaskad::ui {

namespace {

ErrorPresenter& currentPresenter()
{
    static ErrorPresenter presenter;
    return presenter;
}

QString reportCaption()
{
    QString displayName = QGuiApplication::applicationDisplayName();
    if (!displayName.isEmpty())
        return displayName;
    return toQString(applicationTitle(QCoreApplication::applicationFilePath().toStdString()));
}

QString reportTextOf(std::exception_ptr error)
{
    try {
        std::rethrow_exception(std::move(error));
    } catch (const Exception& e) {
        return toQString(reportText(e));
    } catch (const std::exception& e) {
        return toQString(reportText(e.what()));
    } catch (...) {
        return toQString(reportText("Unknown error"));
    }
}

} // namespace

ErrorPresenter setErrorPresenter(ErrorPresenter presenter)
{
    return std::exchange(currentPresenter(), std::move(presenter));
}

ErrorReport reportOf(std::exception_ptr error) { return {reportCaption(), reportTextOf(std::move(error))}; }

void handleException(std::exception_ptr error)
{
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    const ErrorReport report = reportOf(std::move(error));
    if (currentPresenter())
        currentPresenter()(report);
    else
        showErrorMessageBox(report);
}

void showErrorMessageBox(const ErrorReport& report)
{
    QMessageBox box(QMessageBox::Critical, report.caption, report.text, QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("ErrorMessageBox"));
    // The text quotes what the user typed: "<b>3</b>" is shown as typed.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace kaskad::ui
