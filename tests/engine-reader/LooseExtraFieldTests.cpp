// Archives whose extra-field blocks end in padding or in a sub-field cut
// short, in the central record, the local header or both: libzip refuses
// the central kinds, unzip and 7z read them all. The engine lists and
// extracts them with the same bytes as those tools, and still refuses what
// is unsafe in them.
#include "ReaderFixture.h"

#include "../engine-writer/RawZip.h"

#include <cstdio>
#include <memory>

namespace {

struct LooseCase {
    const char *name;
    std::string centralTail; // bytes after a whole timestamp field
    std::string localTail;
};

std::string Timestamp() {
    return ExtraField(0x5455, std::string("\x01\x00\xca\x9a\x3b", 5));
}

// A sub-field whose length runs past the block: the block's size disagrees
// with the sub-fields it holds.
std::string CutSubField() {
    return std::string("\x55\x78\x08\x00\x01\x00", 6);
}

const std::vector<LooseCase> &Cases() {
    static const std::vector<LooseCase> cases = {
        {"one zero byte in the central record", std::string(1, '\0'), ""},
        {"three zero bytes in the central record", std::string(3, '\0'), ""},
        {"one 0xFF byte in the central record", "\xff", ""},
        {"three 0xFF bytes in the central record", "\xff\xff\xff", ""},
        {"two 0xFF bytes in the local header", "", "\xff\xff"},
        {"three zero bytes in the local header", "", std::string(3, '\0')},
        {"padding in both headers", "\xff", std::string(2, '\0')},
        {"a cut sub-field in the central record", CutSubField(), ""},
        {"a cut sub-field in both headers", CutSubField(), CutSubField()},
    };
    return cases;
}

std::string Contents(int i) {
    std::string text;
    for (int line = 0; line < 40; ++line)
        text += "line " + std::to_string(line) + " of entry " + std::to_string(i) + "\n";
    return text;
}

std::string LooseArchive(const LooseCase &loose) {
    std::vector<RawEntry> entries(3);
    const char *names[] = {"scripts/odd.cs", "textures/red.png", "readme.txt"};
    for (int i = 0; i < 3; ++i) {
        entries[i].name = names[i];
        entries[i].contents = Contents(i);
        entries[i].deflate = i != 1;
    }
    entries[0].centralExtra = Timestamp() + loose.centralTail;
    entries[0].localExtra = Timestamp() + loose.localTail;
    entries[1].centralExtra = loose.centralTail;
    entries[1].localExtra = loose.localTail;
    return BuildZip(entries);
}

bool HaveTool(const char *tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

std::string CommandOutput(const std::string &command) {
    std::string output;
    std::unique_ptr<FILE, int (*)(FILE *)> pipe(popen(command.c_str(), "r"), pclose);
    char buffer[4096];
    size_t got = 0;
    while (pipe && (got = fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
        output.append(buffer, got);
    return output;
}

class LooseExtraFieldTest : public ReaderTest {};

TEST_F(LooseExtraFieldTest, EachKindListsAndExtractsTheBytesUnzipAnd7zRead) {
    const bool unzip = HaveTool("unzip"), sevenZip = HaveTool("7z");
    for (const LooseCase &loose : Cases()) {
        SCOPED_TRACE(loose.name);
        const fs::path archive = m_root / "loose.zip";
        WriteText(archive, LooseArchive(loose));

        ASSERT_EQ(List(archive.string()), ENGINE_OK);
        ASSERT_EQ(m_recorder.listed.size(), 3u);
        EXPECT_EQ(m_recorder.listed[0].path, "scripts/odd.cs");
        EXPECT_EQ(m_recorder.listed[1].path, "textures/red.png");

        const fs::path target = m_root / "out";
        ASSERT_EQ(Extract(archive.string(), target.string()), ENGINE_OK);
        const char *names[] = {"scripts/odd.cs", "textures/red.png", "readme.txt"};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(ReadText(target / names[i]), Contents(i)) << names[i];
            if (unzip) {
                EXPECT_EQ(CommandOutput("unzip -p '" + archive.string() + "' " + names[i]), Contents(i));
            }
        }
        if (sevenZip) {
            const fs::path seven = m_root / "7z";
            CommandOutput("7z x -y -o'" + seven.string() + "' '" + archive.string() + "' >/dev/null 2>&1");
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(ReadText(seven / names[i]), ReadText(target / names[i])) << names[i];
        }
        fs::remove_all(target);
        fs::remove_all(m_root / "7z");
    }
}

TEST_F(LooseExtraFieldTest, WhatIsUnsafeStaysRefused) {
    std::vector<RawEntry> entries(3);
    entries[0].name = "../escape.txt";
    entries[1].name = "/tmp/pakreader-loose-absolute.txt";
    entries[2].name = "ok.txt";
    for (RawEntry &entry : entries) {
        entry.contents = "words";
        entry.centralExtra = "\xff\xff";
    }
    const fs::path archive = m_root / "loose-unsafe.zip";
    WriteText(archive, BuildZip(entries));
    const fs::path target = m_root / "deep" / "target";
    EXPECT_EQ(Extract(archive.string(), target.string()), ENGINE_WARNING);
    EXPECT_EQ(Tree(target), std::vector<std::string>{"ok.txt"});
    EXPECT_FALSE(fs::exists(m_root / "deep" / "escape.txt"));
    EXPECT_FALSE(fs::exists("/tmp/pakreader-loose-absolute.txt"));
}

TEST_F(LooseExtraFieldTest, EncryptedEntriesOfSuchAnArchiveAreSkippedAsUnsupported) {
    std::vector<RawEntry> entries(2);
    entries[0].name = "secret.txt";
    entries[0].contents = "not really encrypted";
    entries[0].flags = 1;
    entries[0].centralExtra = "\xff";
    entries[1].name = "ok.txt";
    entries[1].contents = "words";
    const fs::path archive = m_root / "loose-encrypted.zip";
    WriteText(archive, BuildZip(entries));
    EXPECT_EQ(Extract(archive.string(), m_target.string()), ENGINE_UNSUPPORTED);
    EXPECT_TRUE(m_recorder.Printed("secret.txt"));
    EXPECT_EQ(Tree(m_target), std::vector<std::string>{"ok.txt"});
}

// The end records claim far more entries than the directory's bytes can
// hold: refused at once, without memory for the claimed count.
TEST_F(LooseExtraFieldTest, ClaimedCountBombIsRefusedWithoutTakingMemoryForIt) {
    RawEntry entry;
    entry.name = "one.txt";
    entry.contents = "one";
    std::string bytes = BuildZip({entry});
    const size_t end = bytes.size() - 22;
    std::string zip64End = std::string("PK\x06\x06", 4);
    auto append = [](std::string &out, uint64_t value, int count) {
        for (int i = 0; i < count; ++i)
            out.push_back(static_cast<char>(value >> (8 * i)));
    };
    const uint64_t centralSize = (bytes[end + 12] & 0xFF) | (bytes[end + 13] & 0xFF) << 8;
    const uint64_t centralOffset = end - centralSize;
    append(zip64End, 44, 8);
    append(zip64End, 45, 2);
    append(zip64End, 45, 2);
    append(zip64End, 0, 4);
    append(zip64End, 0, 4);
    append(zip64End, uint64_t{1} << 40, 8);
    append(zip64End, uint64_t{1} << 40, 8);
    append(zip64End, centralSize, 8);
    append(zip64End, centralOffset, 8);
    std::string locator = std::string("PK\x06\x07", 4);
    append(locator, 0, 4);
    append(locator, end, 8);
    append(locator, 1, 4);
    std::string record = bytes.substr(end);
    record[8] = record[9] = record[10] = record[11] = '\xff';
    const fs::path archive = m_root / "count-bomb.zip";
    WriteText(archive, bytes.substr(0, end) + zip64End + locator + record);
    EXPECT_EQ(List(archive.string()), ENGINE_BAD_ARCHIVE);
    EXPECT_TRUE(m_recorder.listed.empty());
}

} // namespace

namespace {

class LooseLargeEntryTest : public ReaderTest {};

// Entries past the size the engine reads whole stream from their local
// header, stored and deflated alike.
TEST_F(LooseLargeEntryTest, LargeEntriesStreamFromTheirLocalHeaderWithTheirBytes) {
    std::string big;
    big.reserve(9u << 20);
    for (uint32_t i = 0; big.size() < (9u << 20); ++i)
        big += "record " + std::to_string(i * 2654435761u) + "\n";
    std::vector<RawEntry> entries(2);
    entries[0].name = "big-deflated.dat";
    entries[0].contents = big;
    entries[0].deflate = true;
    entries[0].centralExtra = "\xff";
    entries[1].name = "big-stored.dat";
    entries[1].contents = big;
    const fs::path archive = m_root / "loose-large.zip";
    WriteText(archive, BuildZip(entries));
    ASSERT_EQ(Extract(archive.string(), m_target.string()), ENGINE_OK);
    EXPECT_TRUE(ReadText(m_target / "big-deflated.dat") == big);
    EXPECT_TRUE(ReadText(m_target / "big-stored.dat") == big);
}

TEST_F(LooseLargeEntryTest, AStreamedEntryWhoseCrcDiffersIsAnErrorAndLeavesNoFile) {
    RawEntry entry;
    entry.name = "big.dat";
    entry.contents = std::string(9u << 20, 'b');
    entry.centralExtra = "\xff";
    entry.centralCrc = 0x12345678;
    const fs::path archive = m_root / "loose-bad-crc.zip";
    WriteText(archive, BuildZip({entry}));
    EXPECT_EQ(Extract(archive.string(), m_target.string()), ENGINE_CRC_ERROR);
    EXPECT_TRUE(m_recorder.Printed("bad CRC"));
    EXPECT_TRUE(Tree(m_target).empty());
}

TEST_F(LooseLargeEntryTest, DamagedDataOfALooseArchiveIsReportedNotWritten) {
    RawEntry entry;
    entry.name = "damaged.txt";
    entry.contents = std::string(5000, 'a');
    entry.deflate = true;
    entry.centralExtra = "\xff";
    std::string bytes = BuildZip({entry});
    bytes[30 + entry.name.size() + 2] ^= 0x55; // inside the deflated data
    const fs::path archive = m_root / "loose-damaged.zip";
    WriteText(archive, bytes);
    const int32_t result = Extract(archive.string(), m_target.string());
    EXPECT_TRUE(result == ENGINE_BAD_ARCHIVE || result == ENGINE_CRC_ERROR) << result;
    EXPECT_TRUE(Tree(m_target).empty());
}

} // namespace

namespace {

class LooseZip64FieldTest : public ReaderTest {};

// The central record marks only its compressed size for the zip64 field,
// which holds that size and 8 or 4 bytes more: libzip refuses it, unzip and
// 7z read the size and pass over the rest.
TEST_F(LooseZip64FieldTest, AZip64FieldLongerThanItsMarkersAskIsReadForItsValues) {
    for (const size_t more : {size_t{4}, size_t{8}}) {
        SCOPED_TRACE(more);
        RawEntry entry;
        entry.name = "scripts/zip64.cs";
        entry.contents = Contents(7);
        entry.deflate = true;
        const std::string packed = BuildZip({entry});
        const uint64_t packedSize = packed.size() - 2 * entry.name.size() - 30 - 46 - 22;
        std::string value;
        for (int i = 0; i < 8; ++i)
            value.push_back(static_cast<char>(packedSize >> (8 * i)));
        entry.centralCompressedSize = 0xFFFFFFFF;
        entry.centralExtra = ExtraField(0x0001, value + std::string(more, '\0'));
        const fs::path archive = m_root / "zip64-longer.zip";
        WriteText(archive, BuildZip({entry}));

        ASSERT_EQ(List(archive.string()), ENGINE_OK);
        ASSERT_EQ(m_recorder.listed.size(), 1u);
        ASSERT_EQ(Extract(archive.string(), m_target.string()), ENGINE_OK);
        EXPECT_EQ(ReadText(m_target / "scripts/zip64.cs"), Contents(7));
        if (HaveTool("unzip")) {
            EXPECT_EQ(CommandOutput("unzip -p '" + archive.string() + "'"), Contents(7));
        }
        fs::remove_all(m_target);
    }
}

} // namespace
