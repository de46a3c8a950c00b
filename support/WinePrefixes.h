// The Wine prefixes that a player is likely to have, in the order they are searched:
// $WINEPREFIX, ~/.wine, then the prefixes of the common launchers: Lutris (~/Games/*),
// Bottles (~/.local/share/bottles/bottles/*, and the same below its Flatpak's data
// folder) and PlayOnLinux (~/.PlayOnLinux/wineprefix/*).
#pragma once

#include <string>
#include <vector>

namespace wine {

struct Prefix {
    std::string sFolder; // absolute, without a trailing "/"
    std::string sSource; // where it was found: "$WINEPREFIX", "~/.wine", "Lutris"...
};

// The prefixes to search, each folder once. $WINEPREFIX and ~/.wine are listed when
// the folder exists; a launcher's folders only when they hold a system.reg, so that
// other folders kept beside them (Lutris' ~/Games holds native games too) are passed
// over without a word.
std::vector<Prefix> PrefixesToSearch();

// The registry file of a prefix.
std::string SystemRegistryFile(const Prefix &prefix);

} // namespace wine
