// File and path helpers shared by both programs.
#pragma once

#include <cstdint>
#include <string>

// 1 when a regular, non-hidden file matches sPath (which may hold "*" and "?" in
// its last part), else 0. Folders give 0.
std::int16_t FileExists(const std::string &sPath);

// sPath with every part in its spelling on disk (a case-blind match where no exact
// one exists); empty text when a part does not exist or the path is not absolute.
std::string GetLongFileName(const std::string &sPath);

// The folder that holds the plain text editor fallback (xdg-open), found on PATH;
// empty text when there is none.
std::string GetWinPath();
