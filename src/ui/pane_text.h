// Output pane text as the calculations see it: lines ended by "\r\n".
#pragma once

#include <string>
#include <string_view>

class QPlainTextEdit;

namespace kaskad::ui {

// Adds UTF-8 `text` at the very end of the pane, after whatever it holds,
// each "\r\n" becoming a line break. The cost grows with the text added,
// not with the text already in the pane.
void appendToPaneText(QPlainTextEdit& pane, std::string_view text);

// The pane's whole text in UTF-8, every line break as "\r\n".
std::string paneText(const QPlainTextEdit& pane);

} // namespace kaskad::ui
