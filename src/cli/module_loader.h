// Finding and loading kaskad-cli's modules (the plot module, the uncertainty
// module) with dlopen, relative to the program.
#pragma once

#include <initializer_list>
#include <vector>

namespace kaskad::cli {

// The entry points `symbols` of the module file `file`, in their order; the
// module stays loaded to the end of the process. A module without every one
// of them is refused whole. `what` names the module in messages ("plot
// module"). Raises OutputError saying why it cannot be loaded or used.
std::vector<void*> moduleEntryPoints(const char* file, std::initializer_list<const char*> symbols, const char* what);

} // namespace kaskad::cli
