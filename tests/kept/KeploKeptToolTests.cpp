// The keplo-kept tool, run as a real program over the test's own home: what it lists,
// what it puts back, what it refuses, and its exit status (0 only when it did what was
// asked, 1 when it did not, 2 for a command it does not understand).
#include "tests/kept/KeptFixture.h"

#include "support/modRegistry.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const std::string kScripts = "GameData/base/scripts.vl2";

class KeploKeptTool : public KeptTest {
protected:
    void SetUp() override {
        KeptTest::SetUp();
        RegisterGame();
        WriteZip(PathOf(kScripts), Version("v0"));
        m_sV0 = FileBytes(PathOf(kScripts));
        Save(kScripts, Version("v1"));
        m_sV1 = FileBytes(PathOf(kScripts));
        Save(kScripts, Version("v2"));
        m_sV2 = FileBytes(PathOf(kScripts));
    }
    static ProcessResult Run(const std::vector<std::string> &args) {
        return RunProcess(KEPLO_KEPT_TOOL, args);
    }
    std::string Archive() const { return FileBytes(PathOf(kScripts)); }

    std::string m_sV0, m_sV1, m_sV2;
};

TEST_F(KeploKeptTool, ListShowsEveryKeptVersionWithItsKindDateSizeAndHow) {
    Save("GameData/base/newskins.vl2", Version("new"), "Pelterbox");
    const ProcessResult result = Run({"list"});
    EXPECT_EQ(result.lExitCode, 0) << result.sErr;
    const std::string sDate = KeptDateText(ReadKept(Place(kScripts)).original->lKeptAt);
    EXPECT_NE(result.sOut.find("Kept versions of the game in " + Game() + ":"), std::string::npos)
        << result.sOut;
    for (const std::string &sLine : std::vector<std::string>{
             "GameData/base/scripts.vl2   original  " + sDate + "  " +
              std::string(12 - std::to_string(m_sV0.size()).size(), ' ') +
              std::to_string(m_sV0.size()) + "  link",
          "GameData/base/scripts.vl2   previous  ",
          "GameData/base/newskins.vl2  original  ",
          "none: Pelterbox created the archive"})
        EXPECT_NE(result.sOut.find(sLine), std::string::npos) << sLine << "\n" << result.sOut;
}

TEST_F(KeploKeptTool, RestoreAndUndoByAnyOfTheArchivesNamesPutItBackByteForByte) {
    ProcessResult result = Run({"restore", "Scripts"});
    ASSERT_EQ(result.lExitCode, 0) << result.sErr;
    EXPECT_EQ(Archive(), m_sV0);
    EXPECT_NE(result.sOut.find("The original of GameData/base/scripts.vl2, kept "),
              std::string::npos)
        << result.sOut;
    EXPECT_NE(result.sOut.find("keplo-kept undo GameData/base/scripts.vl2 takes this back"),
              std::string::npos);

    result = Run({"undo", "scripts.vl2"});
    ASSERT_EQ(result.lExitCode, 0) << result.sErr;
    EXPECT_EQ(Archive(), m_sV2);
    result = Run({"--game", Game(), "undo", kScripts});
    ASSERT_EQ(result.lExitCode, 0) << result.sErr;
    EXPECT_EQ(Archive(), m_sV0);
    EXPECT_EQ(ReadKept(Place(kScripts)).previous->sProgram, "keplo-kept");
}

TEST_F(KeploKeptTool, WhatCannotBeDoneEndsWithStatusOneAndChangesNothing) {
    const std::string sOriginal = KeptFolder(kScripts) + "/original.vl2";
    fs::create_directories(Work() + "/Scripts/scripts");
    PutFile(Work() + "/Scripts/scripts/a.cs", "edited");
    const struct {
        const char *sCase;
        std::vector<std::string> args;
        const char *sErrPart;
    } cases[] = {
        {"unpacked", {"restore", "scripts"}, "is unpacked in Keplo's work folder"},
        {"unknown archive", {"undo", "missions"}, "nothing is kept of an archive named missions"},
        {"no such game", {"--game", Root() + "/nogame", "list"}, "does not exist"},
    };
    for (const auto &c : cases) {
        const ProcessResult result = Run(c.args);
        EXPECT_EQ(result.lExitCode, 1) << c.sCase;
        EXPECT_NE(result.sErr.find(c.sErrPart), std::string::npos) << c.sCase << ": " << result.sErr;
        EXPECT_EQ(Archive(), m_sV2) << c.sCase;
    }
    fs::remove_all(Work() + "/Scripts");

    // A damaged kept original is checked, found and left alone.
    std::string sDamaged = FileBytes(sOriginal);
    sDamaged[sDamaged.find("// v0") + 3] = 'X';
    fs::remove(sOriginal);
    PutFile(sOriginal, sDamaged);
    ProcessResult result = Run({"restore", kScripts});
    EXPECT_EQ(result.lExitCode, 1);
    EXPECT_NE(result.sErr.find("is damaged, so it was not put back"), std::string::npos)
        << result.sErr;
    EXPECT_NE(result.sErr.find("bad CRC"), std::string::npos) << result.sErr;
    EXPECT_EQ(Archive(), m_sV2);

    // Without a game, nothing to work on.
    SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Sierra Online\\Setup\\Tribes2", "directory", "");
    result = Run({"list"});
    EXPECT_EQ(result.lExitCode, 1);
    EXPECT_NE(result.sErr.find("no game folder is registered"), std::string::npos);
}

TEST_F(KeploKeptTool, ACommandItDoesNotUnderstandEndsWithStatusTwoAndTheUsage) {
    for (const std::vector<std::string> &args :
         std::vector<std::vector<std::string>>{{}, {"rewind", "scripts"}, {"restore"},
                                               {"list", "extra"}, {"--game"}, {"--fast", "list"}}) {
        const ProcessResult result = Run(args);
        EXPECT_EQ(result.lExitCode, 2) << (args.empty() ? "" : args[0]);
        EXPECT_NE(result.sErr.find("Usage:"), std::string::npos);
        EXPECT_EQ(result.sOut, "");
    }
    const ProcessResult help = Run({"--help"});
    EXPECT_EQ(help.lExitCode, 0);
    EXPECT_NE(help.sOut.find("keplo-kept [--game FOLDER] forget NAME"), std::string::npos);
}

TEST_F(KeploKeptTool, ForgetDropsTheKeptVersionsOfOneArchive) {
    Save("GameData/base/other.vl2", Version("other"));
    ProcessResult result = Run({"forget", "scripts"});
    ASSERT_EQ(result.lExitCode, 0) << result.sErr;
    EXPECT_FALSE(ReadKept(Place(kScripts)).original);
    EXPECT_TRUE(ReadKept(Place("GameData/base/other.vl2")).original);
    EXPECT_EQ(Archive(), m_sV2);
    result = Run({"forget", "scripts"});
    EXPECT_EQ(result.lExitCode, 1);
    result = Run({"undo", "scripts"});
    EXPECT_EQ(result.lExitCode, 1);
}

TEST_F(KeploKeptTool, ANameThatFitsTwoArchivesIsRefusedWithBoth) {
    fs::create_directories(Game() + "GameData/mymod");
    Save("GameData/mymod/scripts.vl2", Version("mod"));
    const ProcessResult result = Run({"undo", "Scripts"});
    EXPECT_EQ(result.lExitCode, 1);
    EXPECT_NE(result.sErr.find("names more than one archive"), std::string::npos);
    EXPECT_NE(result.sErr.find("\n  GameData/base/scripts.vl2"), std::string::npos);
    EXPECT_NE(result.sErr.find("\n  GameData/mymod/scripts.vl2"), std::string::npos);
    EXPECT_EQ(Run({"undo", "mymod/scripts.vl2"}).lExitCode, 0);
}

TEST_F(KeploKeptTool, AModArchiveGoesByTheChoosersNameAndIsRefusedWhileUnpackedBelowDotMods) {
    fs::create_directories(Game() + "GameData/mymod");
    Save("GameData/mymod/scripts.vl2", Version("mod"));
    const std::string sWork = Work();
    fs::create_directories(sWork + "/.mods/mymod/Scripts");
    PutFile(sWork + "/.mods/mymod/Scripts/a.cs", "edit");
    ProcessResult result = Run({"undo", "mymod/Scripts"});
    EXPECT_EQ(result.lExitCode, 1);
    EXPECT_NE(result.sErr.find("GameData/mymod/scripts.vl2 is unpacked in Keplo's work folder (" +
                               sWork + "/.mods/mymod/Scripts)"),
              std::string::npos)
        << result.sErr;
    fs::remove_all(sWork + "/.mods");
    EXPECT_EQ(Run({"undo", "MYMOD/scripts"}).lExitCode, 0);
}

} // namespace
