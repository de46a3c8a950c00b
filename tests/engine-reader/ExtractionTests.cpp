// Extraction: folders, the include list, overwriting, testing, passwords,
// cancelling, times, and what is left on disk.
#include "ReaderFixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class ExtractionTest : public ReaderTest {
protected:
    std::string Sample()
    {
        return MakeArchive("sample.vl2", {{"a.txt", "alpha"},
                                          {"textures/", ""},
                                          {"textures/skins/b.png", std::string(5000, 'b')},
                                          {"textures/skins/c.png", "charlie", true},
                                          {"scripts/Mission One.cs", "echo();"}});
    }
};

TEST_F(ExtractionTest, WithFolderNamesRecreatesEveryFolderBelowTheTarget)
{
    ASSERT_EQ(Extract(Sample(), m_target.string()), ENGINE_OK);
    EXPECT_EQ(Tree(m_target), (std::vector<std::string>{"a.txt", "scripts/", "scripts/Mission One.cs",
                                                         "textures/", "textures/skins/", "textures/skins/b.png",
                                                         "textures/skins/c.png"}));
    EXPECT_EQ(ReadText(m_target / "textures/skins/b.png"), std::string(5000, 'b'));
    EXPECT_EQ(ReadText(m_target / "textures/skins/c.png"), "charlie");
    EXPECT_EQ(ReadText(m_target / "scripts/Mission One.cs"), "echo();");
}

TEST_F(ExtractionTest, WithoutFolderNamesPutsEveryFileDirectlyInTheTarget)
{
    ASSERT_EQ(Extract(Sample(), m_target.string(), false), ENGINE_OK);
    EXPECT_EQ(Tree(m_target), (std::vector<std::string>{"Mission One.cs", "a.txt", "b.png", "c.png"}));
}

TEST_F(ExtractionTest, CreatesAMissingTargetAndItsParents)
{
    const fs::path deep = m_root / "one" / "two" / "three";
    ASSERT_EQ(Extract(Sample(), deep.string()), ENGINE_OK);
    EXPECT_EQ(ReadText(deep / "a.txt"), "alpha");
}

TEST_F(ExtractionTest, EmptyTargetMeansTheCurrentFolder)
{
    const std::string archive = Sample();
    fs::create_directories(m_target);
    const fs::path before = fs::current_path();
    fs::current_path(m_target);
    const int32_t result = Extract(archive, "", false);
    fs::current_path(before);
    ASSERT_EQ(result, ENGINE_OK);
    EXPECT_EQ(ReadText(m_target / "a.txt"), "alpha");
    EXPECT_TRUE(m_recorder.Printed("inflating: a.txt\n"));
}

TEST_F(ExtractionTest, PrintsAMessageAndMakesAServiceCallPerEntry)
{
    ASSERT_EQ(Extract(Sample(), m_target.string()), ENGINE_OK);
    EXPECT_EQ(m_recorder.serviced, (std::vector<std::string>{"a.txt", "textures/", "textures/skins/b.png",
                                                             "textures/skins/c.png", "scripts/Mission One.cs"}));
    EXPECT_TRUE(m_recorder.Printed("inflating: " + m_target.string() + "/textures/skins/b.png"));
    EXPECT_TRUE(m_recorder.Printed("extracting: " + m_target.string() + "/textures/skins/c.png"));
    EXPECT_TRUE(m_recorder.Printed("creating: " + m_target.string() + "/textures/"));
}

TEST_F(ExtractionTest, ServiceAnswerOfOneStopsTheEngine)
{
    m_recorder.cancelAt = "textures/skins/b.png";
    EXPECT_EQ(Extract(Sample(), m_target.string()), ENGINE_CANCELLED);
    EXPECT_TRUE(fs::exists(m_target / "a.txt"));
    EXPECT_FALSE(fs::exists(m_target / "textures/skins/b.png"));
    EXPECT_FALSE(fs::exists(m_target / "scripts"));
    EXPECT_EQ(m_recorder.serviced.size(), 3u);
}

TEST_F(ExtractionTest, IncludeListPicksEntriesCaseBlindUnlessCaseSensitive)
{
    const std::string archive = Sample();
    UnzipCommandRecord command = Command(archive, m_target.string());
    command.UseFolderNames = 1;
    ASSERT_EQ(Run(command, {"A.TXT", "textures\\skins\\c.png"}), ENGINE_OK);
    EXPECT_EQ(Tree(m_target), (std::vector<std::string>{"a.txt", "textures/", "textures/skins/",
                                                         "textures/skins/c.png"}));

    fs::remove_all(m_target);
    command.CaseSensitive = 1;
    EXPECT_EQ(Run(command, {"A.TXT", "textures/skins/c.png"}), ENGINE_NOTHING_MATCHED);
    EXPECT_TRUE(m_recorder.Printed("A.TXT"));
    EXPECT_EQ(Tree(m_target), (std::vector<std::string>{"textures/", "textures/skins/", "textures/skins/c.png"}));
}

TEST_F(ExtractionTest, ExcludeListAndWildcardsNarrowTheSelection)
{
    UnzipCommandRecord command = Command(Sample(), m_target.string());
    ASSERT_EQ(Run(command, {"textures/*"}, {"*b.png"}), ENGINE_OK);
    EXPECT_EQ(Tree(m_target), (std::vector<std::string>{"c.png"}));
}

TEST_F(ExtractionTest, ExistingFileIsReplacedWhenPromptAndOverwriteAreBothOff)
{
    WriteText(m_target / "a.txt", "old contents that are longer");
    WriteText(m_target / "keep.txt", "not in the archive");
    ASSERT_EQ(Extract(Sample(), m_target.string()), ENGINE_OK);
    EXPECT_EQ(ReadText(m_target / "a.txt"), "alpha");
    EXPECT_EQ(ReadText(m_target / "keep.txt"), "not in the archive");
    EXPECT_TRUE(m_recorder.overwriteAsked.empty());
}

TEST_F(ExtractionTest, OverwriteExistingReplacesWithoutAsking)
{
    WriteText(m_target / "a.txt", "old");
    UnzipCommandRecord command = Command(Sample(), m_target.string());
    command.OverwriteExisting = 1;
    ASSERT_EQ(Run(command), ENGINE_OK);
    EXPECT_EQ(ReadText(m_target / "a.txt"), "alpha");
    EXPECT_TRUE(m_recorder.overwriteAsked.empty());
}

TEST_F(ExtractionTest, PromptAsksTheOverwriteCallbackForEachExistingFile)
{
    WriteText(m_target / "a.txt", "old a");
    WriteText(m_target / "b.png", "old b");
    WriteText(m_target / "c.png", "old c");
    const std::string archive = Sample();
    UnzipCommandRecord command = Command(archive, m_target.string());
    command.PromptToOverwrite = 1;
    m_recorder.overwriteAnswer = [](const std::string &name) {
        return name.find("b.png") != std::string::npos ? ENGINE_OVERWRITE_YES : ENGINE_OVERWRITE_NO;
    };
    ASSERT_EQ(Run(command), ENGINE_OK);
    EXPECT_EQ(m_recorder.overwriteAsked,
              (std::vector<std::string>{(m_target / "a.txt").string(), (m_target / "b.png").string(),
                                        (m_target / "c.png").string()}));
    EXPECT_EQ(ReadText(m_target / "a.txt"), "old a");
    EXPECT_EQ(ReadText(m_target / "b.png"), std::string(5000, 'b'));
    EXPECT_EQ(ReadText(m_target / "c.png"), "old c");
    EXPECT_EQ(ReadText(m_target / "Mission One.cs"), "echo();"); // new files need no answer
}

TEST_F(ExtractionTest, PromptAnswersAllAndNoneHoldForTheRestOfTheCall)
{
    WriteText(m_target / "a.txt", "old a");
    WriteText(m_target / "b.png", "old b");
    UnzipCommandRecord command = Command(Sample(), m_target.string());
    command.PromptToOverwrite = 1;
    m_recorder.overwriteAnswer = [](const std::string &) { return int32_t{ENGINE_OVERWRITE_ALL}; };
    ASSERT_EQ(Run(command), ENGINE_OK);
    EXPECT_EQ(m_recorder.overwriteAsked.size(), 1u);
    EXPECT_EQ(ReadText(m_target / "b.png"), std::string(5000, 'b'));

    WriteText(m_target / "a.txt", "old a");
    WriteText(m_target / "b.png", "old b");
    m_recorder.overwriteAnswer = [](const std::string &) { return int32_t{ENGINE_OVERWRITE_NONE}; };
    ASSERT_EQ(Run(command), ENGINE_OK);
    EXPECT_EQ(m_recorder.overwriteAsked.size(), 1u);
    EXPECT_EQ(ReadText(m_target / "a.txt"), "old a");
    EXPECT_EQ(ReadText(m_target / "b.png"), "old b");
}

TEST_F(ExtractionTest, UnknownOverwriteAnswerKeepsTheFile)
{
    WriteText(m_target / "a.txt", "old a");
    UnzipCommandRecord command = Command(Sample(), m_target.string());
    command.PromptToOverwrite = 1;
    m_recorder.overwriteAnswer = [](const std::string &) { return int32_t{7}; };
    ASSERT_EQ(Run(command, {"a.txt"}), ENGINE_OK);
    EXPECT_EQ(ReadText(m_target / "a.txt"), "old a");
}

TEST_F(ExtractionTest, ExtractOnlyNewerSkipsFilesThatAreNotOlder)
{
    const std::string archive = MakeArchive("times.zip", {{"new.txt", "archive new", false, 1'500'000'000},
                                                          {"old.txt", "archive old", false, 1'000'000'000}});
    WriteText(m_target / "new.txt", "disk");
    WriteText(m_target / "old.txt", "disk");
    const struct timespec middle[2] = {{1'200'000'000, 0}, {1'200'000'000, 0}};
    utimensat(AT_FDCWD, (m_target / "new.txt").c_str(), middle, 0);
    utimensat(AT_FDCWD, (m_target / "old.txt").c_str(), middle, 0);
    UnzipCommandRecord command = Command(archive, m_target.string());
    command.ExtractOnlyNewer = 1;
    ASSERT_EQ(Run(command), ENGINE_OK);
    EXPECT_EQ(ReadText(m_target / "new.txt"), "archive new");
    EXPECT_EQ(ReadText(m_target / "old.txt"), "disk");
}

TEST_F(ExtractionTest, SpaceToUnderscoreRenamesFilesAndFolders)
{
    const std::string archive = MakeArchive("spaces.zip", {{"my skins/red one.png", "r"}});
    UnzipCommandRecord command = Command(archive, m_target.string());
    command.UseFolderNames = 1;
    command.SpaceToUnderscore = 1;
    ASSERT_EQ(Run(command), ENGINE_OK);
    EXPECT_EQ(Tree(m_target), (std::vector<std::string>{"my_skins/", "my_skins/red_one.png"}));
}

TEST_F(ExtractionTest, EveryWrittenFileCarriesItsEntryTime)
{
    const std::string archive = MakeArchive("t.zip", {{"d/x.txt", "x", false, 1'300'000'000},
                                                      {"y.txt", std::string(20000, 'y'), true, 1'100'000'000}});
    ASSERT_EQ(Extract(archive, m_target.string()), ENGINE_OK);
    struct stat info {};
    ASSERT_EQ(stat((m_target / "d/x.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, 1'300'000'000);
    ASSERT_EQ(stat((m_target / "y.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, 1'100'000'000);
}

TEST_F(ExtractionTest, TestArchiveChecksEveryEntryAndWritesNothing)
{
    ASSERT_EQ(Run([&] {
                  UnzipCommandRecord command = Command(Sample(), m_target.string());
                  command.TestArchive = 1;
                  return command;
              }()),
              ENGINE_OK);
    EXPECT_FALSE(fs::exists(m_target));
    EXPECT_TRUE(m_recorder.Printed("testing: textures/skins/b.png"));
}

TEST_F(ExtractionTest, PasswordFromTheCallbackOpensEncryptedEntries)
{
    TestEntry aes{"aes.txt", "aes secret"};
    aes.password = "open sesame";
    TestEntry classic{"classic.txt", "classic secret"};
    classic.password = "open sesame";
    classic.traditional = true;
    const std::string archive = MakeArchive("enc.zip", {aes, classic});
    m_recorder.passwords = {"open sesame"};
    ASSERT_EQ(Extract(archive, m_target.string()), ENGINE_OK) << ::testing::PrintToString(m_recorder.printed);
    EXPECT_EQ(ReadText(m_target / "aes.txt"), "aes secret");
    EXPECT_EQ(ReadText(m_target / "classic.txt"), "classic secret");
    EXPECT_EQ(m_recorder.passwordAsked, (std::vector<std::string>{"aes.txt"})); // remembered after that
}

TEST_F(ExtractionTest, DeclinedPasswordSkipsTheEntryWithBadPassword)
{
    TestEntry secret{"secret.txt", "words"};
    secret.password = "pw";
    const std::string archive = MakeArchive("enc.zip", {{"open.txt", "open"}, secret});
    EXPECT_EQ(Extract(archive, m_target.string()), ENGINE_BAD_PASSWORD);
    EXPECT_EQ(Tree(m_target), (std::vector<std::string>{"open.txt"}));
    EXPECT_TRUE(m_recorder.Printed("secret.txt"));
}

TEST_F(ExtractionTest, WrongPasswordIsAskedAgainThenSkipped)
{
    TestEntry secret{"secret.txt", "words"};
    secret.password = "right";
    const std::string archive = MakeArchive("enc.zip", {secret});
    m_recorder.passwords = {"wrong", "right"};
    ASSERT_EQ(Extract(archive, m_target.string()), ENGINE_OK);
    EXPECT_EQ(ReadText(m_target / "secret.txt"), "words");

    fs::remove_all(m_target);
    m_recorder.passwords = {"wrong", "worse", "worst", "right"};
    EXPECT_EQ(Extract(archive, m_target.string()), ENGINE_BAD_PASSWORD);
    EXPECT_EQ(m_recorder.passwordAsked.size(), 3u);
    EXPECT_TRUE(Tree(m_target).empty());
}

TEST_F(ExtractionTest, LargeEntriesStreamAndKeepTheirContent)
{
    std::string big(20u << 20, '\0');
    uint32_t state = 7;
    for (size_t i = 0; i < big.size(); i += 64) {
        state = state * 1664525u + 1013904223u;
        big[i] = static_cast<char>(state >> 24);
    }
    const std::string archive = MakeArchive("big.zip", {{"big.bin", big}});
    ASSERT_EQ(Extract(archive, m_target.string()), ENGINE_OK);
    EXPECT_TRUE(ReadText(m_target / "big.bin") == big);
}

TEST_F(ExtractionTest, DamagedLargeEntryNeverReplacesTheExistingFileNorLeavesAPart)
{
    std::string big(10u << 20, 'k');
    for (size_t i = 0; i < big.size(); i += 4096)
        big[i] = static_cast<char>('a' + (i / 4096) % 26);
    const std::string archive = MakeArchive("big.zip", {{"big.bin", big, true}, {"new.bin", big, true}});
    // Damage both entries' data near their ends, after most of it has streamed.
    std::string bytes = ReadText(archive);
    for (size_t from = 0, found = 0; found < 2; ++found) {
        const size_t at = bytes.find(big.substr(0, 64), from);
        ASSERT_NE(at, std::string::npos);
        bytes[at + big.size() - 10] = '!';
        from = at + big.size();
    }
    WriteText(archive, bytes);
    WriteText(m_target / "big.bin", "precious");

    EXPECT_EQ(Extract(archive, m_target.string()), ENGINE_CRC_ERROR);
    EXPECT_EQ(ReadText(m_target / "big.bin"), "precious");
    EXPECT_EQ(Tree(m_target), (std::vector<std::string>{"big.bin"}));
}

TEST_F(ExtractionTest, ManySmallEntriesAllArriveIntact)
{
    std::vector<TestEntry> entries;
    for (int i = 0; i < 500; ++i)
        entries.push_back({"f" + std::to_string(i % 17) + "/n" + std::to_string(i) + ".txt",
                           std::string(static_cast<size_t>(i * 13), static_cast<char>('a' + i % 26)), i % 3 == 0});
    ASSERT_EQ(Extract(MakeArchive("many.zip", entries), m_target.string()), ENGINE_OK);
    for (const TestEntry &entry : entries)
        ASSERT_EQ(ReadText(m_target / entry.name), entry.content) << entry.name;
}

TEST_F(ExtractionTest, NoTemporaryFileIsLeftBehind)
{
    WriteText(m_target / "a.txt", "old");
    ASSERT_EQ(Extract(Sample(), m_target.string()), ENGINE_OK);
    for (const std::string &path : Tree(m_target))
        EXPECT_EQ(path.find(".pakreader"), std::string::npos) << path;
}

TEST_F(ExtractionTest, AFolderInTheWayOfAFileIsAWriteErrorAndStaysAsItWas)
{
    fs::create_directories(m_target / "a.txt" / "inside");
    EXPECT_EQ(Extract(Sample(), m_target.string()), ENGINE_WRITE_ERROR);
    EXPECT_TRUE(fs::is_directory(m_target / "a.txt" / "inside"));
    EXPECT_EQ(ReadText(m_target / "textures/skins/c.png"), "charlie");
}

TEST_F(ExtractionTest, TargetThatCannotBeAFolderIsAWriteErrorNotACrash)
{
    WriteText(m_root / "plain-file", "x");
    EXPECT_EQ(Extract(Sample(), (m_root / "plain-file" / "target").string()), ENGINE_WRITE_ERROR);
    EXPECT_TRUE(m_recorder.Printed("plain-file"));
    EXPECT_EQ(ReadText(m_root / "plain-file"), "x");
}

TEST_F(ExtractionTest, UnwritableTargetIsAWriteErrorNotACrash)
{
    fs::create_directories(m_target);
    fs::permissions(m_target, fs::perms::owner_read | fs::perms::owner_exec);
    if (access(m_target.c_str(), W_OK) == 0)
        GTEST_SKIP() << "running with rights that ignore permissions";
    EXPECT_EQ(Extract(Sample(), m_target.string()), ENGINE_WRITE_ERROR);
}

TEST_F(ExtractionTest, ExecutableBitFromUnixArchivesIsKept)
{
    TestEntry tool{"run.sh", "#!/bin/sh\n"};
    tool.unixMode = 0100755;
    ASSERT_EQ(Extract(MakeArchive("x.zip", {tool}), m_target.string()), ENGINE_OK);
    struct stat info {};
    ASSERT_EQ(stat((m_target / "run.sh").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
}

} // namespace
