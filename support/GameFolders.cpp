#include "support/GameFolders.h"

#include "support/SettingsKeys.h"
#include "support/modOther.h"
#include "support/modRegistry.h"

GameFolders ReadGameFolders() {
    GameFolders folders;
    std::string sLong =
        GetLongFileName(GetRegString(HKEY_LOCAL_MACHINE, kGameSetupKey, kGameFolderValue, ""));
    if (sLong.empty())
        return folders;
    while (sLong.size() > 1 && sLong.back() == '/')
        sLong.pop_back();
    folders.sGameFolder = sLong == "/" ? sLong : sLong + "/";
    folders.sGameBaseFolder = folders.sGameFolder + "GameData/base/";
    return folders;
}

std::string ReadWorkFolder() {
    return GetRegString(HKEY_LOCAL_MACHINE, kSettingsKey, kWorkFolderValue, "");
}

void WriteWorkFolder(const std::string &sFolder) {
    SetRegString(HKEY_LOCAL_MACHINE, kSettingsKey, kWorkFolderValue, sFolder);
}
