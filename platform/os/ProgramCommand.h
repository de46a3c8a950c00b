// How Keplo starts the program that edits a file: the program file and each of its
// arguments as one item each, handed to the process starter without a shell, so that
// a path with blanks, quotes, "$" or ";" reaches the program unchanged.
#pragma once

#include <string>
#include <vector>

struct ProgramCommand {
    // The program file to run; empty when no program can run the file (a Windows
    // program without wine to start it), which makes the start fail.
    std::string sProgram;
    std::vector<std::string> arguments;
};

// The ways a file is handed to its program on the command line.
enum class FileCommandForm {
    General,     // program, blank, file
    Photoshop,   // program and file, each in quotes
    MediaPlayer, // program in quotes, "/open", file in quotes
};

// The form for a program path: Photoshop when its upper-case form holds "PHOTOSHP.EXE"
// anywhere, else Media Player when it holds "WMPLAYER.EXE", else general.
FileCommandForm FileCommandFormFor(const std::string &sProgram);

// Whether a program is a Windows program: its name ends in ".exe" in any case.
bool IsWindowsProgram(const std::string &sProgram);

// The Windows path of a file on Wine's Z: drive, which maps the root folder:
// "/home/p/a b.png" gives "Z:\home\p\a b.png". A relative path is taken from the
// current folder.
std::string WineFilePath(const std::string &sPath);

// The start that opens sFile in sProgram in the form eForm. The quotes of a form only
// keep a path in one piece, which separate items do anyway: only the Media Player's
// "/open" is an argument of its own. A Windows program starts through wine found on
// PATH, with the program as wine's first argument and the file as its Windows path.
// Paths that a program would read as an option (a leading "-") or that the process
// starter would look up on PATH (no "/") are made to name the same file from "./".
ProgramCommand FileCommand(const std::string &sProgram, FileCommandForm eForm,
                           const std::string &sFile);
