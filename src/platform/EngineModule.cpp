#include "platform/EngineModule.h"

#include "engine/ModuleEntry.h"
#include "platform/ProgramFiles.h"

#include <mutex>

OpenFtpConnectionFunction LoadEngineModuleFrom(const std::string& path, std::string& error)
{
    return reinterpret_cast<OpenFtpConnectionFunction>(LoadModuleEntry(path, kOpenFtpConnectionSymbol, error));
}

OpenFtpConnectionFunction LoadEngineModule(std::string& error)
{
    static std::once_flag once;
    static OpenFtpConnectionFunction open = nullptr;
    static std::string loadError;
    std::call_once(once, [] {
        open = LoadEngineModuleFrom(
            BesideProgramOr(ExecutableDir(), kEngineModuleName, VANTREL_ENGINE_FROM_PROGRAM), loadError);
    });
    error = loadError;
    return open;
}
