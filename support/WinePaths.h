// Windows paths inside a Wine prefix. Each drive letter is a link in the prefix's
// dosdevices folder ("c:" -> "../drive_c", "z:" -> "/"); below it the names are
// matched without regard to case, as Windows matches them.
#pragma once

#include <string>

namespace wine {

struct PrefixFolder {
    std::string sFolder;  // the Linux folder, in its spelling on disk; empty when none
    std::string sProblem; // why there is none
};

// The folder that the Windows path sWindowsPath ("C:\Dynamix\Tribes2\", forward
// slashes too) names in the prefix sPrefix. Empty, with the reason, when the path
// has no drive letter, the drive is missing or its link leads nowhere, or the path
// names nothing or a file.
PrefixFolder FolderInPrefix(const std::string &sPrefix, const std::string &sWindowsPath);

} // namespace wine
