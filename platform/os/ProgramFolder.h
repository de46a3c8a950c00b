// Where the running program lies.
#pragma once

#include <string>

// The folder that holds the running executable, without a trailing "/".
std::string ProgramFolder();

// The folder where an installed copy keeps its own libraries: lib/keplo beside the
// folder that holds the program (/usr/bin/keplo -> /usr/lib/keplo). Empty when the
// program's folder is unknown.
std::string PrivateLibraryFolder();

// True when the program runs as installed (its private library folder exists) rather
// than from a build tree or a portable copy, which keep everything in one folder.
bool IsInstalledCopy();

// The default work folder: ProgramFolder() + "/temp" when the program runs from a
// folder of its own that the user may write in (a build tree, a portable copy), else
// $XDG_DATA_HOME/Keplo/temp (default ~/.local/share/Keplo/temp). An installed copy
// always takes the latter: its folder (/usr/bin) is shared with every other program,
// even when the user, as root, may write there.
std::string DefaultWorkFolder();
