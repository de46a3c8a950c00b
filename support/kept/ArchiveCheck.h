// Checking the game's archives: every entry read and checked against its CRC by the
// engine's test mode, as Check All Archives does and as a kept version is checked
// before it is put back.
#pragma once

#include "archive/jobs/JobOutcome.h"
#include "archive/jobs/JobRunner.h"

#include <cstdint>
#include <string>
#include <vector>

// Tests the archive at sPath through components of its own (ArchiveJobs::Test): Done
// when every entry passed, Partly when some failed (lFailedEntries), Failed when it
// could not be read at all.
JobOutcome CheckArchiveFile(const std::string &sPath, JobRunner &runner);
// The same on the calling thread.
JobOutcome CheckArchiveFile(const std::string &sPath);

// One archive of the game.
struct GameArchive {
    std::string sKey;  // its path below the game folder ("GameData/base/scripts.vl2")
    std::string sPath; // its full path
    std::uint64_t lSize = 0;
};

// Every archive of the game: the files ending in ".vl2" (in any letter case) in the
// folders of GameData, base first, then the others (the mods' folders) in name order,
// the archives of each folder in name order. Hidden files and folders, and links, are
// left out.
std::vector<GameArchive> GameArchives(const std::string &sGameFolder);
