// libFuzzer target: archive bytes through listing, testing and extraction
// (with folders, then flat, with a password offered) into a temporary
// folder. Anything written outside that folder aborts the run.
#include "engine/include/PakEngine.h"
#include "engine/reader/PakReader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string g_workFolder; // holds the archive and the target, nothing else

int32_t Print(char *buffer, uint32_t count)
{
    // Touch every byte the engine claims to hand over.
    volatile char sink = 0;
    for (uint32_t i = 0; i < count; ++i)
        sink = static_cast<char>(sink ^ buffer[i]);
    return 0;
}

int32_t Password(char *buffer, int32_t size, char *, char *)
{
    if (size > 8)
        std::memcpy(buffer, "secret", 7);
    return 0;
}

int32_t Overwrite(char *)
{
    return 101;
}

void Listing(uint32_t, uint32_t, int32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, char *path,
             char *method, uint32_t, uint32_t)
{
    if (std::strlen(path) > 70000 || std::strlen(method) > 100)
        std::abort();
}

int32_t Service(char *name, uint32_t count)
{
    if (std::strlen(name) + 1 != count)
        std::abort();
    return 0;
}

int RemoveOne(const char *path, const struct stat *, int, struct FTW *)
{
    return remove(path);
}

void RemoveTree(const std::string &path)
{
    nftw(path.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
}

int32_t Run(const std::string &archive, const std::string &target, int32_t listOnly, int32_t test,
            int32_t folders)
{
    UnzipCommandRecord command;
    std::memset(&command, 0, sizeof command);
    command.ArchivePath = const_cast<char *>(archive.c_str());
    command.TargetFolder = const_cast<char *>(target.c_str());
    command.ListOnly = listOnly;
    command.TestArchive = test;
    command.UseFolderNames = folders;
    command.PromptToOverwrite = 1;
    UnzipCallbackTable callbacks;
    std::memset(&callbacks, 0, sizeof callbacks);
    callbacks.Print = Print;
    callbacks.Overwrite = Overwrite;
    callbacks.Password = Password;
    callbacks.Listing = Listing;
    callbacks.Service = Service;
    return Wiz_SingleEntryUnzip(0, nullptr, 0, nullptr, &command, &callbacks);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (g_workFolder.empty()) {
        char pattern[] = "/tmp/pakreader-fuzz-XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            std::abort();
        g_workFolder = pattern;
        std::atexit([] { RemoveTree(g_workFolder); });
    }
    const std::string archive = g_workFolder + "/input.zip";
    const std::string target = g_workFolder + "/target";
    FILE *file = std::fopen(archive.c_str(), "wb");
    if (file == nullptr)
        std::abort();
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    Run(archive, target, 1, 0, 0);
    Run(archive, target, 0, 1, 0);
    Run(archive, target, 0, 0, 1);
    Run(archive, target, 0, 0, 0);

    // Only the archive and the target may be in the work folder.
    DIR *folder = opendir(g_workFolder.c_str());
    if (folder == nullptr)
        std::abort();
    while (const dirent *item = readdir(folder)) {
        const std::string name = item->d_name;
        if (name != "." && name != ".." && name != "input.zip" && name != "target") {
            std::fprintf(stderr, "written outside the target: %s\n", name.c_str());
            std::abort();
        }
    }
    closedir(folder);
    RemoveTree(target);
    return 0;
}
