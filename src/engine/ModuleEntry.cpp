#include "engine/ModuleEntry.h"

#include <dlfcn.h>

namespace {

std::string LoaderError(const std::string& fallback)
{
    const char* why = dlerror();
    return why ? why : fallback;
}

// The folder of the loaded file that holds the code at `address`, by its
// full path; empty when unknown.
std::string FolderOf(const void* address)
{
    Dl_info info{};
    if (dladdr(address, &info) == 0 || !info.dli_fname)
        return {};
    const std::string path = info.dli_fname;
    const auto slash = path.rfind('/');
    return path.empty() || path[0] != '/' || slash == std::string::npos ? std::string() : path.substr(0, slash);
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

void* LoadSiblingModuleEntry(const void* anchor, const char* name, const char* symbol, std::string& error)
{
    const std::string folder = FolderOf(anchor);
    if (folder.empty()) {
        error = std::string("the engine's own folder is unknown, so ") + name + " cannot be found";
        return nullptr;
    }
    return LoadModuleEntry(folder + "/" + name, symbol, error);
}
