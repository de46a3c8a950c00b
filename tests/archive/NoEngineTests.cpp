// The components in a folder without engine libraries, with none on the search
// path: every engine call fails with "File not found".
#include "archive/ArchiveError.h"
#include "archive/cUnzip.h"
#include "archive/cZip.h"
#include "archive/mUnzip.h"
#include "archive/mZip.h"

#include <gtest/gtest.h>

namespace {

TEST(NoEngine, UnzipCallsFailFromRunUnzipEngineWithFileNotFound) {
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
            EXPECT_EQ(e.Number(), 48);
            EXPECT_EQ(e.Description(), "File not found: libpakreader.so");
            EXPECT_EQ(e.Source(), "archive_no_engine_tests.RunUnzipEngine");
        }
        EXPECT_EQ(CurrentUnzip(), nullptr);
    }
}

TEST(NoEngine, UnzipWithoutArchivePathNeedsNoEngine) {
    cUnzip oUnzip;
    EXPECT_FALSE(oUnzip.Unzip());
}

TEST(NoEngine, GetVersionFailsWithTheProgramAsSource) {
    cUnzip oUnzip;
    std::int32_t lMajor = 0, lMinor = 0, lRevision = 0;
    ArchiveDate dDate;
    std::string sExtra;
    try {
        oUnzip.GetVersion(lMajor, lMinor, lRevision, dDate, sExtra);
        ADD_FAILURE() << "no error raised";
    } catch (const ArchiveError &e) {
        EXPECT_EQ(e.Number(), 48);
        EXPECT_EQ(e.Description(), "File not found: libpakreader.so");
        EXPECT_EQ(e.Source(), "archive_no_engine_tests");
    }
}

TEST(NoEngine, ZipAndDeleteFailUnchangedAndKeepTheCurrentComponent) {
    cZip oZip;
    oZip.AddFileSpec("*");
    for (int lAttempt = 0; lAttempt < 2; ++lAttempt) {
        try {
            if (lAttempt == 0)
                oZip.Zip();
            else
                oZip.Delete();
            ADD_FAILURE() << "no error raised";
        } catch (const ArchiveError &e) {
            EXPECT_EQ(e.Number(), 48);
            EXPECT_EQ(e.Description(), "File not found: libpakwriter.so");
            EXPECT_EQ(e.Source(), "archive_no_engine_tests");
        }
        EXPECT_EQ(CurrentZip(), &oZip);
        EXPECT_EQ(oZip.LastEngineResult(), -1);
    }
}

} // namespace
