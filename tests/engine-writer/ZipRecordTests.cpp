// The engine's own zip records, from its sources: moving a kept entry's
// central record to a new offset, finding an archive's end record and
// directory, and copying a stretch of another file into the output.
#include "RawZip.h"
#include "WriterFixture.h"

#include "engine/writer/ArchiveOutput.h"
#include "engine/writer/ZipDirectory.h"
#include "engine/writer/ZipRecords.h"

#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace {

uint64_t Get(const std::string &bytes, size_t at, int length) {
    uint64_t value = 0;
    for (int i = length - 1; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
    return value;
}

std::string Le(uint64_t value, int length) {
    std::string bytes;
    for (int i = 0; i < length; ++i)
        bytes.push_back(static_cast<char>(value >> (8 * i)));
    return bytes;
}

// A central record as BuildZip writes it, with the fixed fields changed.
std::string Record(const std::string &extra, uint32_t size = 100, uint32_t compressed = 60,
                   uint32_t offset = 1234) {
    RawEntry entry;
    entry.name = "a.txt";
    entry.centralExtra = extra;
    entry.centralSize = size;
    entry.centralCompressedSize = compressed;
    const std::string archive = BuildZip({entry});
    std::string record = archive.substr(30 + 5, 46 + 5 + extra.size());
    record.replace(42, 4, Le(offset, 4));
    return record;
}

// The offset a record says, through its zip64 field when it has to.
uint64_t OffsetOf(const std::string &record) {
    const std::optional<size_t> at = writer::Zip64OffsetPosition(record);
    return at ? Get(record, *at, 8) : Get(record, 42, 4);
}

struct RelocationCase {
    const char *name;
    std::string record;
    uint64_t newOffset;
    size_t growth;      // bytes the record grows by
    uint16_t extraSize; // the zip64 field's data size afterwards, 0 for none
};

TEST(ZipRecordTest, ARecordMovesWithOnlyItsOffsetChangedAndGrowsAZip64FieldOnlyWhenNeeded) {
    const std::string timestamp = ExtraField(0x5455, std::string("\x01\x00\x00\x00\x50", 5));
    const std::vector<RelocationCase> cases = {
        {"small offset", Record(timestamp), 987654, 0, 0},
        {"offset beyond 4 GiB, no zip64 field yet", Record(timestamp), 0x123456789ull, 12, 8},
        {"offset beyond 4 GiB after a zip64 size",
         Record(ExtraField(1, Le(0x100000000ull, 8)) + timestamp, 0xFFFFFFFF), 0x223456789ull, 8,
         16},
        {"offset beyond 4 GiB behind a damaged extra field",
         Record(std::string("\x01\x99\x07\x20", 4) + std::string("AE\x03\x08\x00\x02\x00", 7)),
         0x100000000ull, 12, 8},
        {"offset beyond 4 GiB of a record with a size marker but no zip64 field",
         Record(timestamp, 0xFFFFFFFF), 0x100000000ull, 20, 16},
        {"zip64 offset kept as zip64", Record(ExtraField(1, Le(5000, 8)), 100, 60, 0xFFFFFFFF), 77,
         0, 8},
    };
    for (const RelocationCase &test : cases) {
        SCOPED_TRACE(test.name);
        const std::optional<std::string> moved =
            writer::RelocatedRecord(test.record, test.newOffset);
        ASSERT_TRUE(moved.has_value());
        EXPECT_EQ(moved->size(), test.record.size() + test.growth);
        EXPECT_EQ(OffsetOf(*moved), test.newOffset);
        // Everything but the offset, the extra length and the version needed is as it was.
        EXPECT_EQ(moved->substr(0, 6), test.record.substr(0, 6));
        EXPECT_EQ(moved->substr(8, 22), test.record.substr(8, 22));
        EXPECT_EQ(moved->substr(32, 10), test.record.substr(32, 10));
        EXPECT_EQ(moved->find("a.txt"), 46u);
        EXPECT_EQ(moved->find(timestamp) != std::string::npos,
                  test.record.find(timestamp) != std::string::npos);
        size_t at = 0, length = 0;
        const bool zip64 = writer::FindExtraField(writer::ExtraFields(*moved), 1, at, length);
        EXPECT_EQ(zip64 ? length : 0u, test.extraSize);
        if (test.growth > 0) {
            EXPECT_EQ(static_cast<uint8_t>((*moved)[6]), 45) << "zip64 needs version 4.5";
        }
    }
}

// The input that once stopped the directory fuzz target: only the
// compressed size carries the marker, yet the zip64 field holds 16 bytes.
// Moved below 4 GiB, the record keeps its offset in the fixed field, where
// readers look when that field is no marker; its zip64 field stays as it was.
TEST(ZipRecordTest, ARecordWhoseZip64FieldHoldsMoreThanItsMarkersAskKeepsItsOffsetInTheFixedField) {
    std::string record = std::string("PK\x01\x02", 4) + std::string(16, '\0');
    record += std::string("\xff\xff\xff\xff", 4);      // compressed size: the marker
    record += std::string("\x5d\xff\xff\xff", 4);      // size: a value
    record += std::string("\x01\x00\x14\x00", 4);      // name and extra lengths
    record += std::string(10, '\0');                        // comment, disk, attributes
    record += std::string(4, '\0'); // local header offset 0
    record += "A";
    const std::string zip64 = std::string("\x01\x00\x10\x00", 4) + std::string(16, '\xff');
    record += zip64;
    const std::optional<std::string> moved = writer::RelocatedRecord(record, 77);
    ASSERT_TRUE(moved.has_value());
    EXPECT_EQ(moved->substr(42, 4), std::string("\x4d\x00\x00\x00", 4));
    EXPECT_EQ(moved->substr(moved->size() - zip64.size()), zip64);
    EXPECT_EQ(moved->size(), record.size());
}

TEST(ZipRecordTest, ARecordWithoutRoomForAZip64FieldCannotMovePast4GiB) {
    const std::string full = Record(ExtraField(0xCAFE, std::string(65531 - 4, 'x')));
    EXPECT_FALSE(writer::RelocatedRecord(full, 0x100000000ull).has_value());
    EXPECT_TRUE(writer::RelocatedRecord(full, 100).has_value());
}

struct DirectoryCase {
    const char *name;
    std::string bytes;
    int entries; // -1: refused
};

class ZipDirectoryTest : public WriterTest {
protected:
    bool Read(const std::string &bytes, writer::ZipDirectory &directory, std::string &error) {
        WriteFileAt(Path("read.zip"), bytes);
        const int fd = open(Path("read.zip").c_str(), O_RDONLY);
        const bool read = writer::ReadZipDirectory(fd, directory, error);
        close(fd);
        return read;
    }
};

TEST_F(ZipDirectoryTest, TheRightEndRecordIsFoundAndDamagedArchivesAreRefused) {
    RawEntry a, b;
    a.name = "a.txt";
    a.contents = "first";
    b.name = "inner.zip";
    b.contents = BuildZip({}); // an empty archive stored as the last entry's data
    const std::string two = BuildZip({a, b});
    std::string split = two;
    split[two.size() - 22 + 4] = 1; // "this is disk 1"
    std::string countedShort = two;
    countedShort[two.size() - 22 + 8] = 1; // "1 entry", as a count modulo 65,536 may read
    countedShort[two.size() - 22 + 10] = 1;
    std::string truncatedDirectory = two;
    truncatedDirectory.erase(two.size() - 22 - 10, 10);
    const std::vector<DirectoryCase> cases = {
        {"plain", two, 2},
        {"an empty file", "", 0},
        {"bytes after the end record", two + "trailing bytes", 2},
        {"a comment holding an end record signature",
         BuildZip({a, b}, std::string("PK\x05\x06", 4) + std::string(18, '\0')), 2},
        {"not a zip archive", "this is plain text and nothing else, long enough", -1},
        {"an entry count that wrapped around", countedShort, 2},
        {"split over several files", split, -1},
        {"a central directory cut short", truncatedDirectory, -1},
    };
    for (const DirectoryCase &test : cases) {
        SCOPED_TRACE(test.name);
        writer::ZipDirectory directory;
        std::string error;
        const bool read = Read(test.bytes, directory, error);
        EXPECT_EQ(read, test.entries >= 0) << error;
        if (read) {
            EXPECT_EQ(directory.records.size(), static_cast<size_t>(test.entries));
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST_F(ZipDirectoryTest, EachEntryReachesToTheNextLocalHeader) {
    RawEntry a, b;
    a.name = "a.txt";
    a.contents = "first";
    a.after = "gap";
    b.name = "b.txt";
    b.contents = "second";
    writer::ZipDirectory directory;
    std::string error;
    ASSERT_TRUE(Read(BuildZip({b, a}), directory, error)) << error;
    ASSERT_EQ(directory.records.size(), 2u);
    EXPECT_EQ(directory.records[0].localOffset, 0u);
    EXPECT_EQ(directory.records[0].spanEnd, 30u + 5 + 6);
    EXPECT_EQ(directory.records[1].spanEnd, directory.centralOffset);
    EXPECT_EQ(directory.centralOffset, 30u + 5 + 6 + 30 + 5 + 5 + 3);
}

TEST_F(ZipDirectoryTest, OutputCopiesStretchesOfAnotherFileAndLeavesNothingWhenItFails) {
    // A file on another file system: copy_file_range may refuse it, and the
    // bytes then go through memory.
    const std::string source = "/dev/shm/writer-test-source-" + std::to_string(getpid());
    const std::string contents = RandomBytes(3u << 20, 11);
    WriteFileAt(source, contents);
    const int fd = open(source.c_str(), O_RDONLY);
    unlink(source.c_str());
    ASSERT_GE(fd, 0);
    {
        writer::ArchiveOutput out(ArchivePath());
        ASSERT_TRUE(out.Open());
        EXPECT_TRUE(out.Write("head"));
        EXPECT_TRUE(out.CopyFrom(fd, 1000, contents.size() - 2000));
        EXPECT_EQ(out.Position(), 4 + contents.size() - 2000);
        EXPECT_TRUE(out.Commit());
    }
    const std::string written = ReadFileAt(ArchivePath());
    EXPECT_TRUE(written == "head" + contents.substr(1000, contents.size() - 2000));
    {
        writer::ArchiveOutput out(ArchivePath());
        ASSERT_TRUE(out.Open());
        EXPECT_FALSE(out.CopyFrom(fd, contents.size() - 10, 20)) << "the source ends too early";
        EXPECT_FALSE(out.Write("more"));
        EXPECT_FALSE(out.Commit());
        EXPECT_FALSE(out.Error().empty());
    }
    close(fd);
    EXPECT_TRUE(ReadFileAt(ArchivePath()) == written);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir),
                            std::filesystem::directory_iterator()),
              2)
        << "no temporary file is left beside the archive";
}

} // namespace
