// A write that fails leaves the old archive byte for byte as it was and
// says so through the result and a message.
#include "WriterFixture.h"

#include "engine/include/PakEngine.h"

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

class FailureTest : public WriterTest {
protected:
    void MakeOldArchive() {
        WriteRootFile("a.txt", TextBytes(20000));
        WriteRootFile("b.png", RandomBytes(20000, 2));
        ASSERT_EQ(Zip().result, ENGINE_OK);
        m_before = ReadFileAt(ArchivePath());
    }

    size_t FilesBesideTheArchive() const {
        size_t count = 0;
        for (const auto &entry : std::filesystem::directory_iterator(m_dir))
            count += entry.path().filename() != "root" ? 1 : 0;
        return count;
    }

    std::string m_before;
};

TEST_F(FailureTest, UnreadableFileLeavesTheOldArchiveUnchanged) {
    MakeOldArchive();
    WriteRootFile("a.txt", TextBytes(21000, "changed "));
    WriteRootFile("locked.txt", "cannot be read");
    chmod((Root() + "/locked.txt").c_str(), 0);
    GiveToUnprivilegedUser(m_dir);

    const int result = RunUnprivileged([&] { return Zip().result; });

    EXPECT_EQ(result, ENGINE_READ_ERROR);
    EXPECT_EQ(ReadFileAt(ArchivePath()), m_before);
    EXPECT_EQ(FilesBesideTheArchive(), 1u);
}

TEST_F(FailureTest, UnreadableFileOfTheSameSizeAsItsEntryLeavesTheOldArchiveUnchanged) {
    MakeOldArchive();
    chmod((Root() + "/b.png").c_str(), 0);
    WriteRootFile("new.txt", "new");
    GiveToUnprivilegedUser(m_dir);

    const int result = RunUnprivileged([&] { return Zip().result; });

    EXPECT_EQ(result, ENGINE_READ_ERROR);
    EXPECT_EQ(ReadFileAt(ArchivePath()), m_before);
}

TEST_F(FailureTest, ReadOnlyArchiveFolderLeavesTheOldArchiveUnchanged) {
    MakeOldArchive();
    WriteRootFile("a.txt", TextBytes(21000, "changed "));
    GiveToUnprivilegedUser(m_dir);
    chmod(m_dir.c_str(), 0555);

    const int result = RunUnprivileged([&] { return Zip().result; });

    chmod(m_dir.c_str(), 0755);
    EXPECT_EQ(result, ENGINE_WRITE_ERROR);
    EXPECT_EQ(ReadFileAt(ArchivePath()), m_before);
    EXPECT_EQ(FilesBesideTheArchive(), 1u);
}

TEST_F(FailureTest, FullDiskLeavesTheOldArchiveUnchanged) {
    MakeOldArchive();
    WriteRootFile("big.txt", RandomBytes(200000, 9));
    GiveToUnprivilegedUser(m_dir);

    // A file-size limit below the new archive's size fails its writes the
    // way a full disk does.
    const int result = RunUnprivileged([&] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(m_before.size() + 1000),
                           static_cast<rlim_t>(m_before.size() + 1000)};
        setrlimit(RLIMIT_FSIZE, &limit);
        return Zip().result;
    });

    EXPECT_EQ(result, ENGINE_WRITE_ERROR);
    EXPECT_EQ(ReadFileAt(ArchivePath()), m_before);
    EXPECT_EQ(FilesBesideTheArchive(), 1u);
}

TEST_F(FailureTest, DamagedArchiveIsNeitherReadNorReplaced) {
    WriteRootFile("a.txt", "a");
    WriteFileAt(ArchivePath(),
                "this is not a zip archive, only text that is long enough to look at");
    const std::string before = ReadFileAt(ArchivePath());

    const EngineCall call = Zip();

    EXPECT_EQ(call.result, ENGINE_BAD_ARCHIVE);
    EXPECT_TRUE(call.Printed("cannot open"));
    EXPECT_EQ(ReadFileAt(ArchivePath()), before);
}

TEST_F(FailureTest, MissingRootFolderIsReported) {
    const EngineCall call = Zip(PackFolderOptions(Path("missing")), {"*"}, ArchivePath());

    EXPECT_EQ(call.result, ENGINE_BAD_ARGUMENTS);
    EXPECT_TRUE(call.Printed("does not exist"));
    EXPECT_FALSE(std::filesystem::exists(ArchivePath()));
}

TEST_F(FailureTest, MissingArchivePathOrSpecificationsAreRefused) {
    WriteRootFile("a.txt", "a");

    EXPECT_EQ(Zip(PackFolderOptions(Root()), {"*"}, "").result, ENGINE_BAD_ARGUMENTS);
    EXPECT_EQ(Zip(PackFolderOptions(Root()), {}, ArchivePath()).result, ENGINE_NOTHING_MATCHED);
    ZpInit(nullptr); // no call-backs at all: the engine must cope
    EXPECT_EQ(ZpArchive(1, nullptr, nullptr), ENGINE_BAD_ARGUMENTS);
    EXPECT_FALSE(std::filesystem::exists(ArchivePath()));
}

TEST_F(FailureTest, SpecificationsReachingOutOfTheRootAreIgnored) {
    WriteFileAt(Path("outside.txt"), "outside");
    WriteRootFile("a.txt", "a");

    const EngineCall call = Zip({"../outside.txt", "/etc/passwd", "a.txt"});

    EXPECT_EQ(call.result, ENGINE_OK);
    EXPECT_EQ(EntryNames(ArchivePath()), (std::vector<std::string>{"a.txt"}));
    EXPECT_TRUE(call.Printed("ignoring ../outside.txt"));
}

} // namespace
