// Shared ground for the unzip engine tests: a temporary folder, archives made
// with libzip, and a recorder behind the engine's call-backs.
#ifndef KEPLO_TESTS_ENGINE_READER_READER_FIXTURE_H
#define KEPLO_TESTS_ENGINE_READER_READER_FIXTURE_H

#include "engine/include/PakEngine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

// One row that the listing call-back reported.
struct ListedEntry {
    uint32_t packedSize, size;
    int32_t ratio;
    uint32_t month, day, year, hour, minute, second;
    std::string path, method;
    uint32_t crc, attributes;
};

// What the engine told the call-backs during one call.
struct Recorder {
    std::vector<std::string> printed;
    std::vector<std::string> serviced;
    std::vector<uint32_t> serviceCounts;
    std::vector<std::string> overwriteAsked;
    std::vector<std::string> passwordAsked;
    std::vector<ListedEntry> listed;
    bool foreignThread = false; // a call-back ran on another thread

    // Answers the tests choose.
    std::function<int32_t(const std::string &)> overwriteAnswer = [](const std::string &) {
        return int32_t{ENGINE_OVERWRITE_NO};
    };
    std::vector<std::string> passwords; // given in order; none left = declined
    std::string cancelAt;               // service answers 1 for this entry path

    bool Printed(const std::string &fragment) const;
};

// A file to put into a test archive.
struct TestEntry {
    TestEntry(std::string entryName, std::string entryContent = std::string(), bool stored = false,
              time_t time = 1'000'000'000)
        : name(std::move(entryName)), content(std::move(entryContent)), store(stored), modified(time)
    {
    }

    std::string name;
    std::string content;
    bool store = false;
    time_t modified = 1'000'000'000; // 2001-09-09
    std::string password;            // encrypted with AES-256 when set
    bool traditional = false;        // ... or with traditional PKWARE encryption
    uint32_t unixMode = 0;           // external attributes' Unix mode when set
};

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes an archive with libzip; folder entries are names ending in "/".
    std::string MakeArchive(const std::string &fileName, const std::vector<TestEntry> &entries);

    // A command record with every option off.
    UnzipCommandRecord Command(const std::string &archive, const std::string &target = std::string()) const;

    int32_t Run(UnzipCommandRecord command, const std::vector<std::string> &include = {},
                const std::vector<std::string> &exclude = {});
    int32_t List(const std::string &archive);
    int32_t Extract(const std::string &archive, const std::string &target, bool useFolders = true);

    static std::string ReadText(const fs::path &path);
    static void WriteText(const fs::path &path, const std::string &text);
    // Every file and folder below root, relative, "/" separated, sorted.
    static std::vector<std::string> Tree(const fs::path &root);

    fs::path m_root;     // everything a test makes lives here
    fs::path m_target;   // the usual extraction target below m_root
    Recorder m_recorder; // reset for each Run
    std::thread::id m_callingThread;
};

#endif
