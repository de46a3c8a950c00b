// keplo-reg find-game, run as a real program over the test's own home and store.
#include "support/SettingsKeys.h"
#include "support/modRegistry.h"
#include "tests/support/WineTestHome.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const std::string kGameKey = R"(Software\\Sierra Online\\Setup\\Tribes2)";

class FindGameTool : public WineTestHome {
protected:
    ProcessResult Run(const std::vector<std::string> &args) {
        return RunProcess(KEPLO_REG_TOOL, args);
    }

    std::string Registry(const std::string &sEscapedPath) {
        return WineRegistry(WineKey(kGameKey, "\"directory\"=\"" + sEscapedPath + "\"\n"));
    }
};

TEST_F(FindGameTool, PrintsWhatEveryPrefixHoldsAndStoresOnlyWhenAsked) {
    MakePrefix(".wine", "WINE REGISTRY Version 1\n");
    const std::string sLutris = MakePrefix("Games/tribes", Registry(R"(C:\\Games\\Missing)"));
    const std::string sBottle =
        MakePrefix(".local/share/bottles/bottles/T2",
                   WineRegistry(WineKey(kGameKey, R"("directory"="C:\\T2")"
                                                  "\n") +
                                WineKey(R"(Software\\Adobe\\Photoshop\\6.0\\ApplicationPath)",
                                        R"(@="C:\\PS\\")")));
    const std::string sGame = fs::canonical(MakeGame(sBottle, "T2")).string();
    fs::create_directories(sBottle + "/drive_c/PS");
    const std::string sPhotoshop = fs::canonical(sBottle + "/drive_c/PS").string() + "/";
    const std::string sLutrisC = fs::canonical(sLutris + "/drive_c").string();

    const ProcessResult looked = Run({"find-game"});

    EXPECT_EQ(looked.lExitCode, 0) << looked.sErr;
    EXPECT_EQ(looked.sOut,
              Home() +
                  "/.wine (~/.wine)\n"
                  "    system.reg skipped: not a Wine registry file (its first line is not "
                  "\"WINE REGISTRY Version 2\")\n" +
                  sLutris + " (Lutris)\n" +
                  "    Tribes 2        C:\\Games\\Missing  ->  not usable: " + sLutrisC +
                  "/Games/Missing does not exist\n"
                  "    Photoshop 6.0   not registered\n" +
                  sBottle + " (Bottles)\n" + "    Tribes 2        C:\\T2  ->  " + sGame + "\n" +
                  "    Photoshop 6.0   C:\\PS\\  ->  " + sBottle + "/drive_c/PS\n" + "\n" +
                  "Tribes 2: " + sGame + "\n");
    EXPECT_FALSE(StoreExists());

    const ProcessResult saved = Run({"find-game", "--save"});

    EXPECT_EQ(saved.lExitCode, 0) << saved.sErr;
    EXPECT_NE(saved.sOut.find("Stored the folder of Tribes 2: " + sGame +
                              "\n"
                              "Stored the folder of Photoshop 6.0: " +
                              sPhotoshop +
                              "\n"
                              "The operation completed successfully.\n"),
              std::string::npos)
        << saved.sOut;
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, kGameSetupKey, kGameFolderValue, ""), sGame);
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, kPhotoshopKey, "", ""), sPhotoshop);
}

TEST_F(FindGameTool, WithoutAUsableFolderItSaysSoAndStoresNothing) {
    const ProcessResult none = Run({"find-game", "--save"});
    EXPECT_EQ(none.lExitCode, 1);
    EXPECT_EQ(none.sOut, "");
    EXPECT_NE(none.sErr.find("No Wine prefix found"), std::string::npos) << none.sErr;
    EXPECT_NE(none.sErr.find("and no native install of Tribes 2 (a tribes2 folder in "
                             "/usr/local/games, /opt, /usr/games, ~/games, "
                             "~/.local/share/games)"),
              std::string::npos)
        << none.sErr;

    MakePrefix(".wine", Registry(R"(C:\\Nowhere)"));
    const ProcessResult unusable = Run({"find-game", "/save"});
    EXPECT_EQ(unusable.lExitCode, 1);
    EXPECT_EQ(unusable.sErr, "No Wine prefix or native install holds a usable folder of "
                             "Tribes 2.\n");
    EXPECT_FALSE(StoreExists());

    const ProcessResult wrong = Run({"find-game", "--everywhere"});
    EXPECT_EQ(wrong.lExitCode, 1);
    EXPECT_NE(wrong.sErr.find("unknown option or extra argument \"--everywhere\""),
              std::string::npos);
}

} // namespace
