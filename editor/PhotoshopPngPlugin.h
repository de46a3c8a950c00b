// Switching Adobe Photoshop 6.0 to Keplo's PNG file-format plug-in when the user picks
// Photoshop as the PNG editor.
#pragma once

#include <string>

// Whether a picked program is Photoshop 6.0: its file name, without its folder, is
// "Photoshp.exe" in any case.
bool IsPhotoshopProgram(const std::string &sProgram);

// Puts a PNG plug-in into Photoshop's file-format plug-in folder: first Photoshop's own
// backup "Png.8bi.bak" is copied over its "Png.8bi", then Keplo's "Png.8bi" from the
// program's folder. Nothing happens when Photoshop 6.0 is not registered in the
// settings store; a copy that fails (source missing, Photoshop holding the file, no
// right to write) is skipped and the other still runs. A copy never leaves a
// half-written plug-in. No message, no result.
void SwitchPhotoshopPngPlugin();

// The same with Keplo's plug-in taken from sKeploFolder instead of the program's folder.
void SwitchPhotoshopPngPluginFrom(const std::string &sKeploFolder);
