// Where the kept versions of the game's archives lie: below $XDG_DATA_HOME/Keplo/kept
// (by default ~/.local/share/Keplo/kept), one folder per game folder, and in it one
// folder per archive, named by the archive's path below the game folder:
//
//     kept/Tribes2-3f9c0a1b2c3d4e5f/GameData/base/scripts.vl2/original.vl2
//
// so that the archives of the base folder and of every mod folder are kept alike.
#pragma once

#include <optional>
#include <string>

// An archive that kept versions are about.
struct KeptPlace {
    std::string sGameFolder; // the game folder, ending in "/"
    std::string sKey;        // the archive's path below it ("GameData/base/scripts.vl2")

    std::string ArchivePath() const { return sGameFolder + sKey; }
    // The archive's file name ("scripts.vl2").
    std::string FileName() const;
    // The folder the archive lies in, without a final "/".
    std::string Folder() const;
};

// $XDG_DATA_HOME/Keplo/kept; empty when the user has no home folder.
std::string KeptRoot();

// The name of a game's folder below the kept root: the game folder's own name, a dash
// and 16 hexadecimal digits of a hash of its whole path, so that two games of the same
// name never share one ("Tribes2-3f9c0a1b2c3d4e5f").
std::string GameKeptName(const std::string &sGameFolder);

// The key of an archive that lies (or is about to lie) in a folder of the game's
// GameData ("GameData/base/scripts.vl2", "GameData/mymod/x.vl2"), its folder found
// through links as the file system resolves it; nothing for any other path.
std::optional<std::string> KeptKeyOf(const std::string &sGameFolder,
                                     const std::string &sArchivePath);

// Whether sKey can name an archive of the game: "GameData/", a folder, "/", a file
// name, with no part empty, "." or "..".
bool IsKeptKey(const std::string &sKey);

// The text folded for a comparison without regard to letter case, letters beyond
// ASCII included (as the chooser's names change case): "Éclair" and "éCLAIR" fold alike.
std::string FoldNameCase(const std::string &sText);

// The folder of the work folder that holds sArchiveFileName's unpacked files (the
// archive's name without ".vl2", in any letter case) when one is there and holds
// anything; empty otherwise. Keplo unpacks an archive into such a folder and removes it
// at Save or Cancel.
std::string UnpackedFolderOf(const std::string &sWorkFolder, const std::string &sArchiveFileName);

// The same for an archive of the game by its place: a base archive's files lie in the
// work folder, a mod archive's in the work folder's ".mods/<mod>" folder.
std::string UnpackedFolderOf(const std::string &sWorkFolder, const KeptPlace &place);
