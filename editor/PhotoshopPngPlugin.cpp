#include "editor/PhotoshopPngPlugin.h"

#include "platform/os/FileCopy.h"
#include "platform/os/ProgramFolder.h"
#include "support/CaseBlind.h"
#include "support/SettingsKeys.h"
#include "support/modRegistry.h"

namespace {

// Below Photoshop's installation folder.
constexpr const char *kFileFormatsFolder = "Plug-Ins/Adobe Photoshop Only/File Formats/";

} // namespace

bool IsPhotoshopProgram(const std::string &sProgram) {
    return SameCaseBlind(sProgram.substr(sProgram.rfind('/') + 1), "Photoshp.exe");
}

void SwitchPhotoshopPngPlugin() {
    SwitchPhotoshopPngPluginFrom(ProgramFolder());
}

void SwitchPhotoshopPngPluginFrom(const std::string &sKeploFolder) {
    std::string sPhotoshop = GetRegString(HKEY_LOCAL_MACHINE, kPhotoshopKey, "", "");
    if (sPhotoshop.empty())
        return;
    // Photoshop's set-up stores its folder with a trailing separator; one typed in by
    // hand may lack it, and gluing the plug-in folder to the folder's last name would
    // only miss the plug-in.
    if (sPhotoshop.back() != '/')
        sPhotoshop += '/';
    const std::string sPlugin = sPhotoshop + kFileFormatsFolder + "Png.8bi";

    CopyFileReplacing(sPlugin + ".bak", sPlugin);
    CopyFileReplacing(sKeploFolder + "/Png.8bi", sPlugin);
}
