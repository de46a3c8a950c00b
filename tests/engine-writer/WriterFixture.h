// Shared help for the zip engine tests: a temporary folder per test, files
// with chosen contents and times, a driver that calls the engine's entry
// points the way the zip component does, and readers for what it wrote.
#pragma once

#include "engine/include/PakEngine.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

extern "C" {
int32_t ZpInit(ZipCallbackTable *callbacks);
int32_t ZpSetOptions(ZipOptionsRecord *options);
int32_t ZpGetOptions(ZipOptionsRecord *options);
int32_t ZpArchive(int32_t specCount, char *archivePath, char **names);
}

// Options as the zip component sets them when created, then as both
// programs pack a folder: folder names kept, recursion on, no folder entries.
ZipOptionsRecord PackFolderOptions(const std::string &root);

// What the engine reported through its call-backs during one call.
struct EngineCall {
    std::vector<std::string> printed;
    std::vector<std::string> serviced; // names handed to the service routine
    std::vector<uint32_t> serviceCounts;
    std::vector<std::thread::id> callbackThreads;
    int passwordRequests = 0;
    int commentRequests = 0;
    std::string commentSeen;
    int32_t result = -1;

    bool Printed(const std::string &part) const;
};

// Answers the engine gets from the call-backs.
struct EngineAnswers {
    int stopAtService = -1; // answer 1 to this service call (0-based)
    std::string killAtName; // the process kills itself when this name is announced
    std::string password;   // empty: decline
    std::string comment;    // written into the comment buffer
};

class WriterTest : public ::testing::Test {
public:
    static std::string ReadFileAt(const std::string &path);

protected:
    void SetUp() override;
    void TearDown() override;

    // Paths below the test's folder.
    std::string Path(const std::string &relative) const { return m_dir + "/" + relative; }
    std::string Root() const { return Path("root"); }
    std::string ArchivePath() const { return Path("out.vl2"); }

    // Writes a file below the root (folders made as needed); time 0 keeps now.
    void WriteRootFile(const std::string &relative, const std::string &contents,
                       time_t modified = 0);
    static void WriteFileAt(const std::string &path, const std::string &contents,
                            time_t modified = 0);

    // Calls ZpInit, ZpSetOptions and ZpArchive as the component does.
    EngineCall Zip(const ZipOptionsRecord &options, const std::vector<std::string> &specs,
                   const std::string &archive, const EngineAnswers &answers = EngineAnswers());
    EngineCall Zip(const std::vector<std::string> &specs = {"*"});

    std::string m_dir;
};

// Deterministic bytes that deflate cannot shrink.
std::string RandomBytes(size_t size, uint32_t seed);
// Text that deflate shrinks well.
std::string TextBytes(size_t size, const std::string &word = "skin texture ");

// One entry as libzip sees it.
struct EntryFacts {
    std::string name;
    uint64_t size = 0;
    uint64_t compressedSize = 0;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint16_t encryption = 0;
    time_t modified = 0;
    std::string rawData;  // the compressed bytes as stored
    std::string contents; // empty for encrypted entries
};

std::vector<EntryFacts> ReadEntries(const std::string &archive);
std::vector<std::string> EntryNames(const std::string &archive);
std::string ArchiveComment(const std::string &archive);
// Writes an archive with libzip: names and contents, stored or deflated.
void MakeArchive(const std::string &path,
                 const std::vector<std::pair<std::string, std::string>> &entries,
                 const std::string &comment = std::string());

// The headers as stored, parsed from the bytes.
struct HeaderFacts {
    std::string name;
    uint16_t localFlags = 0;
    uint16_t centralFlags = 0;
    bool zip64Extra = false;
};
struct ArchiveLayout {
    std::vector<HeaderFacts> entries;
    bool zip64EndRecord = false;
};
ArchiveLayout ReadLayout(const std::string &archive);

// Runs a shell command; its exit status, with stdout and stderr in output.
int RunCommand(const std::string &command, std::string *output = nullptr);
std::string Quote(const std::string &text);

// Runs body in a child process, as an unprivileged user when we are root
// (so that permissions bind), and returns its exit status.
int RunUnprivileged(const std::function<int()> &body);
// Hands the test folder to the unprivileged user used above.
void GiveToUnprivilegedUser(const std::string &path);
