// Finding a program the way a shell finds a command: along PATH.
#pragma once

#include <string>

// The first folder on PATH (the system's default search path when PATH is unset) that
// holds an executable regular file named sName, without a trailing "/"; empty text
// when there is none. Relative entries of PATH are passed over: they would name
// another folder whenever the current one changes.
std::string FolderOnPathHolding(const std::string &sName);
