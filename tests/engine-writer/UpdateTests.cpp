// Writing a folder into an archive that exists: replacing, adding and
// keeping entries, freshen and update modes, comments, cancel, encryption
// and the archive's permissions.
#include "RawZip.h"
#include "WriterFixture.h"

#include "engine/include/PakEngine.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

namespace {

class UpdateTest : public WriterTest {
protected:
    // An archive made by the engine from three files, as Keplo's archives
    // come back after an extract and save.
    void MakeGameArchive() {
        WriteRootFile("textures/red.png", RandomBytes(20000, 1), 1400000000);
        WriteRootFile("scripts/main.cs", TextBytes(30000), 1400000000);
        WriteRootFile("readme.txt", TextBytes(5000, "read me "), 1400000000);
        ASSERT_EQ(Zip().result, ENGINE_OK);
    }

    static std::map<std::string, EntryFacts> ByName(const std::string &archive) {
        std::map<std::string, EntryFacts> entries;
        for (EntryFacts &entry : ReadEntries(archive))
            entries[entry.name] = entry;
        return entries;
    }
};

TEST_F(UpdateTest, ChangedFileReplacesItsEntryNewFileIsAddedAndOtherEntriesKeepTheirRawData) {
    MakeGameArchive();
    const auto before = ByName(ArchivePath());
    WriteRootFile("scripts/main.cs", TextBytes(31000, "changed "), 1500000000);
    WriteRootFile("textures/new.png", "new skin");

    const EngineCall call = Zip();

    EXPECT_EQ(call.result, ENGINE_OK);
    EXPECT_EQ(EntryNames(ArchivePath()),
              (std::vector<std::string>{"readme.txt", "scripts/main.cs", "textures/red.png",
                                        "textures/new.png"}));
    auto after = ByName(ArchivePath());
    EXPECT_TRUE(after["scripts/main.cs"].contents == TextBytes(31000, "changed "));
    EXPECT_EQ(after["scripts/main.cs"].modified, 1500000000);
    EXPECT_TRUE(after["textures/new.png"].contents == "new skin");
    for (const char *kept : {"readme.txt", "textures/red.png"}) {
        EXPECT_EQ(after[kept].rawData, before.at(kept).rawData) << kept;
        EXPECT_EQ(after[kept].modified, before.at(kept).modified) << kept;
    }
    EXPECT_TRUE(call.Printed("updating: scripts/main.cs (deflated"));
    EXPECT_TRUE(call.Printed("adding: textures/new.png (stored 0%)"));
    EXPECT_FALSE(call.Printed("readme.txt"));
}

TEST_F(UpdateTest, FileWithTheSameSizeAndCrcKeepsItsEntryEvenWhenItsTimeChanged) {
    MakeGameArchive();
    const auto before = ByName(ArchivePath());
    const std::string bytesBefore = ReadFileAt(ArchivePath());
    WriteRootFile("readme.txt", TextBytes(5000, "read me "), 1600000000);

    const EngineCall call = Zip();

    EXPECT_EQ(call.result, ENGINE_OK);
    EXPECT_EQ(ReadFileAt(ArchivePath()), bytesBefore);
    EXPECT_EQ(call.serviced.size(), 3u);
}

TEST_F(UpdateTest, FileOfTheSameSizeButOtherContentsReplacesItsEntry) {
    MakeGameArchive();
    std::string changed = TextBytes(5000, "read me ");
    changed[100] = '#';
    WriteRootFile("readme.txt", changed);

    EXPECT_EQ(Zip().result, ENGINE_OK);

    EXPECT_EQ(ByName(ArchivePath())["readme.txt"].contents, changed);
}

TEST_F(UpdateTest, EntryStoredWithBackslashesIsReplacedUnderItsSlashName) {
    MakeArchive(ArchivePath(), {{"textures\\skins\\red.png", "old red"}, {"other.txt", "other"}});
    WriteRootFile("textures/skins/red.png", "new red");

    EXPECT_EQ(Zip().result, ENGINE_OK);

    auto after = ByName(ArchivePath());
    EXPECT_EQ(EntryNames(ArchivePath()),
              (std::vector<std::string>{"textures/skins/red.png", "other.txt"}));
    EXPECT_TRUE(after["textures/skins/red.png"].contents == "new red");
}

TEST_F(UpdateTest, ReplacedEntryMayTurnFromStoredToDeflatedAndBack) {
    MakeArchive(ArchivePath(), {{"a.dat", "x"}, {"b.dat", TextBytes(9000)}});
    WriteRootFile("a.dat", TextBytes(9000));
    WriteRootFile("b.dat", RandomBytes(9000, 5));

    EXPECT_EQ(Zip().result, ENGINE_OK);

    auto after = ByName(ArchivePath());
    EXPECT_EQ(after["a.dat"].method, ZIP_CM_DEFLATE);
    EXPECT_TRUE(after["a.dat"].contents == TextBytes(9000));
    EXPECT_EQ(after["b.dat"].method, ZIP_CM_STORE);
    EXPECT_TRUE(after["b.dat"].contents == RandomBytes(9000, 5));
    EXPECT_EQ(RunCommand("unzip -tq " + Quote(ArchivePath())), 0);
}

TEST_F(UpdateTest, FreshenReplacesOnlyEntriesWhoseFilesAreNewerAndAddsNothing) {
    MakeGameArchive();
    WriteRootFile("scripts/main.cs", "newer", 1500000000);
    WriteRootFile("readme.txt", "older", 1300000000);
    WriteRootFile("textures/new.png", "new", 1500000000);
    ZipOptionsRecord options = PackFolderOptions(Root());
    options.Freshen = 1;

    EXPECT_EQ(Zip(options, {"*"}, ArchivePath()).result, ENGINE_OK);

    auto after = ByName(ArchivePath());
    EXPECT_EQ(after.size(), 3u);
    EXPECT_TRUE(after["scripts/main.cs"].contents == "newer");
    EXPECT_TRUE(after["readme.txt"].contents == TextBytes(5000, "read me "));
}

TEST_F(UpdateTest, UpdateOnlyIfNewerAddsNewFilesAndReplacesOnlyOlderEntries) {
    MakeGameArchive();
    WriteRootFile("scripts/main.cs", "newer", 1500000000);
    WriteRootFile("readme.txt", "older", 1300000000);
    WriteRootFile("textures/new.png", "new", 1300000000);
    ZipOptionsRecord options = PackFolderOptions(Root());
    options.UpdateOnlyIfNewer = 1;

    EXPECT_EQ(Zip(options, {"*"}, ArchivePath()).result, ENGINE_OK);

    auto after = ByName(ArchivePath());
    EXPECT_EQ(after.size(), 4u);
    EXPECT_TRUE(after["scripts/main.cs"].contents == "newer");
    EXPECT_TRUE(after["readme.txt"].contents == TextBytes(5000, "read me "));
    EXPECT_TRUE(after["textures/new.png"].contents == "new");
}

TEST_F(UpdateTest, AnExistingCommentIsKeptAndTheCommentCallBackMayGiveOne) {
    MakeArchive(ArchivePath(), {{"a.txt", "a"}}, "made for the game");
    WriteRootFile("b.txt", "b");

    EngineCall call = Zip(PackFolderOptions(Root()), {"*"}, ArchivePath());
    EXPECT_EQ(call.result, ENGINE_OK);
    EXPECT_EQ(call.commentRequests, 1);
    EXPECT_EQ(call.commentSeen, "made for the game");
    EXPECT_EQ(ArchiveComment(ArchivePath()), "made for the game");

    WriteRootFile("c.txt", "c");
    EngineAnswers answers;
    answers.comment = "a new comment";
    call = Zip(PackFolderOptions(Root()), {"*"}, ArchivePath(), answers);
    EXPECT_EQ(call.result, ENGINE_OK);
    EXPECT_EQ(ArchiveComment(ArchivePath()), "a new comment");
}

TEST_F(UpdateTest, CancelThroughTheServiceCallLeavesTheArchiveAsItWas) {
    MakeGameArchive();
    const std::string bytesBefore = ReadFileAt(ArchivePath());
    WriteRootFile("scripts/main.cs", "changed");
    WriteRootFile("textures/new.png", "new");

    for (int stopAt = 0; stopAt < 4; ++stopAt) {
        EngineAnswers answers;
        answers.stopAtService = stopAt;
        const EngineCall call = Zip(PackFolderOptions(Root()), {"*"}, ArchivePath(), answers);
        EXPECT_EQ(call.result, ENGINE_CANCELLED) << stopAt;
        EXPECT_EQ(static_cast<int>(call.serviced.size()), stopAt + 1);
        EXPECT_EQ(ReadFileAt(ArchivePath()), bytesBefore) << stopAt;
        EXPECT_TRUE(call.Printed("cancelled"));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir),
                            std::filesystem::directory_iterator()),
              2)
        << "no temporary file is left behind";
}

TEST_F(UpdateTest, AProcessKilledWhileWritingLeavesTheArchiveAsItWasAndNothingBeside) {
    MakeGameArchive();
    const std::string bytesBefore = ReadFileAt(ArchivePath());
    WriteRootFile("scripts/main.cs", "changed");
    WriteRootFile("textures/new.png", RandomBytes(3u << 20, 7));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        EngineAnswers answers;
        answers.killAtName = "textures/new.png";
        Zip(PackFolderOptions(Root()), {"*"}, ArchivePath(), answers);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "killed while writing";
    EXPECT_EQ(ReadFileAt(ArchivePath()), bytesBefore);
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(m_dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"out.vl2", "root"}));
}

TEST_F(UpdateTest, CancellingANewArchiveLeavesNoFile) {
    WriteRootFile("a.txt", "a");
    EngineAnswers answers;
    answers.stopAtService = 0;

    EXPECT_EQ(Zip(PackFolderOptions(Root()), {"*"}, ArchivePath(), answers).result,
              ENGINE_CANCELLED);

    EXPECT_FALSE(std::filesystem::exists(ArchivePath()));
}

TEST_F(UpdateTest, TheArchiveKeepsItsPermissionsAndANewOneFollowsTheFileCreationMask) {
    WriteRootFile("a.txt", "a");
    const mode_t previousMask = umask(027);
    EXPECT_EQ(Zip().result, ENGINE_OK);
    umask(previousMask);
    struct stat info {};
    ASSERT_EQ(stat(ArchivePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    chmod(ArchivePath().c_str(), 0604);
    WriteRootFile("b.txt", "b");
    EXPECT_EQ(Zip().result, ENGINE_OK);
    ASSERT_EQ(stat(ArchivePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0604u);
    EXPECT_EQ(EntryNames(ArchivePath()).size(), 2u);
}

TEST_F(UpdateTest, EncryptionAsksForAPasswordOnceAndEncryptsNewEntries) {
    if (!zip_encryption_method_supported(ZIP_EM_AES_256, 1))
        GTEST_SKIP() << "this libzip cannot encrypt";
    MakeArchive(ArchivePath(), {{"plain.txt", "plain"}});
    WriteRootFile("secret.txt", TextBytes(2000, "secret "));
    WriteRootFile("secret2.txt", "two");
    ZipOptionsRecord options = PackFolderOptions(Root());
    options.Encrypt = 1;
    EngineAnswers answers;
    answers.password = "sesame";

    const EngineCall call = Zip(options, {"*"}, ArchivePath(), answers);

    EXPECT_EQ(call.result, ENGINE_OK);
    EXPECT_EQ(call.passwordRequests, 1);
    auto after = ByName(ArchivePath());
    EXPECT_EQ(after["plain.txt"].encryption, ZIP_EM_NONE);
    EXPECT_EQ(after["secret.txt"].encryption, ZIP_EM_AES_256);
    int error = 0;
    zip_t *za = zip_open(ArchivePath().c_str(), ZIP_RDONLY, &error);
    ASSERT_NE(za, nullptr);
    zip_file_t *file = zip_fopen_encrypted(za, "secret.txt", 0, "sesame");
    ASSERT_NE(file, nullptr);
    std::string contents(2000, '\0');
    EXPECT_EQ(zip_fread(file, contents.data(), 2000), 2000);
    EXPECT_EQ(contents, TextBytes(2000, "secret "));
    zip_fclose(file);
    EXPECT_EQ(zip_fopen_encrypted(za, "secret.txt", 0, "wrong"), nullptr);
    zip_discard(za);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir),
                            std::filesystem::directory_iterator()),
              2)
        << "no scratch archive is left behind";
}

TEST_F(UpdateTest, AnEncryptedEntryReplacedWithoutEncryptionIsWrittenPlain) {
    if (!zip_encryption_method_supported(ZIP_EM_AES_256, 1))
        GTEST_SKIP() << "this libzip cannot encrypt";
    MakeArchive(ArchivePath(), {{"secret.txt", "old secret"}, {"other.txt", "other"}});
    {
        int error = 0;
        zip_t *za = zip_open(ArchivePath().c_str(), 0, &error);
        ASSERT_NE(za, nullptr);
        ASSERT_EQ(zip_file_set_encryption(za, 0, ZIP_EM_AES_256, "old"), 0);
        ASSERT_EQ(zip_close(za), 0);
    }
    WriteRootFile("secret.txt", "new and plain");

    EXPECT_EQ(Zip().result, ENGINE_OK);

    auto after = ByName(ArchivePath());
    EXPECT_EQ(after["secret.txt"].encryption, ZIP_EM_NONE);
    EXPECT_EQ(after["secret.txt"].contents, "new and plain");
    EXPECT_EQ(RunCommand("unzip -tq " + Quote(ArchivePath())), 0);
}

TEST_F(UpdateTest, DecliningThePasswordWritesNothing) {
    MakeArchive(ArchivePath(), {{"plain.txt", "plain"}});
    const std::string bytesBefore = ReadFileAt(ArchivePath());
    WriteRootFile("secret.txt", "secret");
    ZipOptionsRecord options = PackFolderOptions(Root());
    options.Encrypt = 1;

    const EngineCall call = Zip(options, {"*"}, ArchivePath());

    EXPECT_EQ(call.result, ENGINE_BAD_PASSWORD);
    EXPECT_EQ(call.passwordRequests, 1);
    EXPECT_TRUE(call.Printed("no password was given"));
    EXPECT_EQ(ReadFileAt(ArchivePath()), bytesBefore);
}

} // namespace

namespace {

// An unpacked archive holding entries whose names look hidden on disk is written
// back whole: an edited copy of such an entry replaces it, while hidden files
// that are not entries of the archive (an editor's swap file) stay out.
TEST_F(UpdateTest, EditedFilesOfEntriesThatLookHiddenAreWrittenBackAndOtherHiddenFilesStayOut) {
    WriteRootFile("scripts/main.cs", "main");
    WriteRootFile(".settings.cs", "old settings");
    WriteRootFile(".config/keys.cs", "old keys");
    ZipOptionsRecord withHidden = PackFolderOptions(Root());
    withHidden.SystemAndHiddenFiles = 1;
    ASSERT_EQ(Zip(withHidden, {"*"}, ArchivePath()).result, ENGINE_OK);

    WriteRootFile(".settings.cs", "new settings");
    WriteRootFile(".config/keys.cs", "new keys");
    WriteRootFile(".settings.cs.swp", "editor junk");
    WriteRootFile(".cache/junk", "more junk");
    const EngineCall call = Zip();

    EXPECT_EQ(call.result, ENGINE_OK);
    auto after = ByName(ArchivePath());
    EXPECT_EQ(after.size(), 3u);
    EXPECT_EQ(after[".settings.cs"].contents, "new settings");
    EXPECT_EQ(after[".config/keys.cs"].contents, "new keys");
    EXPECT_EQ(after.count(".settings.cs.swp"), 0u);
    EXPECT_EQ(after.count(".cache/junk"), 0u);
}

} // namespace

namespace {

// Names not in ASCII are matched as the reader names them: code page 437
// when the entry does not say UTF-8.
TEST_F(UpdateTest, AnEntryNamedInCodePage437IsReplacedByTheFileTheReaderWouldHaveMadeOfIt) {
    RawEntry old, other;
    old.name = "scripts/caf\x82.cs"; // "café.cs" in code page 437
    old.contents = "old";
    other.name = "readme.txt";
    other.contents = "stays";
    WriteFileAt(ArchivePath(), BuildZip({old, other}));
    const std::vector<StoredEntry> before = StoredEntries(ReadFileAt(ArchivePath()));
    WriteRootFile("scripts/caf\xC3\xA9.cs", "new");

    EXPECT_EQ(Zip().result, ENGINE_OK);

    EXPECT_EQ(EntryNames(ArchivePath()),
              (std::vector<std::string>{"scripts/caf\xC3\xA9.cs", "readme.txt"}));
    EXPECT_EQ(ByName(ArchivePath())["scripts/caf\xC3\xA9.cs"].contents, "new");
    const std::vector<StoredEntry> after = StoredEntries(ReadFileAt(ArchivePath()));
    ASSERT_EQ(after.size(), 2u);
    EXPECT_TRUE(after[1].bytes == before[1].bytes && after[1].record == before[1].record);
}

// Entries without an exact time are compared by their DOS time, local time
// to two seconds.
TEST_F(UpdateTest, FreshenComparesWithTheDosTimeOfEntriesThatHaveNoExactTime) {
    RawEntry older, newer;
    older.name = "older.txt";
    older.contents = "entry";
    newer.name = "newer.txt";
    newer.contents = "entry";
    // 2020-06-15 12:00:00 local time, as DOS times hold it.
    older.date = newer.date = static_cast<uint16_t>((2020 - 1980) << 9 | 6 << 5 | 15);
    older.time = newer.time = static_cast<uint16_t>(12 << 11);
    WriteFileAt(ArchivePath(), BuildZip({older, newer}));
    struct tm noon {};
    noon.tm_year = 120, noon.tm_mon = 5, noon.tm_mday = 15, noon.tm_hour = 12, noon.tm_isdst = -1;
    const time_t entryTime = mktime(&noon);
    WriteRootFile("older.txt", "file", entryTime - 60);
    WriteRootFile("newer.txt", "file", entryTime + 60);
    ZipOptionsRecord options = PackFolderOptions(Root());
    options.Freshen = 1;

    EXPECT_EQ(Zip(options, {"*"}, ArchivePath()).result, ENGINE_OK);

    auto after = ByName(ArchivePath());
    EXPECT_EQ(after["older.txt"].contents, "entry");
    EXPECT_EQ(after["newer.txt"].contents, "file");
}

// Past 65,535 entries the end records need their zip64 forms; an archive
// that has them is read and updated again.
TEST_F(UpdateTest, AnArchiveOfMoreThan65535EntriesGetsZip64EndRecordsThatEveryReaderTakes) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (int i = 0; i < 65600; ++i)
        entries.emplace_back("f/" + std::to_string(100000 + i), std::to_string(i));
    MakeArchive(ArchivePath(), entries);
    WriteRootFile("added.txt", "one more");
    WriteRootFile("f/100007", "changed");

    ASSERT_EQ(Zip({"added.txt"}).result, ENGINE_OK);
    ASSERT_EQ(Zip({"f/100007"}).result, ENGINE_OK);

    const std::string bytes = ReadFileAt(ArchivePath());
    EXPECT_NE(bytes.find(std::string("PK\x06\x06", 4)), std::string::npos);
    int error = 0;
    zip_t *za = zip_open(ArchivePath().c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    ASSERT_NE(za, nullptr) << error;
    EXPECT_EQ(zip_get_num_entries(za, 0), 65601);
    EXPECT_EQ(zip_get_name(za, 65600, 0), std::string("added.txt"));
    zip_discard(za);
    std::string output;
    EXPECT_EQ(RunCommand("unzip -tqq " + Quote(ArchivePath()), &output), 0) << output;
    EXPECT_EQ(RunCommand("unzip -p " + Quote(ArchivePath()) + " f/100007", &output), 0);
    EXPECT_EQ(output, "changed");
    if (RunCommand("command -v 7z") == 0) {
        EXPECT_EQ(RunCommand("7z t " + Quote(ArchivePath()), &output), 0) << output;
    }
}

} // namespace
