#include "tests/kept/KeptFixture.h"

#include "support/kept/ArchiveCheck.h"
#include "support/modRegistry.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
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
