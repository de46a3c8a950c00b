// Archives written by Debian's zip: listed and extracted exactly as
// Debian's unzip does (bytes, names, folders, times).
#include "ReaderFixture.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

class InfoZipTest : public ReaderTest {
protected:
    void SetUp() override
    {
        ReaderTest::SetUp();
        if (std::system("command -v zip >/dev/null 2>&1 && command -v unzip >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "Debian's zip and unzip are not installed";
    }

    // Runs a shell command in m_root; its standard output.
    std::string Shell(const std::string &command)
    {
        const std::string full = "cd '" + m_root.string() + "' && " + command;
        FILE *pipe = popen(full.c_str(), "r");
        EXPECT_NE(pipe, nullptr);
        std::string output;
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, got);
        EXPECT_EQ(pclose(pipe), 0) << command;
        return output;
    }

    // A source tree with folders, an empty file, a binary file, old times.
    void MakeSource()
    {
        WriteText(m_root / "src/readme.txt", "read me\n");
        WriteText(m_root / "src/empty.dat", "");
        std::string binary;
        for (int i = 0; i < 70000; ++i)
            binary.push_back(static_cast<char>((i * 7919) % 251));
        WriteText(m_root / "src/textures/skins/warrior.png", binary);
        WriteText(m_root / "src/scripts/a b.cs", std::string(3000, 'q'));
        fs::create_directories(m_root / "src/empty folder");
        time_t when = 1'100'000'001; // odd: only the exact timestamp field keeps it
        for (const char *name : {"readme.txt", "empty.dat", "textures/skins/warrior.png", "scripts/a b.cs"}) {
            const struct timespec times[2] = {{when, 0}, {when, 0}};
            utimensat(AT_FDCWD, (m_root / "src" / name).c_str(), times, 0);
            when += 86'400 * 30;
        }
    }

    static std::vector<std::pair<std::string, time_t>> FilesWithTimes(const fs::path &root)
    {
        std::vector<std::pair<std::string, time_t>> found;
        for (const std::string &path : Tree(root)) {
            struct stat info {};
            lstat((root / path).c_str(), &info);
            found.emplace_back(path, S_ISDIR(info.st_mode) ? 0 : info.st_mtime);
        }
        return found;
    }
};

TEST_F(InfoZipTest, WhatZipWritesWeExtractExactlyAsUnzipDoes)
{
    MakeSource();
    Shell("cd src && zip -q -r ../game.vl2 . && cd .. && zip -q -0 stored.zip -r src");
    for (const char *archive : {"game.vl2", "stored.zip"}) {
        const fs::path ours = m_root / (std::string("ours-") + archive);
        const fs::path theirs = m_root / (std::string("theirs-") + archive);
        ASSERT_EQ(Extract((m_root / archive).string(), ours.string()), ENGINE_OK) << archive;
        Shell(std::string("unzip -q ") + archive + " -d '" + theirs.string() + "'");
        EXPECT_EQ(FilesWithTimes(ours), FilesWithTimes(theirs)) << archive;
        for (const std::string &path : Tree(theirs)) {
            if (path.back() != '/') {
                EXPECT_TRUE(ReadText(ours / path) == ReadText(theirs / path)) << path;
            }
        }
    }
}

TEST_F(InfoZipTest, ListingMatchesZipinfoNamesSizesAndCrcs)
{
    MakeSource();
    Shell("cd src && zip -q -r ../game.vl2 .");
    ASSERT_EQ(List((m_root / "game.vl2").string()), ENGINE_OK);
    // zipinfo -v is verbose; -l gives sizes, -1 the names in order.
    const std::string names = Shell("zipinfo -1 game.vl2");
    std::string ours;
    for (const ListedEntry &entry : m_recorder.listed)
        ours += entry.path + "\n";
    EXPECT_EQ(ours, names);
    const std::string verbose = Shell("unzip -v game.vl2");
    for (const ListedEntry &entry : m_recorder.listed) {
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08x", entry.crc);
        EXPECT_NE(verbose.find(crc), std::string::npos) << entry.path;
        EXPECT_NE(verbose.find(std::to_string(entry.size)), std::string::npos) << entry.path;
        if (entry.path == "textures/skins/warrior.png") {
            EXPECT_EQ(entry.method, "Deflated");
            EXPECT_EQ(entry.second, 21u); // an odd second: only the exact timestamp field holds it
        }
    }
}

TEST_F(InfoZipTest, PasswordProtectedZipArchiveOpensWithTheRightPassword)
{
    MakeSource();
    Shell("cd src && zip -q -P 'tribes two' -r ../locked.zip .");
    m_recorder.passwords = {"tribes two"};
    ASSERT_EQ(Extract((m_root / "locked.zip").string(), m_target.string()), ENGINE_OK);
    EXPECT_EQ(ReadText(m_target / "readme.txt"), "read me\n");
    EXPECT_EQ(ReadText(m_target / "textures/skins/warrior.png"), ReadText(m_root / "src/textures/skins/warrior.png"));
}

TEST_F(InfoZipTest, UnzipTestAgreesWithOurTestOnADamagedArchive)
{
    MakeSource();
    Shell("cd src && zip -q -0 -r ../plain.zip .");
    // Damage one byte of the stored readme's data.
    std::string bytes = ReadText(m_root / "plain.zip");
    const size_t at = bytes.find("read me");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'X';
    WriteText(m_root / "plain.zip", bytes);
    UnzipCommandRecord command = Command((m_root / "plain.zip").string());
    command.TestArchive = 1;
    EXPECT_EQ(Run(command), ENGINE_CRC_ERROR);
    EXPECT_TRUE(m_recorder.Printed("readme.txt"));
    EXPECT_NE(std::system(("unzip -tq '" + (m_root / "plain.zip").string() + "' >/dev/null 2>&1").c_str()), 0);
}

} // namespace
