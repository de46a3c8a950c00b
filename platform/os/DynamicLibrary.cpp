#include "platform/os/DynamicLibrary.h"

#include "platform/os/ProgramFolder.h"

#include <dlfcn.h>
#include <errno.h>
#include <unistd.h>

#include <filesystem>

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
    // win over any of the same name elsewhere.
    std::string sBeside;
    try {
        const std::string sFolder = ProgramFolder();
        if (!sFolder.empty())
            sBeside = sFolder + "/" + m_sFileName;
    } catch (...) {
        sBeside.clear();
    }
    // Functions are bound on their first call: the engine libraries pull in
    // libzip and its crypto library, thousands of whose functions are never
    // called, and binding them all up front would double the time a short
    // listing takes. Each entry point is still looked up (and a missing one
    // reported) by name.
    std::string sBesideError;
    if (!sBeside.empty()) {
        m_pHandle = dlopen(sBeside.c_str(), RTLD_LAZY | RTLD_LOCAL);
        if (m_pHandle != nullptr) {
            m_sLastError.clear();
            return true;
        }
        sBesideError = SystemLoadError();
    }

    m_pHandle = dlopen(m_sFileName.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (m_pHandle != nullptr) {
        m_sLastError.clear();
        return true;
    }
    m_sLastError = SystemLoadError();
    if (!sBesideError.empty())
        m_sLastError = sBesideError + "; " + m_sLastError;
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
