// How a program is started on a file: the command forms, Windows programs through
// Wine, and arguments that must not be read as options.
#include "platform/os/ProgramCommand.h"
#include "tests/support/StoreTestFolder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class ProgramCommandTest : public StoreTestFolder {
protected:
    void SetUp() override {
        StoreTestFolder::SetUp();
        const char *sPath = std::getenv("PATH");
        m_bHadPath = sPath != nullptr;
        m_sOldPath = sPath ? sPath : "";
    }
    void TearDown() override {
        if (m_bHadPath)
            setenv("PATH", m_sOldPath.c_str(), 1);
        else
            unsetenv("PATH");
        StoreTestFolder::TearDown();
    }
    // PATH holds one folder, with a wine in it or not.
    std::string UsePath(bool bWithWine) {
        const std::string sBin = Root() + (bWithWine ? "/wine-bin" : "/no-wine-bin");
        fs::create_directories(sBin);
        if (bWithWine) {
            std::ofstream(sBin + "/wine") << "#!/bin/sh\n";
            fs::permissions(sBin + "/wine", fs::perms::owner_all);
        }
        setenv("PATH", sBin.c_str(), 1);
        return sBin;
    }

    bool m_bHadPath = false;
    std::string m_sOldPath;
};

TEST(FileCommandForm, IsDecidedByTheUpperCaseProgramPath) {
    const struct {
        const char *sProgram;
        FileCommandForm eForm;
    } cases[] = {
        {"/opt/Adobe/Photoshp.exe", FileCommandForm::Photoshop},
        {"/opt/adobe/PHOTOSHP.EXE", FileCommandForm::Photoshop},
        {"/opt/photoshp.exe.d/run", FileCommandForm::Photoshop}, // anywhere in the path
        {"/opt/wmplayer.exe", FileCommandForm::MediaPlayer},
        {"/opt/WMPlayer.EXE", FileCommandForm::MediaPlayer},
        {"/opt/photoshp.exe/wmplayer.exe", FileCommandForm::Photoshop}, // first rule wins
        {"/opt/Photoshop.exe", FileCommandForm::General},
        {"/usr/bin/gimp", FileCommandForm::General},
        {"", FileCommandForm::General},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FileCommandFormFor(c.sProgram), c.eForm) << c.sProgram;
}

TEST(FileCommandForm, WindowsProgramsEndInExeInAnyCase) {
    EXPECT_TRUE(IsWindowsProgram("/p/a.exe"));
    EXPECT_TRUE(IsWindowsProgram("/p/A.EXE"));
    EXPECT_TRUE(IsWindowsProgram("/p/a b.Exe"));
    EXPECT_FALSE(IsWindowsProgram("/p/a.exe.sh"));
    EXPECT_FALSE(IsWindowsProgram("/p/exe"));
    EXPECT_FALSE(IsWindowsProgram("exe"));
}

TEST(FileCommandForm, WinePathsLieOnTheZDrive) {
    EXPECT_EQ(WineFilePath("/home/p/a b.png"), "Z:\\home\\p\\a b.png");
    EXPECT_EQ(WineFilePath("/"), "Z:\\");
    const std::string sHere = fs::current_path().string();
    std::string sExpected = "Z:" + sHere + "/rel/x.png";
    std::replace(sExpected.begin(), sExpected.end(), '/', '\\');
    EXPECT_EQ(WineFilePath("rel/x.png"), sExpected);
}

TEST_F(ProgramCommandTest, EachFormGivesTheProgramAndItsArgumentsAsSeparateItems) {
    const std::string sFile = "/work/Textures/skins/a b $x;'q'.png";
    const std::string sZFile = "Z:\\work\\Textures\\skins\\a b $x;'q'.png";
    const struct {
        const char *sProgram;
        FileCommandForm eForm;
        bool bWine;
        std::string sStarted; // "WINE" stands for the wine on PATH
        std::vector<std::string> arguments;
    } cases[] = {
        {"/usr/bin/gimp", FileCommandForm::General, true, "/usr/bin/gimp", {sFile}},
        {"/opt/my editor/edit", FileCommandForm::General, false, "/opt/my editor/edit", {sFile}},
        {"/opt/ps/photoshp.exe.d/ps",
         FileCommandForm::Photoshop,
         true,
         "/opt/ps/photoshp.exe.d/ps",
         {sFile}},
        {"/opt/wmplayer.exe.d/play",
         FileCommandForm::MediaPlayer,
         true,
         "/opt/wmplayer.exe.d/play",
         {"/open", sFile}},
        {"/w/Program Files/Adobe/Photoshp.exe",
         FileCommandForm::Photoshop,
         true,
         "WINE",
         {"/w/Program Files/Adobe/Photoshp.exe", sZFile}},
        {"/w/Windows Media Player/wmplayer.EXE",
         FileCommandForm::MediaPlayer,
         true,
         "WINE",
         {"/w/Windows Media Player/wmplayer.EXE", "/open", sZFile}},
        {"/w/paint.exe", FileCommandForm::General, true, "WINE", {"/w/paint.exe", sZFile}},
        // Without wine no program can run a Windows program: the start fails.
        {"/w/paint.exe", FileCommandForm::General, false, "", {"/w/paint.exe", sZFile}},
    };
    for (const auto &c : cases) {
        const std::string sBin = UsePath(c.bWine);
        const ProgramCommand command = FileCommand(c.sProgram, c.eForm, sFile);
        EXPECT_EQ(command.sProgram, c.sStarted == "WINE" ? sBin + "/wine" : c.sStarted)
            << c.sProgram;
        EXPECT_EQ(command.arguments, c.arguments) << c.sProgram;
    }
}

TEST_F(ProgramCommandTest, PathsThatWouldReadAsOptionsOrBeLookedUpOnPathStayFiles) {
    UsePath(true);
    ProgramCommand command = FileCommand("edit", FileCommandForm::General, "-rf.cs");
    EXPECT_EQ(command.sProgram, "./edit");
    EXPECT_EQ(command.arguments, std::vector<std::string>{"./-rf.cs"});

    command = FileCommand("-edit.exe", FileCommandForm::General, "/w/-a.cs");
    EXPECT_EQ(command.arguments, (std::vector<std::string>{"./-edit.exe", "Z:\\w\\-a.cs"}));
}

} // namespace
