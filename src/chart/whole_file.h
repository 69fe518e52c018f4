// Writing a file whole or not at all, for the plot module and the desktop
// program's saved tables, charts and input sets.
#pragma once

#include <QByteArray>

#include <string>

namespace kaskad::chart {

// Writes the bytes into a temporary file beside the path and renames it over
// the path, so a failure leaves no half-written file. A device or a pipe
// cannot be replaced that way: the bytes go straight into it. Raises
// std::runtime_error with the reason when the file cannot be written.
void writeWholeFile(const std::string& path, const QByteArray& bytes);

} // namespace kaskad::chart
