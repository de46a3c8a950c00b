// FileExists, GetLongFileName, GetWinPath and where the program lies.
#include "platform/os/ProgramFolder.h"
#include "support/modOther.h"
#include "tests/support/StoreTestFolder.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class FileHelpers : public StoreTestFolder {
protected:
    void SetUp() override {
        StoreTestFolder::SetUp();
        m_sBase = Root() + "/Tribes2";
        fs::create_directories(m_sBase + "/GameData/base/textures/Skins");
        fs::create_directories(m_sBase + "/.hidden folder");
        WriteFile(m_sBase + "/GameData/base/scripts.vl2", "zip");
        WriteFile(m_sBase + "/GameData/base/Skins.VL2", "zip");
        WriteFile(m_sBase + "/GameData/base/.secret.vl2", "zip");
        WriteFile(m_sBase + "/GameData/base/readonly.cs", "x");
        fs::permissions(m_sBase + "/GameData/base/readonly.cs", fs::perms::owner_read);
    }
    void TearDown() override {
        fs::permissions(m_sBase + "/GameData/base/readonly.cs", fs::perms::owner_all);
        StoreTestFolder::TearDown();
    }
    std::string m_sBase;
};

TEST_F(FileHelpers, FileExistsCountsRegularVisibleFilesOnly) {
    const std::string sFolder = m_sBase + "/GameData/base";
    EXPECT_EQ(FileExists(sFolder + "/scripts.vl2"), 1);
    EXPECT_EQ(FileExists(sFolder + "/readonly.cs"), 1);
    EXPECT_EQ(FileExists(sFolder + "/.secret.vl2"), 0);
    EXPECT_EQ(FileExists(sFolder), 0);
    EXPECT_EQ(FileExists(sFolder + "/"), 0);
    EXPECT_EQ(FileExists(sFolder + "/missing.vl2"), 0);
    EXPECT_EQ(FileExists(sFolder + "/SCRIPTS.vl2"), 0);
    EXPECT_EQ(FileExists(sFolder + "/scripts.vl2/"), 0);
    EXPECT_EQ(FileExists(""), 0);
    EXPECT_EQ(FileExists("/no/such/folder/file"), 0);
    EXPECT_EQ(FileExists(std::string(5000, 'a')), 0);
}

TEST_F(FileHelpers, FileExistsMatchesWildcardsInTheLastPartOnly) {
    const std::string sFolder = m_sBase + "/GameData/base";
    EXPECT_EQ(FileExists(sFolder + "/*.vl2"), 1);
    EXPECT_EQ(FileExists(sFolder + "/*"), 1);
    EXPECT_EQ(FileExists(sFolder + "/script?.vl2"), 1);
    EXPECT_EQ(FileExists(sFolder + "/scrip?.vl2"), 0);
    EXPECT_EQ(FileExists(sFolder + "/s*s.v*"), 1);
    EXPECT_EQ(FileExists(sFolder + "/*.VL2"), 1);
    EXPECT_EQ(FileExists(sFolder + "/.secret*"), 0); // hidden files never count
    EXPECT_EQ(FileExists(sFolder + "/text*"), 0);    // only a folder matches
    EXPECT_EQ(FileExists(m_sBase + "/*/base/scripts.vl2"), 0);
    EXPECT_EQ(FileExists(sFolder + "/*.png"), 0);
    EXPECT_EQ(FileExists(Root() + "/missing/*"), 0);
}

TEST_F(FileHelpers, FileExistsTakesPathsRelativeToTheCurrentFolder) {
    fs::path old = fs::current_path();
    fs::current_path(m_sBase + "/GameData");
    EXPECT_EQ(FileExists("base/scripts.vl2"), 1);
    EXPECT_EQ(FileExists("base/*.vl2"), 1);
    fs::current_path(m_sBase + "/GameData/base");
    EXPECT_EQ(FileExists("scripts.vl2"), 1);
    EXPECT_EQ(FileExists("*.cs"), 1);
    fs::current_path(old);
}

TEST_F(FileHelpers, LongFileNameGivesEachPartItsSpellingOnDisk) {
    EXPECT_EQ(GetLongFileName(m_sBase + "/gamedata/BASE/skins.vl2"),
              m_sBase + "/GameData/base/Skins.VL2");
    EXPECT_EQ(GetLongFileName(m_sBase + "/GameData/base"), m_sBase + "/GameData/base");
    EXPECT_EQ(GetLongFileName(m_sBase + "/.HIDDEN FOLDER"), m_sBase + "/.hidden folder");
    EXPECT_EQ(GetLongFileName(m_sBase + "//GameData///base"), m_sBase + "/GameData/base");
}

TEST_F(FileHelpers, LongFileNamePrefersAnExactMatchOverACaseBlindOne) {
    fs::create_directories(m_sBase + "/Mods");
    fs::create_directories(m_sBase + "/mods");
    EXPECT_EQ(GetLongFileName(m_sBase + "/mods"), m_sBase + "/mods");
    EXPECT_EQ(GetLongFileName(m_sBase + "/Mods"), m_sBase + "/Mods");
    EXPECT_EQ(GetLongFileName(m_sBase + "/MODS"), m_sBase + "/Mods");
}

TEST_F(FileHelpers, LongFileNameOfAMissingPartOrARelativePathIsEmpty) {
    EXPECT_EQ(GetLongFileName(m_sBase + "/GameData/missing/scripts.vl2"), "");
    EXPECT_EQ(GetLongFileName(m_sBase + "/GameData/base/scripts.vl2/more"), "");
    EXPECT_EQ(GetLongFileName("Tribes2/GameData"), "");
    EXPECT_EQ(GetLongFileName("C:\\Games\\Tribes2"), "");
    EXPECT_EQ(GetLongFileName(""), "");
}

TEST_F(FileHelpers, LongFileNameOfTheRootAndOfATrailingSlash) {
    EXPECT_EQ(GetLongFileName("/"), "/");
    EXPECT_EQ(GetLongFileName(m_sBase + "/gamedata/"), m_sBase + "/GameData");
    EXPECT_EQ(GetLongFileName(m_sBase + "/GameData/base/scripts.vl2/"), "");
    EXPECT_EQ(GetLongFileName(m_sBase + "/GameData/./base/.."), m_sBase + "/GameData/./base/..");
}

TEST_F(FileHelpers, WinPathIsTheFirstFolderOnThePathHoldingAnExecutableXdgOpen) {
    const char *sOldPath = std::getenv("PATH");
    std::string sSaved = sOldPath != nullptr ? sOldPath : "";
    fs::create_directories(Root() + "/empty");
    fs::create_directories(Root() + "/plain");
    fs::create_directories(Root() + "/tools");
    fs::create_directories(Root() + "/later");
    WriteFile(Root() + "/plain/xdg-open", "not executable");
    WriteFile(Root() + "/tools/xdg-open", "#!/bin/sh\n");
    fs::permissions(Root() + "/tools/xdg-open", fs::perms::owner_all);
    WriteFile(Root() + "/later/xdg-open", "#!/bin/sh\n");
    fs::permissions(Root() + "/later/xdg-open", fs::perms::owner_all);
    fs::create_directories(Root() + "/dir/xdg-open");

    setenv("PATH",
           ("relative:" + Root() + "/empty::" + Root() + "/plain:" + Root() + "/dir:" + Root() +
            "/tools/:" + Root() + "/later")
               .c_str(),
           1);
    EXPECT_EQ(GetWinPath(), Root() + "/tools");
    setenv("PATH", (Root() + "/empty:" + Root() + "/plain").c_str(), 1);
    EXPECT_EQ(GetWinPath(), "");
    setenv("PATH", "", 1);
    EXPECT_EQ(GetWinPath(), "");
    setenv("PATH", sSaved.c_str(), 1);
}

TEST(ProgramFolder, IsTheFolderOfTheRunningExecutable) {
    std::string sExpected = fs::canonical("/proc/self/exe").parent_path().string();
    EXPECT_EQ(ProgramFolder(), sExpected);
    // The test program's build folder is writable, so the work folder lies beside it.
    EXPECT_EQ(DefaultWorkFolder(), sExpected + "/temp");
}

} // namespace
