// The game folders and the work folder as both programs read them, and the version.
#include "support/GameFolders.h"
#include "support/ProgramVersion.h"
#include "support/SettingsKeys.h"
#include "support/modRegistry.h"
#include "tests/support/StoreTestFolder.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class GameFoldersTest : public StoreTestFolder {};

TEST_F(GameFoldersTest, TheRegisteredFolderIsTakenInItsSpellingOnDisk) {
    fs::create_directories(Root() + "/Games/Tribes2/GameData/base");
    struct Case {
        std::string sRegistered;
        std::string sGameFolder;
    } cases[] = {
        {Root() + "/games/TRIBES2", Root() + "/Games/Tribes2/"},
        {Root() + "/Games/Tribes2/", Root() + "/Games/Tribes2/"},
        {Root() + "/Games/Tribes2//", Root() + "/Games/Tribes2/"},
        {Root() + "/Games/Missing", ""},
        {"Games/Tribes2", ""},
        {"", ""},
    };
    for (const Case &c : cases) {
        SetRegString(HKEY_LOCAL_MACHINE, kGameSetupKey, kGameFolderValue, c.sRegistered);
        const GameFolders folders = ReadGameFolders();
        EXPECT_EQ(folders.sGameFolder, c.sGameFolder) << c.sRegistered;
        EXPECT_EQ(folders.sGameBaseFolder,
                  c.sGameFolder.empty() ? "" : c.sGameFolder + "GameData/base/")
            << c.sRegistered;
    }
}

TEST_F(GameFoldersTest, TheWorkFolderIsReadAsStored) {
    EXPECT_EQ(ReadWorkFolder(), "");
    WriteWorkFolder("/tmp/work folder/");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, kSettingsKey, "TEMPDIR", ""), "/tmp/work folder/");
    EXPECT_EQ(ReadWorkFolder(), "/tmp/work folder/");
}

TEST(ProgramVersionTest, TheNumbersAreTheProjectVersion) {
    const ProgramVersion version = GetProgramVersion();
    EXPECT_EQ(std::to_string(version.lMajor) + "." + std::to_string(version.lMinor) + "." +
                  std::to_string(version.lRevision),
              KEPLO_VERSION);
    EXPECT_STREQ(ProgramVersionText(), KEPLO_VERSION);
}

} // namespace
