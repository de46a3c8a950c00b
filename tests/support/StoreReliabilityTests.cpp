// The store under damage, crashes and several writers at once, with real processes.
#include "platform/os/AtomicFile.h"
#include "support/RegFileFormat.h"
#include "support/modRegistry.h"
#include "tests/support/StoreTestFolder.h"

#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string KEY = "SOFTWARE\\Halvane\\Game Editors\\Tribes2\\Keplo";

class StoreReliability : public StoreTestFolder {};

void KillSelf(const std::string & /*sTempPath*/) {
    raise(SIGKILL);
}

// Runs fnChild in a forked process and waits for it; the child's exit status.
template <typename Fn> int InChild(Fn fnChild) {
    pid_t lPid = fork();
    if (lPid == 0) {
        fnChild();
        _exit(0);
    }
    int lStatus = 0;
    waitpid(lPid, &lStatus, 0);
    return lStatus;
}

TEST_F(StoreReliability, DamagedStoreReadsAsMissingAndIsKeptAsideBeforeAWriteReplacesIt) {
    const std::string sDamaged = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\" +
                                 KEY + "]\n\"tempdir\"=\"/work\"\n\"half\"=hex:0";
    PlantStore(sDamaged);
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "default"), "default");
    EXPECT_EQ(StoreText(), sDamaged);
    EXPECT_TRUE(FilesBesideStore("registry.reg.damaged-").empty());

    SetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "/fresh");
    std::vector<std::string> aside = FilesBesideStore("registry.reg.damaged-");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadFile(Root() + "/Halvane/" + aside[0]), sDamaged);
    EXPECT_TRUE(regstore::ParseRegFile(StoreText()).bOk);
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", ""), "/fresh");

    // A second damage in the same second gets a name of its own.
    PlantStore("not a registry file");
    SetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "/again");
    EXPECT_EQ(FilesBesideStore("registry.reg.damaged-").size(), 2u);
}

TEST_F(StoreReliability, EmptyStoreFileReadsAsEmptyAndIsSimplyReplaced) {
    PlantStore("");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "default"), "default");
    SetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "/work");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", ""), "/work");
    EXPECT_TRUE(FilesBesideStore("registry.reg.damaged-").empty());
}

TEST_F(StoreReliability, WriterKilledBeforeItsNewFileReplacesTheOldLeavesTheOldWhole) {
    SetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "/before");
    const std::string sBefore = StoreText();

    int lStatus = InChild([] {
        SetReplaceHookForTests(KillSelf);
        SetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "/never");
    });
    ASSERT_TRUE(WIFSIGNALED(lStatus));
    EXPECT_EQ(WTERMSIG(lStatus), SIGKILL);

    EXPECT_EQ(StoreText(), sBefore);
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", ""), "/before");
    // The dead writer's complete temporary file is still there, and its lock is gone.
    EXPECT_EQ(FilesBesideStore("registry.reg.tmp-").size(), 1u);

    SetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "/after");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", ""), "/after");
    EXPECT_TRUE(FilesBesideStore("registry.reg.tmp-").empty());
}

TEST_F(StoreReliability, ConcurrentWriterProcessesLoseNoValueAndTheFileAlwaysParses) {
    const int lWriters = 2;
    const int lValuesEach = 200;
    std::vector<pid_t> children;
    for (int w = 0; w < lWriters; ++w) {
        pid_t lPid = fork();
        if (lPid == 0) {
            for (int i = 0; i < lValuesEach; ++i) {
                std::string sName = "w" + std::to_string(w) + "-" + std::to_string(i);
                // Each writer also keeps rewriting one shared value.
                SetRegString(HKEY_LOCAL_MACHINE, KEY + "\\Writer" + std::to_string(w), sName,
                             "value " + sName);
                SetRegString(HKEY_LOCAL_MACHINE, KEY, "shared", sName);
            }
            _exit(0);
        }
        children.push_back(lPid);
    }

    // Read the store over and over while the writers run: it must parse every time.
    int lReads = 0;
    int lBroken = 0;
    size_t lRunning = children.size();
    std::vector<bool> done(children.size(), false);
    while (lRunning > 0) {
        std::string sText;
        if (ReadWholeFile(StorePath(), sText) == FileReadStatus::Read) {
            ++lReads;
            if (!sText.empty() && !regstore::ParseRegFile(sText).bOk) {
                ++lBroken;
            }
        }
        usleep(500); // leave the writers most of the processor time
        for (size_t c = 0; c < children.size(); ++c) {
            int lStatus = 0;
            if (!done[c] && waitpid(children[c], &lStatus, WNOHANG) == children[c]) {
                done[c] = true;
                --lRunning;
                EXPECT_TRUE(WIFEXITED(lStatus) && WEXITSTATUS(lStatus) == 0);
            }
        }
    }
    EXPECT_EQ(lBroken, 0) << "of " << lReads << " reads";
    EXPECT_GT(lReads, 0);

    for (int w = 0; w < lWriters; ++w) {
        for (int i = 0; i < lValuesEach; ++i) {
            std::string sName = "w" + std::to_string(w) + "-" + std::to_string(i);
            ASSERT_EQ(
                GetRegString(HKEY_LOCAL_MACHINE, KEY + "\\Writer" + std::to_string(w), sName, ""),
                "value " + sName);
        }
    }
    std::string sShared = GetRegString(HKEY_LOCAL_MACHINE, KEY, "shared", "");
    EXPECT_NE(sShared.find("-" + std::to_string(lValuesEach - 1)), std::string::npos) << sShared;
    EXPECT_TRUE(FilesBesideStore("registry.reg.tmp-").empty());
}

TEST_F(StoreReliability, StoreThatCannotBeReadIsNeverReplaced) {
    // A folder where the file should be cannot be read, whoever runs the test.
    std::filesystem::create_directories(StorePath());
    WriteFile(StorePath() + "/precious", "data");
    SetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "/work");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "default"), "default");
    EXPECT_EQ(ReadFile(StorePath() + "/precious"), "data");
    EXPECT_TRUE(FilesBesideStore("registry.reg.damaged-").empty());

    ProcessResult result = RunProcess(KEPLO_REG_TOOL, {"add", "HKLM\\X", "/v", "a", "/d", "b"});
    EXPECT_EQ(result.lExitCode, 1);
    EXPECT_NE(result.sErr.find("cannot read " + StorePath()), std::string::npos) << result.sErr;
    result = RunProcess(KEPLO_REG_TOOL, {"query", "HKLM\\X"});
    EXPECT_EQ(result.lExitCode, 1);
    EXPECT_NE(result.sErr.find("cannot read the settings store"), std::string::npos) << result.sErr;
}

TEST_F(StoreReliability, StoreKeptAsASymbolicLinkStaysALink) {
    std::filesystem::create_directories(Root() + "/Halvane");
    std::filesystem::create_directories(Root() + "/dotfiles");
    WriteFile(Root() + "/dotfiles/registry.reg", "Windows Registry Editor Version 5.00\n");
    std::filesystem::create_symlink(Root() + "/dotfiles/registry.reg", StorePath());
    SetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "/work");
    EXPECT_TRUE(std::filesystem::is_symlink(StorePath()));
    EXPECT_NE(ReadFile(Root() + "/dotfiles/registry.reg").find("/work"), std::string::npos);
}

TEST_F(StoreReliability, KeptPermissionsOfTheStoreFileSurviveARewrite) {
    SetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "/before");
    std::filesystem::permissions(StorePath(), std::filesystem::perms::owner_read |
                                                  std::filesystem::perms::owner_write);
    SetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "/after");
    EXPECT_EQ(std::filesystem::status(StorePath()).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

} // namespace
