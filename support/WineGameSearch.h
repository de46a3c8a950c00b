// Finding the game (and Photoshop 6.0) where their set-up programs, run under Wine,
// recorded them: the registry of a Wine prefix rather than our settings store. A
// found folder is written into the store, after which every reader takes it from
// there with GetRegString as if a set-up had written it.
#pragma once

#include "support/WinePrefixes.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace wine {

enum class Program { Game, Photoshop };

// "Tribes 2" or "Photoshop 6.0".
const char *ProgramName(Program eProgram);

// One folder that a prefix's registry names for a program.
struct Registration {
    Program eProgram = Program::Game;
    std::string sKey;         // the key that holds it, as asked for
    std::string sWindowsPath; // the folder as registered
    std::string sFolder;      // the Linux folder when it is usable, else empty
    std::string sProblem;     // why it is not usable
};

struct PrefixReport {
    Prefix prefix;
    std::string sProblem; // why the prefix's registry was skipped; empty when it was read
    // Lines of the keys asked for that could not be read.
    std::vector<std::string> damaged;
    // What the registry holds: first the key itself, then its Wow6432Node twin (where a
    // 64-bit prefix keeps what 32-bit programs wrote), for the game, then Photoshop.
    std::vector<Registration> registrations;

    // The first usable folder of the program; nullptr when there is none.
    const Registration *Usable(Program eProgram) const;
};

// Reads what the prefix's registry holds for the game and Photoshop, and checks each
// folder: the game's must hold GameData/base, Photoshop's must exist.
PrefixReport InspectPrefix(const Prefix &prefix);

// Writes one line for each thing of the report that had to be skipped: an unusable
// registry file, a damaged line, a registered folder that cannot be used.
void WriteSkipNotes(const PrefixReport &report, std::ostream &notes);

// One line on what the report found: each registered folder and whether it is usable,
// or why the prefix's registry was skipped.
std::string PrefixSummary(const PrefixReport &report);

// True when the store's game folder names a folder that exists.
bool StoreHoldsUsableGameFolder();

struct StoredFolders {
    std::string sGameFolder;      // stored as the game's folder; empty when none was
    std::string sPhotoshopFolder; // stored as Photoshop's folder; empty when none was
};

// Stores the prefix's usable game folder, and its Photoshop folder when the store has
// none. Nothing is written for a program whose folder is not usable.
StoredFolders StoreFoldersOf(const PrefixReport &report);

// The start-up's search: when the store holds no usable game folder, inspects the
// prefixes in order and stores the folders of the first that holds a usable game
// folder. What had to be skipped is noted on notes; every prefix looked at, and what
// it held, goes to the log (keplo.wine). Never throws.
StoredFolders FindGameInWine(std::ostream &notes) noexcept;

} // namespace wine
