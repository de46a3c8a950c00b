// Keeping an archive around its writes, putting kept versions back, and the kept
// folder's safety: what is kept when, by link or by copy, restore and undo both ways,
// a damaged or missing kept version, links in the kept folder, forgetting, and
// writes and restores cut short.
#include "tests/kept/KeptFixture.h"

#include "platform/os/FileStamps.h"
#include "support/kept/ArchiveCheck.h"

#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kScripts = "GameData/base/scripts.vl2";

std::uint64_t InodeOf(const std::string &sPath) {
    struct stat st {};
    return lstat(sPath.c_str(), &st) == 0 ? st.st_ino : 0;
}

class KeptVersions : public KeptTest {
protected:
    void SetUp() override {
        KeptTest::SetUp();
        WriteZip(PathOf(kScripts), Version("v0"));
        m_sV0 = FileBytes(PathOf(kScripts));
    }
    std::string Archive() const { return FileBytes(PathOf(kScripts)); }
    std::string Kept(const char *sName) const { return FileBytes(KeptFolder(kScripts) + "/" + sName); }

    std::string m_sV0;
};

TEST_F(KeptVersions, TheOriginalIsKeptAtTheFirstWriteAndNeverReplaced) {
    const std::uint64_t lInode = InodeOf(PathOf(kScripts));
    Save(kScripts, Version("v1"));
    const std::string sV1 = Archive();
    Save(kScripts, Version("v2"));

    EXPECT_EQ(Kept("original.vl2"), m_sV0);
    EXPECT_EQ(Kept("previous.vl2"), sV1);
    // Kept by a link: the very file the write replaced.
    EXPECT_EQ(InodeOf(KeptFolder(kScripts) + "/original.vl2"), lInode);

    const KeptArchive kept = ReadKept(Place(kScripts));
    ASSERT_TRUE(kept.original && kept.previous);
    EXPECT_EQ(kept.original->eHow, KeptHow::Link);
    EXPECT_EQ(kept.original->eState, KeptState::File);
    EXPECT_EQ(kept.original->sSource, PathOf(kScripts));
    EXPECT_EQ(kept.original->sProgram, "Keplo");
    EXPECT_EQ(kept.original->before.lSize, static_cast<std::int64_t>(m_sV0.size()));
    // The previous version records the archive as the latest write left it.
    ASSERT_TRUE(kept.previous->after);
    EXPECT_TRUE(SameArchiveFile(*kept.previous->after, StampOf(PathOf(kScripts), true)));
    EXPECT_FALSE(kept.bChangedOutside);
    EXPECT_EQ(fs::exists(KeptFolder(kScripts) + "/previous.new"), false);
}

TEST_F(KeptVersions, WhereLinkingFailsEveryVersionIsACopyWithItsProgress) {
    SetKeptLinkingFailsForTests(true);
    KeptWrite keeping(Game(), PathOf(kScripts), "Keplo");
    KeptProgress progress;
    ASSERT_TRUE(keeping.Keep(&progress)) << keeping.Reason();
    // The original is copied once; the previous version shares that copy.
    EXPECT_EQ(progress.lTotal.load(), m_sV0.size());
    EXPECT_EQ(progress.lDone.load(), m_sV0.size());
    WriteZip(PathOf(kScripts), Version("v1"));
    keeping.Finish(true);

    EXPECT_EQ(Kept("original.vl2"), m_sV0);
    EXPECT_EQ(Kept("previous.vl2"), m_sV0);
    const KeptArchive kept = ReadKept(Place(kScripts));
    ASSERT_TRUE(kept.original && kept.previous);
    EXPECT_EQ(kept.original->eHow, KeptHow::Copy);
    EXPECT_EQ(kept.previous->eHow, KeptHow::Copy);

    // Later writes copy the previous version alone.
    const std::string sV1 = Archive();
    KeptProgress second;
    KeptWrite again(Game(), PathOf(kScripts), "Pelterbox");
    ASSERT_TRUE(again.Keep(&second));
    EXPECT_EQ(second.lDone.load(), sV1.size());
    WriteZip(PathOf(kScripts), Version("v2"));
    again.Finish(true);
    EXPECT_EQ(Kept("previous.vl2"), sV1);
    EXPECT_EQ(Kept("original.vl2"), m_sV0);
    EXPECT_EQ(ReadKept(Place(kScripts)).previous->sProgram, "Pelterbox");
}

TEST_F(KeptVersions, AWriteThatLeftTheArchiveAsItWasLeavesThePreviousVersionAsItWas) {
    Save(kScripts, Version("v1"));
    const std::string sV1 = Archive();
    Save(kScripts, Version("v2"));
    KeptWrite keeping(Game(), PathOf(kScripts), "Keplo");
    ASSERT_TRUE(keeping.Keep());
    keeping.Finish(false);
    EXPECT_EQ(Kept("previous.vl2"), sV1);
    EXPECT_FALSE(fs::exists(KeptFolder(kScripts) + "/previous.new"));
    EXPECT_FALSE(fs::exists(KeptFolder(kScripts) + "/previous.new.record"));
}

TEST_F(KeptVersions, RestoreAndUndoPutEachVersionBackAndCanThemselvesBeUndone) {
    Save(kScripts, Version("v1"));
    Save(kScripts, Version("v2"));
    const std::string sV2 = Archive();

    KeptOutcome outcome = Restore(kScripts, KeptKind::Original);
    ASSERT_TRUE(outcome.IsDone()) << outcome.sReason;
    EXPECT_EQ(Archive(), m_sV0);
    EXPECT_EQ(Kept("previous.vl2"), sV2);
    EXPECT_EQ(Kept("original.vl2"), m_sV0);

    // Undo of the restore: the archive as it was before it.
    outcome = Restore(kScripts, KeptKind::Previous);
    ASSERT_TRUE(outcome.IsDone()) << outcome.sReason;
    EXPECT_EQ(Archive(), sV2);
    EXPECT_EQ(Kept("previous.vl2"), m_sV0);
    // And undo of the undo.
    ASSERT_TRUE(Restore(kScripts, KeptKind::Previous).IsDone());
    EXPECT_EQ(Archive(), m_sV0);
    EXPECT_EQ(Kept("previous.vl2"), sV2);
    // The restored archive is a file of its own, not the kept one.
    EXPECT_NE(InodeOf(PathOf(kScripts)), InodeOf(KeptFolder(kScripts) + "/original.vl2"));
    EXPECT_FALSE(ReadKept(Place(kScripts)).bChangedOutside);
    // Nothing is left beside the archive.
    EXPECT_EQ(std::distance(fs::directory_iterator(Game() + "GameData/base"),
                            fs::directory_iterator()),
              1);
}

TEST_F(KeptVersions, AnArchiveAWriteCreatedIsRecordedAndUndoTakesItOutAndBack) {
    const std::string sKey = "GameData/base/newskins.vl2";
    Save(sKey, Version("new"), "Pelterbox");
    const std::string sNew = FileBytes(PathOf(sKey));
    KeptArchive kept = ReadKept(Place(sKey));
    ASSERT_TRUE(kept.original && kept.previous);
    EXPECT_EQ(kept.original->eState, KeptState::None);
    EXPECT_EQ(kept.previous->eState, KeptState::None);
    EXPECT_EQ(kept.previous->sProgram, "Pelterbox");

    ASSERT_TRUE(Restore(sKey, KeptKind::Previous).IsDone());
    EXPECT_FALSE(fs::exists(PathOf(sKey)));
    EXPECT_EQ(FileBytes(KeptFolder(sKey) + "/previous.vl2"), sNew);
    ASSERT_TRUE(Restore(sKey, KeptKind::Previous).IsDone());
    EXPECT_EQ(FileBytes(PathOf(sKey)), sNew);
    kept = ReadKept(Place(sKey));
    EXPECT_EQ(kept.previous->eState, KeptState::None);
    // The original state is "not there": restoring it takes the archive out too.
    ASSERT_TRUE(Restore(sKey, KeptKind::Original).IsDone());
    EXPECT_FALSE(fs::exists(PathOf(sKey)));
}

TEST_F(KeptVersions, AKeptVersionThatIsMissingOrDamagedIsReportedAndNothingChanges) {
    Save(kScripts, Version("v1"));
    const std::string sV1 = Archive();
    const std::string sOriginal = KeptFolder(kScripts) + "/original.vl2";
    std::string sDamaged = m_sV0;
    sDamaged[sDamaged.find("// v0") + 3] = 'X'; // the stored entry's data: its CRC fails
    std::string sCut = m_sV0.substr(0, m_sV0.size() - 30);
    const struct {
        const char *sCase;
        std::string sBytes; // empty: no kept file
        const char *sReasonPart;
    } cases[] = {
        {"damaged data", sDamaged, "bad CRC"},
        {"cut short", sCut, "bytes where"},
        {"missing", std::string(), "missing"},
    };
    for (const auto &c : cases) {
        fs::remove(sOriginal);
        if (!c.sBytes.empty())
            PutFile(sOriginal, c.sBytes);
        const KeptOutcome outcome = Restore(kScripts, KeptKind::Original);
        EXPECT_EQ(outcome.eKind, KeptOutcome::Kind::Damaged) << c.sCase;
        EXPECT_NE(outcome.sReason.find(c.sReasonPart), std::string::npos)
            << c.sCase << ": " << outcome.sReason;
        EXPECT_EQ(outcome.sPath, sOriginal) << c.sCase;
        EXPECT_EQ(Archive(), sV1) << c.sCase;
        EXPECT_EQ(Kept("previous.vl2"), m_sV0) << c.sCase;
    }
}

TEST_F(KeptVersions, NothingIsFollowedThroughALinkOutOfTheKeptFolder) {
    Save(kScripts, Version("v1"));
    const std::string sV1 = Archive();
    // A sound archive elsewhere, linked where the original should be.
    const std::string sElsewhere = Root() + "/elsewhere.vl2";
    WriteZip(sElsewhere, Version("elsewhere"));
    const std::string sOriginal = KeptFolder(kScripts) + "/original.vl2";
    fs::remove(sOriginal);
    fs::create_symlink(sElsewhere, sOriginal);
    KeptOutcome outcome = Restore(kScripts, KeptKind::Original);
    EXPECT_EQ(outcome.eKind, KeptOutcome::Kind::Damaged);
    EXPECT_NE(outcome.sReason.find("symbolic link"), std::string::npos) << outcome.sReason;
    EXPECT_EQ(Archive(), sV1);

    // Forget removes the link, never what it leads to.
    ASSERT_TRUE(ForgetKept(Place(kScripts)).IsDone());
    EXPECT_TRUE(fs::exists(sElsewhere));
    EXPECT_FALSE(fs::exists(KeptFolder(kScripts)));

    // A folder of the kept tree that is a link: nothing is kept through it.
    const std::string sOutside = Root() + "/outside";
    fs::create_directories(sOutside);
    fs::remove_all(KeptFolder("GameData"));
    fs::create_symlink(sOutside, KeptFolder("GameData"));
    KeptWrite keeping(Game(), PathOf(kScripts), "Keplo");
    EXPECT_FALSE(keeping.Keep());
    EXPECT_TRUE(keeping.OriginalLost());
    EXPECT_NE(keeping.Reason().find("cannot be made"), std::string::npos) << keeping.Reason();
    EXPECT_TRUE(fs::is_empty(sOutside));
    EXPECT_EQ(ReadKept(Place(kScripts)).original, std::nullopt);
    EXPECT_EQ(ForgetKept(Place(kScripts)).eKind, KeptOutcome::Kind::NothingKept);
}

TEST_F(KeptVersions, ForgetRemovesOnlyTheFilesKeploKept) {
    Save(kScripts, Version("v1"));
    Save("GameData/base/other.vl2", Version("other"));
    PutFile(KeptFolder(kScripts) + "/notes.txt", "mine");
    const KeptOutcome outcome = ForgetKept(Place(kScripts));
    ASSERT_TRUE(outcome.IsDone());
    EXPECT_NE(outcome.sReason.find("did not keep"), std::string::npos);
    EXPECT_EQ(FileBytes(KeptFolder(kScripts) + "/notes.txt"), "mine");
    EXPECT_FALSE(fs::exists(KeptFolder(kScripts) + "/original.vl2"));
    EXPECT_FALSE(ReadKept(Place(kScripts)).original);
    // The other archive's versions stay.
    EXPECT_TRUE(ReadKept(Place("GameData/base/other.vl2")).original);

    ASSERT_TRUE(ForgetKept(Place("GameData/base/other.vl2")).IsDone());
    EXPECT_FALSE(fs::exists(KeptFolder("GameData/base/other.vl2")));
    EXPECT_EQ(ListKept(Game()).size(), 0u);
}

TEST_F(KeptVersions, AnArchiveChangedSinceTheLastWriteIsSeen) {
    Save(kScripts, Version("v1"));
    EXPECT_FALSE(ReadKept(Place(kScripts)).bChangedOutside);
    WriteZip(PathOf(kScripts), Version("patched"));
    EXPECT_TRUE(ReadKept(Place(kScripts)).bChangedOutside);
    // A write of ours takes it as the new starting point.
    Save(kScripts, Version("v2"));
    EXPECT_FALSE(ReadKept(Place(kScripts)).bChangedOutside);
}

TEST_F(KeptVersions, AKeptFolderThatCannotBeMadeIsToldWithTheOriginalAtRisk) {
    // The kept root is a file: nothing can be made below it.
    PutFile(Root() + "/data/Keplo/kept", "in the way");
    KeptWrite keeping(Game(), PathOf(kScripts), "Keplo");
    EXPECT_FALSE(keeping.Keep());
    EXPECT_TRUE(keeping.OriginalLost());
    EXPECT_NE(keeping.Reason().find("cannot be made"), std::string::npos) << keeping.Reason();
    keeping.Finish(true); // written without: nothing to record
    EXPECT_EQ(Archive(), m_sV0);
}

TEST_F(KeptVersions, OnlyArchivesInTheGameDataFoldersAreKept) {
    const struct {
        std::string sPath;
        bool bApplies;
    } cases[] = {
        {Game() + "GameData/base/a.vl2", true},
        {Game() + "GameData/mymod/a.vl2", true},
        {Game() + "GameData/a.vl2", false},
        {Game() + "a.vl2", false},
        {Root() + "/downloads/a.vl2", false},
        {Game() + "GameData/nofolder/a.vl2", false},
    };
    fs::create_directories(Game() + "GameData/mymod");
    fs::create_directories(Root() + "/downloads");
    for (const auto &c : cases)
        EXPECT_EQ(KeptWrite(Game(), c.sPath, "Keplo").Applies(), c.bApplies) << c.sPath;
    KeptWrite outside(Game(), Root() + "/downloads/a.vl2", "Pelterbox");
    EXPECT_TRUE(outside.Keep());
    outside.Finish(true);
    EXPECT_FALSE(fs::exists(Root() + "/data/Keplo/kept"));
}

// The child process dies at sStep of a restore, as a killed program would.
void DieAt(const char *sStep) {
    const char *sWanted = std::getenv("KEPT_DIE_AT");
    if (sWanted && std::string(sWanted) == sStep)
        _exit(0);
}

TEST_F(KeptVersions, ARestoreKilledAtAnyStepLeavesTheArchiveOldOrRestoredNeverPartial) {
    Save(kScripts, Version("v1"));
    const std::string sV1 = Archive();
    for (const char *sStep : {"copied", "kept", "applied"}) {
        // Every round starts from v1 with the original v0 kept.
        if (Archive() != sV1) {
            ASSERT_TRUE(Restore(kScripts, KeptKind::Previous).IsDone()) << sStep;
        }
        ASSERT_EQ(Archive(), sV1) << sStep;
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("KEPT_DIE_AT", sStep, 1);
            SetKeptStepHookForTests(&DieAt);
            Restore(kScripts, KeptKind::Original);
            _exit(1);
        }
        int nStatus = 0;
        waitpid(pid, &nStatus, 0);
        ASSERT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0) << sStep;
        const std::string sNow = Archive();
        EXPECT_TRUE(sNow == sV1 || sNow == m_sV0) << sStep;
        EXPECT_EQ(sNow == m_sV0, std::string(sStep) == "applied") << sStep;
        EXPECT_TRUE(CheckArchiveFile(PathOf(kScripts)).IsDone()) << sStep;
        // What the kill left is mended by the next operation: undo takes back whatever
        // the archive was before the last step that went through.
        ASSERT_TRUE(Restore(kScripts, KeptKind::Previous).IsDone()) << sStep;
        EXPECT_EQ(Archive(), sStep == std::string("applied") ? sV1 : m_sV0) << sStep;
        EXPECT_EQ(std::distance(fs::directory_iterator(Game() + "GameData/base"),
                                fs::directory_iterator()),
                  1)
            << sStep << ": a temporary file was left beside the archive";
    }
}

TEST_F(KeptVersions, AWriteWhoseProgramDiedBeforeFinishingIsStillUndone) {
    Save(kScripts, Version("v1"));
    const std::string sV1 = Archive();
    const pid_t pid = fork();
    if (pid == 0) {
        KeptWrite keeping(Game(), PathOf(kScripts), "Keplo");
        if (!keeping.Keep())
            _exit(1);
        WriteZip(PathOf(kScripts), Version("v2"));
        _exit(0); // dies before Finish
    }
    int nStatus = 0;
    waitpid(pid, &nStatus, 0);
    ASSERT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0);
    const KeptOutcome outcome = Restore(kScripts, KeptKind::Previous);
    ASSERT_TRUE(outcome.IsDone()) << outcome.sReason;
    EXPECT_EQ(Archive(), sV1);
}

} // namespace
