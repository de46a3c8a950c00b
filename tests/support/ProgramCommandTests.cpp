// The command forms where Edit File's tests do not reach: where the form's name may
// stand in the path, and paths that must not be read as options or looked up on PATH.
#include "platform/os/ProgramCommand.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

TEST(ProgramCommand, FormsAndPathsThatNeedCare) {
    const std::pair<const char *, FileCommandForm> forms[] = {
        {"/opt/photoshp.exe.d/run", FileCommandForm::Photoshop}, // anywhere in the path
        {"/opt/WMPlayer.EXE", FileCommandForm::MediaPlayer},
        {"/opt/photoshp.exe/wmplayer.exe", FileCommandForm::Photoshop}, // first rule wins
        {"/opt/Photoshop.exe", FileCommandForm::General},
    };
    for (const auto &[sProgram, eForm] : forms)
        EXPECT_EQ(FileCommandFormFor(sProgram), eForm) << sProgram;
    EXPECT_FALSE(IsWindowsProgram("/p/a.exe.sh"));

    // A bare name would be looked up on PATH, and a leading "-" read as an option.
    ProgramCommand command = FileCommand("edit", FileCommandForm::MediaPlayer, "-rf.cs");
    EXPECT_EQ(command.sProgram, "./edit");
    EXPECT_EQ(command.arguments, (Args{"/open", "./-rf.cs"}));
    command = FileCommand("-edit.exe", FileCommandForm::General, "a.cs");
    std::string sZ = "Z:" + (std::filesystem::current_path() / "a.cs").string();
    std::replace(sZ.begin(), sZ.end(), '/', '\\');
    EXPECT_EQ(command.arguments, (Args{"./-edit.exe", sZ}));
}

} // namespace
