// Writing bytes to a descriptor to the last one, and a file whole or not at
// all, for the plot module, kaskad-cli's output and the desktop program's
// saved tables, charts and input sets.
#pragma once

#include <string>
#include <string_view>

namespace kaskad::formats {

// Writes every byte to the descriptor, resuming a write cut short or
// interrupted by a signal. Raises std::system_error with the write's errno.
void writeAll(int descriptor, std::string_view bytes);

// Writes the bytes into a temporary file beside the path and renames it over
// the path, so a failure leaves no half-written file; a file replaced keeps
// its permissions. A device or a pipe cannot be replaced that way: the bytes
// go straight into it. Raises std::runtime_error with the reason when the
// file cannot be written.
void writeWholeFile(const std::string& path, std::string_view bytes);

} // namespace kaskad::formats
