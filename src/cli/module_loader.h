// Finding and loading kaskad-cli's modules (the plot module, the uncertainty
// module) with dlopen, relative to the program.
#pragma once

namespace kaskad::cli {

// The entry point `symbol` of the module file `file`, which stays loaded to
// the end of the process. `what` names the module in messages
// ("plot module"). Raises OutputError saying why it cannot be loaded.
void* moduleEntryPoint(const char* file, const char* symbol, const char* what);

} // namespace kaskad::cli
