// Where the running program lies.
#pragma once

#include <string>

// The folder that holds the running executable, without a trailing "/".
std::string ProgramFolder();

// The default work folder: ProgramFolder() + "/temp" when the user may write in the
// program's folder, else $XDG_DATA_HOME/Keplo/temp (default ~/.local/share/Keplo/temp).
std::string DefaultWorkFolder();
