#include "platform/os/UserFolders.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace {

// An XDG variable counts only when it holds an absolute path; a relative or empty
// one is ignored, as the base directory rules ask.
std::string XdgFolder(const char *sVariable, const char *sFallbackBelowHome) {
    const char *sValue = std::getenv(sVariable);
    if (sValue != nullptr && sValue[0] == '/') {
        return sValue;
    }
    std::string sHome = HomeFolder();
    if (sHome.empty()) {
        return {};
    }
    return sHome + sFallbackBelowHome;
}

} // namespace

std::string HomeFolder() {
    const char *sHome = std::getenv("HOME");
    if (sHome != nullptr && sHome[0] != '\0') {
        return sHome;
    }
    const passwd *pEntry = getpwuid(getuid());
    if (pEntry != nullptr && pEntry->pw_dir != nullptr) {
        return pEntry->pw_dir;
    }
    return {};
}

std::string ConfigHome() {
    return XdgFolder("XDG_CONFIG_HOME", "/.config");
}

std::string DataHome() {
    return XdgFolder("XDG_DATA_HOME", "/.local/share");
}

std::string StateHome() {
    return XdgFolder("XDG_STATE_HOME", "/.local/state");
}
