// kaskad-cli's modules through the programs' module loader, whose refusal is
// reported as the command's output failure.
#include "cli/module_loader.h"

#include "cli/cli_errors.h"
#include "study/module_loader.h"

namespace kaskad::cli {

std::vector<void*> moduleEntryPoints(const char* file, std::initializer_list<const char*> symbols, const char* what)
{
    try {
        return study::moduleEntryPoints(file, symbols, what);
    } catch (const study::ModuleUnavailable& error) {
        throw OutputError(error.what());
    }
}

} // namespace kaskad::cli
