// The heap readying that spares an archive's opening its page faults: the
// size hint read from the archive's end, and the readied memory being what
// the next allocations get.
#include "ReaderFixture.h"

#include "engine/common/HeapPrefault.h"

#include <zip.h>

#include <sys/resource.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using engine::ArchiveMemoryHint;
using engine::HeapPrefault;

class HeapPrefaultTest : public ReaderTest {
protected:
    size_t Hint(const std::string &path) { return ArchiveMemoryHint(path.c_str(), fs::file_size(path)); }

    std::vector<TestEntry> Entries(int count)
    {
        std::vector<TestEntry> entries;
        for (int i = 0; i < count; ++i)
            entries.emplace_back("folder/file" + std::to_string(i) + ".cs", "text " + std::to_string(i));
        return entries;
    }
};

[[maybe_unused]] long MinorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

TEST_F(HeapPrefaultTest, HintGrowsWithTheEntryCountOfTheEndRecord)
{
    const size_t few = Hint(MakeArchive("few.vl2", Entries(10)));
    const size_t many = Hint(MakeArchive("many.vl2", Entries(1000)));
    EXPECT_GT(few, 0u);
    EXPECT_EQ(many, few * 100);
}

TEST_F(HeapPrefaultTest, NoHintWithoutAPlainEndRecordAtTheEnd)
{
    // A comment after the end record, a file that is no archive, one too short
    // to hold the record, and one that is missing: no hint, nothing read wrongly.
    const std::string commented = MakeArchive("commented.vl2", Entries(50));
    zip_t *archive = zip_open(commented.c_str(), 0, nullptr);
    ASSERT_NE(archive, nullptr);
    ASSERT_EQ(zip_set_archive_comment(archive, "made for a test", 15), 0);
    ASSERT_EQ(zip_close(archive), 0);
    EXPECT_EQ(Hint(commented), 0u);

    WriteText(m_root / "text.vl2", std::string(4096, 'x'));
    EXPECT_EQ(Hint((m_root / "text.vl2").string()), 0u);
    WriteText(m_root / "short.vl2", "PK\x05\x06");
    EXPECT_EQ(Hint((m_root / "short.vl2").string()), 0u);
    EXPECT_EQ(ArchiveMemoryHint((m_root / "missing.vl2").c_str(), 4096), 0u);
    EXPECT_EQ(ArchiveMemoryHint(nullptr, 4096), 0u);
}

TEST_F(HeapPrefaultTest, PreparesWithinItsBoundsAndOnlyOnce)
{
    HeapPrefault small;
    EXPECT_EQ(small.Prepare(HeapPrefault::kMinimum - 1), 0u);

    HeapPrefault huge;
    const size_t readied = huge.Prepare(size_t{1} << 40);
    EXPECT_LE(readied, HeapPrefault::kLimit + (64u << 10));
    EXPECT_EQ(huge.Prepare(HeapPrefault::kLimit), 0u);
}

TEST_F(HeapPrefaultTest, LaterAllocationsFindTheirPagesPresent)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator holds freed blocks back";
#else
    constexpr size_t kUse = 2u << 20;
    HeapPrefault prefault;
    if (prefault.Prepare(kUse + (512u << 10)) == 0)
        GTEST_SKIP() << "this kernel cannot populate memory ahead (MADV_POPULATE_WRITE)";

    // What an archive's opening does: many small allocations, each written.
    std::vector<void *> blocks;
    blocks.reserve(kUse / 200);
    const long before = MinorFaults();
    for (size_t used = 0; used < kUse; used += 200) {
        void *block = std::malloc(200);
        ASSERT_NE(block, nullptr);
        std::memset(block, 0x5A, 200);
        blocks.push_back(block);
    }
    const long faults = MinorFaults() - before;
    for (void *block : blocks)
        std::free(block);
    // 2 MiB of fresh pages would be 512 faults.
    EXPECT_LT(faults, 64) << "the readied memory was not reused";
#endif
}

TEST_F(HeapPrefaultTest, ListingAnArchiveWithThousandsOfEntriesStaysWhole)
{
    const std::string archive = MakeArchive("thousands.vl2", Entries(3000));
    ASSERT_GE(Hint(archive), HeapPrefault::kMinimum);
    ASSERT_EQ(List(archive), ENGINE_OK);
    ASSERT_EQ(m_recorder.listed.size(), 3000u);
    EXPECT_EQ(m_recorder.listed.front().path, "folder/file0.cs");
    EXPECT_EQ(m_recorder.listed.back().path, "folder/file2999.cs");
}

} // namespace
