#include "support/kept/ArchiveCheck.h"

#include "archive/jobs/ArchiveJobs.h"
#include "support/CaseBlind.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace {

// The names of what lies in sFolder, of the kind wanted, links left out, in name order.
std::vector<std::string> NamesIn(const std::string &sFolder, bool bFolders) {
    std::vector<std::string> names;
    DIR *pDir = opendir(sFolder.c_str());
    if (!pDir)
        return names;
    while (const dirent *pEntry = readdir(pDir)) {
        const std::string sName = pEntry->d_name;
        if (sName.empty() || sName[0] == '.')
            continue;
        struct stat st {};
        if (lstat((sFolder + "/" + sName).c_str(), &st) != 0)
            continue;
        if (bFolders ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode))
            names.push_back(sName);
    }
    closedir(pDir);
    std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
        const std::string sA = FoldCase(a), sB = FoldCase(b);
        return sA != sB ? sA < sB : a < b;
    });
    return names;
}

bool IsArchiveName(const std::string &sName) {
    return sName.size() > 4 && SameCaseBlind(sName.substr(sName.size() - 4), ".vl2");
}

} // namespace

JobOutcome CheckArchiveFile(const std::string &sPath, JobRunner &runner) {
    cUnzip oUnzip;
    cZip oZip;
    ArchiveJobs jobs(oUnzip, oZip);
    return jobs.Test(sPath, runner);
}

JobOutcome CheckArchiveFile(const std::string &sPath) {
    DirectRunner runner;
    return CheckArchiveFile(sPath, runner);
}

std::vector<GameArchive> GameArchives(const std::string &sGameFolder) {
    std::vector<GameArchive> archives;
    if (sGameFolder.empty())
        return archives;
    std::string sGame = sGameFolder;
    if (sGame.back() != '/')
        sGame += '/';
    const std::string sGameData = sGame + "GameData";
    std::vector<std::string> folders = NamesIn(sGameData, true);
    // The game's own archives first.
    std::stable_partition(folders.begin(), folders.end(),
                          [](const std::string &s) { return s == "base"; });
    for (const std::string &sFolder : folders) {
        for (const std::string &sName : NamesIn(sGameData + "/" + sFolder, false)) {
            if (!IsArchiveName(sName))
                continue;
            GameArchive archive;
            archive.sKey = "GameData/" + sFolder + "/" + sName;
            archive.sPath = sGame + archive.sKey;
            struct stat st {};
            if (stat(archive.sPath.c_str(), &st) == 0)
                archive.lSize = static_cast<std::uint64_t>(st.st_size);
            archives.push_back(std::move(archive));
        }
    }
    return archives;
}
