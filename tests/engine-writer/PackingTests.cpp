// Packing a folder into a new archive: which files are taken and under
// which names, how they are compressed, and what the engine reports.
#include "WriterFixture.h"

#include "engine/include/PakEngine.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace {

std::set<std::string> NameSet(const std::string &archive) {
    const std::vector<std::string> names = EntryNames(archive);
    return std::set<std::string>(names.begin(), names.end());
}

class PackingTest : public WriterTest {};

TEST_F(PackingTest, PacksEveryFileBelowTheRootUnderItsRelativePathWithoutFolderEntries) {
    WriteRootFile("readme.txt", TextBytes(3000));
    WriteRootFile("textures/skins/red.png", RandomBytes(5000, 1));
    WriteRootFile("scripts/a/b/c.cs", TextBytes(700, "function x() {}"));
    WriteRootFile("empty.txt", "");

    const EngineCall call = Zip();

    EXPECT_EQ(call.result, ENGINE_OK);
    const std::vector<EntryFacts> entries = ReadEntries(ArchivePath());
    std::set<std::string> names;
    for (const EntryFacts &entry : entries) {
        names.insert(entry.name);
        EXPECT_EQ(entry.contents, ReadFileAt(Root() + "/" + entry.name)) << entry.name;
    }
    EXPECT_EQ(names, (std::set<std::string>{"empty.txt", "readme.txt", "scripts/a/b/c.cs",
                                            "textures/skins/red.png"}));
}

TEST_F(PackingTest, WithoutRecursionOnlyTheRootFolderIsSearched) {
    WriteRootFile("top.png", "top");
    WriteRootFile("sub/deep.png", "deep");
    ZipOptionsRecord options = PackFolderOptions(Root());
    options.Recurse = 0;

    EXPECT_EQ(Zip(options, {"*"}, ArchivePath()).result, ENGINE_OK);

    EXPECT_EQ(NameSet(ArchivePath()), (std::set<std::string>{"top.png"}));
}

TEST_F(PackingTest, WildcardsMatchFileNamesInEverySubFolderWhenRecursing) {
    WriteRootFile("a.png", "a");
    WriteRootFile("b.txt", "b");
    WriteRootFile("textures/c.png", "c");
    WriteRootFile("textures/d.PNG", "d");
    WriteRootFile("textures/skins/e.png", "e");
    WriteRootFile("textures/skins/e.png.bak", "e");

    EXPECT_EQ(Zip({"*.png", "?.txt"}).result, ENGINE_OK);

    EXPECT_EQ(NameSet(ArchivePath()),
              (std::set<std::string>{"a.png", "b.txt", "textures/c.png", "textures/skins/e.png"}));
}

TEST_F(PackingTest, SpecificationsWithFolderPartsMatchRelativePathsAndBackslashesCountAsSlashes) {
    WriteRootFile("textures/skins/a.png", "a");
    WriteRootFile("textures/other/b.png", "b");
    WriteRootFile("scripts/c.cs", "c");
    ZipOptionsRecord options = PackFolderOptions(Root());
    options.Recurse = 0;

    EXPECT_EQ(Zip(options, {"textures\\skins\\*.png", "./scripts/c.cs"}, ArchivePath()).result,
              ENGINE_OK);

    EXPECT_EQ(NameSet(ArchivePath()),
              (std::set<std::string>{"scripts/c.cs", "textures/skins/a.png"}));
}

TEST_F(PackingTest, FolderNamedExactlyTakesItsWholeTreeWhenRecursing) {
    WriteRootFile("textures/skins/a.png", "a");
    WriteRootFile("textures/b.png", "b");
    WriteRootFile("scripts/c.cs", "c");

    EXPECT_EQ(Zip({"textures"}).result, ENGINE_OK);

    EXPECT_EQ(NameSet(ArchivePath()),
              (std::set<std::string>{"textures/b.png", "textures/skins/a.png"}));
}

TEST_F(PackingTest, DropFolderNamesStoresBareNamesAndSkipsASecondFileOfTheSameName) {
    WriteRootFile("a/red.png", "first");
    WriteRootFile("b/red.png", "second");
    WriteRootFile("b/blue.png", "blue");
    ZipOptionsRecord options = PackFolderOptions(Root());
    options.DropFolderNames = 1;

    const EngineCall call = Zip(options, {"*"}, ArchivePath());

    EXPECT_EQ(call.result, ENGINE_WARNING);
    EXPECT_TRUE(call.Printed("b/red.png (another file already takes the name red.png)"));
    const std::vector<EntryFacts> entries = ReadEntries(ArchivePath());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "red.png");
    EXPECT_TRUE(entries[0].contents == "first");
    EXPECT_EQ(entries[1].name, "blue.png");
}

TEST_F(PackingTest, FolderEntriesAreStoredOnlyWhenAskedAndComeBeforeTheirFiles) {
    WriteRootFile("textures/skins/red.png", "red");
    WriteRootFile("top.txt", "top");
    std::filesystem::create_directories(Root() + "/empty");

    EXPECT_EQ(Zip().result, ENGINE_OK);
    EXPECT_EQ(NameSet(ArchivePath()), (std::set<std::string>{"textures/skins/red.png", "top.txt"}));

    std::filesystem::remove(ArchivePath());
    ZipOptionsRecord options = PackFolderOptions(Root());
    options.NoFolderEntries = 0;
    EXPECT_EQ(Zip(options, {"*"}, ArchivePath()).result, ENGINE_OK);
    EXPECT_EQ(EntryNames(ArchivePath()),
              (std::vector<std::string>{"empty/", "textures/", "textures/skins/",
                                        "textures/skins/red.png", "top.txt"}));
    for (const EntryFacts &entry : ReadEntries(ArchivePath())) {
        if (entry.name.back() == '/') {
            EXPECT_EQ(entry.size, 0u);
        }
    }
}

TEST_F(PackingTest, HiddenFilesAndFilesInHiddenFoldersAreSkippedUnlessAsked) {
    WriteRootFile("shown.txt", "a");
    WriteRootFile(".hidden.txt", "b");
    WriteRootFile(".cache/inside.txt", "c");
    WriteRootFile("sub/.also-hidden", "d");

    EXPECT_EQ(Zip().result, ENGINE_OK);
    EXPECT_EQ(NameSet(ArchivePath()), (std::set<std::string>{"shown.txt"}));

    std::filesystem::remove(ArchivePath());
    ZipOptionsRecord options = PackFolderOptions(Root());
    options.SystemAndHiddenFiles = 1;
    EXPECT_EQ(Zip(options, {"*"}, ArchivePath()).result, ENGINE_OK);
    EXPECT_EQ(NameSet(ArchivePath()), (std::set<std::string>{".cache/inside.txt", ".hidden.txt",
                                                             "shown.txt", "sub/.also-hidden"}));
}

TEST_F(PackingTest, LinksToFilesInsideTheRootArePackedAsFilesAndOtherLinksAreSkipped) {
    WriteRootFile("real.txt", "real contents");
    WriteRootFile("sub/other.txt", "other");
    WriteFileAt(Path("outside.txt"), "secret outside the root");
    symlink((Root() + "/real.txt").c_str(), (Root() + "/inside-link.txt").c_str());
    symlink(Path("outside.txt").c_str(), (Root() + "/outside-link.txt").c_str());
    symlink("../../outside.txt", (Root() + "/sub/relative-out.txt").c_str());
    symlink((Root() + "/sub").c_str(), (Root() + "/folder-link").c_str());
    symlink("missing", (Root() + "/dangling").c_str());

    const EngineCall call = Zip();

    EXPECT_EQ(call.result, ENGINE_WARNING);
    EXPECT_EQ(NameSet(ArchivePath()),
              (std::set<std::string>{"inside-link.txt", "real.txt", "sub/other.txt"}));
    for (const EntryFacts &entry : ReadEntries(ArchivePath()))
        EXPECT_EQ(entry.contents.find("secret"), std::string::npos) << entry.name;
    EXPECT_TRUE(
        call.Printed("outside-link.txt (a symbolic link that leads out of the folder or nowhere)"));
    EXPECT_TRUE(call.Printed("sub/relative-out.txt (a symbolic link that leads out"));
    EXPECT_TRUE(call.Printed("folder-link (a symbolic link to a folder is not followed)"));
}

TEST_F(PackingTest, NothingMatchedCreatesNoArchiveAndSaysSo) {
    WriteRootFile("a.txt", "a");

    const EngineCall call = Zip({"*.png"});

    EXPECT_EQ(call.result, ENGINE_NOTHING_MATCHED);
    EXPECT_FALSE(std::filesystem::exists(ArchivePath()));
    EXPECT_TRUE(call.Printed("nothing matched"));
}

TEST_F(PackingTest, ASpecificationThatTakesNothingIsNamedInAWarning) {
    WriteRootFile("a.txt", "a");
    WriteRootFile("sub/b.txt", "b");

    const EngineCall call = Zip({"*.txt", "missing.png", "sub"});

    EXPECT_EQ(call.result, ENGINE_WARNING);
    EXPECT_TRUE(call.Printed("zip warning: name not matched: missing.png"));
    EXPECT_FALSE(call.Printed("name not matched: sub"));
    EXPECT_EQ(EntryNames(ArchivePath()), (std::vector<std::string>{"a.txt", "sub/b.txt"}));
}

TEST_F(PackingTest, IncompressibleFilesAreStoredAndOthersDeflatedWithTheFileTimeAsEntryTime) {
    const time_t when = 1500000000; // an even second, as DOS times hold
    WriteRootFile("noise.png", RandomBytes(40000, 7), when);
    WriteRootFile("script.cs", TextBytes(40000), when);

    const EngineCall call = Zip();

    EXPECT_EQ(call.result, ENGINE_OK);
    for (const EntryFacts &entry : ReadEntries(ArchivePath())) {
        EXPECT_EQ(entry.modified, when) << entry.name;
        if (entry.name == "noise.png") {
            EXPECT_EQ(entry.method, ZIP_CM_STORE);
            EXPECT_EQ(entry.compressedSize, 40000u);
        } else {
            EXPECT_EQ(entry.method, ZIP_CM_DEFLATE);
            EXPECT_LT(entry.compressedSize, 4000u);
        }
    }
    EXPECT_TRUE(call.Printed("adding: noise.png (stored 0%)"));
    EXPECT_TRUE(call.Printed("adding: script.cs (deflated 9"));
}

TEST_F(PackingTest, TheArchiveIsNeverPackedIntoItself) {
    WriteRootFile("a.txt", "a");
    const std::string inside = Root() + "/pack.vl2";
    MakeArchive(inside, {{"old.txt", "old"}});

    EXPECT_EQ(Zip(PackFolderOptions(Root()), {"*"}, inside).result, ENGINE_OK);

    EXPECT_EQ(EntryNames(inside), (std::vector<std::string>{"old.txt", "a.txt"}));
}

TEST_F(PackingTest, LargeFilesAreStreamedAndComeBackIntact) {
    const std::string text = TextBytes(12u << 20, "a large script line ");
    const std::string noise = RandomBytes(9u << 20, 3);
    WriteRootFile("big.cs", text);
    WriteRootFile("big.png", noise);

    EXPECT_EQ(Zip().result, ENGINE_OK);

    const std::vector<EntryFacts> entries = ReadEntries(ArchivePath());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "big.cs");
    EXPECT_EQ(entries[0].method, ZIP_CM_DEFLATE);
    EXPECT_TRUE(entries[0].contents == text);
    EXPECT_EQ(entries[1].method, ZIP_CM_STORE);
    EXPECT_TRUE(entries[1].contents == noise);
}

TEST_F(PackingTest, ManyFilesArriveInOrderWithEveryCallBackOnTheCallingThread) {
    for (int i = 0; i < 300; ++i)
        WriteRootFile("f/" + std::to_string(1000 + i) + ".dat",
                      i % 2 ? RandomBytes(3000, i) : TextBytes(3000 + i));

    const EngineCall call = Zip();

    EXPECT_EQ(call.result, ENGINE_OK);
    const std::vector<EntryFacts> entries = ReadEntries(ArchivePath());
    ASSERT_EQ(entries.size(), 300u);
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(entries[i].name, "f/" + std::to_string(1000 + i) + ".dat");
        EXPECT_EQ(entries[i].contents, ReadFileAt(Root() + "/" + entries[i].name));
    }
    ASSERT_EQ(call.serviced.size(), 300u);
    EXPECT_EQ(call.serviced[0], "f/1000.dat");
    EXPECT_EQ(call.serviceCounts[0], 11u); // the name and its terminating zero
    for (const std::thread::id &thread : call.callbackThreads)
        EXPECT_EQ(thread, std::this_thread::get_id());
}

TEST_F(PackingTest, MessageLevelZeroPrintsNoPerFileMessages) {
    WriteRootFile("a.txt", "a");
    ZipOptionsRecord options = PackFolderOptions(Root());
    options.MessageLevel0 = 1;

    const EngineCall call = Zip(options, {"*"}, ArchivePath());

    EXPECT_EQ(call.result, ENGINE_OK);
    EXPECT_TRUE(call.printed.empty());
}

TEST_F(PackingTest, BlankRootFolderMeansTheCurrentFolder) {
    WriteRootFile("here.txt", "here");
    const std::string previous = std::filesystem::current_path();
    std::filesystem::current_path(Root());
    std::string blank = "  ";
    ZipOptionsRecord options = PackFolderOptions(blank);

    const EngineCall call = Zip(options, {"*"}, ArchivePath());

    std::filesystem::current_path(previous);
    EXPECT_EQ(call.result, ENGINE_OK);
    EXPECT_EQ(EntryNames(ArchivePath()), (std::vector<std::string>{"here.txt"}));
}

TEST_F(PackingTest, ARootFolderWrittenWithBackslashesIsFound) {
    WriteRootFile("sub/a.txt", "a");
    std::string windowsStyle = Root() + "/";
    std::replace(windowsStyle.begin(), windowsStyle.end(), '/', '\\');

    EXPECT_EQ(Zip(PackFolderOptions(windowsStyle), {"*"}, ArchivePath()).result, ENGINE_OK);

    EXPECT_EQ(EntryNames(ArchivePath()), (std::vector<std::string>{"sub/a.txt"}));
}

TEST_F(PackingTest, GetOptionsReturnsADeepCopyOfWhatWasSet) {
    WriteRootFile("a.txt", "a");
    ZipOptionsRecord options = PackFolderOptions(Root());
    options.Freshen = 1;
    Zip(options, {"nothing-matches"},
        ArchivePath()); // sets the options, overwrites the caller's copy

    ZipOptionsRecord inForce{};
    ZpGetOptions(&inForce);

    ASSERT_NE(inForce.RootFolder, nullptr);
    EXPECT_EQ(std::string(inForce.RootFolder), Root());
    EXPECT_EQ(inForce.Text0, nullptr);
    EXPECT_EQ(inForce.Freshen, 1);
    EXPECT_EQ(inForce.Recurse, 2);
    EXPECT_EQ(inForce.NoFolderEntries, 1);
}

} // namespace
