// The archives Keplo offers: those of the game base folder, then those of every other
// folder directly below GameData (the mods' folders), each with the name the chooser
// shows, the folder its files are unpacked into and, for one the chooser leaves out,
// why.
//
//     GameData/base/scripts.vl2   ->  "Scripts"         <work>/Scripts
//     GameData/mymod/scripts.vl2  ->  "mymod/Scripts"   <work>/.mods/mymod/Scripts
//
// A mod archive's files go below ".mods", a name no archive of the chooser can have
// (hidden names are left out), so no archive's work folder ever lies inside another's.
#pragma once

#include <QString>
#include <string>
#include <vector>

struct GameArchiveChoice {
    enum class Shown {
        Yes,
        Interiors,   // the game's interiors archive, never offered
        SameNameAs,  // its name differs only in letter case from an archive offered before
    };
    // The folder below GameData as it is on disk; empty for the game base folder.
    std::string sMod;
    // The file name as it is on disk ("scripts.vl2").
    std::string sFileName;
    // Its full path.
    std::string sPath;
    // The chooser's text: the archive display name, after "<mod>/" for a mod archive.
    QString sDisplay;
    Shown eShown = Shown::Yes;
    // For SameNameAs: the chooser's text of the archive offered in its place.
    QString sShownInstead;

    bool IsMod() const { return !sMod.empty(); }
    // The folder its files are unpacked into below sWorkFolder: sWorkFolder + "/" + the
    // display name for a base archive, sWorkFolder + "/.mods/<mod>/" + the display name
    // of the file for a mod archive. Empty without a work folder.
    std::string SubFolder(const std::string &sWorkFolder) const;
    // Why the chooser leaves it out; empty when it is offered.
    QString HiddenReason() const;
};

// The sub-folder of the work folder below which every mod archive is unpacked.
inline constexpr const char *kModsWorkFolder = ".mods";

// The file names ending in ".vl2" (any case) of one folder, as spelled on disk, hidden
// names and anything not a file left out, in name order (letter case aside, then by
// the exact bytes). A folder that cannot be read gives none.
std::vector<std::string> ArchiveFilesIn(const std::string &sFolder);

// The folders directly below sGameDataFolder other than "base" that hold at least one
// archive, as spelled on disk, hidden ones left out, in name order.
std::vector<std::string> ModFolders(const std::string &sGameDataFolder);

// The folders directly below sGameDataFolder (base included, hidden ones left out)
// that cannot be read, each as "<folder>: <why>"; their archives are missing from
// GameArchiveChoices.
std::vector<std::string> UnreadableGameFolders(const std::string &sGameDataFolder);

// Every archive of the game in the chooser's order: the base folder's in name order,
// then each mod folder's, folders in name order and the archives of each in name
// order. Each is marked as the chooser shows it or leaves it out.
std::vector<GameArchiveChoice> GameArchiveChoices(const std::string &sGameBaseFolder);

// The folder GameData of a game base folder ("/g/GameData/base/" -> "/g/GameData").
std::string GameDataFolderOf(const std::string &sGameBaseFolder);

// Name order as the chooser sorts: letter case aside, then by the exact bytes.
bool ChooserNameOrder(const std::string &a, const std::string &b);
