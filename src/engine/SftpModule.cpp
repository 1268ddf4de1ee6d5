#include "engine/SftpModule.h"

#include "engine/ModuleEntry.h"

#include <mutex>
#include <string>

RemoteFileSystem* OpenSftpConnection(const EngineTimeouts& timeouts, const FtpLoginRequest& request,
                                     FtpLoginOutcome& outcome)
{
    static std::once_flag once;
    static OpenSftpConnectionFunction open = nullptr;
    static std::string loadError;
    std::call_once(once, [] {
        open = reinterpret_cast<OpenSftpConnectionFunction>(LoadSiblingModuleEntry(
            reinterpret_cast<const void*>(&OpenSftpConnection), kSftpModuleName, kOpenSftpConnectionSymbol,
            loadError));
    });
    if (open)
        return open(timeouts, request, outcome);
    outcome.result =
        EngineResult::Failure(ERROR_INTERNET_INTERNAL_ERROR, "The SFTP module could not be loaded: " + loadError);
    return nullptr;
}
