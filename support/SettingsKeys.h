// The keys and value names of the settings store that both programs read or write.
#pragma once

// The game's own set-up records its installation folder here.
inline constexpr const char *kGameSetupKey = "SOFTWARE\\Sierra Online\\Setup\\Tribes2";
inline constexpr const char *kGameFolderValue = "directory";

// The settings key shared by Keplo and Pelterbox; tempdir names the work folder.
inline constexpr const char *kSettingsKey = "SOFTWARE\\Halvane\\Game Editors\\Tribes2\\Keplo";
inline constexpr const char *kWorkFolderValue = "tempdir";

// Keplo's program table: one value per file type, the program that edits it.
inline constexpr const char *kProgramTableKey =
    "SOFTWARE\\Halvane\\Game Editors\\Tribes2\\Keplo\\Programs";

// Photoshop 6.0's installation folder is the unnamed value of this key.
inline constexpr const char *kPhotoshopKey = "SOFTWARE\\Adobe\\Photoshop\\6.0\\ApplicationPath";
