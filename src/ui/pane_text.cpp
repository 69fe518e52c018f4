// Appending to and reading an output pane.
#include "ui/pane_text.h"

#include "ui/qt_text.h"

#include <QPlainTextEdit>
#include <QTextCursor>

namespace kaskad::ui {

void appendLineToPane(QPlainTextEdit& pane, std::string_view line)
{
    const QString added = toQString(line) + QLatin1Char('\n');
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
