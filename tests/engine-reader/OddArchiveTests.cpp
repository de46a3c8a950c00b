// Every odd and broken archive of archives/ through listing, testing and
// extraction, each with the outcome it must have.
#include "ReaderFixture.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

struct OddCase {
    const char *file;
    int32_t listResult;
    size_t listed; // entries reported by the listing
    int32_t extractResult;
    std::vector<std::string> written; // the target's tree afterwards
};

std::string DeepPath()
{
    std::string path;
    for (int i = 0; i < 6; ++i)
        path += std::string(49, static_cast<char>('a' + i)) + "/";
    return path;
}

std::vector<std::string> DeepTree()
{
    std::vector<std::string> tree;
    std::string path;
    for (int i = 0; i < 6; ++i) {
        path += std::string(49, static_cast<char>('a' + i)) + "/";
        tree.push_back(path);
    }
    tree.push_back(DeepPath() + "deep.txt");
    std::sort(tree.begin(), tree.end());
    return tree;
}

const std::vector<OddCase> &Cases()
{
    static const std::vector<OddCase> cases = {
        {"absolute-path.zip", ENGINE_OK, 2, ENGINE_WARNING, {"ok.txt"}},
        {"backslash-names.zip", ENGINE_OK, 3, ENGINE_OK,
         {"ok.txt", "scripts/", "textures/", "textures/skins/", "textures/skins/warrior.png"}},
        {"bad-central-directory-offset.zip", ENGINE_BAD_ARCHIVE, 0, ENGINE_BAD_ARCHIVE, {}},
        {"bad-central-directory.zip", ENGINE_BAD_ARCHIVE, 0, ENGINE_BAD_ARCHIVE, {}},
        {"bad-crc-deflated.zip", ENGINE_OK, 1, ENGINE_CRC_ERROR, {}},
        {"bad-crc-stored.zip", ENGINE_OK, 2, ENGINE_CRC_ERROR, {"ok.txt"}},
        {"bad-deflate-data.zip", ENGINE_OK, 2, ENGINE_BAD_ARCHIVE, {"ok.txt"}},
        {"bad-entry-count.zip", ENGINE_BAD_ARCHIVE, 0, ENGINE_BAD_ARCHIVE, {}},
        {"cp437-name.zip", ENGINE_OK, 1, ENGINE_OK, {"caf\xc3\xa9.txt"}},
        {"drive-letter.zip", ENGINE_OK, 3, ENGINE_WARNING, {"ok.txt"}},
        {"duplicate-names.zip", ENGINE_OK, 2, ENGINE_OK, {"same.txt"}},
        {"empty.zip", ENGINE_OK, 0, ENGINE_OK, {}},
        {"encrypted.zip", ENGINE_OK, 3, ENGINE_BAD_PASSWORD, {"ok.txt"}},
        {"folder-entries-only.zip", ENGINE_OK, 3, ENGINE_OK, {"a/", "a/b/", "c/"}},
        {"long-name-300.zip", ENGINE_OK, 2, ENGINE_WRITE_ERROR, {"ok.txt"}},
        {"long-path-300.zip", ENGINE_OK, 1, ENGINE_OK, DeepTree()},
        {"lying-size.zip", ENGINE_OK, 1, ENGINE_BAD_ARCHIVE, {}},
        {"not-a-zip.zip", ENGINE_BAD_ARCHIVE, 0, ENGINE_BAD_ARCHIVE, {}},
        {"path-traversal-backslash.zip", ENGINE_OK, 3, ENGINE_WARNING, {"ok.txt"}},
        {"path-traversal.zip", ENGINE_OK, 3, ENGINE_WARNING, {"ok.txt"}},
        {"symlink-entry.zip", ENGINE_OK, 3, ENGINE_WARNING, {"escape/", "escape/evil.txt", "ok.txt"}},
        {"truncated-data.zip", ENGINE_OK, 2, ENGINE_BAD_ARCHIVE, {"one.txt"}},
        {"truncated.zip", ENGINE_BAD_ARCHIVE, 0, ENGINE_BAD_ARCHIVE, {}},
        {"unknown-encryption.zip", ENGINE_OK, 1, ENGINE_UNSUPPORTED, {}},
        {"unsupported-method.zip", ENGINE_OK, 2, ENGINE_UNSUPPORTED, {"ok.txt"}},
        {"zero-bytes.zip", ENGINE_BAD_ARCHIVE, 0, ENGINE_BAD_ARCHIVE, {}},
    };
    return cases;
}

std::string ArchivePath(const std::string &file)
{
    return std::string(ODD_ARCHIVES_DIR) + "/" + file;
}

class OddArchiveTest : public ReaderTest {};

TEST_F(OddArchiveTest, EveryArchiveInTheFolderHasItsCase)
{
    std::set<std::string> listed;
    for (const auto &file : fs::directory_iterator(ODD_ARCHIVES_DIR))
        listed.insert(file.path().filename().string());
    std::set<std::string> known;
    for (const OddCase &oddCase : Cases())
        known.insert(oddCase.file);
    EXPECT_EQ(listed, known);
}

TEST_F(OddArchiveTest, EachArchiveListsAndExtractsWithItsOutcomeAndNothingOutsideTheTarget)
{
    for (const OddCase &oddCase : Cases()) {
        SCOPED_TRACE(oddCase.file);
        const std::string archive = ArchivePath(oddCase.file);
        EXPECT_EQ(List(archive), oddCase.listResult);
        EXPECT_EQ(m_recorder.listed.size(), oddCase.listed);
        if (oddCase.listResult != ENGINE_OK) {
            EXPECT_FALSE(m_recorder.printed.empty());
        }

        const fs::path sandbox = m_root / "sandbox";
        const fs::path target = sandbox / "deep" / "target";
        EXPECT_EQ(Extract(archive, target.string()), oddCase.extractResult);
        if (oddCase.extractResult != ENGINE_OK) {
            EXPECT_FALSE(m_recorder.printed.empty());
        }
        EXPECT_EQ(Tree(target), oddCase.written);
        // Nothing beside or above the target.
        for (const std::string &path : Tree(m_root)) {
            EXPECT_TRUE(path.rfind("sandbox/deep/target", 0) == 0 || path == "sandbox/" || path == "sandbox/deep/")
                << path;
        }
        EXPECT_FALSE(fs::exists("/tmp/pakreader-absolute-evil.txt"));
        fs::remove_all(sandbox);
    }
}

TEST_F(OddArchiveTest, TestingAnyOfThemWritesNothing)
{
    for (const OddCase &oddCase : Cases()) {
        SCOPED_TRACE(oddCase.file);
        UnzipCommandRecord command = Command(ArchivePath(oddCase.file), (m_root / "target").string());
        command.TestArchive = 1;
        const int32_t result = Run(command);
        if (oddCase.listResult != ENGINE_OK) {
            EXPECT_EQ(result, oddCase.listResult);
        }
        EXPECT_TRUE(Tree(m_root).empty());
    }
}

TEST_F(OddArchiveTest, DuplicateNamesLeaveTheLaterEntry)
{
    ASSERT_EQ(Extract(ArchivePath("duplicate-names.zip"), m_target.string()), ENGINE_OK);
    EXPECT_EQ(ReadText(m_target / "same.txt"), "second");
}

TEST_F(OddArchiveTest, DuplicateNamesWithPromptAskAboutTheSecond)
{
    UnzipCommandRecord command = Command(ArchivePath("duplicate-names.zip"), m_target.string());
    command.PromptToOverwrite = 1;
    ASSERT_EQ(Run(command), ENGINE_OK);
    EXPECT_EQ(m_recorder.overwriteAsked.size(), 1u);
    EXPECT_EQ(ReadText(m_target / "same.txt"), "first");
}

TEST_F(OddArchiveTest, EncryptedArchiveOpensWithItsPassword)
{
    m_recorder.passwords = {"secret"};
    ASSERT_EQ(Extract(ArchivePath("encrypted.zip"), m_target.string()), ENGINE_OK);
    EXPECT_EQ(ReadText(m_target / "aes.txt"), "aes words");
    EXPECT_EQ(ReadText(m_target / "classic.txt"), "classic words");
}

TEST_F(OddArchiveTest, BackslashNamesAreListedWithSlashes)
{
    ASSERT_EQ(List(ArchivePath("backslash-names.zip")), ENGINE_OK);
    ASSERT_EQ(m_recorder.listed.size(), 3u);
    EXPECT_EQ(m_recorder.listed[0].path, "textures/skins/warrior.png");
    EXPECT_EQ(m_recorder.listed[1].path, "scripts/");
}

TEST_F(OddArchiveTest, LongNamesReachTheListingWhole)
{
    ASSERT_EQ(List(ArchivePath("long-name-300.zip")), ENGINE_OK);
    ASSERT_FALSE(m_recorder.listed.empty());
    EXPECT_EQ(m_recorder.listed[0].path, std::string(300, 'n') + ".txt");
}

} // namespace
