// Where kept versions lie and what names them: keys, the records' text, names compared
// as the chooser shows them, the folder an archive is unpacked in, and the game's
// archives as Check All Archives goes through them.
#include "tests/kept/KeptFixture.h"

#include "support/kept/ArchiveCheck.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

TEST(KeptKeys, OnlyAFolderOfGameDataAndAFileNameMakeAKey) {
    const struct {
        const char *sKey;
        bool bValid;
    } cases[] = {
        {"GameData/base/scripts.vl2", true},   {"GameData/my mod/x.vl2", true},
        {"GameData/base/../x.vl2", false},     {"GameData/../base/x.vl2", false},
        {"GameData/base//x.vl2", false},       {"GameData/base/", false},
        {"GameData/x.vl2", false},             {"Other/base/x.vl2", false},
        {"/GameData/base/x.vl2", false},       {"GameData/base/sub/x.vl2", false},
        {"GameData/./x.vl2", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsKeptKey(c.sKey), c.bValid) << c.sKey;
}

TEST(KeptKeys, TwoGamesOfOneNameKeepApart) {
    EXPECT_NE(GameKeptName("/a/Tribes2/"), GameKeptName("/b/Tribes2/"));
    EXPECT_EQ(GameKeptName("/a/Tribes2/"), GameKeptName("/a/Tribes2"));
    EXPECT_EQ(GameKeptName("/a/Tribes2/").rfind("Tribes2-", 0), 0u);
    EXPECT_EQ(GameKeptName("/a/Tribes2/").size(), std::string("Tribes2-").size() + 16);
    EXPECT_EQ(GameKeptName("/games/..odd/").find('.'), std::string::npos);
}

TEST(KeptRecords, ARecordReadsBackAsWrittenAndDamagedTextReadsAsNone) {
    KeptRecord record;
    record.sKey = "GameData/base/odd\\name\n.vl2";
    record.eKind = KeptKind::Previous;
    record.eHow = KeptHow::Copy;
    record.sSource = "/games/Tribes 2/GameData/base/odd\\name\n.vl2";
    record.sProgram = "Pelterbox";
    record.lKeptAt = 1700000000;
    record.before.eKind = StampKind::Regular;
    record.before.lSize = 1234;
    record.before.tModified = {1600000000, 123456789};
    record.before.lInode = 77;
    record.before.lDevice = 2049;
    FileStamp after = record.before;
    after.lSize = 999;
    record.after = after;
    record.lPendingPid = 4321;

    const std::string sText = EncodeKeptRecord(record);
    const std::optional<KeptRecord> back = DecodeKeptRecord(sText);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->sKey, record.sKey);
    EXPECT_EQ(back->eKind, KeptKind::Previous);
    EXPECT_EQ(back->eHow, KeptHow::Copy);
    EXPECT_EQ(back->sSource, record.sSource);
    EXPECT_EQ(back->sProgram, "Pelterbox");
    EXPECT_EQ(back->lKeptAt, 1700000000);
    EXPECT_TRUE(SameArchiveFile(back->before, record.before));
    ASSERT_TRUE(back->after);
    EXPECT_EQ(back->after->lSize, 999);
    EXPECT_EQ(back->lPendingPid, 4321);

    KeptRecord none;
    none.sKey = "GameData/base/new.vl2";
    none.eState = KeptState::None;
    none.after = FileStamp{};
    const std::optional<KeptRecord> noneBack = DecodeKeptRecord(EncodeKeptRecord(none));
    ASSERT_TRUE(noneBack);
    EXPECT_EQ(noneBack->eState, KeptState::None);
    ASSERT_TRUE(noneBack->after);
    EXPECT_EQ(noneBack->after->eKind, StampKind::Missing);

    auto without = [&](const std::string &sLineStart) {
        std::string s = sText;
        const std::size_t lAt = s.find("\n" + sLineStart);
        return s.erase(lAt + 1, s.find('\n', lAt + 1) - lAt);
    };
    const std::string damaged[] = {
        "",
        sText.substr(0, sText.size() - 1),                  // cut inside the last line
        "Keplo kept version 2\n" + sText.substr(21),        // another form
        without("size="),                                    // a field missing
        without("kind="),
        std::string(sText).replace(sText.find("kind=previous"), 13, "kind=latest"),
        std::string(sText).replace(sText.find("modified="), 9, "modified=x"),
        std::string(sText).replace(sText.find("source="), 7, "source=\\q"),
    };
    for (const std::string &sDamaged : damaged)
        EXPECT_FALSE(DecodeKeptRecord(sDamaged)) << sDamaged;
}

TEST(KeptNames, NamesCompareAsTheChooserShowsThemWhateverTheirCase) {
    EXPECT_EQ(FoldNameCase("Scripts"), FoldNameCase("sCRIPTS"));
    EXPECT_EQ(FoldNameCase("Éclair Du Jour"), FoldNameCase("éclair du jour"));
    EXPECT_NE(FoldNameCase("Scripts"), FoldNameCase("Scripts2"));
    // Bytes that are not UTF-8 stay themselves.
    EXPECT_EQ(FoldNameCase(std::string("A\xff")), FoldNameCase(std::string("a\xff")));
    EXPECT_NE(FoldNameCase(std::string("a\xff")), FoldNameCase(std::string("a\xfe")));
}

class KeptPlaces : public KeptTest {};

TEST_F(KeptPlaces, AnArchiveIsUnpackedWhileItsFolderInTheWorkFolderHoldsAnything) {
    fs::create_directories(Work() + "/Scripts/scripts");
    PutFile(Work() + "/Scripts/scripts/a.cs", "a");
    fs::create_directories(Work() + "/Empty");
    PutFile(Work() + "/Textures", "a file, not a folder");
    EXPECT_EQ(UnpackedFolderOf(Work(), "scripts.vl2"), Work() + "/Scripts");
    EXPECT_EQ(UnpackedFolderOf(Work(), "SCRIPTS.VL2"), Work() + "/Scripts");
    EXPECT_EQ(UnpackedFolderOf(Work(), "empty.vl2"), "");
    EXPECT_EQ(UnpackedFolderOf(Work(), "textures.vl2"), "");
    EXPECT_EQ(UnpackedFolderOf(Work(), "missions.vl2"), "");
    EXPECT_EQ(UnpackedFolderOf("", "scripts.vl2"), "");
}

TEST_F(KeptPlaces, AModArchiveIsUnpackedBelowDotModsAndItsModsFolder) {
    fs::create_directories(Work() + "/.mods/mymod/Scripts/scripts");
    PutFile(Work() + "/.mods/mymod/Scripts/scripts/a.cs", "a");
    const KeptPlace base{Game(), "GameData/base/scripts.vl2"};
    const KeptPlace mod{Game(), "GameData/mymod/scripts.vl2"};
    const KeptPlace other{Game(), "GameData/othermod/scripts.vl2"};
    // The base archive of the same name is not unpacked.
    EXPECT_EQ(UnpackedFolderOf(Work(), base), "");
    EXPECT_EQ(UnpackedFolderOf(Work(), mod), Work() + "/.mods/mymod/Scripts");
    EXPECT_EQ(UnpackedFolderOf(Work(), other), "");
    fs::create_directories(Work() + "/Scripts");
    PutFile(Work() + "/Scripts/b.cs", "b");
    EXPECT_EQ(UnpackedFolderOf(Work(), base), Work() + "/Scripts");
    EXPECT_EQ(UnpackedFolderOf("", mod), "");
}

TEST_F(KeptPlaces, TheKeyFollowsTheFoldersAsTheFileSystemResolvesThem) {
    fs::create_directories(Game() + "GameData/mymod");
    fs::create_directory_symlink(Game() + "GameData/mymod", Root() + "/modlink");
    EXPECT_EQ(KeptKeyOf(Game(), Root() + "/modlink/x.vl2"), "GameData/mymod/x.vl2");
    EXPECT_EQ(KeptKeyOf(Game(), Game() + "GameData/base/../mymod/x.vl2"), "GameData/mymod/x.vl2");
    EXPECT_EQ(KeptKeyOf(Game(), Game() + "GameData/missing/x.vl2"), std::nullopt);
    // A mod's folder that is a link to another disk keeps its own name.
    fs::create_directories(Root() + "/otherdisk/mods");
    fs::create_directory_symlink(Root() + "/otherdisk/mods", Game() + "GameData/linkedmod");
    EXPECT_EQ(KeptKeyOf(Game(), Game() + "GameData/linkedmod/x.vl2"), "GameData/linkedmod/x.vl2");
    // The game by another spelling keeps in the same folder.
    fs::create_directory_symlink(Game(), Root() + "/gamelink");
    EXPECT_EQ(GameKeptName(Root() + "/gamelink/"), GameKeptName(Game()));
    EXPECT_EQ(KeptKeyOf("", Game() + "GameData/base/x.vl2"), std::nullopt);
}

TEST_F(KeptPlaces, TheGamesArchivesAreTheBaseFolderFirstThenTheModsInNameOrder) {
    for (const char *sPath : {"GameData/base/Scripts.vl2", "GameData/base/audio.VL2",
                              "GameData/base/readme.txt", "GameData/base/.hidden.vl2",
                              "GameData/zmod/z.vl2", "GameData/amod/a.vl2",
                              "GameData/.cache/c.vl2"})
        PutFile(PathOf(sPath), "x");
    fs::create_directories(Game() + "GameData/base/folder.vl2");
    std::vector<std::string> keys;
    for (const GameArchive &archive : GameArchives(Game())) {
        keys.push_back(archive.sKey);
        EXPECT_EQ(archive.sPath, PathOf(archive.sKey));
        EXPECT_EQ(archive.lSize, 1u);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"GameData/base/audio.VL2", "GameData/base/Scripts.vl2",
                                              "GameData/amod/a.vl2", "GameData/zmod/z.vl2"}));
    EXPECT_TRUE(GameArchives(Root() + "/nogame/").empty());
}

} // namespace
