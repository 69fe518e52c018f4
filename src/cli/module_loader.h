// kaskad-cli's modules (the plot module, the uncertainty module), loaded with
// dlopen on first use; a module that cannot be used is an output failure.
#pragma once

#include <initializer_list>
#include <vector>

namespace kaskad::cli {

// The entry points `symbols` of the module file `file`, in their order. `what`
// names the module in messages ("plot module"). Raises OutputError saying why
// it cannot be loaded or used.
std::vector<void*> moduleEntryPoints(const char* file, std::initializer_list<const char*> symbols, const char* what);

} // namespace kaskad::cli
