// Where the game and the work folder lie, read afresh from the settings store.
#pragma once

#include <string>

struct GameFolders {
    // The game's installation folder in its spelling on disk, ending in "/"; empty when
    // the registered folder does not exist (or nothing is registered).
    std::string sGameFolder;
    // sGameFolder + "GameData/base/", where the game's archives lie; empty with it.
    std::string sGameBaseFolder;
};

// Reads the game's "directory" value and forms both folders through GetLongFileName.
// A folder that does not exist gives empty folders rather than "/" + "GameData/base/",
// a folder at the root of the disk that is not the game's.
GameFolders ReadGameFolders();

// The work folder: the settings value tempdir, exactly as stored; empty when unset.
std::string ReadWorkFolder();

// Stores sFolder as the work folder.
void WriteWorkFolder(const std::string &sFolder);
