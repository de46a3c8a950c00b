// The user's base folders as the XDG base directory rules name them.
#pragma once

#include <string>

// The user's home folder: $HOME, else the password database's entry; empty when neither.
std::string HomeFolder();

// $XDG_CONFIG_HOME when it is an absolute path, else HomeFolder() + "/.config".
std::string ConfigHome();

// $XDG_DATA_HOME when it is an absolute path, else HomeFolder() + "/.local/share".
std::string DataHome();

// $XDG_STATE_HOME when it is an absolute path, else HomeFolder() + "/.local/state": what a
// program keeps between runs that is neither a setting nor the user's data.
std::string StateHome();
