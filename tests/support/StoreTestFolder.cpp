#include "tests/support/StoreTestFolder.h"

#include "tests/FuzzSeeds.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

void StoreTestFolder::SetUp() {
    std::string sTemplate = (fs::temp_directory_path() / "keplo-store-XXXXXX").string();
    ASSERT_NE(mkdtemp(sTemplate.data()), nullptr);
    m_sRoot = sTemplate;
    const char *sOld = std::getenv("XDG_CONFIG_HOME");
    m_bHadConfig = sOld != nullptr;
    m_sOldConfig = sOld != nullptr ? sOld : "";
    setenv("XDG_CONFIG_HOME", m_sRoot.c_str(), 1);
}

void StoreTestFolder::TearDown() {
    KeepFuzzSeed("reg", StorePath());
    if (m_bHadConfig) {
        setenv("XDG_CONFIG_HOME", m_sOldConfig.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
    std::error_code error;
    fs::permissions(m_sRoot, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(m_sRoot, error);
}

std::string StoreTestFolder::StorePath() const {
    return m_sRoot + "/Halvane/registry.reg";
}

void StoreTestFolder::PlantStore(const std::string &sText) const {
    fs::create_directories(m_sRoot + "/Halvane");
    WriteFile(StorePath(), sText);
}

std::string StoreTestFolder::StoreText() const {
    return ReadFile(StorePath());
}

bool StoreTestFolder::StoreExists() const {
    return fs::exists(StorePath());
}

std::vector<std::string> StoreTestFolder::FilesBesideStore(const std::string &sPrefix) const {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(m_sRoot + "/Halvane", error)) {
        std::string sName = entry.path().filename().string();
        if (sName.compare(0, sPrefix.size(), sPrefix) == 0) {
            names.push_back(sName);
        }
    }
    return names;
}

void WriteFile(const std::string &sPath, const std::string &sBytes) {
    std::ofstream file(sPath, std::ios::binary | std::ios::trunc);
    file << sBytes;
    ASSERT_TRUE(file.good()) << sPath;
}

std::string ReadFile(const std::string &sPath) {
    std::ifstream file(sPath, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

ProcessResult RunProcess(const std::string &sProgram, const std::vector<std::string> &args) {
    ProcessResult result;
    int aOut[2];
    int aErr[2];
    if (pipe(aOut) != 0 || pipe(aErr) != 0) {
        ADD_FAILURE() << "pipe failed";
        return result;
    }
    pid_t lPid = fork();
    if (lPid == 0) {
        int lNull = open("/dev/null", O_RDONLY);
        dup2(lNull, 0);
        dup2(aOut[1], 1);
        dup2(aErr[1], 2);
        close(aOut[0]);
        close(aErr[0]);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(sProgram.c_str()));
        for (const std::string &sArg : args) {
            argv.push_back(const_cast<char *>(sArg.c_str()));
        }
        argv.push_back(nullptr);
        execv(sProgram.c_str(), argv.data());
        _exit(127);
    }
    close(aOut[1]);
    close(aErr[1]);
    pollfd aPoll[2] = {{aOut[0], POLLIN, 0}, {aErr[0], POLLIN, 0}};
    std::string *aTarget[2] = {&result.sOut, &result.sErr};
    int lOpen = 2;
    while (lOpen > 0) {
        if (poll(aPoll, 2, -1) < 0) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (aPoll[i].fd >= 0 && (aPoll[i].revents & (POLLIN | POLLHUP)) != 0) {
                char aBuffer[4096];
                ssize_t lRead = read(aPoll[i].fd, aBuffer, sizeof aBuffer);
                if (lRead <= 0) {
                    close(aPoll[i].fd);
                    aPoll[i].fd = -1;
                    --lOpen;
                } else {
                    aTarget[i]->append(aBuffer, static_cast<size_t>(lRead));
                }
            }
        }
    }
    int lStatus = 0;
    waitpid(lPid, &lStatus, 0);
    result.lExitCode = WIFEXITED(lStatus) ? WEXITSTATUS(lStatus) : -1;
    return result;
}
