#include "skins/SkinStaging.h"

#include "platform/os/FileCopy.h"
#include "support/FileSteps.h"

#include <filesystem>
#include <system_error>

std::string StagingBasePath(const std::string &sWorkFolder) {
    return sWorkFolder + "/pelterbox/";
}

std::string SkinStagingFolder(const std::string &sWorkFolder) {
    return sWorkFolder + "/pelterbox/textures/skins";
}

void ClearStagingTree(const std::string &sWorkFolder) {
    if (sWorkFolder.empty())
        return;
    const std::string sRoot = sWorkFolder + "/pelterbox";
    const std::string sTextures = sRoot + "/textures";
    const std::string sSkins = sTextures + "/skins";
    DeleteLooseFiles(sRoot);
    DeleteLooseFiles(sTextures);
    DeleteLooseFiles(sSkins);
    RemoveFolder(sSkins);
    RemoveFolder(sTextures);
    RemoveFolder(sRoot);
}

bool StageSkin(const std::string &sWorkFolder, const std::string &sSource,
               const std::string &sName) {
    if (sWorkFolder.empty() || sName.empty())
        return false;
    const std::string sFolder = SkinStagingFolder(sWorkFolder);
    // Failure shows in the copy.
    std::error_code error;
    std::filesystem::create_directories(sFolder, error);
    return CopyFileReplacing(sSource, sFolder + "/" + sName);
}

void UnstageSkin(const std::string &sWorkFolder, const std::string &sName) {
    if (!sWorkFolder.empty() && !sName.empty())
        RemoveFile(SkinStagingFolder(sWorkFolder) + "/" + sName);
}

int StagedSkinCount(const std::string &sWorkFolder) {
    if (sWorkFolder.empty())
        return 0;
    int nCount = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator it(SkinStagingFolder(sWorkFolder), error), end;
         !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError))
            ++nCount;
    }
    return nCount;
}

void DeleteStagedSkins(const std::string &sWorkFolder) {
    if (!sWorkFolder.empty())
        DeleteLooseFiles(SkinStagingFolder(sWorkFolder));
}
