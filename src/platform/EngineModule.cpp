#include "platform/EngineModule.h"

#include "platform/ProgramFiles.h"

#include <dlfcn.h>
#include <mutex>

namespace {

std::string LoaderError(const std::string& fallback)
{
    const char* why = dlerror();
    return why ? why : fallback;
}

} // namespace

// By its full path, never by a bare name that the loader would look up
// along its own search path.
OpenFtpConnectionFunction LoadEngineModuleFrom(const std::string& path, std::string& error)
{
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        error = LoaderError(path);
        return nullptr;
    }
    auto open = reinterpret_cast<OpenFtpConnectionFunction>(dlsym(module, kOpenFtpConnectionSymbol));
    if (!open) {
        error = LoaderError(path + ": " + kOpenFtpConnectionSymbol);
        // Nothing of a library without the entry was used, so it can go.
        dlclose(module);
    }
    return open;
}

OpenFtpConnectionFunction LoadEngineModule(std::string& error)
{
    static std::once_flag once;
    static OpenFtpConnectionFunction open = nullptr;
    static std::string loadError;
    std::call_once(once, [] {
        open = LoadEngineModuleFrom(BesideProgramOr(ExecutableDir(), kEngineModuleName, VANTREL_ENGINE_DIR),
                                    loadError);
    });
    error = loadError;
    return open;
}
