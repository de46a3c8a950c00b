// The listing reads the central directory through a window of bounded size:
// records that straddle the window's edge, and directories many times its
// size, must come out whole and in order.
#include "ReaderFixture.h"

#include "../engine-writer/RawZip.h"

namespace {

class DirectoryWindowTest : public ReaderTest {};

TEST_F(DirectoryWindowTest, ADirectoryLargerThanTheWindowListsEveryEntryInOrder) {
    // About 2.5 MB of central records with names of varying length, so that
    // the window's edge falls inside records of every kind.
    std::vector<TestEntry> entries;
    for (int i = 0; i < 12000; ++i) {
        const std::string folder = "folder" + std::to_string(i % 37) + "/" + std::string(i % 150, 'n');
        entries.emplace_back(folder + "/entry" + std::to_string(i) + ".cs", "", true);
    }
    const std::string archive = MakeArchive("wide.zip", entries);
    ASSERT_GT(fs::file_size(archive), 2u << 20);
    ASSERT_EQ(List(archive), ENGINE_OK);
    ASSERT_EQ(m_recorder.listed.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        ASSERT_EQ(m_recorder.listed[i].path, entries[i].name) << i;
}

TEST_F(DirectoryWindowTest, RepeatedNamesAreListedEveryTime) {
    std::vector<RawEntry> entries(6000);
    for (size_t i = 0; i < entries.size(); ++i) {
        entries[i].name = "same/" + std::string(200, 'x') + ".cs";
        entries[i].contents = std::to_string(i);
    }
    const fs::path archive = m_root / "repeats.zip";
    WriteText(archive, BuildZip(entries));
    ASSERT_EQ(List(archive.string()), ENGINE_OK);
    EXPECT_EQ(m_recorder.listed.size(), entries.size());
}

} // namespace
