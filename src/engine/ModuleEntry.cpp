#include "engine/ModuleEntry.h"

#include <dlfcn.h>

namespace {

std::string LoaderError(const std::string& fallback)
{
    const char* why = dlerror();
    return why ? why : fallback;
}

}  // namespace

void* LoadModuleEntry(const std::string& path, const char* symbol, std::string& error)
{
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        error = LoaderError(path);
        return nullptr;
    }
    void* entry = dlsym(module, symbol);
    if (!entry) {
        error = LoaderError(path + ": " + symbol);
        dlclose(module);
    }
    return entry;
}
