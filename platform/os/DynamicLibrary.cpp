#include "platform/os/DynamicLibrary.h"

#include "platform/os/ProgramFolder.h"

#include <dlfcn.h>
#include <errno.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

namespace {

// dlerror() text, or a fallback when the system gave none.
std::string SystemLoadError() {
    const char *pText = dlerror();
    return pText != nullptr ? std::string(pText) : std::string("unknown error");
}

} // namespace

bool DynamicLibrary::Load() {
    if (m_pHandle != nullptr)
        return true;

    // Beside the executable first, so that the libraries shipped with the program
    // win over any of the same name elsewhere; then in the private folder of an
    // installed copy; then by name through the system's search path.
    std::vector<std::string> candidates;
    try {
        const std::string sFolder = ProgramFolder();
        if (!sFolder.empty()) {
            candidates.push_back(sFolder + "/" + m_sFileName);
            candidates.push_back(PrivateLibraryFolder() + "/" + m_sFileName);
        }
    } catch (...) {
        candidates.clear();
    }
    candidates.push_back(m_sFileName);
    // Functions are bound on their first call: the engine libraries pull in
    // libzip and its crypto library, thousands of whose functions are never
    // called, and binding them all up front would double the time a short
    // listing takes. Each entry point is still looked up (and a missing one
    // reported) by name.
    std::string sErrors;
    for (const std::string &sCandidate : candidates) {
        // A file that is not there is no error worth reporting; one that is there
        // but cannot be loaded is.
        const bool bByName = sCandidate == m_sFileName;
        if (!bByName && access(sCandidate.c_str(), F_OK) != 0)
            continue;
        m_pHandle = dlopen(sCandidate.c_str(), RTLD_LAZY | RTLD_LOCAL);
        if (m_pHandle != nullptr) {
            m_sLastError.clear();
            return true;
        }
        sErrors += (sErrors.empty() ? "" : "; ") + SystemLoadError();
    }
    m_sLastError = sErrors;
    return false;
}

void *DynamicLibrary::EntryPoint(const std::string &sName) {
    if (!Load())
        return nullptr;
    dlerror();
    void *pAddress = dlsym(m_pHandle, sName.c_str());
    if (pAddress == nullptr)
        m_sLastError = SystemLoadError();
    return pAddress;
}

std::string ExecutableName() {
    std::error_code ec;
    const std::filesystem::path tExe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && !tExe.filename().empty())
        return tExe.filename().string();
    return program_invocation_short_name != nullptr ? std::string(program_invocation_short_name)
                                                    : std::string();
}
