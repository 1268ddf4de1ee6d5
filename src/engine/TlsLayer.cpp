#include "engine/TlsLayer.h"

#include "engine/ModuleEntry.h"

#include <mutex>

std::unique_ptr<TlsLayer> MakeTlsLayer(const std::string& host, const std::string& trustedFingerprint,
                                       std::chrono::milliseconds handshake, std::string& error)
{
    static std::once_flag once;
    static MakeTlsLayerFunction make = nullptr;
    static std::string loadError;
    std::call_once(once, [] {
        make = reinterpret_cast<MakeTlsLayerFunction>(LoadSiblingModuleEntry(
            reinterpret_cast<const void*>(&MakeTlsLayer), kTlsModuleName, kMakeTlsLayerSymbol, loadError));
    });
    error = loadError;
    return make ? std::unique_ptr<TlsLayer>(make(host, trustedFingerprint, handshake)) : nullptr;
}
