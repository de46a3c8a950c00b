// Writes the benchmark corpus into a folder:
//   big/        about 3,000 files, about 100 MB, in game-like folders
//   big.vl2     that folder packed by Debian's zip
//   big-stored.vl2  the same files stored, not deflated, as the game's own
//                   archives are
//   small/      20,000 small files in some hundreds of folders
//   small.vl2   that folder packed by Debian's zip
//   huge/       200,000 files of 20 to 200 bytes in 200 folders
//   huge.vl2    that folder packed by Debian's zip
// Everything follows from the seed, so two runs with one seed give the same
// files, times and archives.
//
// Usage: make-corpus [--seed N] [--no-archives] FOLDER
#include "CorpusLayout.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace fs = std::filesystem;

namespace {

const uint64_t kDefaultSeed = 20010320;

bool SetModified(const std::string &path, int64_t seconds) {
    struct timespec times[2] = {};
    times[0].tv_sec = static_cast<time_t>(seconds);
    times[1].tv_sec = static_cast<time_t>(seconds);
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool WriteFile(const std::string &path, const std::vector<unsigned char> &bytes) {
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// Writes every file of the layout below `root`. Returns the bytes written,
// or -1 after printing why it failed.
long long WriteTree(const fs::path &root, const std::vector<CorpusFile> &files, uint64_t seed) {
    long long total = 0;
    for (const CorpusFile &file : files) {
        fs::path path = root / file.path;
        std::error_code error;
        fs::create_directories(path.parent_path(), error);
        CorpusRandom random = CorpusRandom::ForItem(seed, file.path);
        std::string stem = path.stem().string();
        std::vector<unsigned char> bytes = MakeContent(file.kind, file.size, stem, random);
        if (!WriteFile(path.string(), bytes) || !SetModified(path.string(), file.modified)) {
            std::cerr << "make-corpus: cannot write " << path.string() << ": "
                      << std::strerror(errno) << "\n";
            return -1;
        }
        total += static_cast<long long>(bytes.size());
    }
    // Folders get one fixed time, so that a tool that stores them stores the
    // same bytes on every run.
    for (const auto &entry : fs::recursive_directory_iterator(root))
        if (entry.is_directory())
            SetModified(entry.path().string(), 985046400);
    SetModified(root.string(), 985046400);
    return total;
}

// Packs `folder` into `archive` with Debian's zip, reading the names in the
// layout's order from a list file. -X leaves out the owner and time extra
// fields and -D the folder entries, as the game's archives have neither;
// TZ is fixed because zip stores local times. stored: -0, no compression.
bool PackWithZip(const fs::path &folder, const fs::path &archive,
                 const std::vector<CorpusFile> &files, bool stored) {
    fs::path list = fs::path(archive).replace_extension(".names");
    {
        std::ofstream out(list);
        for (const CorpusFile &file : files)
            out << file.path << "\n";
        if (!out) {
            std::cerr << "make-corpus: cannot write " << list.string() << "\n";
            return false;
        }
    }
    pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        int input = open(list.c_str(), O_RDONLY);
        if (input < 0 || dup2(input, 0) < 0 || chdir(folder.c_str()) != 0)
            _exit(126);
        setenv("TZ", "UTC0", 1);
        execlp("zip", "zip", "-q", "-X", "-D", stored ? "-0" : "-6", "-@", archive.c_str(),
               static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    fs::remove(list);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::cerr << "make-corpus: zip failed for " << archive.string()
                  << (WIFEXITED(status) && WEXITSTATUS(status) == 127 ? " (is zip installed?)" : "")
                  << "\n";
        return false;
    }
    return true;
}

bool MakeOne(const fs::path &out, const char *name, const std::vector<CorpusFile> &files,
             uint64_t seed, bool archives, bool storedCopy) {
    fs::path folder = out / name;
    long long bytes = WriteTree(folder, files, seed);
    if (bytes < 0)
        return false;
    std::cout << name << "/: " << files.size() << " files, " << bytes << " bytes\n";
    for (const bool stored : {false, true}) {
        if (!archives || (stored && !storedCopy))
            continue;
        const std::string file = std::string(name) + (stored ? "-stored.vl2" : ".vl2");
        const fs::path archive = fs::absolute(out / file);
        if (!PackWithZip(folder, archive, files, stored))
            return false;
        std::cout << file << ": " << fs::file_size(archive) << " bytes\n";
    }
    return true;
}

int Usage() {
    std::cerr << "usage: make-corpus [--seed N] [--no-archives] FOLDER\n"
                 "  writes big/, big.vl2, big-stored.vl2, small/, small.vl2, huge/ and huge.vl2 into FOLDER\n";
    return 2;
}

} // namespace

int main(int argc, char **argv) {
    uint64_t seed = kDefaultSeed;
    bool archives = true;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--seed" && i + 1 < argc) {
            char *end = nullptr;
            seed = std::strtoull(argv[++i], &end, 10);
            if (*end)
                return Usage();
        } else if (arg == "--no-archives") {
            archives = false;
        } else if (!arg.empty() && arg[0] != '-' && folder.empty()) {
            folder = arg;
        } else {
            return Usage();
        }
    }
    if (folder.empty())
        return Usage();
    fs::path out(folder);
    for (const char *name : {"big", "small", "huge", "big.vl2", "big-stored.vl2", "small.vl2", "huge.vl2"})
        if (fs::exists(out / name)) {
            std::cerr << "make-corpus: " << (out / name).string()
                      << " exists already; give an empty or new folder\n";
            return 1;
        }
    std::error_code error;
    fs::create_directories(out, error);
    if (error) {
        std::cerr << "make-corpus: cannot create " << folder << ": " << error.message() << "\n";
        return 1;
    }
    std::cout << "corpus seed " << seed << "\n";
    if (!MakeOne(out, "big", LayOutBigCorpus(seed), seed, archives, true) ||
        !MakeOne(out, "small", LayOutSmallCorpus(seed), seed, archives, false) ||
        !MakeOne(out, "huge", LayOutHugeCorpus(seed), seed, archives, false))
        return 1;
    return 0;
}
