// Finding a native install of the game: the places looked in, the tribes2 folders
// found there, and what the start-up's search and keplo-reg find-game make of them.
#include "support/NativeGameSearch.h"
#include "support/SettingsKeys.h"
#include "support/modRegistry.h"
#include "tests/support/WineTestHome.h"

#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class NativeSearchTest : public WineTestHome {
protected:
    // A folder of the test as a root, under the name the player would know.
    native::InstallRoot Root(const std::string &sName) const {
        fs::create_directories(WineTestHome::Root() + "/" + sName);
        return {WineTestHome::Root() + "/" + sName, sName};
    }
    static void MakeGame(const std::string &sFolder) {
        fs::create_directories(sFolder + "/GameData/base");
    }
    static std::string StoredGame() {
        return GetRegString(HKEY_LOCAL_MACHINE, kGameSetupKey, kGameFolderValue, "");
    }
};

} // namespace

TEST_F(NativeSearchTest, TheUsualPlacesAreSearchedInOrderEachOnce) {
    auto folders = [] {
        std::vector<std::string> found;
        for (const native::InstallRoot &root : native::InstallRoots())
            found.push_back(root.sFolder + " = " + root.sLabel);
        return found;
    };
    const std::vector<std::string> usual = {"/usr/local/games = /usr/local/games", "/opt = /opt",
                                            "/usr/games = /usr/games", Home() + "/games = ~/games",
                                            Home() + "/.local/share/games = ~/.local/share/games"};
    EXPECT_EQ(folders(), usual);
    EXPECT_EQ(native::InstallRootsText(),
              "/usr/local/games, /opt, /usr/games, ~/games, ~/.local/share/games");

    // A data folder set elsewhere is looked in too; set to the usual one, once.
    setenv("XDG_DATA_HOME", (Home() + "/.local/share").c_str(), 1);
    EXPECT_EQ(folders(), usual);
    setenv("XDG_DATA_HOME", (WineTestHome::Root() + "/data").c_str(), 1);
    std::vector<std::string> withData = usual;
    withData.push_back(WineTestHome::Root() + "/data/games = $XDG_DATA_HOME/games");
    EXPECT_EQ(folders(), withData);
}

TEST_F(NativeSearchTest, ATribes2FolderOfAnyCaseHoldingGameDataBaseIsTheGame) {
    const native::InstallRoot local = Root("local"), opt = Root("opt"), home = Root("home-games");
    // Folders that are no game, or no tribes2 folder at all, in the first two roots.
    fs::create_directories(local.sFolder + "/Tribes2/GameData");
    fs::create_directories(local.sFolder + "/tribes2-old/GameData/base");
    WriteFile(opt.sFolder + "/tribes2", "a file, not a folder");
    MakeGame(opt.sFolder + "/other/tribes2");
    MakeGame(home.sFolder + "/TRIBES2");
    MakeGame(home.sFolder + "/tribes2");
    const std::vector<native::InstallRoot> roots = {local, opt, home};

    std::vector<std::string> found;
    for (const native::Install &install : native::FindInstalls(roots))
        found.push_back(install.sFolder +
                        (install.sProblem.empty() ? "" : ": " + install.sProblem));
    EXPECT_EQ(found,
              (std::vector<std::string>{local.sFolder + "/Tribes2: " + local.sFolder +
                                            "/Tribes2 holds no GameData/base folder",
                                        home.sFolder + "/TRIBES2", home.sFolder + "/tribes2"}));

    std::ostringstream notes;
    EXPECT_EQ(native::FindNativeGame(roots, notes), home.sFolder + "/TRIBES2");
    EXPECT_EQ(StoredGame(), home.sFolder + "/TRIBES2");
    EXPECT_EQ(notes.str(), "native install " + local.sFolder + "/Tribes2: skipped: " +
                               local.sFolder + "/Tribes2 holds no GameData/base folder\n");
}

TEST_F(NativeSearchTest, AUsableStoredFolderIsKeptAndNothingFoundStoresNothing) {
    const native::InstallRoot games = Root("games");
    std::ostringstream notes;
    EXPECT_EQ(native::FindNativeGame({games}, notes), "");
    EXPECT_FALSE(StoreExists());

    MakeGame(games.sFolder + "/tribes2");
    fs::create_directories(WineTestHome::Root() + "/Registered");
    SetRegString(HKEY_LOCAL_MACHINE, kGameSetupKey, kGameFolderValue,
                 WineTestHome::Root() + "/Registered");
    EXPECT_EQ(native::FindNativeGame({games}, notes), "");
    EXPECT_EQ(StoredGame(), WineTestHome::Root() + "/Registered");

    // A stored folder that is gone is replaced.
    fs::remove(WineTestHome::Root() + "/Registered");
    EXPECT_EQ(native::FindNativeGame({games}, notes), games.sFolder + "/tribes2");
    EXPECT_EQ(StoredGame(), games.sFolder + "/tribes2");
    EXPECT_EQ(notes.str(), "");
}

TEST_F(NativeSearchTest, FindGameListsNativeInstallsAfterThePrefixesAndSavesTheFirstUsable) {
    MakeGame(Home() + "/games/Tribes2");
    fs::create_directories(Home() + "/.local/share/games/tribes2");

    const ProcessResult looked = RunProcess(KEPLO_REG_TOOL, {"find-game"});
    EXPECT_EQ(looked.lExitCode, 0) << looked.sErr;
    EXPECT_EQ(looked.sOut, Home() +
                               "/games/Tribes2 (native install)\n"
                               "    Tribes 2        usable\n" +
                               Home() + "/.local/share/games/tribes2 (native install)\n" +
                               "    Tribes 2        not usable: " + Home() +
                               "/.local/share/games/tribes2 holds no GameData/base folder\n\n" +
                               "Tribes 2: " + Home() + "/games/Tribes2\n");
    EXPECT_FALSE(StoreExists());

    const ProcessResult saved = RunProcess(KEPLO_REG_TOOL, {"find-game", "--save"});
    EXPECT_EQ(saved.lExitCode, 0) << saved.sErr;
    EXPECT_NE(saved.sOut.find("Stored the folder of Tribes 2: " + Home() +
                              "/games/Tribes2\nThe operation completed successfully.\n"),
              std::string::npos)
        << saved.sOut;
    EXPECT_EQ(StoredGame(), Home() + "/games/Tribes2");

    // A game in a Wine prefix comes first.
    const std::string sPrefix =
        MakePrefix(".wine", WineRegistry(WineKey(R"(Software\\Sierra Online\\Setup\\Tribes2)",
                                                 "\"directory\"=\"C:\\\\T2\"\n")));
    const std::string sWineGame = fs::canonical(WineTestHome::MakeGame(sPrefix, "T2")).string();
    const ProcessResult both = RunProcess(KEPLO_REG_TOOL, {"find-game", "--save"});
    EXPECT_EQ(both.lExitCode, 0) << both.sErr;
    EXPECT_NE(both.sOut.find("Tribes 2: " + sWineGame + "\n"), std::string::npos) << both.sOut;
    EXPECT_EQ(StoredGame(), sWineGame);
}
