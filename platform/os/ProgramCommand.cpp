#include "platform/os/ProgramCommand.h"

#include "platform/os/ProgramSearch.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace {

std::string UpperAscii(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

bool Contains(const std::string &s, const char *sPart) {
    return s.find(sPart) != std::string::npos;
}

// A file path as an argument: one that starts with "-" would be read as an option.
std::string FileArgument(const std::string &sPath) {
    return !sPath.empty() && sPath[0] == '-' ? "./" + sPath : sPath;
}

// A program path as the process starter takes it: a bare name would be looked up on
// PATH, which may find another program than the file that was checked.
std::string ProgramPath(const std::string &sPath) {
    return sPath.empty() || sPath.find('/') != std::string::npos ? sPath : "./" + sPath;
}

} // namespace

FileCommandForm FileCommandFormFor(const std::string &sProgram) {
    const std::string sUpper = UpperAscii(sProgram);
    if (Contains(sUpper, "PHOTOSHP.EXE"))
        return FileCommandForm::Photoshop;
    if (Contains(sUpper, "WMPLAYER.EXE"))
        return FileCommandForm::MediaPlayer;
    return FileCommandForm::General;
}

bool IsWindowsProgram(const std::string &sProgram) {
    return sProgram.size() >= 4 && UpperAscii(sProgram.substr(sProgram.size() - 4)) == ".EXE";
}

std::string WineFilePath(const std::string &sPath) {
    std::string sAbsolute = sPath;
    if (sAbsolute.empty() || sAbsolute[0] != '/') {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(sPath, error);
        if (!error)
            sAbsolute = absolute.string();
    }
    std::replace(sAbsolute.begin(), sAbsolute.end(), '/', '\\');
    return "Z:" + sAbsolute;
}

ProgramCommand FileCommand(const std::string &sProgram, FileCommandForm eForm,
                           const std::string &sFile) {
    ProgramCommand command;
    std::string sFileArgument = FileArgument(sFile);
    if (IsWindowsProgram(sProgram)) {
        const std::string sWineFolder = FolderOnPathHolding("wine");
        if (!sWineFolder.empty())
            command.sProgram = (sWineFolder == "/" ? std::string() : sWineFolder) + "/wine";
        command.arguments.push_back(ProgramPath(FileArgument(sProgram)));
        sFileArgument = WineFilePath(sFile);
    } else {
        command.sProgram = ProgramPath(sProgram);
    }
    if (eForm == FileCommandForm::MediaPlayer)
        command.arguments.push_back("/open");
    command.arguments.push_back(sFileArgument);
    return command;
}
