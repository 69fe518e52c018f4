// Finding and loading the programs' modules (kaskad-cli's plot and
// uncertainty modules, the desktop program's uncertainty module) with dlopen,
// relative to the program.
#pragma once

#include "numeric/errors.h"

#include <initializer_list>
#include <vector>

namespace kaskad::study {

// A module that cannot be found, loaded or used.
class ModuleUnavailable : public Exception {
public:
    using Exception::Exception;
    const char* kindName() const noexcept override { return "ModuleUnavailable"; }
};

// The entry points `symbols` of the module file `file`, in their order; the
// module stays loaded to the end of the process. A module without every one
// of them is refused whole. `what` names the module in messages ("plot
// module"). Raises ModuleUnavailable saying why it cannot be loaded or used.
std::vector<void*> moduleEntryPoints(const char* file, std::initializer_list<const char*> symbols, const char* what);

} // namespace kaskad::study
