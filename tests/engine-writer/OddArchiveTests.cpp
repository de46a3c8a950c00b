// Archives made in the test with entries that no archiver writes on purpose
// but that readers accept: after one unrelated file is added, every entry
// keeps its bytes (local header, data, what follows it, central record; only
// the offset changes) and every entry that unzip accepted before still
// passes its test.
#include "RawZip.h"
#include "WriterFixture.h"

#include "engine/include/PakEngine.h"

#include <algorithm>
#include <sstream>

namespace {

std::string UnixTime(uint32_t seconds) {
    std::string data(1, '\x01');
    for (int i = 0; i < 4; ++i)
        data.push_back(static_cast<char>(seconds >> (8 * i)));
    return ExtraField(0x5455, data);
}

// "testing: name   OK" lines of unzip -t, sorted.
std::vector<std::string> PassedTests(const std::string &archive) {
    std::string output;
    RunCommand("unzip -t " + Quote(archive), &output);
    std::vector<std::string> passed;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        if (line.find("testing:") != std::string::npos && line.size() >= 2 &&
            line.compare(line.size() - 2, 2, "OK") == 0)
            passed.push_back(line);
    }
    std::sort(passed.begin(), passed.end());
    return passed;
}

struct OddCase {
    const char *name;
    RawEntry odd;
    std::string comment = "";
    std::string prefix = "";
};

RawEntry Plain(const std::string &name, const std::string &contents, bool deflate = false) {
    RawEntry entry;
    entry.name = name;
    entry.contents = contents;
    entry.deflate = deflate;
    return entry;
}

std::vector<OddCase> OddCases() {
    const std::string text = TextBytes(4000, "odd entry ");
    std::vector<OddCase> cases;
    auto add = [&](const char *name, auto change, std::string comment = "",
                   std::string prefix = "") {
        RawEntry entry = Plain("scripts/odd.cs", text, true);
        change(entry);
        cases.push_back(OddCase{name, entry, comment, prefix});
    };
    add("central compressed size larger", [](RawEntry &e) { e.centralCompressedSize = 900; });
    add("central compressed size smaller", [](RawEntry &e) { e.centralCompressedSize = 10; });
    add("central size differs", [](RawEntry &e) { e.centralSize = 3000; });
    add("central CRC differs", [](RawEntry &e) { e.centralCrc = 0x12345678; });
    add("central method differs", [](RawEntry &e) { e.centralMethod = 0; });
    add("central flags differ", [](RawEntry &e) { e.centralFlags = 0x0800; });
    add("local flags differ", [](RawEntry &e) { e.flags = 0x0800, e.centralFlags = 0; });
    add("central name differs", [](RawEntry &e) { e.centralName = "scripts/other.cs"; });
    add("central time differs", [](RawEntry &e) { e.centralTime = 0x1234; });
    add("extra field only in the central record",
        [](RawEntry &e) { e.centralExtra = UnixTime(1400000000); });
    add("extra field only in the local header",
        [](RawEntry &e) { e.localExtra = UnixTime(1400000000); });
    add("extra fields that disagree", [](RawEntry &e) {
        e.localExtra = UnixTime(1400000000);
        e.centralExtra = UnixTime(1500000000) + ExtraField(0xCAFE, "private");
    });
    add("padding after the central extra fields",
        [](RawEntry &e) { e.centralExtra = UnixTime(1400000000) + "\xff\xff"; });
    add("a cut sub-field in the local header",
        [](RawEntry &e) { e.localExtra = UnixTime(1400000000) + std::string("\x55\x78\x08\x00\x01", 5); });
    add("a zip64 field the record does not need", [](RawEntry &e) {
        e.centralExtra = ExtraField(0x0001, std::string(16, '\0'));
    });
    add("empty name", [](RawEntry &e) { e.name.clear(); });
    add("UTF-8 name not normalized", [](RawEntry &e) {
        e.name = "scripts/a\xCC\x88-skin.cs"; // "a" and a combining diaeresis
        e.flags = 0x0800;
    });
    add("code page 437 name", [](RawEntry &e) { e.name = "scripts/caf\x82.cs"; });
    add("data descriptor with signature", [](RawEntry &e) { e.dataDescriptor = true; });
    add("data descriptor without signature", [](RawEntry &e) {
        e.dataDescriptor = true;
        e.descriptorSignature = false;
    });
    add("bytes between entries", [](RawEntry &e) { e.after = "left over from an old tool"; });
    add("entry comment", [](RawEntry &e) { e.comment = "an entry comment"; });
    add("stored entry", [](RawEntry &e) { e.deflate = false; });
    add(
        "archive comment", [](RawEntry &) {}, "made for the game");
    add(
        "a program before the entries", [](RawEntry &) {}, "", "#!/bin/sh\nexit 0\n");
    return cases;
}

class OddArchiveUpdateTest : public WriterTest {};

TEST_F(OddArchiveUpdateTest, AddingAFileKeepsEveryOtherEntryByteForByteAndAsReadableAsBefore) {
    for (const OddCase &odd : OddCases()) {
        SCOPED_TRACE(odd.name);
        const std::vector<RawEntry> entries = {Plain("readme.txt", "plain text"), odd.odd,
                                               Plain("textures/red.png", RandomBytes(3000, 6))};
        WriteFileAt(ArchivePath(), BuildZip(entries, odd.comment, odd.prefix));
        const std::string before = ReadFileAt(ArchivePath());
        const std::vector<std::string> passedBefore = PassedTests(ArchivePath());
        ASSERT_GE(passedBefore.size(), 2u) << "unzip should accept at least the plain entries";
        WriteRootFile("added.txt", "one unrelated file");

        ASSERT_EQ(Zip({"added.txt"}).result, ENGINE_OK);

        const std::vector<StoredEntry> old = StoredEntries(before);
        const std::vector<StoredEntry> now = StoredEntries(ReadFileAt(ArchivePath()));
        ASSERT_EQ(old.size(), 3u);
        ASSERT_EQ(now.size(), 4u);
        for (size_t i = 0; i < old.size(); ++i) {
            EXPECT_TRUE(now[i].record == old[i].record) << "central record " << i;
            EXPECT_TRUE(now[i].bytes == old[i].bytes) << "local header and data " << i;
        }
        const std::vector<std::string> passedAfter = PassedTests(ArchivePath());
        EXPECT_TRUE(std::includes(passedAfter.begin(), passedAfter.end(), passedBefore.begin(),
                                  passedBefore.end()));
        EXPECT_EQ(passedAfter.size(), passedBefore.size() + 1);
        const std::string after = ReadFileAt(ArchivePath());
        EXPECT_EQ(after.substr(0, odd.prefix.size()), odd.prefix);
        EXPECT_TRUE(
            after.size() > odd.comment.size() &&
            after.compare(after.size() - odd.comment.size(), odd.comment.size(), odd.comment) == 0)
            << "the archive comment";
    }
}

} // namespace

namespace {

// unzip checks an entry whose local header holds no name against the name
// it read last; in these archives that is the entry's own central name, so
// they pass unzip -t, and any added entry would make them fail it.
struct NamelessCase {
    const char *name;
    std::vector<RawEntry> entries;
};

std::vector<NamelessCase> NamelessCases() {
    RawEntry nameless = Plain("", "nameless");
    RawEntry unnamedLocal = Plain("", "named only in the central record");
    unnamedLocal.centralName = "scripts/named.cs";
    return {
        {"an entry whose name is empty", {nameless}},
        {"two entries whose names are both empty", {nameless, nameless}},
        {"a local header whose name is missing", {unnamedLocal}},
    };
}

class NamelessUpdateTest : public WriterTest {};

TEST_F(NamelessUpdateTest, AddingAFileRefusesAndLeavesTheArchiveByteForByte) {
    for (const NamelessCase &nameless : NamelessCases()) {
        SCOPED_TRACE(nameless.name);
        std::vector<RawEntry> entries = nameless.entries;
        WriteFileAt(ArchivePath(), BuildZip(entries));
        const std::string before = ReadFileAt(ArchivePath());
        if (RunCommand("command -v unzip >/dev/null") == 0) {
            ASSERT_EQ(RunCommand("unzip -tq " + Quote(ArchivePath()) + " >/dev/null 2>&1"), 0);
        }
        WriteRootFile("added.txt", "one unrelated file");

        const auto outcome = Zip({"added.txt"});
        EXPECT_EQ(outcome.result, ENGINE_BAD_ARCHIVE);
        EXPECT_TRUE(outcome.Printed("holds no name") || outcome.Printed("has no name"));
        EXPECT_TRUE(outcome.Printed("the archive was left as it was"));
        EXPECT_TRUE(ReadFileAt(ArchivePath()) == before);
    }
}

TEST_F(NamelessUpdateTest, AnEntryThatFailsUnzipsCheckAlreadyDoesNotStopTheUpdate) {
    // The nameless entry follows a named one: unzip checks it against that
    // name and warns today, so adding a file cannot make it worse.
    WriteFileAt(ArchivePath(), BuildZip({Plain("readme.txt", "plain"), Plain("", "nameless")}));
    WriteRootFile("added.txt", "one unrelated file");
    EXPECT_EQ(Zip({"added.txt"}).result, ENGINE_OK);
    EXPECT_EQ(StoredEntries(ReadFileAt(ArchivePath())).size(), 3u);
}

} // namespace
