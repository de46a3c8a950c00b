// cZip and mZip: the options record as the engine sees it, the specification
// list, the base folder, the call-backs and the errors.
#include "archive/mZip.h"
#include "platform/os/DynamicLibrary.h"
#include "tests/archive/ComponentTestSupport.h"

#include <fstream>

namespace {

class ZipComponent : public ComponentTest {
protected:
    const FakeZipOptionsCall &LastOptions() { return Engine().vOptionsCalls.back(); }
    const FakeZipArchiveCall &LastArchive() { return Engine().vArchiveCalls.back(); }
};

constexpr std::size_t kOptionsRecordSize = 128;

TEST_F(ZipComponent, FreshComponentReadsItsDefaults) {
    cZip oZip;
    EXPECT_FALSE(oZip.StoreDirectories());
    EXPECT_FALSE(oZip.StoreFolderNames());
    EXPECT_FALSE(oZip.RecurseSubDirs());
    EXPECT_EQ(oZip.MessageLevel(), 2);
    EXPECT_FALSE(oZip.Encrypt());
    EXPECT_FALSE(oZip.IncludeSystemAndHiddenFiles());
    EXPECT_FALSE(oZip.StoreVolumeLabel());
    EXPECT_FALSE(oZip.UpdateOnlyIfNewer());
    EXPECT_FALSE(oZip.FreshenFiles());
    EXPECT_FALSE(oZip.ConvertCRLFToLF());
    EXPECT_FALSE(oZip.ConvertLFToCRLF());
    EXPECT_FALSE(oZip.AllowAppend());
    EXPECT_EQ(oZip.FileSpecCount(), 0);
    EXPECT_EQ(oZip.ZipFile(), "");
    EXPECT_EQ(oZip.BasePath(), "");
    EXPECT_EQ(oZip.LastEngineResult(), 0);
}

TEST_F(ZipComponent, FreshComponentsRecordHoldsOneAt36And64AndNoTexts) {
    cZip oZip;
    oZip.Zip();
    const FakeZipOptionsCall &tOptions = LastOptions();
    for (std::size_t lOffset = 12; lOffset < kOptionsRecordSize; lOffset += 4)
        EXPECT_EQ(tOptions.Field(lOffset), lOffset == 36 || lOffset == 64 ? 1 : 0)
            << "offset " << lOffset;
    EXPECT_TRUE(tOptions.bText0Null);
    EXPECT_FALSE(tOptions.sRootFolder.has_value()); // never set: a null pointer
    EXPECT_TRUE(tOptions.bText8Null);
}

TEST_F(ZipComponent, EveryBooleanPropertyLandsInItsOwnFieldOnly) {
    struct Option {
        std::size_t lOffset;
        void (cZip::*pSet)(bool);
        bool (cZip::*pGet)() const;
        std::int32_t lStoredTrue;
        std::int32_t lStoredFalse;
    };
    const Option aOptions[] = {
        {20, &cZip::SetEncrypt, &cZip::Encrypt, 1, 0},
        {24, &cZip::SetIncludeSystemAndHiddenFiles, &cZip::IncludeSystemAndHiddenFiles, 1, 0},
        {28, &cZip::SetStoreVolumeLabel, &cZip::StoreVolumeLabel, 1, 0},
        {36, &cZip::SetStoreDirectories, &cZip::StoreDirectories, 0, 1},
        {56, &cZip::SetConvertCRLFToLF, &cZip::ConvertCRLFToLF, 1, 0},
        {60, &cZip::SetConvertLFToCRLF, &cZip::ConvertLFToCRLF, 1, 0},
        {64, &cZip::SetStoreFolderNames, &cZip::StoreFolderNames, 0, 1},
        {68, &cZip::SetAllowAppend, &cZip::AllowAppend, 1, 0},
        {84, &cZip::SetUpdateOnlyIfNewer, &cZip::UpdateOnlyIfNewer, 1, 0},
        {88, &cZip::SetFreshenFiles, &cZip::FreshenFiles, 1, 0},
        {116, &cZip::SetRecurseSubDirs, &cZip::RecurseSubDirs, 2, 0},
    };
    for (const Option &tOption : aOptions) {
        cZip oZip;
        (oZip.*tOption.pSet)(true);
        EXPECT_TRUE((oZip.*tOption.pGet)()) << tOption.lOffset;
        oZip.Zip();
        for (std::size_t lOffset = 12; lOffset < kOptionsRecordSize; lOffset += 4) {
            std::int32_t lExpected = lOffset == 36 || lOffset == 64 ? 1 : 0;
            if (lOffset == tOption.lOffset)
                lExpected = tOption.lStoredTrue;
            EXPECT_EQ(LastOptions().Field(lOffset), lExpected)
                << "option at " << tOption.lOffset << ", offset " << lOffset;
        }
        (oZip.*tOption.pSet)(false);
        EXPECT_FALSE((oZip.*tOption.pGet)()) << tOption.lOffset;
        oZip.Zip();
        EXPECT_EQ(LastOptions().Field(tOption.lOffset), tOption.lStoredFalse);
    }
}

TEST_F(ZipComponent, MessageLevelSetsTheTwoFlagsAndIgnoresOtherValues) {
    cZip oZip;
    const std::pair<std::int32_t, std::int32_t> aFlags[] = {{1, 0}, {0, 1}, {0, 0}};
    for (std::int32_t eLevel = 0; eLevel <= 2; ++eLevel) {
        oZip.SetMessageLevel(eLevel);
        EXPECT_EQ(oZip.MessageLevel(), eLevel);
        oZip.Zip();
        EXPECT_EQ(LastOptions().Field(48), aFlags[eLevel].first) << eLevel;
        EXPECT_EQ(LastOptions().Field(52), aFlags[eLevel].second) << eLevel;
    }
    oZip.SetMessageLevel(1);
    oZip.SetMessageLevel(7);
    EXPECT_EQ(oZip.MessageLevel(), 1);
    oZip.SetMessageLevel(-1);
    EXPECT_EQ(oZip.MessageLevel(), 1);
}

TEST_F(ZipComponent, StoredValuesTheEngineLeavesReadBackByTheirOwnRules) {
    // AllowAppend counts only an exact 1; the negated ones count only a 0.
    cZip oZip;
    Engine().vOptionsWrites = {{68, 2}, {36, 5}, {116, 1}, {48, 1}, {52, 1}};
    oZip.Zip();
    EXPECT_FALSE(oZip.AllowAppend());
    EXPECT_FALSE(oZip.StoreDirectories());
    EXPECT_TRUE(oZip.RecurseSubDirs());
    EXPECT_EQ(oZip.MessageLevel(), 0);
}

TEST_F(ZipComponent, FileSpecsGrowClearAndRejectIndicesOutsideTheList) {
    cZip oZip;
    oZip.AddFileSpec("*");
    oZip.AddFileSpec("*");
    EXPECT_EQ(oZip.FileSpecCount(), 2);
    EXPECT_EQ(oZip.FileSpec(2), "*");
    EXPECT_TRUE(RaisesArchiveError([&] { oZip.FileSpec(3); }, 9, "Subscript out of range",
                                   ExecutableName()));
    EXPECT_TRUE(RaisesArchiveError([&] { oZip.FileSpec(0); }, 9, "Subscript out of range",
                                   ExecutableName()));
    oZip.ClearFileSpecs();
    EXPECT_EQ(oZip.FileSpecCount(), 0);
    EXPECT_TRUE(RaisesArchiveError([&] { oZip.FileSpec(1); }, 9, "Subscript out of range",
                                   ExecutableName()));
}

TEST_F(ZipComponent, ZipHandsPathAndSpecsWithANullThenAnEmptySlot) {
    const std::filesystem::path tBase = TempFolder("zip-list");
    cZip oZip;
    oZip.SetZipFile("/games/base/skins.vl2");
    oZip.SetBasePath(tBase.string());
    oZip.AddFileSpec("*.png");
    oZip.AddFileSpec("textures/skins/a b.png");
    oZip.Zip();
    ASSERT_EQ(Engine().vInitCalls.size(), 1u);
    ASSERT_EQ(Engine().vOptionsCalls.size(), 1u);
    const FakeZipArchiveCall &tCall = LastArchive();
    EXPECT_EQ(tCall.lSpecCount, 2);
    EXPECT_EQ(tCall.sArchivePath, std::optional<std::string>("/games/base/skins.vl2"));
    EXPECT_EQ(NamesIn(tCall.vNames, 2),
              (std::vector<std::string>{"*.png", "textures/skins/a b.png"}));
    EXPECT_FALSE(tCall.vNames[2].has_value());
    EXPECT_EQ(tCall.vNames[3], std::optional<std::string>(""));
    EXPECT_TRUE(NullFrom(tCall.vNames, 4));
    EXPECT_EQ(LastOptions().sRootFolder, std::optional<std::string>(tBase.string()));
}

TEST_F(ZipComponent, CallbackTableCarriesTheFourRoutinesInOrder) {
    cZip oZip;
    oZip.Zip();
    const ZipCallbackTable &tTable = Engine().vInitCalls.back();
    EXPECT_EQ(tTable.Print, &OnZipPrint);
    EXPECT_EQ(tTable.Password, &OnZipPassword);
    EXPECT_EQ(tTable.Comment, &OnZipComment);
    EXPECT_EQ(tTable.Service, &OnZipService);
}

TEST_F(ZipComponent, Zip1022SpecsReachTheEngineAnd1023FailBeforeIt) {
    cZip oZip;
    for (int i = 0; i < 1022; ++i)
        oZip.AddFileSpec("f" + std::to_string(i));
    oZip.Zip();
    ASSERT_EQ(Engine().vArchiveCalls.size(), 1u);
    EXPECT_EQ(LastArchive().lSpecCount, 1022);
    EXPECT_EQ(LastArchive().vNames[1021], std::optional<std::string>("f1021"));
    EXPECT_FALSE(LastArchive().vNames[1022].has_value());
    EXPECT_EQ(LastArchive().vNames[1023], std::optional<std::string>(""));

    oZip.AddFileSpec("one too many");
    EXPECT_TRUE(
        RaisesArchiveError([&] { oZip.Zip(); }, 9, "Subscript out of range", ExecutableName()));
    EXPECT_EQ(Engine().vArchiveCalls.size(), 1u);
    EXPECT_EQ(CurrentZip(), &oZip); // not dropped: errors pass through unchanged
    EXPECT_EQ(oZip.LastEngineResult(), -1);
}

TEST_F(ZipComponent, DeleteSetsTheDeleteFieldOnlyForItsOwnCall) {
    cZip oZip;
    oZip.AddFileSpec("a.txt");
    oZip.Zip();
    EXPECT_EQ(LastOptions().Field(80), 0);
    oZip.Delete();
    EXPECT_EQ(LastOptions().Field(80), 1);
    EXPECT_EQ(LastArchive().lSpecCount, 1);
    oZip.Zip();
    EXPECT_EQ(LastOptions().Field(80), 0);
}

TEST_F(ZipComponent, DeleteResetsTheDeleteFieldWhenTheCallFails) {
    cZip oZip;
    for (int i = 0; i < 1023; ++i)
        oZip.AddFileSpec("f");
    EXPECT_TRUE(
        RaisesArchiveError([&] { oZip.Delete(); }, 9, "Subscript out of range", ExecutableName()));
    EXPECT_EQ(LastOptions().Field(80), 1); // the engine saw it during the failed call
    EXPECT_TRUE(Engine().vArchiveCalls.empty());

    oZip.ClearFileSpecs();
    oZip.AddFileSpec("*");
    oZip.Zip();
    EXPECT_EQ(LastOptions().Field(80), 0);

    // Also when the engine left the field set, or the base folder is missing.
    Engine().vOptionsWrites = {{80, 1}};
    oZip.Delete();
    Engine().vOptionsWrites.clear();
    oZip.SetBasePath("/no/such/folder/anywhere");
    EXPECT_THROW(oZip.Delete(), ArchiveError);
    oZip.SetBasePath("");
    oZip.Zip();
    EXPECT_EQ(LastOptions().Field(80), 0);
}

TEST_F(ZipComponent, ZipHandsTheBasePathToTheEngineAndNeverChangesTheCurrentFolder) {
    // A job runs on a thread of its own while the window's thread resolves relative
    // paths: the process's current folder must not move under it.
    const std::filesystem::path tBefore = std::filesystem::current_path();
    const std::filesystem::path tBase = TempFolder("zip-base");
    cZip oZip;
    oZip.SetBasePath(tBase.string());
    oZip.AddFileSpec("*");
    oZip.Zip();
    oZip.Delete();
    EXPECT_EQ(LastArchive().sCurrentFolder, tBefore.string());
    EXPECT_EQ(LastOptions().sRootFolder, std::optional<std::string>(tBase.string()));
    EXPECT_EQ(std::filesystem::current_path(), tBefore);
}

TEST_F(ZipComponent, BlankBasePathLeavesTheCurrentFolderAndReachesTheEngineUnchanged) {
    const std::filesystem::path tBefore = std::filesystem::current_path();
    cZip oZip;
    oZip.SetBasePath("   ");
    oZip.Zip();
    EXPECT_EQ(LastArchive().sCurrentFolder, tBefore.string());
    EXPECT_EQ(LastOptions().sRootFolder, std::optional<std::string>("   "));
    oZip.SetBasePath("");
    oZip.Zip();
    EXPECT_EQ(LastOptions().sRootFolder, std::optional<std::string>(""));
}

TEST_F(ZipComponent, UnreachableBasePathFailsWithPathNotFoundBeforeTheEngine) {
    const std::filesystem::path tBase = TempFolder("zip-unreachable");
    std::ofstream(tBase / "plain-file") << "x";
    cZip oZip;
    for (const std::string &sPath :
         {(tBase / "missing").string(), (tBase / "plain-file").string()}) {
        oZip.SetBasePath(sPath);
        EXPECT_TRUE(
            RaisesArchiveError([&] { oZip.Zip(); }, 76, "Path not found", ExecutableName()));
    }
    EXPECT_TRUE(Engine().vInitCalls.empty());
    EXPECT_TRUE(Engine().vArchiveCalls.empty());
    EXPECT_EQ(CurrentZip(), &oZip);
    EXPECT_EQ(oZip.LastEngineResult(), -1);
}

TEST_F(ZipComponent, LastEngineResultFollowsEachZipAndDelete) {
    cZip oZip;
    Engine().lZipResult = 50;
    oZip.Zip();
    EXPECT_EQ(oZip.LastEngineResult(), 50);
    Engine().lZipResult = 0;
    oZip.Delete();
    EXPECT_EQ(oZip.LastEngineResult(), 0);
}

TEST_F(ZipComponent, PrintIgnoresCountsOutsideTwoTo31999AndCutsAtAZeroByte) {
    RecordingZipOwner tOwner;
    cZip oZip;
    oZip.SetOwner(&tOwner);
    Engine().vZipScript = {FakeCallback::Print("", 0), FakeCallback::Print("a", 1),
                           FakeCallback::Print(std::string(32000, 'm'), 32000),
                           FakeCallback::Print(std::string("adding: a/b\0junk", 16), 16),
                           FakeCallback::Print("/x/y", 4)};
    oZip.Zip();
    ASSERT_EQ(tOwner.vProgress.size(), 2u);
    EXPECT_EQ(tOwner.vProgress[0], (std::pair<std::int32_t, std::string>{1, "adding: a\\b"}));
    EXPECT_EQ(tOwner.vProgress[1].second, "/x\\y");
    for (const FakeCallbackOutcome &tOutcome : LastArchive().vOutcomes)
        EXPECT_EQ(tOutcome.lReturned, 0);
}

TEST_F(ZipComponent, ServiceKeepsSeparatorsAndStopsWhenTheOwnerCancels) {
    RecordingZipOwner tOwner;
    cZip oZip;
    oZip.SetOwner(&tOwner);
    Engine().vZipScript = {FakeCallback::ServiceText("a\\b/c.txt"), FakeCallback::Service("x", 1)};
    oZip.Zip();
    ASSERT_EQ(tOwner.vCancel.size(), 1u);
    EXPECT_EQ(tOwner.vCancel[0], "a\\b/c.txt");
    EXPECT_EQ(LastArchive().vOutcomes[0].lReturned, 0);

    tOwner.bAnswerCancel = true;
    oZip.Zip();
    EXPECT_EQ(LastArchive().vOutcomes[0].lReturned, 1);
    EXPECT_EQ(LastArchive().vOutcomes[1].lReturned, 0);
}

TEST_F(ZipComponent, PasswordIsDeclinedOncePerCallAndCappedAt254Bytes) {
    RecordingZipOwner tOwner;
    cZip oZip;
    oZip.SetOwner(&tOwner);
    Engine().vZipScript = {FakeCallback::Password(), FakeCallback::Password()};
    oZip.Zip();
    EXPECT_EQ(tOwner.lPasswordRequests, 1);
    EXPECT_EQ(LastArchive().vOutcomes[0].lReturned, 1);
    EXPECT_EQ(LastArchive().vOutcomes[1].lReturned, 1);
    EXPECT_TRUE(ZipPasswordDeclined());

    tOwner.sAnswerPassword = " " + std::string(300, 'z') + " ";
    Engine().vZipScript = {FakeCallback::Password(300)};
    oZip.Zip();
    EXPECT_FALSE(ZipPasswordDeclined());
    EXPECT_EQ(tOwner.lPasswordRequests, 2);
    EXPECT_EQ(LastArchive().vOutcomes[0].lReturned, 0);
    EXPECT_EQ(LastArchive().vOutcomes[0].sBuffer,
              std::string(254, 'z') + '\0' + std::string(45, '#'));
}

TEST_F(ZipComponent, CommentIsEmptiedAndTheBufferReturned) {
    cZip oZip;
    Engine().vZipScript = {FakeCallback::Comment()};
    oZip.Zip();
    const FakeCallbackOutcome &tOutcome = LastArchive().vOutcomes[0];
    EXPECT_TRUE(tOutcome.bReturnedBuffer);
    EXPECT_EQ(tOutcome.sBuffer[0], '\0');
    EXPECT_EQ(tOutcome.sBuffer.substr(1), std::string("ld comment") + '\0');
}

TEST_F(ZipComponent, ThrowingHandlersGetDefaultAnswers) {
    RecordingZipOwner tOwner;
    tOwner.bThrow = true;
    tOwner.bAnswerCancel = true;
    tOwner.sAnswerPassword = "pw";
    cZip oZip;
    oZip.SetOwner(&tOwner);
    Engine().vZipScript = {FakeCallback::ServiceText("a"), FakeCallback::Password(),
                           FakeCallback::PrintText("hi")};
    oZip.Zip();
    EXPECT_EQ(LastArchive().vOutcomes[0].lReturned, 0);
    EXPECT_EQ(LastArchive().vOutcomes[1].lReturned, 1);
    EXPECT_EQ(LastArchive().vOutcomes[2].lReturned, 0);
}

TEST_F(ZipComponent, DestroyedComponentIsNoLongerCurrent) {
    {
        cZip oZip;
        oZip.Zip();
        EXPECT_EQ(CurrentZip(), &oZip);
    }
    EXPECT_EQ(CurrentZip(), nullptr);
    char aText[] = "message";
    EXPECT_EQ(OnZipPrint(aText, 7), 0);
    EXPECT_EQ(OnZipService(aText, 7), 0);
}

TEST_F(ZipComponent, SecondZipRepeatsTheFirst) {
    const std::filesystem::path tBase = TempFolder("zip-repeat");
    cZip oZip;
    oZip.SetZipFile("out.vl2");
    oZip.SetBasePath(tBase.string());
    oZip.SetRecurseSubDirs(true);
    oZip.AddFileSpec("*");
    oZip.Zip();
    oZip.Zip();
    ASSERT_EQ(Engine().vArchiveCalls.size(), 2u);
    for (std::size_t lOffset = 12; lOffset < kOptionsRecordSize; lOffset += 4)
        EXPECT_EQ(Engine().vOptionsCalls[0].Field(lOffset),
                  Engine().vOptionsCalls[1].Field(lOffset))
            << lOffset;
    EXPECT_EQ(Engine().vOptionsCalls[1].sRootFolder, std::optional<std::string>(tBase.string()));
    EXPECT_EQ(Engine().vArchiveCalls[1].vNames[0], std::optional<std::string>("*"));
    EXPECT_EQ(Engine().vOptionsCalls[1].Field(116), 2);
}

} // namespace
