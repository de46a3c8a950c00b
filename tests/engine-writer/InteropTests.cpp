// What the engine writes, read by Debian's zip and unzip, and archives
// written by zip updated by the engine.
#include "RawZip.h"
#include "WriterFixture.h"

#include "engine/include/PakEngine.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <zip.h>

namespace {

class InteropTest : public WriterTest {
protected:
    void MakeMixedFolder() {
        WriteRootFile("textures/skins/red.png", RandomBytes(30000, 4), 1400000000);
        WriteRootFile("scripts/main.cs", TextBytes(50000, "function main() {} "), 1400000002);
        WriteRootFile("readme.txt", "short", 1400000004);
        WriteRootFile("empty.dat", "", 1400000006);
    }

    static std::vector<std::string> Lines(const std::string &text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
};

TEST_F(InteropTest, WhatWeWritePassesUnzipTestAndZipTest) {
    MakeMixedFolder();
    ASSERT_EQ(Zip().result, ENGINE_OK);

    std::string output;
    EXPECT_EQ(RunCommand("unzip -t " + Quote(ArchivePath()), &output), 0) << output;
    EXPECT_NE(output.find("No errors detected"), std::string::npos);
    EXPECT_EQ(RunCommand("zip -T " + Quote(ArchivePath()), &output), 0) << output;
}

TEST_F(InteropTest, UnzipListsTheEntriesWithTheirSizesMethodsAndTimes) {
    MakeMixedFolder();
    ASSERT_EQ(Zip().result, ENGINE_OK);

    std::string names;
    ASSERT_EQ(RunCommand("unzip -Z1 " + Quote(ArchivePath()), &names), 0);
    EXPECT_EQ(Lines(names), (std::vector<std::string>{"empty.dat", "readme.txt", "scripts/main.cs",
                                                      "textures/skins/red.png"}));
    std::string listing;
    ASSERT_EQ(RunCommand("TZ=UTC unzip -Z -T " + Quote(ArchivePath()), &listing), 0);
    const std::vector<std::string> lines = Lines(listing);
    // "-rw-r--r--  6.3 unx    30000 b- stor 20140513.165320 textures/skins/red.png"
    auto line = [&](const std::string &name) {
        for (const std::string &text : lines)
            if (text.size() > name.size() &&
                text.compare(text.size() - name.size(), name.size(), name) == 0)
                return text;
        return std::string();
    };
    // "x": an extra field (the exact time) and no data descriptor.
    EXPECT_NE(line("textures/skins/red.png").find(" 30000 bx stor 20140513.165320 "),
              std::string::npos)
        << line("textures/skins/red.png");
    EXPECT_NE(line("scripts/main.cs").find(" 50000 "), std::string::npos);
    EXPECT_NE(line("scripts/main.cs").find(" defN 20140513.165322 "), std::string::npos)
        << line("scripts/main.cs");
    EXPECT_NE(line("empty.dat").find(" 0 bx stor "), std::string::npos) << line("empty.dat");
}

TEST_F(InteropTest, UnzipExtractsExactlyTheFilesWePacked) {
    MakeMixedFolder();
    ASSERT_EQ(Zip().result, ENGINE_OK);

    ASSERT_EQ(RunCommand("unzip -q " + Quote(ArchivePath()) + " -d " + Quote(Path("out"))), 0);
    for (const char *name :
         {"textures/skins/red.png", "scripts/main.cs", "readme.txt", "empty.dat"})
        EXPECT_EQ(ReadFileAt(Path("out/") + name), ReadFileAt(Root() + "/" + name)) << name;
}

TEST_F(InteropTest, AUtf8NameIsFlaggedAndShownCorrectlyByUnzip) {
    const std::string name = "textures/skins/sk\xC3\xAFn-\xE2\x82\xAC.png"; // "skïn-€.png"
    WriteRootFile(name, "utf-8");
    WriteRootFile("plain.png", "ascii");
    ASSERT_EQ(Zip().result, ENGINE_OK);

    std::string names;
    ASSERT_EQ(RunCommand("unzip -Z1 " + Quote(ArchivePath()), &names), 0);
    EXPECT_EQ(Lines(names), (std::vector<std::string>{"plain.png", name}));
    const ArchiveLayout layout = ReadLayout(ArchivePath());
    ASSERT_EQ(layout.entries.size(), 2u);
    EXPECT_EQ(layout.entries[0].centralFlags & 0x0800, 0) << "an ASCII name carries no UTF-8 flag";
    EXPECT_EQ(layout.entries[1].centralFlags & 0x0800, 0x0800);
    EXPECT_EQ(layout.entries[1].localFlags & 0x0800, 0x0800);
}

TEST_F(InteropTest, NoDataDescriptorsAndNoZip64InASmallArchive) {
    MakeMixedFolder();
    ASSERT_EQ(Zip().result, ENGINE_OK);
    WriteRootFile("readme.txt", "changed");
    ASSERT_EQ(Zip().result, ENGINE_OK);

    const ArchiveLayout layout = ReadLayout(ArchivePath());
    ASSERT_EQ(layout.entries.size(), 4u);
    EXPECT_FALSE(layout.zip64EndRecord);
    for (const HeaderFacts &entry : layout.entries) {
        EXPECT_EQ(entry.localFlags & 0x0008, 0) << entry.name;
        EXPECT_EQ(entry.centralFlags & 0x0008, 0) << entry.name;
        EXPECT_FALSE(entry.zip64Extra) << entry.name;
    }
}

TEST_F(InteropTest, AnArchiveWrittenByZipIsUpdatedAndStillPassesBothTools) {
    MakeMixedFolder();
    std::string output;
    ASSERT_EQ(
        RunCommand("cd " + Quote(Root()) + " && zip -qr " + Quote(ArchivePath()) + " .", &output),
        0)
        << output;
    const std::vector<EntryFacts> before = ReadEntries(ArchivePath());
    const std::vector<StoredEntry> storedBefore = StoredEntries(ReadFileAt(ArchivePath()));
    WriteRootFile("scripts/main.cs", TextBytes(50000, "function changed() {} "));
    WriteRootFile("scripts/extra.cs", "extra");

    EXPECT_EQ(Zip().result, ENGINE_OK);

    // zip's own headers and extra fields (times, owners) stay as zip wrote them.
    const std::vector<StoredEntry> storedAfter = StoredEntries(ReadFileAt(ArchivePath()));
    ASSERT_EQ(storedAfter.size(), before.size() + 1);
    for (size_t i = 0; i < before.size(); ++i) {
        if (before[i].name != "scripts/main.cs") {
            EXPECT_TRUE(storedAfter[i].record == storedBefore[i].record) << before[i].name;
            EXPECT_TRUE(storedAfter[i].bytes == storedBefore[i].bytes) << before[i].name;
        }
    }

    EXPECT_EQ(RunCommand("unzip -tq " + Quote(ArchivePath()), &output), 0) << output;
    EXPECT_EQ(RunCommand("zip -T " + Quote(ArchivePath()), &output), 0) << output;
    const std::vector<EntryFacts> after = ReadEntries(ArchivePath());
    ASSERT_EQ(after.size(), before.size() + 1);
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(after[i].name, before[i].name);
        if (before[i].name == "scripts/main.cs") {
            EXPECT_TRUE(after[i].contents == TextBytes(50000, "function changed() {} "));
        } else {
            EXPECT_EQ(after[i].rawData, before[i].rawData) << before[i].name;
        }
    }
    EXPECT_EQ(after.back().name, "scripts/extra.cs");

    // The replaced entry carries its own exact time, not zip's old fields.
    int error = 0;
    zip_t *za = zip_open(ArchivePath().c_str(), ZIP_RDONLY, &error);
    ASSERT_NE(za, nullptr);
    const zip_int64_t index = zip_name_locate(za, "scripts/main.cs", 0);
    ASSERT_GE(index, 0);
    const auto at = static_cast<zip_uint64_t>(index);
    EXPECT_EQ(zip_file_extra_fields_count(za, at, ZIP_FL_CENTRAL), 1);
    EXPECT_EQ(zip_file_extra_fields_count(za, at, ZIP_FL_LOCAL), 1);
    zip_uint16_t id = 0;
    zip_file_extra_field_get(za, at, 0, &id, nullptr, ZIP_FL_CENTRAL);
    EXPECT_EQ(id, 0x5455);
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    zip_file_get_external_attributes(za, at, 0, &system, &attributes);
    EXPECT_EQ(system, ZIP_OPSYS_UNIX);
    EXPECT_EQ(attributes >> 16, 0100644u);
    zip_discard(za);
}

TEST_F(InteropTest, FreshPackingCompressesAboutAsWellAsZip) {
    // Script-like text from a small vocabulary, as game scripts are.
    const char *words[] = {
        "function", "return",   "%client", "if",  "else", "datablock", "ShapeBaseImageData",
        "{",        "}",        ";",       "=",   "\n",   "Team",      "Player",
        "%obj",     "schedule", "new",     "echo"};
    uint32_t state = 12345;
    for (int i = 0; i < 20; ++i) {
        std::string text;
        while (text.size() < 60000) {
            state = state * 1103515245u + 12345u;
            text += words[(state >> 16) % (sizeof words / sizeof words[0])];
            text += (state >> 8) % 7 == 0 ? "\n" : " ";
        }
        WriteRootFile("f" + std::to_string(i) + ".cs", text);
    }
    ASSERT_EQ(Zip().result, ENGINE_OK);
    ASSERT_EQ(RunCommand("cd " + Quote(Root()) + " && zip -qr " + Quote(Path("zip.zip")) + " ."),
              0);

    const double ours = static_cast<double>(ReadFileAt(ArchivePath()).size());
    const double theirs = static_cast<double>(ReadFileAt(Path("zip.zip")).size());
    // The same deflate level as zip's default, give or take the encoders'
    // differences and our exact-time extra fields.
    EXPECT_LT(ours, theirs * 1.05);
    EXPECT_GT(ours, theirs * 0.90);
}

} // namespace

namespace {

class OtherReadersTest : public InteropTest {
protected:
    // 7z, bsdtar and Python's zipfile each read the whole archive and test
    // every entry; skips when none of them is installed.
    void ExpectEveryReaderAccepts(const std::string &expectedName) {
        const std::string archive = Quote(ArchivePath());
        int readers = 0;
        std::string output;
        if (RunCommand("command -v 7z") == 0) {
            ++readers;
            EXPECT_EQ(RunCommand("7z t " + archive, &output), 0) << output;
        }
        if (RunCommand("command -v bsdtar") == 0) {
            ++readers;
            EXPECT_EQ(RunCommand("bsdtar -xOf " + archive + " > /dev/null", &output), 0) << output;
        }
        if (RunCommand("command -v python3") == 0) {
            ++readers;
            const std::string script = "import sys, zipfile\n"
                                       "z = zipfile.ZipFile(sys.argv[1])\n"
                                       "assert z.testzip() is None\n"
                                       "print('\\n'.join(sorted(z.namelist())))\n";
            EXPECT_EQ(RunCommand("python3 -c " + Quote(script) + " " + archive, &output), 0)
                << output;
            EXPECT_NE(output.find(expectedName), std::string::npos) << output;
        }
        EXPECT_EQ(RunCommand("unzip -tq " + archive, &output), 0) << output;
        if (readers == 0)
            GTEST_SKIP() << "none of 7z, bsdtar and python3 is installed";
    }
};

TEST_F(OtherReadersTest, SevenZipBsdtarAndPythonReadWhatWeWrite) {
    MakeMixedFolder();
    WriteRootFile("textures/skins/sk\xC3\xAFn.png", RandomBytes(1000, 8));
    ASSERT_EQ(Zip().result, ENGINE_OK);

    ExpectEveryReaderAccepts("textures/skins/sk\xC3\xAFn.png");
}

TEST_F(OtherReadersTest, SevenZipBsdtarAndPythonReadAnArchiveWeUpdated) {
    MakeMixedFolder();
    std::string output;
    ASSERT_EQ(RunCommand("cd " + Quote(Root()) + " && zip -qr " + Quote(ArchivePath()) + " .",
                         &output),
              0)
        << output;
    WriteRootFile("scripts/main.cs", TextBytes(60000, "function changed() {} "));
    WriteRootFile("textures/skins/sk\xC3\xAFn.png", RandomBytes(1000, 8));
    WriteRootFile("readme.txt", RandomBytes(20000, 9));
    ZipOptionsRecord options = PackFolderOptions(Root());
    options.NoFolderEntries = 0; // with a new folder entry as well
    std::filesystem::create_directories(Root() + "/maps");
    ASSERT_EQ(Zip(options, {"*"}, ArchivePath()).result, ENGINE_OK);

    ExpectEveryReaderAccepts("textures/skins/sk\xC3\xAFn.png");
    for (const EntryFacts &entry : ReadEntries(ArchivePath())) {
        if (entry.name.back() != '/') {
            EXPECT_TRUE(entry.contents == ReadFileAt(Root() + "/" + entry.name)) << entry.name;
        }
    }
    EXPECT_EQ(EntryNames(ArchivePath()).back(), "textures/skins/sk\xC3\xAFn.png");
}

} // namespace
