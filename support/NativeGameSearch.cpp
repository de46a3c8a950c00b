#include "support/NativeGameSearch.h"

#include "platform/os/AtomicFile.h"
#include "platform/os/Log.h"
#include "platform/os/UserFolders.h"
#include "support/CaseBlind.h"
#include "support/SettingsKeys.h"
#include "support/WineGameSearch.h"
#include "support/modRegistry.h"

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <system_error>

namespace fs = std::filesystem;

namespace native {

std::vector<InstallRoot> InstallRoots() {
    std::vector<InstallRoot> roots = {
        {"/usr/local/games", "/usr/local/games"}, {"/opt", "/opt"}, {"/usr/games", "/usr/games"}};
    auto add = [&roots](const std::string &sFolder, const std::string &sLabel) {
        if (std::none_of(roots.begin(), roots.end(),
                         [&](const InstallRoot &root) { return root.sFolder == sFolder; }))
            roots.push_back({sFolder, sLabel});
    };
    const std::string sHome = HomeFolder();
    if (!sHome.empty()) {
        add(sHome + "/games", "~/games");
        add(sHome + "/.local/share/games", "~/.local/share/games");
    }
    const std::string sData = DataHome();
    if (!sData.empty())
        add(sData + "/games", "$XDG_DATA_HOME/games");
    return roots;
}

std::string InstallRootsText() {
    std::string sText;
    for (const InstallRoot &root : InstallRoots())
        sText += (sText.empty() ? "" : ", ") + root.sLabel;
    return sText;
}

std::vector<Install> FindInstalls(const std::vector<InstallRoot> &roots) {
    std::vector<Install> installs;
    for (const InstallRoot &root : roots) {
        std::vector<std::string> names;
        std::error_code error;
        for (fs::directory_iterator it(root.sFolder, error), end; !error && it != end;
             it.increment(error)) {
            const std::string sName = it->path().filename().string();
            std::error_code typeError;
            if (SameCaseBlind(sName, "tribes2") && it->is_directory(typeError))
                names.push_back(sName);
        }
        std::sort(names.begin(), names.end());
        for (const std::string &sName : names) {
            Install install;
            install.sFolder = root.sFolder + "/" + sName;
            if (!FolderExists(install.sFolder + "/GameData/base"))
                install.sProblem = install.sFolder + " holds no GameData/base folder";
            installs.push_back(std::move(install));
        }
    }
    return installs;
}

std::string FindNativeGame(const std::vector<InstallRoot> &roots, std::ostream &notes) noexcept {
    try {
        if (wine::StoreHoldsUsableGameFolder())
            return {};
        for (const Install &install : FindInstalls(roots)) {
            if (!install.sProblem.empty()) {
                notes << "native install " << install.sFolder << ": skipped: " << install.sProblem
                      << "\n";
                continue;
            }
            LogLine(LogArea::Wine, "found a native install of Tribes 2 in " + install.sFolder);
            SetRegString(HKEY_LOCAL_MACHINE, kGameSetupKey, kGameFolderValue, install.sFolder);
            return install.sFolder;
        }
        if (LogEnabled(LogArea::Wine)) {
            std::string sLooked;
            for (const InstallRoot &root : roots)
                sLooked += (sLooked.empty() ? "" : ", ") + root.sFolder;
            LogLine(LogArea::Wine, "no native install of Tribes 2 in " + sLooked);
        }
    } catch (...) {
        // The search only helps: when it fails the start-up goes on as if it found nothing.
    }
    return {};
}

std::string FindNativeGame(std::ostream &notes) noexcept {
    try {
        return FindNativeGame(InstallRoots(), notes);
    } catch (...) {
        return {};
    }
}

} // namespace native
