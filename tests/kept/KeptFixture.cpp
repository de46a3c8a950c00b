#include "tests/kept/KeptFixture.h"

#include "support/kept/ArchiveCheck.h"
#include "support/modRegistry.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

namespace fs = std::filesystem;

void KeptTest::SetUp() {
    std::string sTemplate = (fs::temp_directory_path() / "keplo-kept-XXXXXX").string();
    ASSERT_NE(mkdtemp(sTemplate.data()), nullptr);
    m_sRoot = sTemplate;
    for (const char *sName : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"}) {
        if (const char *sOld = std::getenv(sName))
            m_saved.emplace_back(sName, sOld);
        else
            m_unset.push_back(sName);
    }
    setenv("HOME", m_sRoot.c_str(), 1);
    setenv("XDG_DATA_HOME", (m_sRoot + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (m_sRoot + "/config").c_str(), 1);
    setenv("XDG_STATE_HOME", (m_sRoot + "/state").c_str(), 1);
    fs::create_directories(Game() + "GameData/base");
}

void KeptTest::TearDown() {
    SetKeptLinkingFailsForTests(false);
    SetKeptStepHookForTests(nullptr);
    for (const auto &[sName, sValue] : m_saved)
        setenv(sName.c_str(), sValue.c_str(), 1);
    for (const std::string &sName : m_unset)
        unsetenv(sName.c_str());
    std::error_code error;
    fs::remove_all(m_sRoot, error);
}

std::string KeptTest::KeptFolder(const std::string &sKey) const {
    return m_sRoot + "/data/Keplo/kept/" + GameKeptName(Game()) + "/" + sKey;
}

void KeptTest::WriteZip(const std::string &sPath, const ZipEntries &entries) {
    fs::create_directories(fs::path(sPath).parent_path());
    const std::string sTemp = sPath + ".writing";
    int nError = 0;
    zip_t *pZip = zip_open(sTemp.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &nError);
    ASSERT_NE(pZip, nullptr) << sTemp;
    for (const auto &[sName, sData] : entries) {
        zip_source_t *pSource = zip_source_buffer(pZip, sData.data(), sData.size(), 0);
        ASSERT_NE(pSource, nullptr);
        const zip_int64_t lIndex = zip_file_add(pZip, sName.c_str(), pSource, ZIP_FL_ENC_UTF_8);
        ASSERT_GE(lIndex, 0);
        zip_set_file_compression(pZip, static_cast<zip_uint64_t>(lIndex), ZIP_CM_STORE, 0);
    }
    ASSERT_EQ(zip_close(pZip), 0);
    ASSERT_EQ(std::rename(sTemp.c_str(), sPath.c_str()), 0);
}

void KeptTest::Save(const std::string &sKey, const ZipEntries &entries,
                    const std::string &sProgram) {
    KeptWrite keeping(Game(), PathOf(sKey), sProgram);
    ASSERT_TRUE(keeping.Applies()) << sKey;
    ASSERT_TRUE(keeping.Keep()) << keeping.Reason();
    WriteZip(PathOf(sKey), entries);
    keeping.Finish(true);
}

KeptOutcome KeptTest::Restore(const std::string &sKey, KeptKind eKind) {
    return RestoreKept(
        Place(sKey), eKind, [](const std::string &sPath) { return CheckArchiveFile(sPath); },
        "test");
}

void KeptTest::RegisterGame() const {
    SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Sierra Online\\Setup\\Tribes2", "directory",
                 Game());
    SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvane\\Game Editors\\Tribes2\\Keplo", "tempdir",
                 Work());
}

std::string FileBytes(const std::string &sPath) {
    std::ifstream in(sPath, std::ios::binary);
    if (!in)
        return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void PutFile(const std::string &sPath, const std::string &sBytes) {
    fs::create_directories(fs::path(sPath).parent_path());
    std::ofstream(sPath, std::ios::binary | std::ios::trunc) << sBytes;
}

ZipEntries Version(const std::string &sText) {
    return {{"scripts/version.cs", "// " + sText + "\n" + std::string(200, 'v')},
            {"textures/skin.png", std::string(64, 'p')}};
}

ToolResult RunTool(const std::string &sProgram, const std::vector<std::string> &args) {
    int aOut[2], aErr[2];
    if (pipe(aOut) != 0 || pipe(aErr) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(aOut[1], 1);
        dup2(aErr[1], 2);
        const int nNull = open("/dev/null", O_RDONLY);
        dup2(nNull, 0);
        close(aOut[0]);
        close(aErr[0]);
        std::vector<char *> argv{const_cast<char *>(sProgram.c_str())};
        for (const std::string &sArg : args)
            argv.push_back(const_cast<char *>(sArg.c_str()));
        argv.push_back(nullptr);
        execv(sProgram.c_str(), argv.data());
        _exit(127);
    }
    close(aOut[1]);
    close(aErr[1]);
    ToolResult result;
    pollfd fds[2] = {{aOut[0], POLLIN, 0}, {aErr[0], POLLIN, 0}};
    int nOpen = 2;
    while (nOpen > 0) {
        if (poll(fds, 2, -1) < 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char aBuffer[4096];
            const ssize_t lRead = read(fds[i].fd, aBuffer, sizeof aBuffer);
            if (lRead <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --nOpen;
            } else {
                (i == 0 ? result.sOut : result.sErr).append(aBuffer, static_cast<size_t>(lRead));
            }
        }
    }
    int nStatus = 0;
    waitpid(pid, &nStatus, 0);
    result.nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    return result;
}
