// Finding a native install of the game: the game's own Linux port, whose installer
// put it in /usr/local/games/tribes2 by default, or a copy players keep in /opt, in
// /usr/games or below their home folder. Such an install has no registry to name
// it; a folder called tribes2 (in any letter case) directly in one of the usual
// places, holding GameData/base, is the game. A found folder is written into the
// store as the game's folder, as the search in Wine prefixes does.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace native {

// A folder that native installs are looked for in.
struct InstallRoot {
    std::string sFolder; // absolute
    std::string sLabel;  // as the player knows it: "/usr/local/games", "~/games"
};

// One tribes2 folder found in a root.
struct Install {
    std::string sFolder;  // the folder found, root + "/" + its name on disk
    std::string sProblem; // why it cannot be used; empty when it holds GameData/base
};

// The roots in the order they are searched: /usr/local/games, /opt, /usr/games,
// ~/games and ~/.local/share/games (and $XDG_DATA_HOME/games when that lies
// elsewhere), each once.
std::vector<InstallRoot> InstallRoots();

// The roots as the player knows them, joined with ", ", for messages.
std::string InstallRootsText();

// Every folder named tribes2 in any letter case directly in a root, root by root in
// the order given, in name order within a root; each checked for GameData/base.
std::vector<Install> FindInstalls(const std::vector<InstallRoot> &roots);

// The start-up's search: when the store holds no usable game folder, stores the first
// usable native install found in roots. Returns the folder stored, empty when none
// was. What was skipped goes to notes; what was looked at, to the log (keplo.wine).
// Never throws.
std::string FindNativeGame(const std::vector<InstallRoot> &roots, std::ostream &notes) noexcept;
// The same over InstallRoots().
std::string FindNativeGame(std::ostream &notes) noexcept;

} // namespace native
