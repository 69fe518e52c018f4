// Appending to and reading an output pane.
#include "ui/pane_text.h"

#include "ui/qt_text.h"

#include <QPlainTextEdit>
#include <QTextCursor>

namespace kaskad::ui {

void appendToPaneText(QPlainTextEdit& pane, std::string_view text)
{
    QString added = toQString(text);
    added.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextCursor end(pane.document());
    end.movePosition(QTextCursor::End);
    end.insertText(added);
}

std::string paneText(const QPlainTextEdit& pane)
{
    QString text = pane.toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text.toStdString();
}

} // namespace kaskad::ui
