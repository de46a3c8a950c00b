// CopyFileReplacing: a target is replaced whole or not at all.
#include "platform/os/FileCopy.h"
#include "tests/support/StoreTestFolder.h"

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class FileCopy : public StoreTestFolder {
protected:
    void SetUp() override {
        StoreTestFolder::SetUp();
        m_sFolder = Root() + "/base";
        fs::create_directories(m_sFolder);
        m_sSource = Root() + "/skins.vl2";
        WriteFile(m_sSource, std::string(300000, 'n'));
    }
    // Names in the target folder, so that a left-over temporary file shows.
    std::vector<std::string> FolderNames() const {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(m_sFolder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string m_sFolder;
    std::string m_sSource;
};

TEST_F(FileCopy, NewAndExistingTargetsGetTheSourceBytesAndTime) {
    const std::string sTarget = m_sFolder + "/mine.vl2";
    for (const bool bExisting : {false, true}) {
        if (bExisting) {
            WriteFile(sTarget, "old");
            fs::permissions(sTarget, fs::perms(0640));
        }
        const fs::file_time_type tSource = fs::last_write_time(m_sSource) - std::chrono::hours(5);
        fs::last_write_time(m_sSource, tSource);
        ASSERT_TRUE(CopyFileReplacing(m_sSource, sTarget)) << bExisting;
        EXPECT_EQ(ReadFile(sTarget), ReadFile(m_sSource));
        EXPECT_EQ(fs::last_write_time(sTarget), tSource);
        EXPECT_EQ(FolderNames(), std::vector<std::string>{"mine.vl2"});
        if (bExisting) {
            EXPECT_EQ(fs::status(sTarget).permissions(), fs::perms(0640));
        }
    }
}

TEST_F(FileCopy, RefusedCopiesLeaveTheTargetAsItWas) {
    const std::string sTarget = m_sFolder + "/mine.vl2";
    fs::create_directories(m_sFolder + "/folder.vl2");
    struct Case {
        const char *sWhy;
        std::string sFrom;
        std::string sTo;
        bool bReadOnlyTarget;
    } cases[] = {
        {"missing source", Root() + "/nothing.vl2", sTarget, false},
        {"source is a folder", m_sFolder + "/folder.vl2", sTarget, false},
        {"read-only target", m_sSource, sTarget, true},
        {"target is a folder", m_sSource, m_sFolder + "/folder.vl2", false},
        {"same file", sTarget, sTarget, false},
        {"target folder missing", m_sSource, Root() + "/no/such/folder/x.vl2", false},
        {"empty target", m_sSource, "", false},
    };
    for (const Case &c : cases) {
        WriteFile(sTarget, "old archive");
        fs::permissions(sTarget, c.bReadOnlyTarget ? fs::perms(0444) : fs::perms(0644));
        EXPECT_FALSE(CopyFileReplacing(c.sFrom, c.sTo)) << c.sWhy;
        EXPECT_EQ(ReadFile(sTarget), "old archive") << c.sWhy;
        EXPECT_EQ(FolderNames(), (std::vector<std::string>{"folder.vl2", "mine.vl2"})) << c.sWhy;
        fs::permissions(sTarget, fs::perms(0644));
    }
    EXPECT_FALSE(fs::exists(Root() + "/no"));
}

TEST_F(FileCopy, AFullDiskLeavesNoHalfFileAndTheOldTargetWhole) {
    const std::string sTarget = m_sFolder + "/mine.vl2";
    WriteFile(sTarget, "old archive");
    // A file-size limit stands in for a full disk; it holds for root too.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = old;
    limit.rlim_cur = 100000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const bool bCopied = CopyFileReplacing(m_sSource, sTarget);
    const bool bCopiedNew = CopyFileReplacing(m_sSource, m_sFolder + "/new.vl2");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(bCopied);
    EXPECT_FALSE(bCopiedNew);
    EXPECT_EQ(ReadFile(sTarget), "old archive");
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"mine.vl2"});
}

TEST_F(FileCopy, ALinkAtTheTargetStaysALinkToTheReplacedFile) {
    const std::string sReal = Root() + "/real.vl2";
    WriteFile(sReal, "old");
    fs::create_symlink(sReal, m_sFolder + "/link.vl2");
    ASSERT_TRUE(CopyFileReplacing(m_sSource, m_sFolder + "/link.vl2"));
    EXPECT_TRUE(fs::is_symlink(m_sFolder + "/link.vl2"));
    EXPECT_EQ(ReadFile(sReal), ReadFile(m_sSource));
}

} // namespace
