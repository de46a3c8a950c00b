#include "tests/support/WineTestHome.h"

#include "tests/FuzzSeeds.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The variables the Wine search reads, saved and cleared for each test.
const char *const kVariables[] = {"XDG_DATA_HOME", "WINEPREFIX"};

} // namespace

void WineTestHome::SetUp() {
    StoreTestFolder::SetUp();
    const char *sHome = std::getenv("HOME");
    m_sOldHome = sHome != nullptr ? sHome : "";
    fs::create_directories(Home());
    setenv("HOME", Home().c_str(), 1);
    for (const char *sName : kVariables)
        unsetenv(sName);
}

void WineTestHome::TearDown() {
    setenv("HOME", m_sOldHome.c_str(), 1);
    StoreTestFolder::TearDown();
}

std::string WineTestHome::MakePrefix(const std::string &sBelowHome,
                                     const std::string &sRegistry) const {
    const std::string sPrefix = Home() + "/" + sBelowHome;
    fs::create_directories(sPrefix + "/drive_c/windows");
    fs::create_directories(sPrefix + "/dosdevices");
    fs::create_directory_symlink("../drive_c", sPrefix + "/dosdevices/c:");
    if (!sRegistry.empty()) {
        WriteFile(sPrefix + "/system.reg", sRegistry);
        KeepFuzzSeed("wine", sPrefix + "/system.reg");
    }
    return sPrefix;
}

std::string WineTestHome::MakeGame(const std::string &sPrefix,
                                   const std::string &sBelowDriveC) const {
    const std::string sGame = sPrefix + "/drive_c/" + sBelowDriveC;
    fs::create_directories(sGame + "/GameData/base");
    return sGame;
}

std::string WineRegistry(const std::string &sSections, const std::string &sArch) {
    return "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=" + sArch +
           "\n\n" + sSections;
}

std::string WineKey(const std::string &sEscapedName, const std::string &sValueLines) {
    return "[" + sEscapedName + "] 1700000000\n#time=1da2b3c4d5e6f70\n" + sValueLines + "\n";
}
