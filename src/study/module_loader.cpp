// The programs' modules lie at the same place relative to the program in the
// build tree and in an installation; they are loaded with dlopen on first use.
#include "study/module_loader.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>

namespace kaskad::study {

namespace {

namespace fs = std::filesystem;

std::string lastLoaderError()
{
    const char* error = ::dlerror();
    return error ? error : "no reason given";
}

// KASKAD_MODULE_DIR is the modules' place relative to the program's directory.
fs::path modulePath(const char* file, const char* what)
{
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error)
        throw ModuleUnavailable(std::string("cannot locate the ") + what + ": the program's own path is unreadable (" +
                                error.message() + ")");
    return (program.parent_path() / KASKAD_MODULE_DIR / file).lexically_normal();
}

} // namespace

std::vector<void*> moduleEntryPoints(const char* file, std::initializer_list<const char*> symbols, const char* what)
{
    const fs::path path = modulePath(file, what);
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        throw ModuleUnavailable(std::string("cannot load the ") + what + " " + path.string() + ": " +
                                lastLoaderError());
    std::vector<void*> entries;
    for (const char* symbol : symbols) {
        void* entry = ::dlsym(module, symbol);
        if (!entry) {
            const std::string reason = lastLoaderError();
            ::dlclose(module);
            throw ModuleUnavailable(std::string("cannot use the ") + what + " " + path.string() + ": " + reason);
        }
        entries.push_back(entry);
    }
    return entries;
}

} // namespace kaskad::study
