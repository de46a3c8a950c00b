// Which files the benchmark corpus holds: paths in game-like folders, the
// kind of each file and its size, drawn from a fixed seed.
#pragma once

#include "CorpusContent.h"

#include <cstdint>
#include <string>
#include <vector>

struct CorpusFile {
    std::string path; // relative, "/" separators
    ContentKind kind;
    size_t size;
    int64_t modified; // seconds since 1970 (UTC), even
};

// About 3,000 files and 100 MB: the shape of one of the game's big archives.
std::vector<CorpusFile> LayOutBigCorpus(uint64_t seed);

// 20,000 small files in some hundreds of folders.
std::vector<CorpusFile> LayOutSmallCorpus(uint64_t seed);
// 200,000 files of 20 to 200 bytes in 200 folders.
std::vector<CorpusFile> LayOutHugeCorpus(uint64_t seed);
