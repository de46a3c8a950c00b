// mUnzip's call-back routines as the engine meets them during an engine call:
// their bounds, their default answers and what they hand to the owner.
#include "archive/mUnzip.h"
#include "tests/archive/ComponentTestSupport.h"

#include <algorithm>

namespace {

class UnzipCallbacks : public ComponentTest {
protected:
    void SetUp() override {
        ComponentTest::SetUp();
        m_oUnzip.SetOwner(&m_tOwner);
        m_oUnzip.SetZipFile("a.vl2");
    }
    // Runs one engine call that makes these call-backs; returns their outcomes.
    std::vector<FakeCallbackOutcome> Run(std::vector<FakeCallback> vScript) {
        Engine().vUnzipScript = std::move(vScript);
        m_oUnzip.Unzip();
        return Engine().vUnzipCalls.back().vOutcomes;
    }

    cUnzip m_oUnzip;
    RecordingUnzipOwner m_tOwner;
};

TEST_F(UnzipCallbacks, PrintRaisesProgressOnlyForCountsFromTwoTo31999) {
    const std::string sLong(32000, 'm');
    const auto vOutcomes = Run(
        {FakeCallback::Print("", 0), FakeCallback::Print("x", 1), FakeCallback::Print("ab", 2),
         FakeCallback::Print(sLong.substr(0, 31999), 31999), FakeCallback::Print(sLong, 32000)});
    ASSERT_EQ(m_tOwner.vProgress.size(), 2u);
    EXPECT_EQ(m_tOwner.vProgress[0], (std::pair<std::int32_t, std::string>{1, "ab"}));
    EXPECT_EQ(m_tOwner.vProgress[1].first, 1);
    EXPECT_EQ(m_tOwner.vProgress[1].second.size(), 31999u);
    for (const FakeCallbackOutcome &tOutcome : vOutcomes)
        EXPECT_EQ(tOutcome.lReturned, 0);
}

TEST_F(UnzipCallbacks, PrintCopiesExactlyCountBytesAndTurnsSlashesAfterTheFirstIntoBackslashes) {
    Run({FakeCallback::Print("/inflating: textures/skins/a.png  trailing", 32)});
    ASSERT_EQ(m_tOwner.vProgress.size(), 1u);
    EXPECT_EQ(m_tOwner.vProgress[0].second, "/inflating: textures\\skins\\a.png");
}

TEST_F(UnzipCallbacks, PrintWithNullBufferRaisesNothing) {
    FakeCallback tPrint = FakeCallback::Print("", 10);
    tPrint.bNullPointer = true;
    EXPECT_EQ(Run({tPrint})[0].lReturned, 0);
    EXPECT_TRUE(m_tOwner.vProgress.empty());
}

TEST_F(UnzipCallbacks, ServiceRaisesCancelWithForwardSlashesAndStopsWhenTheOwnerCancels) {
    auto vOutcomes = Run({FakeCallback::ServiceText("textures\\skins\\a.png")});
    ASSERT_EQ(m_tOwner.vCancel.size(), 1u);
    EXPECT_EQ(m_tOwner.vCancel[0], "textures/skins/a.png");
    EXPECT_EQ(vOutcomes[0].lReturned, 0);

    m_tOwner.bAnswerCancel = true;
    vOutcomes = Run({FakeCallback::ServiceText("b.txt")});
    EXPECT_EQ(vOutcomes[0].lReturned, 1);
}

TEST_F(UnzipCallbacks, ServiceOutsideTheCountBoundsAnswersGoOnWithoutAsking) {
    m_tOwner.bAnswerCancel = true;
    const auto vOutcomes = Run({FakeCallback::Service("", 0), FakeCallback::Service("a", 1),
                                FakeCallback::Service(std::string(32000, 'n'), 32000)});
    EXPECT_TRUE(m_tOwner.vCancel.empty());
    for (const FakeCallbackOutcome &tOutcome : vOutcomes)
        EXPECT_EQ(tOutcome.lReturned, 0);
}

TEST_F(UnzipCallbacks, ServiceReadsAtMostCountBytesOfAnUnendedName) {
    Run({FakeCallback::Service("abcdef", 4)});
    ASSERT_EQ(m_tOwner.vCancel.size(), 1u);
    EXPECT_EQ(m_tOwner.vCancel[0], "abcd");
}

TEST_F(UnzipCallbacks, WithoutAnOwnerEveryCallbackGivesItsDefaultAnswer) {
    m_oUnzip.SetOwner(nullptr);
    const auto vOutcomes =
        Run({FakeCallback::Overwrite("a.txt"), FakeCallback::Password(),
             FakeCallback::ServiceText("a.txt"), FakeCallback::PrintText("hello")});
    EXPECT_EQ(vOutcomes[0].lReturned, 100);
    EXPECT_EQ(vOutcomes[1].lReturned, 1);
    EXPECT_EQ(vOutcomes[1].sBuffer, std::string(256, '#')); // nothing written
    EXPECT_EQ(vOutcomes[2].lReturned, 0);
    EXPECT_EQ(vOutcomes[3].lReturned, 0);
}

TEST_F(UnzipCallbacks, OverwriteAsksWithBackslashesAndReturnsTheOwnersResponse) {
    auto vOutcomes = Run({FakeCallback::Overwrite("textures/skins/a.png")});
    EXPECT_EQ(vOutcomes[0].lReturned, 100);
    ASSERT_EQ(m_tOwner.vOverwrite.size(), 1u);
    EXPECT_EQ(m_tOwner.vOverwrite[0], "textures\\skins\\a.png");

    m_tOwner.eAnswerResponse = 102;
    vOutcomes = Run({FakeCallback::Overwrite("b.txt")});
    EXPECT_EQ(vOutcomes[0].lReturned, 102);
}

TEST_F(UnzipCallbacks, HandlerThatThrowsGetsTheDefaultAnswerAndTheCallGoesOn) {
    m_tOwner.bThrow = true;
    m_tOwner.eAnswerResponse = 101;
    m_tOwner.bAnswerCancel = true;
    m_tOwner.sAnswerPassword = "secret";
    const auto vOutcomes = Run({FakeCallback::Overwrite("a.txt"),
                                FakeCallback::ServiceText("a.txt"), FakeCallback::Password(),
                                FakeCallback::PrintText("hello"), FakeCallback::Listing("x.txt")});
    EXPECT_EQ(vOutcomes[0].lReturned, 100);
    EXPECT_EQ(vOutcomes[1].lReturned, 0);
    EXPECT_EQ(vOutcomes[2].lReturned, 1);
    EXPECT_EQ(vOutcomes[3].lReturned, 0);
    EXPECT_EQ(m_tOwner.vProgress.size(), 1u);
    EXPECT_EQ(m_oUnzip.FileCount(), 1);
}

TEST_F(UnzipCallbacks, PasswordIsWrittenTrimmedAndZeroEnded) {
    m_tOwner.sAnswerPassword = "  open sesame ";
    const auto vOutcomes = Run({FakeCallback::Password(32)});
    EXPECT_EQ(vOutcomes[0].lReturned, 0);
    EXPECT_EQ(vOutcomes[0].sBuffer, std::string("open sesame") + '\0' + std::string(20, '#'));
    EXPECT_FALSE(UnzipPasswordDeclined());
}

TEST_F(UnzipCallbacks, PasswordOf300CharactersWritesExactly254Bytes) {
    m_tOwner.sAnswerPassword = std::string(300, 'p');
    const auto vOutcomes = Run({FakeCallback::Password(300)});
    EXPECT_EQ(vOutcomes[0].lReturned, 0);
    EXPECT_EQ(vOutcomes[0].sBuffer.substr(0, 255), std::string(254, 'p') + '\0');
    EXPECT_EQ(vOutcomes[0].sBuffer.substr(255), std::string(45, '#'));
}

TEST_F(UnzipCallbacks, PasswordNeverRunsPastASmallBuffer) {
    m_tOwner.sAnswerPassword = "longer than eight";
    const auto vOutcomes = Run({FakeCallback::Password(8), FakeCallback::Password(0)});
    EXPECT_EQ(vOutcomes[0].lReturned, 0);
    EXPECT_EQ(vOutcomes[0].sBuffer, std::string("longer ") + '\0');
    EXPECT_EQ(vOutcomes[1].lReturned, 1);
}

TEST_F(UnzipCallbacks, DeclinedPasswordIsAskedOncePerEngineCall) {
    // Nothing given: declined, and the later requests of the same call answer
    // 1 without asking.
    auto vOutcomes =
        Run({FakeCallback::Password(), FakeCallback::Password(), FakeCallback::Password()});
    EXPECT_EQ(m_tOwner.lPasswordRequests, 1);
    for (const FakeCallbackOutcome &tOutcome : vOutcomes)
        EXPECT_EQ(tOutcome.lReturned, 1);
    EXPECT_TRUE(UnzipPasswordDeclined());

    // The next engine call asks again.
    m_tOwner.sAnswerPassword = "pw";
    vOutcomes = Run({FakeCallback::Password(), FakeCallback::Password()});
    EXPECT_EQ(m_tOwner.lPasswordRequests, 3);
    EXPECT_EQ(vOutcomes[0].lReturned, 0);
    EXPECT_EQ(vOutcomes[1].lReturned, 0);
}

TEST_F(UnzipCallbacks, PasswordOfSpacesOnlyOrACancelDeclines) {
    m_tOwner.sAnswerPassword = "     ";
    auto vOutcomes = Run({FakeCallback::Password()});
    EXPECT_EQ(vOutcomes[0].lReturned, 1);
    EXPECT_EQ(vOutcomes[0].sBuffer, std::string(256, '#'));

    m_tOwner.sAnswerPassword = "good";
    m_tOwner.bAnswerPasswordCancel = true;
    vOutcomes = Run({FakeCallback::Password(), FakeCallback::Password()});
    EXPECT_EQ(vOutcomes[0].lReturned, 1);
    EXPECT_EQ(vOutcomes[1].lReturned, 1);
    EXPECT_EQ(m_tOwner.lPasswordRequests, 2);
}

TEST_F(UnzipCallbacks, ListingReadsThePathUpToItsFirstZeroByte) {
    FakeCallback tEntry = FakeCallback::Listing("");
    tEntry.sBytes = std::string("abc\0def", 7) + '\0';
    Engine().vUnzipScript = {tEntry};
    m_oUnzip.Directory();
    ASSERT_EQ(m_oUnzip.FileCount(), 1);
    EXPECT_EQ(m_oUnzip.Filename(1), "abc");
}

TEST_F(UnzipCallbacks, ListingReadsAtMost256BytesOfPathAndMethod) {
    FakeCallback tEntry = FakeCallback::Listing("");
    tEntry.sBytes = "dir/" + std::string(296, 'n'); // 300 bytes, no zero byte
    tEntry.sMethod = std::string(300, 'M');
    Engine().vUnzipScript = {tEntry};
    m_oUnzip.Directory();
    ASSERT_EQ(m_oUnzip.FileCount(), 1);
    EXPECT_EQ(m_oUnzip.FileDirectory(1), "dir");
    EXPECT_EQ(m_oUnzip.Filename(1), std::string(252, 'n'));
    EXPECT_EQ(m_oUnzip.FileCompressionMethod(1), std::string(256, 'M'));
}

TEST_F(UnzipCallbacks, ListingKeepsEveryEntrysOwnTextsWhereFoldersAndMethodsRepeat) {
    // Folders and methods come back and forth, as in a big archive; each entry reads
    // back as it was listed, and a new archive's listing starts from nothing.
    const char *const folders[] = {"textures/skins", "", "scripts", "textures/skins"};
    const char *const methods[] = {"Stored", "Deflate", "Stored", ""};
    std::vector<FakeCallback> vScript;
    for (std::uint32_t i = 0; i < 12; ++i) {
        const std::string sFolder = folders[i % 4];
        vScript.push_back(FakeCallback::Listing((sFolder.empty() ? "" : sFolder + "/") + "f" +
                                                    std::to_string(i) + ".png",
                                                1000 + i));
        vScript.back().sMethod = methods[i % 3];
        vScript.back().lCRC = 0xC0DE0000u + i;
        vScript.back().lDay = 1 + i;
        vScript.back().lMinute = i;
    }
    Engine().vUnzipScript = vScript;
    m_oUnzip.Directory();
    ASSERT_EQ(m_oUnzip.FileCount(), 12);
    for (std::int32_t i = 1; i <= 12; ++i) {
        const auto n = static_cast<std::uint32_t>(i - 1);
        SCOPED_TRACE(i);
        std::string sFolder = folders[n % 4];
        std::replace(sFolder.begin(), sFolder.end(), '/', '\\');
        EXPECT_EQ(m_oUnzip.FileDirectory(i), sFolder);
        EXPECT_EQ(m_oUnzip.Filename(i), "f" + std::to_string(n) + ".png");
        EXPECT_EQ(m_oUnzip.FileCompressionMethod(i), methods[n % 3]);
        EXPECT_EQ(m_oUnzip.FileSize(i), static_cast<std::int32_t>(1000 + n));
        EXPECT_EQ(m_oUnzip.FileCRC(i), 0xC0DE0000u + n);
        EXPECT_EQ(m_oUnzip.FileDate(i), (ArchiveDate{2020, 1, static_cast<std::int32_t>(1 + n), 0,
                                                     static_cast<std::int32_t>(n), 0}));
        EXPECT_TRUE(m_oUnzip.FileSelected(i));
    }

    m_oUnzip.SetZipFile("b.vl2");
    EXPECT_EQ(m_oUnzip.FileCount(), 0);
    Engine().vUnzipScript = {FakeCallback::Listing("only.txt")};
    m_oUnzip.Directory();
    ASSERT_EQ(m_oUnzip.FileCount(), 1);
    EXPECT_EQ(m_oUnzip.FileDirectory(1), "");
    EXPECT_EQ(m_oUnzip.Filename(1), "only.txt");
    EXPECT_EQ(m_oUnzip.FileCompressionMethod(1), "Deflate");
}

TEST_F(UnzipCallbacks, ListingWidensTheRatioAsASigned16BitValue) {
    std::vector<FakeCallback> vScript;
    for (std::int32_t lRatio : {-3, 0xFFFD, 0x10032, 99})
        vScript.push_back(FakeCallback::Listing("f", 1000, lRatio));
    Engine().vUnzipScript = vScript;
    m_oUnzip.Directory();
    EXPECT_EQ(m_oUnzip.FileCompressionRatio(1), -3);
    EXPECT_EQ(m_oUnzip.FileCompressionRatio(2), -3);
    EXPECT_EQ(m_oUnzip.FileCompressionRatio(3), 50);
    EXPECT_EQ(m_oUnzip.FileCompressionRatio(4), 99);
}

TEST_F(UnzipCallbacks, ListingMarksEncryptedOnlyByBitSix) {
    std::vector<FakeCallback> vScript;
    for (std::uint32_t lAttributes : {64u, 63u, 0xFFFFFFBFu, 65u}) {
        vScript.push_back(FakeCallback::Listing("f"));
        vScript.back().lAttributes = lAttributes;
    }
    Engine().vUnzipScript = vScript;
    m_oUnzip.Directory();
    EXPECT_TRUE(m_oUnzip.FileEncrypted(1));
    EXPECT_FALSE(m_oUnzip.FileEncrypted(2));
    EXPECT_FALSE(m_oUnzip.FileEncrypted(3));
    EXPECT_TRUE(m_oUnzip.FileEncrypted(4));
}

TEST_F(UnzipCallbacks, ListingDatesWidenTwoDigitYearsAndCarryOutOfRangeParts) {
    FakeCallback tTwoDigit = FakeCallback::Listing("a");
    tTwoDigit.lYear = 26;
    tTwoDigit.lMonth = 12;
    tTwoDigit.lDay = 7;
    tTwoDigit.lHour = 8;
    tTwoDigit.lMinute = 5;
    FakeCallback tOld = tTwoDigit;
    tOld.sBytes = std::string("b") + '\0';
    tOld.lYear = 85;
    FakeCallback tCarry = tTwoDigit;
    tCarry.sBytes = std::string("c") + '\0';
    tCarry.lYear = 2020;
    tCarry.lMonth = 13;
    tCarry.lDay = 0;
    tCarry.lHour = 24;
    tCarry.lMinute = 60;
    Engine().vUnzipScript = {tTwoDigit, tOld, tCarry};
    m_oUnzip.Directory();
    EXPECT_EQ(m_oUnzip.FileDate(1), (ArchiveDate{2026, 12, 7, 8, 5, 0}));
    EXPECT_EQ(m_oUnzip.FileDate(2), (ArchiveDate{1985, 12, 7, 8, 5, 0}));
    // Month 13 of 2020 is January 2021; its day 0 is 31 December 2020; hour 24 and
    // minute 60 carry into 1 January 2021, 01:00.
    EXPECT_EQ(m_oUnzip.FileDate(3), (ArchiveDate{2021, 1, 1, 1, 0, 0}));
}

TEST_F(UnzipCallbacks, ListingWithANullPathAddsNothing) {
    FakeCallback tEntry = FakeCallback::Listing("x");
    tEntry.bNullPointer = true;
    Engine().vUnzipScript = {tEntry};
    m_oUnzip.Directory();
    EXPECT_EQ(m_oUnzip.FileCount(), 0);
}

TEST(UnzipReplacementRoutine, LeavesTheFirstCharacterAndReturnsThePositionAfterTheLastReplaced) {
    std::string sText = "/a/b/c";
    EXPECT_EQ(UnzipReplaceChar(sText, '/', '\\'), 6);
    EXPECT_EQ(sText, "/a\\b\\c");
    sText = "/abc";
    EXPECT_EQ(UnzipReplaceChar(sText, '/', '\\'), 1);
    EXPECT_EQ(sText, "/abc");
    sText = "";
    EXPECT_EQ(UnzipReplaceChar(sText, '/', '\\'), 1);
}

} // namespace
