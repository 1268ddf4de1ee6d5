// Loading the FTP engine module: from beside the program, and the failures a
// broken install gives (no module, a file that is no module, a library
// without the engine's entry), each with a reason the user can act on.
#include "platform/EngineModule.h"
#include "platform/ProgramFiles.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::filesystem::path BuiltModule()
{
    return std::filesystem::path(ExecutableDir()) / kEngineModuleName;
}

TEST(EngineModule, LoadsOnceFromBesideTheProgram)
{
    ASSERT_TRUE(std::filesystem::is_regular_file(BuiltModule())) << BuiltModule();
    std::string error;
    const OpenFtpConnectionFunction open = LoadEngineModule(error);
    ASSERT_NE(open, nullptr) << error;
    EXPECT_EQ(LoadEngineModuleFrom(BuiltModule().string(), error), open);
    std::string again;
    EXPECT_EQ(LoadEngineModule(again), open);
    EXPECT_EQ(again, "");
}

TEST(EngineModule, AMissingModuleNamesItsPath)
{
    const std::string path = (std::filesystem::temp_directory_path() / "vantrel-no-such-engine.so").string();
    std::string error;
    EXPECT_EQ(LoadEngineModuleFrom(path, error), nullptr);
    EXPECT_NE(error.find(path), std::string::npos) << error;
}

TEST(EngineModule, AFileThatIsNoModuleIsRefused)
{
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("vantrel-engine-text-" + std::to_string(getpid()) + ".so");
    std::ofstream(path) << "not a shared object\n";
    std::string error;
    EXPECT_EQ(LoadEngineModuleFrom(path.string(), error), nullptr);
    EXPECT_NE(error.find(path.string()), std::string::npos) << error;
    std::filesystem::remove(path);
}

TEST(EngineModule, ALibraryWithoutTheEntryIsRefused)
{
    Dl_info libc{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&getpid), &libc), 0);
    std::string error;
    EXPECT_EQ(LoadEngineModuleFrom(libc.dli_fname, error), nullptr);
    EXPECT_NE(error.find(kOpenFtpConnectionSymbol), std::string::npos) << error;
}

// A build finds the module beside itself; an install, wherever its prefix
// lies, in the library folder found from the program's own.
TEST(ProgramFiles, TheModuleIsFoundBesideABuildAndFromAnInstalledProgramsFolder)
{
    EXPECT_EQ(BesideProgramOr(ExecutableDir(), kEngineModuleName, "../lib/vantrel"), BuiltModule().string());
    EXPECT_EQ(BesideProgramOr("/opt/any prefix/bin", kEngineModuleName, "../lib/vantrel"),
              std::string("/opt/any prefix/lib/vantrel/") + kEngineModuleName);
}

} // namespace
