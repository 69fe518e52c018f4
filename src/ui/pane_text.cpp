// Appending to and reading an output pane.
#include "ui/pane_text.h"

#include "ui/qt_text.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace kaskad::ui {

void appendLineToPane(QPlainTextEdit& pane, std::string_view line)
{
    const QString added = toQString(line) + QLatin1Char('\n');
    QTextCursor end(pane.document());
    end.movePosition(QTextCursor::End);
    end.insertText(added);
}

int nextLineOfPane(const QPlainTextEdit& pane) { return pane.document()->blockCount() - 1; }

// A plain text pane scrolls by the lines of its layout, a wrapped line
// counting as several.
void showPaneFromLine(QPlainTextEdit& pane, int line)
{
    const QTextBlock block = pane.document()->findBlockByNumber(line);
    if (block.isValid())
        pane.verticalScrollBar()->setValue(block.firstLineNumber());
}

std::string paneText(const QPlainTextEdit& pane)
{
    QString text = pane.toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text.toStdString();
}

} // namespace kaskad::ui
