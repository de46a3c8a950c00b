// cUnzip: its properties as the engine sees them, the listing, the include list
// and its errors.
#include "archive/mUnzip.h"
#include "platform/os/DynamicLibrary.h"
#include "tests/archive/ComponentTestSupport.h"

namespace {

class UnzipComponent : public ComponentTest {
protected:
    // Lists an archive whose engine reports these entry paths.
    void ListEntries(cUnzip &oUnzip, const std::vector<std::string> &vPaths) {
        Engine().vUnzipScript.clear();
        for (const std::string &sPath : vPaths)
            Engine().vUnzipScript.push_back(FakeCallback::Listing(sPath));
        oUnzip.Directory();
        Engine().vUnzipScript.clear();
    }
    const FakeUnzipCall &LastCall() { return Engine().vUnzipCalls.back(); }
};

TEST_F(UnzipComponent, FreshComponentReadsFalseZeroAndEmpty) {
    cUnzip oUnzip;
    EXPECT_FALSE(oUnzip.ExtractOnlyNewer());
    EXPECT_FALSE(oUnzip.SpaceToUnderScore());
    EXPECT_FALSE(oUnzip.PromptToOverwrite());
    EXPECT_FALSE(oUnzip.TestZip());
    EXPECT_FALSE(oUnzip.UseFolderNames());
    EXPECT_FALSE(oUnzip.OverwriteExisting());
    EXPECT_FALSE(oUnzip.ConvertCRToCRLF());
    EXPECT_FALSE(oUnzip.CaseSensitiveFileNames());
    EXPECT_EQ(oUnzip.MessageLevel(), 0);
    EXPECT_EQ(oUnzip.FileCount(), 0);
    EXPECT_EQ(oUnzip.ZipFile(), "");
    EXPECT_EQ(oUnzip.UnzipFolder(), "");
    EXPECT_EQ(oUnzip.Owner(), nullptr);
}

TEST_F(UnzipComponent, FreshComponentHandsTheEngineAnAllZeroRecordBesideListOnly) {
    cUnzip oUnzip;
    oUnzip.Directory();
    const FakeUnzipCall &tCall = LastCall();
    // No archive set: the engine is still called, with an empty path.
    EXPECT_EQ(tCall.sArchivePath, std::optional<std::string>(""));
    for (std::size_t lOffset = 0; lOffset < 60; lOffset += 4)
        EXPECT_EQ(tCall.Field(lOffset), lOffset == 24 ? 1 : 0) << "offset " << lOffset;
}

TEST_F(UnzipComponent, EveryOptionIsStoredAsOneAtItsOffsetAndReadsBack) {
    struct Option {
        std::size_t lOffset;
        void (cUnzip::*pSet)(bool);
        bool (cUnzip::*pGet)() const;
    };
    const Option aOptions[] = {
        {0, &cUnzip::SetExtractOnlyNewer, &cUnzip::ExtractOnlyNewer},
        {4, &cUnzip::SetSpaceToUnderScore, &cUnzip::SpaceToUnderScore},
        {8, &cUnzip::SetPromptToOverwrite, &cUnzip::PromptToOverwrite},
        {20, &cUnzip::SetTestZip, &cUnzip::TestZip},
        {36, &cUnzip::SetUseFolderNames, &cUnzip::UseFolderNames},
        {40, &cUnzip::SetOverwriteExisting, &cUnzip::OverwriteExisting},
        {44, &cUnzip::SetConvertCRToCRLF, &cUnzip::ConvertCRToCRLF},
        {52, &cUnzip::SetCaseSensitiveFileNames, &cUnzip::CaseSensitiveFileNames},
    };
    for (const Option &tOption : aOptions) {
        cUnzip oUnzip;
        (oUnzip.*tOption.pSet)(true);
        EXPECT_TRUE((oUnzip.*tOption.pGet)());
        oUnzip.Directory();
        for (std::size_t lOffset = 0; lOffset < 60; lOffset += 4) {
            const std::int32_t lExpected = lOffset == tOption.lOffset || lOffset == 24 ? 1 : 0;
            EXPECT_EQ(LastCall().Field(lOffset), lExpected)
                << "option at " << tOption.lOffset << ", offset " << lOffset;
        }
        (oUnzip.*tOption.pSet)(false);
        EXPECT_FALSE((oUnzip.*tOption.pGet)());
        oUnzip.Directory();
        EXPECT_EQ(LastCall().Field(tOption.lOffset), 0);
    }
}

TEST_F(UnzipComponent, MessageLevelPassesThroughUnchanged) {
    cUnzip oUnzip;
    oUnzip.SetMessageLevel(-7);
    EXPECT_EQ(oUnzip.MessageLevel(), -7);
    oUnzip.Directory();
    EXPECT_EQ(LastCall().Field(12), -7);
}

TEST_F(UnzipComponent, AnyNonZeroValueTheEngineLeavesInAFieldReadsTrue) {
    cUnzip oUnzip;
    Engine().vCommandWrites = {{20, 5}, {12, 3}};
    oUnzip.Directory();
    EXPECT_TRUE(oUnzip.TestZip());
    EXPECT_EQ(oUnzip.MessageLevel(), 3);
    // The engine's value is what the next call hands over again.
    Engine().vCommandWrites.clear();
    oUnzip.Directory();
    EXPECT_EQ(LastCall().Field(20), 5);
}

TEST_F(UnzipComponent, DirectoryHandsTheArchivePathAnEmptyTargetAndEmptyLists) {
    cUnzip oUnzip;
    oUnzip.SetZipFile("/games/base/skins.vl2");
    oUnzip.SetUnzipFolder("/work/temp/skins");
    oUnzip.Directory();
    const FakeUnzipCall &tCall = LastCall();
    EXPECT_EQ(tCall.sArchivePath, std::optional<std::string>("/games/base/skins.vl2"));
    EXPECT_EQ(tCall.sTargetFolder, std::optional<std::string>(""));
    EXPECT_EQ(tCall.Field(24), 1);
    EXPECT_EQ(tCall.lIncludeCount, 0);
    EXPECT_EQ(tCall.lExcludeCount, 0);
    ASSERT_EQ(tCall.vInclude.size(), 1024u);
    EXPECT_EQ(tCall.vInclude[0], std::optional<std::string>(""));
    EXPECT_TRUE(NullFrom(tCall.vInclude, 1));
    EXPECT_EQ(tCall.vExclude[0], std::optional<std::string>(""));
    EXPECT_TRUE(NullFrom(tCall.vExclude, 1));
}

TEST_F(UnzipComponent, CallbackTableCarriesTheFiveRoutinesANullSoundAndZeroWords) {
    cUnzip oUnzip;
    oUnzip.Directory();
    const UnzipCallbackTable &tTable = LastCall().tCallbacks;
    EXPECT_EQ(tTable.Print, &OnUnzipPrint);
    EXPECT_EQ(tTable.Sound, nullptr);
    EXPECT_EQ(tTable.Overwrite, &OnUnzipOverwrite);
    EXPECT_EQ(tTable.Password, &OnUnzipPassword);
    EXPECT_EQ(tTable.Listing, &OnUnzipListEntry);
    EXPECT_EQ(tTable.Service, &OnUnzipService);
    for (std::int32_t lWord : tTable.Reserved)
        EXPECT_EQ(lWord, 0);
}

TEST_F(UnzipComponent, DirectoryListsFilesAndSkipsFolderEntries) {
    cUnzip oUnzip;
    oUnzip.SetZipFile("a.vl2");
    ListEntries(oUnzip, {"a.txt", "textures/", "textures/skins/b.png"});
    ASSERT_EQ(oUnzip.FileCount(), 2);
    EXPECT_EQ(oUnzip.Filename(1), "a.txt");
    EXPECT_EQ(oUnzip.FileDirectory(1), "");
    EXPECT_EQ(oUnzip.Filename(2), "b.png");
    EXPECT_EQ(oUnzip.FileDirectory(2), "textures\\skins");
    EXPECT_TRUE(oUnzip.FileSelected(1));
    EXPECT_TRUE(oUnzip.FileSelected(2));
}

TEST_F(UnzipComponent, ListingKeepsEveryFieldTheEngineReported) {
    cUnzip oUnzip;
    FakeCallback tEntry = FakeCallback::Listing("scripts/a.cs", 1000, 45);
    tEntry.lYear = 2024;
    tEntry.lMonth = 2;
    tEntry.lDay = 29;
    tEntry.lHour = 23;
    tEntry.lMinute = 59;
    tEntry.lSecond = 58;
    tEntry.sMethod = "Stored";
    tEntry.lCRC = 0xDEADBEEFu;
    tEntry.lAttributes = 64 | 1;
    Engine().vUnzipScript = {tEntry};
    oUnzip.Directory();
    ASSERT_EQ(oUnzip.FileCount(), 1);
    EXPECT_EQ(oUnzip.FileSize(1), 1000);
    EXPECT_EQ(oUnzip.FileCompressionRatio(1), 45);
    EXPECT_EQ(oUnzip.FilePackedSize(1), 450);
    EXPECT_EQ(oUnzip.FileCompressionMethod(1), "Stored");
    EXPECT_EQ(oUnzip.FileCRC(1), 0xDEADBEEFu);
    EXPECT_TRUE(oUnzip.FileEncrypted(1));
    EXPECT_EQ(oUnzip.FileDate(1), (ArchiveDate{2024, 2, 29, 23, 59, 0}));
}

TEST_F(UnzipComponent, DirectoryTwiceAppendsAndWritingZipFileEmptiesTheListing) {
    cUnzip oUnzip;
    oUnzip.SetZipFile("a.vl2");
    ListEntries(oUnzip, {"a.txt", "b.txt"});
    ListEntries(oUnzip, {"a.txt", "b.txt"});
    EXPECT_EQ(oUnzip.FileCount(), 4);
    EXPECT_EQ(oUnzip.Filename(3), "a.txt");
    oUnzip.SetZipFile("a.vl2");
    EXPECT_EQ(oUnzip.FileCount(), 0);
    EXPECT_TRUE(RaisesArchiveError([&] { oUnzip.Filename(1); }, 9, "Subscript out of range",
                                   ExecutableName()));
}

TEST_F(UnzipComponent, ListingIndexOutsideOneToCountIsSubscriptOutOfRange) {
    cUnzip oUnzip;
    ListEntries(oUnzip, {"a.txt", "b.txt"});
    const std::string sSource = ExecutableName();
    for (std::int32_t lIndex : {0, 3, -1}) {
        EXPECT_TRUE(RaisesArchiveError([&] { oUnzip.Filename(lIndex); }, 9,
                                       "Subscript out of range", sSource));
        EXPECT_TRUE(RaisesArchiveError([&] { oUnzip.FileDirectory(lIndex); }, 9,
                                       "Subscript out of range", sSource));
        EXPECT_TRUE(RaisesArchiveError([&] { oUnzip.FileSize(lIndex); }, 9,
                                       "Subscript out of range", sSource));
        EXPECT_TRUE(RaisesArchiveError([&] { oUnzip.FilePackedSize(lIndex); }, 9,
                                       "Subscript out of range", sSource));
        EXPECT_TRUE(RaisesArchiveError([&] { oUnzip.FileDate(lIndex); }, 9,
                                       "Subscript out of range", sSource));
        EXPECT_TRUE(RaisesArchiveError([&] { oUnzip.FileCRC(lIndex); }, 9, "Subscript out of range",
                                       sSource));
        EXPECT_TRUE(RaisesArchiveError([&] { oUnzip.FileSelected(lIndex); }, 9,
                                       "Subscript out of range", sSource));
        EXPECT_TRUE(RaisesArchiveError([&] { oUnzip.SetFileSelected(lIndex, false); }, 9,
                                       "Subscript out of range", sSource));
    }
    EXPECT_EQ(ExecutableName(), "archive_component_tests");
}

TEST_F(UnzipComponent, PackedSizeTruncatesTowardZeroAndOverflowsPast32Bits) {
    cUnzip oUnzip;
    Engine().vUnzipScript = {
        FakeCallback::Listing("a", 1000, 45), FakeCallback::Listing("b", 50, -3),
        FakeCallback::Listing("c", 2000000000u, 2), FakeCallback::Listing("d", 21474836u, 100)};
    oUnzip.Directory();
    EXPECT_EQ(oUnzip.FilePackedSize(1), 450);
    EXPECT_EQ(oUnzip.FilePackedSize(2), -1);
    EXPECT_TRUE(
        RaisesArchiveError([&] { oUnzip.FilePackedSize(3); }, 6, "Overflow", ExecutableName()));
    EXPECT_EQ(oUnzip.FilePackedSize(4), 21474836);
}

TEST_F(UnzipComponent, SizesInBytesReadTheEnginesUnsignedNumbersPast2GiB) {
    cUnzip oUnzip;
    struct Case {
        std::uint32_t lSize, lPacked;
    } const cases[] = {{0, 0}, {1000, 450}, {0x80000000u, 0x7FFFFFFFu}, {0xFFFFFFFFu, 0xFFFFFFFEu}};
    Engine().vUnzipScript.clear();
    for (const Case &c : cases) {
        FakeCallback tEntry = FakeCallback::Listing("e", c.lSize, 50);
        tEntry.lPackedSize = c.lPacked;
        Engine().vUnzipScript.push_back(tEntry);
    }
    oUnzip.Directory();
    ASSERT_EQ(oUnzip.FileCount(), 4);
    for (std::int32_t i = 1; i <= 4; ++i) {
        EXPECT_EQ(oUnzip.FileBytes(i), cases[i - 1].lSize) << i;
        EXPECT_EQ(oUnzip.FilePackedBytes(i), cases[i - 1].lPacked) << i;
    }
}

TEST_F(UnzipComponent, UnzipWithEveryNoneOrNoEntrySelectedPassesIncludeCountZero) {
    cUnzip oUnzip;
    oUnzip.SetZipFile("a.vl2");
    EXPECT_FALSE(oUnzip.Unzip()); // no listing made
    EXPECT_EQ(LastCall().lIncludeCount, 0);
    EXPECT_EQ(LastCall().vInclude[0], std::optional<std::string>(""));

    ListEntries(oUnzip, {"a.txt", "b/c.txt", "d.txt"});
    oUnzip.Unzip(); // every entry selected
    EXPECT_EQ(LastCall().lIncludeCount, 0);
    EXPECT_EQ(LastCall().vInclude[0], std::optional<std::string>(""));
    EXPECT_TRUE(NullFrom(LastCall().vInclude, 1));

    for (std::int32_t i = 1; i <= 3; ++i)
        oUnzip.SetFileSelected(i, false);
    oUnzip.Unzip(); // none selected
    EXPECT_EQ(LastCall().lIncludeCount, 0);
    EXPECT_EQ(LastCall().vInclude[0], std::optional<std::string>(""));
}

TEST_F(UnzipComponent, UnzipWithEntriesOneAndThreeSelectedPassesExactlyTheirPaths) {
    cUnzip oUnzip;
    oUnzip.SetZipFile("/games/base/skins.vl2");
    ListEntries(oUnzip, {"textures/skins/warrior.png", "b.txt", "scripts/ui/menu.cs"});
    oUnzip.SetFileSelected(2, false);
    oUnzip.SetUseFolderNames(true);
    oUnzip.SetUnzipFolder("/work/temp/skins");
    oUnzip.Unzip();
    const FakeUnzipCall &tCall = LastCall();
    EXPECT_EQ(tCall.lIncludeCount, 2);
    EXPECT_EQ(NamesIn(tCall.vInclude, 3),
              (std::vector<std::string>{"textures/skins/warrior.png", "scripts/ui/menu.cs", ""}));
    EXPECT_TRUE(NullFrom(tCall.vInclude, 3));
    EXPECT_EQ(tCall.lExcludeCount, 0);
    EXPECT_EQ(tCall.vExclude[0], std::optional<std::string>(""));
    EXPECT_EQ(tCall.sArchivePath, std::optional<std::string>("/games/base/skins.vl2"));
    EXPECT_EQ(tCall.sTargetFolder, std::optional<std::string>("/work/temp/skins"));
    EXPECT_EQ(tCall.Field(24), 0);
    EXPECT_EQ(tCall.Field(36), 1);
}

TEST_F(UnzipComponent, UnzipReportsWhetherTheEngineComplained) {
    cUnzip oUnzip;
    oUnzip.SetZipFile("a.vl2");
    Engine().lUnzipResult = 0;
    EXPECT_FALSE(oUnzip.Unzip());
    Engine().lUnzipResult = 11;
    EXPECT_TRUE(oUnzip.Unzip());
    Engine().lUnzipResult = -1;
    EXPECT_TRUE(oUnzip.Unzip());
}

TEST_F(UnzipComponent, UnzipWithoutArchivePathReturnsFalseAndNeverCallsTheEngine) {
    cUnzip oUnzip;
    Engine().lUnzipResult = 9;
    EXPECT_FALSE(oUnzip.Unzip());
    EXPECT_TRUE(Engine().vUnzipCalls.empty());
}

TEST_F(UnzipComponent, RootedEntryPathsKeepTheirLeadingSlash) {
    cUnzip oUnzip;
    oUnzip.SetZipFile("a.vl2");
    ListEntries(oUnzip, {"/a/b.txt", "/b.txt", "c.txt"});
    EXPECT_EQ(oUnzip.FileDirectory(1), "/a");
    EXPECT_EQ(oUnzip.Filename(1), "b.txt");
    EXPECT_EQ(oUnzip.FileDirectory(2), "");
    EXPECT_EQ(oUnzip.Filename(2), "/b.txt");
    oUnzip.SetFileSelected(3, false);
    oUnzip.Unzip();
    EXPECT_EQ(NamesIn(LastCall().vInclude, 2), (std::vector<std::string>{"/a/b.txt", "/b.txt"}));
}

TEST_F(UnzipComponent, IncludeListHoldsAtMost1023Names) {
    std::vector<std::string> vPaths;
    for (int i = 0; i < 1025; ++i)
        vPaths.push_back("f" + std::to_string(i));
    cUnzip oUnzip;
    oUnzip.SetZipFile("a.vl2");
    ListEntries(oUnzip, vPaths);
    ASSERT_EQ(oUnzip.FileCount(), 1025);

    // 1023 selected of 1025: the list is full but fits.
    oUnzip.SetFileSelected(1, false);
    oUnzip.SetFileSelected(2, false);
    oUnzip.Unzip();
    EXPECT_EQ(LastCall().lIncludeCount, 1023);
    EXPECT_EQ(LastCall().vInclude[1022], std::optional<std::string>("f1024"));
    EXPECT_EQ(LastCall().vInclude[1023], std::optional<std::string>(""));

    // 1024 selected: the list overflows before the engine is called.
    const std::size_t lCallsBefore = Engine().vUnzipCalls.size();
    oUnzip.SetFileSelected(2, true);
    EXPECT_TRUE(RaisesArchiveError([&] { oUnzip.Unzip(); }, 9, "Subscript out of range",
                                   ExecutableName() + ".RunUnzipEngine"));
    EXPECT_EQ(Engine().vUnzipCalls.size(), lCallsBefore);
    EXPECT_EQ(CurrentUnzip(), nullptr);

    // Every entry selected: no list at all.
    oUnzip.SetFileSelected(1, true);
    oUnzip.Unzip();
    EXPECT_EQ(LastCall().lIncludeCount, 0);
}

TEST_F(UnzipComponent, EngineCallMakesTheComponentCurrentAndLeavesItSo) {
    cUnzip oFirst;
    cUnzip oSecond;
    oFirst.Directory();
    EXPECT_EQ(CurrentUnzip(), &oFirst);
    oSecond.Directory();
    EXPECT_EQ(CurrentUnzip(), &oSecond);
}

TEST_F(UnzipComponent, DestroyedComponentIsNoLongerCurrent) {
    {
        cUnzip oUnzip;
        oUnzip.Directory();
        EXPECT_EQ(CurrentUnzip(), &oUnzip);
    }
    EXPECT_EQ(CurrentUnzip(), nullptr);
    // Call-backs that arrive with no current component do nothing.
    char aText[] = "message";
    EXPECT_EQ(OnUnzipPrint(aText, 7), 0);
    EXPECT_EQ(OnUnzipOverwrite(aText), 100);
}

TEST_F(UnzipComponent, EventsGoToTheComponentWhoseCallRuns) {
    RecordingUnzipOwner tFirstOwner;
    RecordingUnzipOwner tSecondOwner;
    cUnzip oFirst;
    cUnzip oSecond;
    oFirst.SetOwner(&tFirstOwner);
    oSecond.SetOwner(&tSecondOwner);
    Engine().vUnzipScript = {FakeCallback::PrintText("hello"), FakeCallback::Listing("x.txt")};
    oSecond.Directory();
    EXPECT_TRUE(tFirstOwner.vProgress.empty());
    ASSERT_EQ(tSecondOwner.vProgress.size(), 1u);
    EXPECT_EQ(oFirst.FileCount(), 0);
    EXPECT_EQ(oSecond.FileCount(), 1);
}

TEST_F(UnzipComponent, GetVersionHandsAPaddedRecordAndReturnsGroupFourAndTheFirstText) {
    std::memcpy(Engine().aVersionFirstText, "beta\0zzzzz", 10);
    const std::uint8_t aVersion[4] = {6, 1, 3, 9};
    std::memcpy(Engine().aVersion4, aVersion, 4);
    cUnzip oUnzip;
    std::int32_t lMajor = -1, lMinor = -1, lRevision = -1;
    ArchiveDate dDate{1999, 12, 31, 1, 2, 3};
    std::string sExtra = "unchanged?";
    oUnzip.GetVersion(lMajor, lMinor, lRevision, dDate, sExtra);
    EXPECT_EQ(lMajor, 6);
    EXPECT_EQ(lMinor, 1);
    EXPECT_EQ(lRevision, 3);
    EXPECT_EQ(sExtra, "beta      ");
    EXPECT_EQ(dDate, (ArchiveDate{1999, 12, 31, 1, 2, 3}));

    ASSERT_EQ(Engine().vVersionRecordsSeen.size(), 1u);
    const UnzipVersionRecord &tSeen = Engine().vVersionRecordsSeen[0];
    EXPECT_EQ(tSeen.Length, 64);
    EXPECT_EQ(tSeen.Flags, 0);
    EXPECT_EQ(std::string(tSeen.FirstText, 10), std::string(9, ' ') + '\0');
    EXPECT_EQ(std::string(tSeen.SecondText, 20), std::string(19, ' ') + '\0');
    EXPECT_EQ(std::string(tSeen.ThirdText, 10), std::string(9, ' ') + '\0');
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tSeen.Version1[i], 0);
        EXPECT_EQ(tSeen.Version4[i], 0);
    }
}

TEST_F(UnzipComponent, GetVersionReadsAFirstTextWithoutZeroByteAsItsTenBytes) {
    std::memcpy(Engine().aVersionFirstText, "0123456789", 10);
    cUnzip oUnzip;
    std::int32_t lMajor = 0, lMinor = 0, lRevision = 0;
    ArchiveDate dDate;
    std::string sExtra;
    oUnzip.GetVersion(lMajor, lMinor, lRevision, dDate, sExtra);
    EXPECT_EQ(sExtra, "0123456789");
}

} // namespace
