// Turning an archive entry's stored name into a path that is safe to
// create below a target folder.
#ifndef KEPLO_ENGINE_COMMON_ENTRY_PATH_H
#define KEPLO_ENGINE_COMMON_ENTRY_PATH_H

#include <string>
#include <string_view>
#include <vector>

namespace engine {

// Why a stored name can or cannot be written below a target folder.
enum class PathVerdict {
    Safe,            // the parts name a place inside the target
    Empty,           // nothing left once "." and empty parts are dropped
    ParentReference, // a ".." part would climb out of the target
    Absolute,        // starts at the root ("/..." or "\...")
    DriveLetter,     // starts with a drive letter ("C:...")
};

// The stored name with every "\" turned into "/": archives made on Windows
// may use either separator.
std::string ToForwardSlashes(std::string_view name);

// Checks a stored name and splits it into its parts, dropping "." and empty
// parts. Only a Safe verdict leaves parts to use.
PathVerdict SplitEntryPath(std::string_view name, std::vector<std::string> &parts);

// One sentence saying why a name was refused, for messages.
const char *PathVerdictText(PathVerdict verdict);

} // namespace engine

#endif
