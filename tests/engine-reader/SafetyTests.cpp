// Nothing is ever written outside the target folder, and no link is made
// or followed.
#include "ReaderFixture.h"

#include <unistd.h>

namespace {

class SafetyTest : public ReaderTest {
protected:
    void ExpectSkippedAndNothingOutside(const std::string &name)
    {
        const std::string archive = MakeArchive("hostile.zip", {{name, "evil"}, {"fine.txt", "fine"}});
        EXPECT_EQ(Extract(archive, m_target.string()), ENGINE_WARNING) << name;
        EXPECT_TRUE(m_recorder.Printed("skipping: ")) << name;
        EXPECT_EQ(Tree(m_target), (std::vector<std::string>{"fine.txt"})) << name;
        EXPECT_EQ(Tree(m_root), (std::vector<std::string>{"hostile.zip", "target/", "target/fine.txt"})) << name;
        fs::remove_all(m_target);
    }
};

TEST_F(SafetyTest, EntriesThatClimbOutOrStartAtARootAreSkipped)
{
    for (const char *name : {"../evil.txt", "a/../../evil.txt", "a/b/../../../evil.txt", "/tmp/evil.txt",
                             "C:/evil.txt", "c:evil.txt", "..\\evil.txt", "a\\..\\..\\evil.txt",
                             "\\evil.txt", ".."})
        ExpectSkippedAndNothingOutside(name);
}

TEST_F(SafetyTest, FlatExtractionSkipsUnsafeNamesToo)
{
    const std::string archive = MakeArchive("hostile.zip", {{"../../evil.txt", "evil"}, {"ok/fine.txt", "f"}});
    EXPECT_EQ(Extract(archive, m_target.string(), false), ENGINE_WARNING);
    EXPECT_EQ(Tree(m_target), (std::vector<std::string>{"fine.txt"}));
}

TEST_F(SafetyTest, HarmlessDotsAndDoubleSlashesAreTidied)
{
    const std::string archive = MakeArchive("dots.zip", {{"./a//b/./c.txt", "c"}, {"..name/x..y", "d"}});
    ASSERT_EQ(Extract(archive, m_target.string()), ENGINE_OK);
    EXPECT_EQ(ReadText(m_target / "a/b/c.txt"), "c");
    EXPECT_EQ(ReadText(m_target / "..name/x..y"), "d");
}

TEST_F(SafetyTest, SymbolicLinkEntryIsNeverCreatedAsALink)
{
    TestEntry link{"link", "/etc/passwd"};
    link.unixMode = 0120777;
    const std::string archive = MakeArchive("link.zip", {link, {"fine.txt", "fine"}});
    EXPECT_EQ(Extract(archive, m_target.string()), ENGINE_WARNING);
    EXPECT_FALSE(fs::exists(fs::symlink_status(m_target / "link")));
    EXPECT_TRUE(m_recorder.Printed("symbolic link"));
    EXPECT_EQ(ReadText(m_target / "fine.txt"), "fine");
}

TEST_F(SafetyTest, ExistingLinkToAFolderOutsideIsNotFollowed)
{
    const fs::path outside = m_root / "outside";
    fs::create_directories(outside);
    fs::create_directories(m_target);
    fs::create_directory_symlink(outside, m_target / "skins");
    const std::string archive = MakeArchive("a.zip", {{"skins/x.png", "x"}, {"skins/", ""}});
    EXPECT_EQ(Extract(archive, m_target.string()), ENGINE_WARNING);
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_TRUE(fs::is_symlink(m_target / "skins"));
}

TEST_F(SafetyTest, ExistingLinkInPlaceOfAFileIsReplacedNotWrittenThrough)
{
    const fs::path victim = m_root / "victim.txt";
    WriteText(victim, "precious");
    fs::create_directories(m_target);
    fs::create_symlink(victim, m_target / "a.txt");
    ASSERT_EQ(Extract(MakeArchive("a.zip", {{"a.txt", "new"}}), m_target.string()), ENGINE_OK);
    EXPECT_EQ(ReadText(victim), "precious");
    EXPECT_FALSE(fs::is_symlink(m_target / "a.txt"));
    EXPECT_EQ(ReadText(m_target / "a.txt"), "new");
}

TEST_F(SafetyTest, TargetFolderThatIsItselfALinkIsTheUsersChoiceAndFollowed)
{
    const fs::path real = m_root / "real";
    fs::create_directories(real);
    fs::create_directory_symlink(real, m_root / "alias");
    ASSERT_EQ(Extract(MakeArchive("a.zip", {{"d/a.txt", "a"}}), (m_root / "alias").string()), ENGINE_OK);
    EXPECT_EQ(ReadText(real / "d/a.txt"), "a");
}

TEST_F(SafetyTest, AFileWhereAFolderIsNeededIsSkipped)
{
    const std::string archive = MakeArchive("clash.zip", {{"x", "file"}, {"x/y.txt", "y"}});
    EXPECT_NE(Extract(archive, m_target.string()), ENGINE_OK);
    EXPECT_EQ(ReadText(m_target / "x"), "file");
}

} // namespace
