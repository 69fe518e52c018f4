// Output pane text as the calculations see it: lines ended by "\r\n".
#pragma once

#include <string>
#include <string_view>

class QPlainTextEdit;

namespace kaskad::ui {

// Adds a UTF-8 result line and a line break at the very end of the pane,
// after whatever it holds. The cost grows with the line, not with the text
// already in the pane.
void appendLineToPane(QPlainTextEdit& pane, std::string_view line);

// The pane's whole text in UTF-8, every line break as "\r\n".
std::string paneText(const QPlainTextEdit& pane);

} // namespace kaskad::ui
