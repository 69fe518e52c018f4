// Output pane text as the calculations see it: lines ended by "\r\n"; where
// a run's lines start, and the pane shown from there.
#pragma once

#include <string>
#include <string_view>

class QPlainTextEdit;

namespace kaskad::ui {

// Adds a UTF-8 result line and a line break at the very end of the pane,
// after whatever it holds. The cost grows with the line, not with the text
// already in the pane.
void appendLineToPane(QPlainTextEdit& pane, std::string_view line);

// The line the next appended line starts: the pane's last, which is empty
// after a line break.
int nextLineOfPane(const QPlainTextEdit& pane);

// Scrolls the pane, its text unchanged, so that line `line` (from 0) stands at
// its top, or as near the top as the pane scrolls.
void showPaneFromLine(QPlainTextEdit& pane, int line);

// The pane's whole text in UTF-8, every line break as "\r\n".
std::string paneText(const QPlainTextEdit& pane);

} // namespace kaskad::ui
