// File steps on the unpacked files of an archive, each ignoring its own failure
// as the window's removal and attribute steps do. Texts that separate folders
// with "\" (entry-list lines, node texts) become "/" paths here.
#pragma once

#include "support/FileSteps.h"

#include <QString>
#include <optional>
#include <string>
#include <string_view>

// sFolder + "/" + sText with "\" turned into "/"; nothing when sText climbs out
// of sFolder through a ".." part (an entry name from a hostile archive).
// sText in UTF-8 or as a QString.
std::optional<std::string> PathBelow(const std::string &sFolder, std::string_view sText);
std::optional<std::string> PathBelow(const std::string &sFolder, const QString &sText);

// Adds owner read and write to a regular file (not through a symbolic link);
// clears nothing.
void MakeOwnerWritable(const std::string &sPath);

// Removes every folder below sFolder that holds nothing (folders that only hold
// empty folders included), deepest first, then sFolder itself when it is empty.
// Symbolic links are not followed, and nothing that holds a file is touched.
void RemoveEmptyFolders(const std::string &sFolder);
