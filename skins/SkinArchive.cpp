#include "skins/SkinArchive.h"

#include "archive/cUnzip.h"
#include "support/CaseBlind.h"

bool IsSkinFolder(const std::string &sFolder) {
    static constexpr std::string_view kSkins = "textures\\skins";
    return StartsWithCaseBlind(sFolder, kSkins) &&
           (sFolder.size() == kSkins.size() || sFolder[kSkins.size()] == '\\');
}

ArchiveHoldings HoldingsOf(const cUnzip &oUnzip) {
    ArchiveHoldings holdings;
    holdings.nFiles = oUnzip.FileCount();
    for (std::int32_t i = 1; i <= holdings.nFiles; ++i)
        if (IsSkinFolder(oUnzip.FileDirectory(i)))
            ++holdings.nSkins;
    return holdings;
}
