#include "editor/GameArchiveList.h"

#include "editor/ArchiveNames.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool IsHiddenName(const std::string &sName) {
    return sName.empty() || sName.front() == '.';
}

// The folder without its trailing "/" (GameData/base/ -> GameData/base).
std::string WithoutSlash(std::string sFolder) {
    while (sFolder.size() > 1 && sFolder.back() == '/')
        sFolder.pop_back();
    return sFolder;
}

} // namespace

bool ChooserNameOrder(const std::string &a, const std::string &b) {
    const int nOrder =
        QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive);
    return nOrder != 0 ? nOrder < 0 : a < b;
}

std::string GameArchiveChoice::SubFolder(const std::string &sWorkFolder) const {
    if (sWorkFolder.empty())
        return {};
    if (!IsMod())
        return sWorkFolder + "/" + sDisplay.toStdString();
    return sWorkFolder + "/" + kModsWorkFolder + "/" + sMod + "/" +
           ArchiveDisplayName(QString::fromStdString(sFileName)).toStdString();
}

QString GameArchiveChoice::HiddenReason() const {
    switch (eShown) {
    case Shown::Interiors:
        return QStringLiteral("Interiors archives are not offered in the chooser");
    case Shown::SameNameAs:
        return QStringLiteral("its name differs only in letter case from %1, which the chooser "
                              "offers instead")
            .arg(sShownInstead);
    case Shown::Yes:
        break;
    }
    return {};
}

std::vector<std::string> ArchiveFilesIn(const std::string &sFolder) {
    std::vector<std::string> names;
    if (sFolder.empty())
        return names;
    // A missing or unreadable folder lists nothing.
    std::error_code error;
    for (fs::directory_iterator it(sFolder, error), end; !error && it != end; it.increment(error)) {
        const std::string sName = it->path().filename().string();
        std::error_code typeError;
        if (!IsHiddenName(sName) && IsArchiveFileName(sName) && it->is_regular_file(typeError))
            names.push_back(sName);
    }
    std::sort(names.begin(), names.end(), ChooserNameOrder);
    return names;
}

std::vector<std::string> ModFolders(const std::string &sGameDataFolder) {
    std::vector<std::string> folders;
    if (sGameDataFolder.empty())
        return folders;
    std::error_code error;
    for (fs::directory_iterator it(sGameDataFolder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string sName = it->path().filename().string();
        std::error_code typeError;
        // A mod's folder may be a link to another disk: it is followed.
        if (IsHiddenName(sName) || sName == "base" || !it->is_directory(typeError))
            continue;
        if (!ArchiveFilesIn(it->path().string()).empty())
            folders.push_back(sName);
    }
    std::sort(folders.begin(), folders.end(), ChooserNameOrder);
    return folders;
}

std::string GameDataFolderOf(const std::string &sGameBaseFolder) {
    if (sGameBaseFolder.empty())
        return {};
    return fs::path(WithoutSlash(sGameBaseFolder)).parent_path().string();
}

std::vector<std::string> UnreadableGameFolders(const std::string &sGameDataFolder) {
    std::vector<std::string> unreadable;
    if (sGameDataFolder.empty())
        return unreadable;
    std::error_code error;
    for (fs::directory_iterator it(sGameDataFolder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string sName = it->path().filename().string();
        std::error_code typeError;
        if (IsHiddenName(sName) || !it->is_directory(typeError))
            continue;
        std::error_code readError;
        fs::directory_iterator inner(it->path(), readError);
        if (readError)
            unreadable.push_back(sName + ": " + readError.message());
    }
    std::sort(unreadable.begin(), unreadable.end(), ChooserNameOrder);
    return unreadable;
}

std::vector<GameArchiveChoice> GameArchiveChoices(const std::string &sGameBaseFolder) {
    std::vector<GameArchiveChoice> choices;
    if (sGameBaseFolder.empty())
        return choices;
    const std::string sBase = WithoutSlash(sGameBaseFolder);
    const std::string sGameData = GameDataFolderOf(sGameBaseFolder);

    auto addFolder = [&](const std::string &sMod, const std::string &sFolder) {
        // Two files whose names differ only in letter case would share one work folder,
        // and saving one would pack the other's files: only the first in name order is
        // offered.
        std::set<QString> offered;
        for (const std::string &sFileName : ArchiveFilesIn(sFolder)) {
            GameArchiveChoice choice;
            choice.sMod = sMod;
            choice.sFileName = sFileName;
            choice.sPath = sFolder + "/" + sFileName;
            const QString sName = ArchiveDisplayName(QString::fromStdString(sFileName));
            choice.sDisplay =
                sMod.empty() ? sName : QString::fromStdString(sMod) + QLatin1Char('/') + sName;
            if (sName == QLatin1String("Interiors")) {
                choice.eShown = GameArchiveChoice::Shown::Interiors;
            } else if (!offered.insert(sName).second) {
                choice.eShown = GameArchiveChoice::Shown::SameNameAs;
                for (const GameArchiveChoice &earlier : choices)
                    if (earlier.sMod == sMod && earlier.eShown == GameArchiveChoice::Shown::Yes &&
                        earlier.sDisplay == choice.sDisplay)
                        choice.sShownInstead = QString::fromStdString(earlier.sFileName);
            }
            choices.push_back(std::move(choice));
        }
    };
    addFolder(std::string(), sBase);
    for (const std::string &sMod : ModFolders(sGameData))
        addFolder(sMod, sGameData + "/" + sMod);
    return choices;
}
