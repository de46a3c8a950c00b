// Delete mode: removing the entries that the specifications name.
#include "WriterFixture.h"

#include "engine/include/PakEngine.h"

#include <filesystem>

namespace {

class DeleteTest : public WriterTest {
protected:
    EngineCall Delete(const std::vector<std::string> &specs,
                      const EngineAnswers &answers = EngineAnswers()) {
        ZipOptionsRecord options = PackFolderOptions(Root());
        options.DeleteEntries = 1;
        return Zip(options, specs, ArchivePath(), answers);
    }
};

TEST_F(DeleteTest, RemovesTheEntriesMatchingTheSpecificationsAndKeepsTheOthersRaw) {
    MakeArchive(ArchivePath(),
                {{"textures/", ""},
                 {"textures/skins/red.png", "red"},
                 {"textures/skins/blue.png", "blue"},
                 {"scripts\\main.cs", TextBytes(4000)},
                 {"readme.txt", TextBytes(4000, "read ")}},
                "comment stays");
    const std::vector<EntryFacts> before = ReadEntries(ArchivePath());

    const EngineCall call = Delete({"textures/*", "scripts/main.cs"});

    EXPECT_EQ(call.result, ENGINE_OK);
    const std::vector<EntryFacts> after = ReadEntries(ArchivePath());
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].name, "readme.txt");
    EXPECT_EQ(after[0].rawData, before[4].rawData);
    EXPECT_EQ(ArchiveComment(ArchivePath()), "comment stays");
    EXPECT_TRUE(call.Printed("deleting: textures/skins/red.png"));
    EXPECT_TRUE(call.Printed("deleting: scripts\\main.cs"));
    EXPECT_EQ(call.serviced.size(), 4u); // "textures/*" takes the folder entry too
}

TEST_F(DeleteTest, AddsNothingEvenWhenFilesMatch) {
    MakeArchive(ArchivePath(), {{"a.txt", "a"}, {"b.txt", "b"}});
    WriteRootFile("a.txt", "file a");
    WriteRootFile("c.txt", "file c");

    EXPECT_EQ(Delete({"a.txt"}).result, ENGINE_OK);

    EXPECT_EQ(EntryNames(ArchivePath()), (std::vector<std::string>{"b.txt"}));
}

TEST_F(DeleteTest, DeletingEveryEntryLeavesAnEmptyArchiveWithItsComment) {
    MakeArchive(ArchivePath(), {{"a.txt", "a"}, {"sub/b.txt", "b"}}, "kept");

    EXPECT_EQ(Delete({"*"}).result, ENGINE_OK);

    ASSERT_TRUE(std::filesystem::exists(ArchivePath()));
    EXPECT_TRUE(EntryNames(ArchivePath()).empty());
    EXPECT_EQ(ArchiveComment(ArchivePath()), "kept");
    EXPECT_EQ(ReadFileAt(ArchivePath()).size(), 22u + 4u); // the end record and the comment
}

TEST_F(DeleteTest, NothingMatchedLeavesTheArchiveAsItWas) {
    MakeArchive(ArchivePath(), {{"a.txt", "a"}});
    const std::string bytesBefore = ReadFileAt(ArchivePath());

    const EngineCall call = Delete({"*.png"});

    EXPECT_EQ(call.result, ENGINE_NOTHING_MATCHED);
    EXPECT_EQ(ReadFileAt(ArchivePath()), bytesBefore);
}

TEST_F(DeleteTest, AMissingArchiveIsReportedAndNotCreated) {
    const EngineCall call = Delete({"*"});

    EXPECT_EQ(call.result, ENGINE_NO_ARCHIVE);
    EXPECT_TRUE(call.Printed("does not exist"));
    EXPECT_FALSE(std::filesystem::exists(ArchivePath()));
}

TEST_F(DeleteTest, CancelLeavesTheArchiveAsItWas) {
    MakeArchive(ArchivePath(), {{"a.txt", "a"}, {"b.txt", "b"}});
    const std::string bytesBefore = ReadFileAt(ArchivePath());
    EngineAnswers answers;
    answers.stopAtService = 1;

    EXPECT_EQ(Delete({"*"}, answers).result, ENGINE_CANCELLED);

    EXPECT_EQ(ReadFileAt(ArchivePath()), bytesBefore);
}

} // namespace
