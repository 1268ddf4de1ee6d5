#include "engine/TlsLayer.h"

#include "engine/ModuleEntry.h"

#include <dlfcn.h>

#include <mutex>

namespace {

using MakeTlsLayerFunction = decltype(&VantrelMakeTlsLayer);

// The folder this code was loaded from (the engine module's, or a program's
// that has the engine built in), by its full path; empty when unknown.
std::string OwnFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&MakeTlsLayer), &info) == 0 || !info.dli_fname)
        return {};
    const std::string path = info.dli_fname;
    const auto slash = path.rfind('/');
    return path.empty() || path[0] != '/' || slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Never from the working directory: an unknown folder is a load error.
MakeTlsLayerFunction LoadTlsModule(std::string& error)
{
    const std::string folder = OwnFolder();
    if (folder.empty()) {
        error = std::string("the engine's own folder is unknown, so ") + kTlsModuleName + " cannot be found";
        return nullptr;
    }
    return reinterpret_cast<MakeTlsLayerFunction>(
        LoadModuleEntry(folder + "/" + kTlsModuleName, kMakeTlsLayerSymbol, error));
}

}  // namespace

std::unique_ptr<TlsLayer> MakeTlsLayer(const std::string& host, const std::string& trustedFingerprint,
                                       std::chrono::milliseconds handshake, std::string& error)
{
    static std::once_flag once;
    static MakeTlsLayerFunction make = nullptr;
    static std::string loadError;
    std::call_once(once, [] { make = LoadTlsModule(loadError); });
    error = loadError;
    return make ? std::unique_ptr<TlsLayer>(make(host, trustedFingerprint, handshake)) : nullptr;
}
