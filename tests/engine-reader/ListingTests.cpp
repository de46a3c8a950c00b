// Listing: every entry reported in archive order with its fields.
#include "ReaderFixture.h"

#include "engine/reader/PakReader.h"

#include <cstring>
#include <zlib.h>

namespace {

class ListingTest : public ReaderTest {};

uint32_t CrcOf(const std::string &text)
{
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef *>(text.data()),
                                       static_cast<uInt>(text.size())));
}

TEST_F(ListingTest, ReportsEveryEntryInArchiveOrderWithFolderEntries)
{
    const std::string archive =
        MakeArchive("a.vl2", {{"a.txt", "alpha"}, {"textures/", ""}, {"textures/skins/b.png", "bravo"},
                              {"Zulu.cs", "z"}});
    ASSERT_EQ(List(archive), ENGINE_OK);
    ASSERT_EQ(m_recorder.listed.size(), 4u);
    EXPECT_EQ(m_recorder.listed[0].path, "a.txt");
    EXPECT_EQ(m_recorder.listed[1].path, "textures/");
    EXPECT_EQ(m_recorder.listed[2].path, "textures/skins/b.png");
    EXPECT_EQ(m_recorder.listed[3].path, "Zulu.cs");
    EXPECT_TRUE(m_recorder.serviced.empty()); // listing asks nothing
    EXPECT_TRUE(Tree(m_target).empty());      // and writes nothing
}

TEST_F(ListingTest, ReportsSizesRatioMethodCrcAndFourDigitDate)
{
    const std::string text(1000, 'x');
    const time_t when = 1'234'567'890; // 2009-02-13, an even second
    const std::string archive =
        MakeArchive("fields.zip", {{"packed.txt", text, false, when}, {"plain.txt", "stored", true, when}});
    ASSERT_EQ(List(archive), ENGINE_OK);
    ASSERT_EQ(m_recorder.listed.size(), 2u);

    struct tm local {};
    localtime_r(&when, &local);
    const ListedEntry &packed = m_recorder.listed[0];
    EXPECT_EQ(packed.size, 1000u);
    EXPECT_LT(packed.packedSize, 100u);
    EXPECT_EQ(packed.ratio, static_cast<int32_t>((1000 - packed.packedSize) * 100.0 / 1000 + 0.5));
    EXPECT_EQ(packed.method, "Deflated");
    EXPECT_EQ(packed.crc, CrcOf(text));
    EXPECT_EQ(packed.year, static_cast<uint32_t>(local.tm_year + 1900));
    EXPECT_EQ(packed.month, static_cast<uint32_t>(local.tm_mon + 1));
    EXPECT_EQ(packed.day, static_cast<uint32_t>(local.tm_mday));
    EXPECT_EQ(packed.hour, static_cast<uint32_t>(local.tm_hour));
    EXPECT_EQ(packed.minute, static_cast<uint32_t>(local.tm_min));
    EXPECT_EQ(packed.second, static_cast<uint32_t>(local.tm_sec));
    EXPECT_EQ(packed.attributes & 64u, 0u);

    const ListedEntry &plain = m_recorder.listed[1];
    EXPECT_EQ(plain.method, "Stored");
    EXPECT_EQ(plain.size, 6u);
    EXPECT_EQ(plain.packedSize, 6u);
    EXPECT_EQ(plain.ratio, 0);
    EXPECT_EQ(plain.crc, CrcOf("stored"));
}

TEST_F(ListingTest, MarksEncryptedEntriesWithBitSixAndNeedsNoPassword)
{
    TestEntry secret{"secret.txt", "hidden words"};
    secret.password = "pw";
    TestEntry old{"old.txt", "old words"};
    old.password = "pw";
    old.traditional = true;
    const std::string archive = MakeArchive("enc.zip", {{"open.txt", "open"}, secret, old});
    ASSERT_EQ(List(archive), ENGINE_OK);
    ASSERT_EQ(m_recorder.listed.size(), 3u);
    EXPECT_EQ(m_recorder.listed[0].attributes & 64u, 0u);
    EXPECT_EQ(m_recorder.listed[1].attributes & 64u, 64u);
    EXPECT_EQ(m_recorder.listed[2].attributes & 64u, 64u);
    EXPECT_EQ(m_recorder.listed[1].method, "Deflated"); // the real method, not the AES marker
    EXPECT_EQ(m_recorder.listed[2].crc, CrcOf("old words")); // AES entries may hold 0 instead
    EXPECT_TRUE(m_recorder.passwordAsked.empty());
}

TEST_F(ListingTest, IncompressibleDataGivesANegativeRatio)
{
    std::string noise;
    uint32_t state = 12345;
    for (int i = 0; i < 200; ++i) {
        state = state * 1103515245u + 12345u;
        noise.push_back(static_cast<char>(state >> 24));
    }
    TestEntry entry{"noise.bin", noise};
    entry.password = "pw"; // the encryption header makes it larger than it was
    entry.traditional = true;
    entry.store = true;
    ASSERT_EQ(List(MakeArchive("noise.zip", {entry})), ENGINE_OK);
    ASSERT_EQ(m_recorder.listed.size(), 1u);
    EXPECT_EQ(m_recorder.listed[0].packedSize, 212u);
    EXPECT_EQ(m_recorder.listed[0].ratio, -6);
}

TEST_F(ListingTest, MissingArchiveSaysSoAndListsNothing)
{
    EXPECT_EQ(List((m_root / "nowhere.vl2").string()), ENGINE_NO_ARCHIVE);
    EXPECT_TRUE(m_recorder.listed.empty());
    EXPECT_TRUE(m_recorder.Printed("nowhere.vl2"));
}

TEST_F(ListingTest, EmptyArchivePathIsRefusedWithAMessage)
{
    EXPECT_EQ(List(""), ENGINE_NO_ARCHIVE);
    EXPECT_FALSE(m_recorder.printed.empty());
}

TEST_F(ListingTest, NotAZipArchiveIsABadArchive)
{
    WriteText(m_root / "text.vl2", "this is not a zip archive at all, just words");
    EXPECT_EQ(List((m_root / "text.vl2").string()), ENGINE_BAD_ARCHIVE);
    WriteText(m_root / "nothing.vl2", "");
    EXPECT_EQ(List((m_root / "nothing.vl2").string()), ENGINE_BAD_ARCHIVE);
    EXPECT_TRUE(m_recorder.listed.empty());
}

TEST_F(ListingTest, PrintCountsAreTheMessageLengthWithoutAFinalZero)
{
    EXPECT_EQ(List((m_root / "gone.zip").string()), ENGINE_NO_ARCHIVE);
    ASSERT_FALSE(m_recorder.printed.empty());
    for (const std::string &line : m_recorder.printed) {
        EXPECT_EQ(line.find('\0'), std::string::npos);
        EXPECT_EQ(line.back(), '\n');
    }
}

TEST_F(ListingTest, NullCommandRecordIsRefused)
{
    EXPECT_EQ(Wiz_SingleEntryUnzip(0, nullptr, 0, nullptr, nullptr, nullptr), ENGINE_BAD_ARGUMENTS);
}

TEST_F(ListingTest, NullCallbackTableStillLists)
{
    const std::string archive = MakeArchive("a.zip", {{"a.txt", "a"}});
    UnzipCommandRecord command = Command(archive);
    command.ListOnly = 1;
    EXPECT_EQ(Wiz_SingleEntryUnzip(0, nullptr, 0, nullptr, &command, nullptr), ENGINE_OK);
}

TEST(VersionTest, FillsTextsAndEngineVersionGroup)
{
    UnzipVersionRecord version;
    std::memset(&version, ' ', sizeof version);
    version.Length = 64;
    version.Flags = 0;
    version.FirstText[9] = '\0';
    std::memset(version.Version4, 0, 4);
    EXPECT_EQ(UzpVersion2(&version), 0);
    EXPECT_STREQ(version.FirstText, "libzip");
    EXPECT_EQ(std::string(version.SecondText).rfind("pakreader", 0), 0u);
    EXPECT_EQ(version.Version4[0], KEPLO_VERSION_MAJOR);
    EXPECT_EQ(version.Version4[1], KEPLO_VERSION_MINOR);
    EXPECT_EQ(version.Version4[2], KEPLO_VERSION_PATCH);
}

TEST(VersionTest, ShortLengthLeavesFieldsBeyondItUntouched)
{
    UnzipVersionRecord version;
    std::memset(&version, 0x5A, sizeof version);
    version.Length = 18; // room for the first text only
    EXPECT_EQ(UzpVersion2(&version), 0);
    EXPECT_STREQ(version.FirstText, "libzip");
    EXPECT_EQ(static_cast<unsigned char>(version.SecondText[0]), 0x5Au);
    EXPECT_EQ(version.Version4[0], 0x5Au);
}

} // namespace
