// The components beside stand-in engine libraries that each lack one entry
// point: libpakreader.so without Wiz_SingleEntryUnzip, libpakwriter.so without
// ZpArchive. Also proves that the libraries beside the program win over any of
// the same name on the program's search path.
#include "archive/ArchiveError.h"
#include "archive/cUnzip.h"
#include "archive/cZip.h"
#include "archive/mUnzip.h"
#include "archive/mZip.h"
#include "platform/os/DynamicLibrary.h"
#include "tests/archive/FakeEngine.h"

#include <gtest/gtest.h>

namespace {

class PartialEngine : public ::testing::Test {
protected:
    void SetUp() override { FakeEngineReset(); }
};

TEST_F(PartialEngine, MissingUnzipEntryPointFailsFromRunUnzipEngineAndDropsTheCurrentComponent) {
    cUnzip oUnzip;
    oUnzip.SetZipFile("a.vl2");
    for (int lAttempt = 0; lAttempt < 2; ++lAttempt) {
        try {
            if (lAttempt == 0)
                oUnzip.Directory();
            else
                oUnzip.Unzip();
            ADD_FAILURE() << "no error raised";
        } catch (const ArchiveError &e) {
            EXPECT_EQ(e.Number(), 453);
            EXPECT_EQ(e.Description(),
                      "Can't find DLL entry point Wiz_SingleEntryUnzip in libpakreader.so");
            EXPECT_EQ(e.Source(), "archive_partial_engine_tests.RunUnzipEngine");
        }
        EXPECT_EQ(CurrentUnzip(), nullptr);
    }
}

TEST_F(PartialEngine, PresentEntryPointOfThatLibraryStillWorks) {
    const std::uint8_t aVersion[4] = {2, 5, 1, 0};
    std::memcpy(FakeEngine().aVersion4, aVersion, 4);
    cUnzip oUnzip;
    std::int32_t lMajor = 0, lMinor = 0, lRevision = 0;
    ArchiveDate dDate;
    std::string sExtra;
    oUnzip.GetVersion(lMajor, lMinor, lRevision, dDate, sExtra);
    EXPECT_EQ(lMajor, 2);
    EXPECT_EQ(lMinor, 5);
    EXPECT_EQ(lRevision, 1);
}

TEST_F(PartialEngine, MissingZpArchiveFailsUnchangedAfterInitAndOptions) {
    cZip oZip;
    oZip.AddFileSpec("*");
    try {
        oZip.Zip();
        ADD_FAILURE() << "no error raised";
    } catch (const ArchiveError &e) {
        EXPECT_EQ(e.Number(), 453);
        EXPECT_EQ(e.Description(), "Can't find DLL entry point ZpArchive in libpakwriter.so");
        EXPECT_EQ(e.Source(), "archive_partial_engine_tests");
    }
    EXPECT_EQ(FakeEngine().vInitCalls.size(), 1u);
    EXPECT_EQ(FakeEngine().vOptionsCalls.size(), 1u);
    EXPECT_EQ(CurrentZip(), &oZip);
    EXPECT_EQ(oZip.LastEngineResult(), -1);
}

TEST_F(PartialEngine, FailedDeleteLeavesTheDeleteFieldZeroForTheNextCall) {
    cZip oZip;
    oZip.AddFileSpec("a.txt");
    EXPECT_THROW(oZip.Delete(), ArchiveError);
    ASSERT_EQ(FakeEngine().vOptionsCalls.size(), 1u);
    EXPECT_EQ(FakeEngine().vOptionsCalls[0].Field(80), 1);
    EXPECT_THROW(oZip.Zip(), ArchiveError);
    ASSERT_EQ(FakeEngine().vOptionsCalls.size(), 2u);
    EXPECT_EQ(FakeEngine().vOptionsCalls[1].Field(80), 0);
}

} // namespace
