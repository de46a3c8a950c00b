// File steps that ignore their own failure, as the windows' clean-up steps do: a
// file or folder that cannot be removed is simply left where it is.
#pragma once

#include <string>

// Deletes the file sPath; a folder is left alone.
void RemoveFile(const std::string &sPath);

// Deletes every file directly in sFolder whose name does not start with "."
// (the pattern sFolder + "/*"); folders are left alone.
void DeleteLooseFiles(const std::string &sFolder);

// Removes sFolder when it is empty.
void RemoveFolder(const std::string &sFolder);
