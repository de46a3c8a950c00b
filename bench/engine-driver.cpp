// Runs one job of the archive engine libraries the way the archive
// components drive them, for timing from the outside:
//
//   engine-driver [--lib-dir DIR] [--verbose] [--keep-nothing] list ARCHIVE
//   engine-driver [--lib-dir DIR] [--verbose] extract ARCHIVE FOLDER
//   engine-driver [--lib-dir DIR] [--verbose] pack ARCHIVE ROOT [SPEC...]
//
// list     Wiz_SingleEntryUnzip with list-only set, every entry reported to a
//          listing call-back that keeps it as the unzip component does;
//          with --keep-nothing the call-back only counts the entries, so the
//          figures are the engine's own, as unzip -Z1's are unzip's.
// extract  Wiz_SingleEntryUnzip with folder names on and an empty include
//          list (every entry) into FOLDER.
// pack     ZpInit, ZpSetOptions (root folder ROOT, recursing, folder names
//          kept, no folder entries) and ZpArchive with the specifications
//          given, "*" when none is: creates ARCHIVE or updates it in place.
//          Keplo's Save hands over only the files changed since Extract.
//
// The libraries are loaded from DIR, by default the folder that holds this
// program. The exit status is the engine's result (0 = no complaint).
#include "engine/include/PakEngine.h"
#include "platform/os/LocalTimeZone.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool g_verbose = false;
bool g_keepNothing = false; // list: count the entries instead of keeping them
unsigned long long g_counted = 0, g_countedBytes = 0;
long g_messages = 0;

// One listed entry as the unzip component keeps it: compactly, its folder and name one
// after the other in a block of text shared by every entry, its method a number.
struct ListedEntry {
    uint64_t textStart;
    uint32_t size;
    int32_t ratio;
    uint32_t crc;
    uint16_t folderLength;
    uint16_t nameLength;
    uint16_t method;
    bool encrypted;
};
std::vector<ListedEntry> g_listing;
std::string g_listingText;
std::vector<std::string> g_methods;

int32_t OnPrint(char *buffer, uint32_t count) {
    ++g_messages;
    if (g_verbose && buffer && count > 0 && count < 32000)
        std::fprintf(stderr, "%.*s", static_cast<int>(strnlen(buffer, count)), buffer);
    return 0;
}

int32_t OnOverwrite(char *) { return 100; } // keep the file: the component's default answer

int32_t OnPassword(char *, int32_t, char *, char *) { return 1; } // no password given

int32_t OnService(char *, uint32_t) { return 0; } // never cancel

char *OnComment(char *buffer) {
    if (buffer)
        buffer[0] = 0;
    return buffer;
}

void OnListing(uint32_t, uint32_t size, int32_t ratio, uint32_t, uint32_t, uint32_t, uint32_t,
               uint32_t, uint32_t, char *path, char *method, uint32_t crc, uint32_t attributes) {
    // The component reads at most 256 bytes of the path and keeps files only.
    std::string_view full(path ? path : "", path ? strnlen(path, 256) : 0);
    if (full.empty() || full.back() == '/')
        return;
    if (g_keepNothing) {
        ++g_counted;
        g_countedBytes += size;
        return;
    }
    const size_t cut = full.rfind('/');
    const std::string_view name = cut == std::string_view::npos ? full : full.substr(cut + 1);
    const std::string_view folder = cut == std::string_view::npos ? std::string_view() : full.substr(0, cut);
    ListedEntry entry{};
    entry.textStart = g_listingText.size();
    entry.folderLength = static_cast<uint16_t>(folder.size());
    entry.nameLength = static_cast<uint16_t>(name.size());
    g_listingText.append(folder);
    for (size_t i = entry.textStart; i < g_listingText.size(); ++i)
        if (g_listingText[i] == '/')
            g_listingText[i] = '\\';
    g_listingText.append(name);
    entry.size = size;
    entry.ratio = static_cast<int16_t>(ratio);
    const std::string methodName = method ? std::string(method, strnlen(method, 16)) : std::string();
    const auto known = std::find(g_methods.begin(), g_methods.end(), methodName);
    entry.method = static_cast<uint16_t>(known - g_methods.begin());
    if (known == g_methods.end())
        g_methods.push_back(methodName);
    entry.crc = crc;
    entry.encrypted = (attributes & 64) != 0;
    g_listing.push_back(entry);
}

std::string ProgramFolder() {
    char buffer[4096];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return ".";
    std::string path(buffer, static_cast<size_t>(length));
    return path.substr(0, path.rfind('/'));
}

void *Bind(const std::string &library, const char *name) {
    // Bound on first call, as the components load the libraries.
    void *handle = dlopen(library.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "engine-driver: cannot load %s: %s\n", library.c_str(), dlerror());
        return nullptr;
    }
    void *symbol = dlsym(handle, name);
    if (!symbol)
        std::fprintf(stderr, "engine-driver: %s has no entry point %s\n", library.c_str(), name);
    return symbol;
}

// A name list as the components build it: the names in slots 0 to n-1,
// then (for the unzip engine) an empty string in slot n, or (for the zip
// engine) a null in slot n and an empty string in slot n+1.
struct NameList {
    EngineNameList list = {};
    char empty[1] = {0};
};

int RunUnzip(const std::string &libraries, const std::string &archive, const char *folder,
             bool listOnly) {
    auto unzip = reinterpret_cast<Wiz_SingleEntryUnzipProc>(
        Bind(libraries + "/" PAK_READER_LIBRARY, "Wiz_SingleEntryUnzip"));
    if (!unzip)
        return 125;
    UnzipCommandRecord command = {};
    command.ListOnly = listOnly ? 1 : 0;
    command.UseFolderNames = listOnly ? 0 : 1;
    std::string archivePath = archive;
    std::string target = folder ? folder : "";
    command.ArchivePath = archivePath.data();
    command.TargetFolder = target.data();
    UnzipCallbackTable callbacks = {};
    callbacks.Print = OnPrint;
    callbacks.Sound = nullptr;
    callbacks.Overwrite = OnOverwrite;
    callbacks.Password = OnPassword;
    callbacks.Listing = OnListing;
    callbacks.Service = OnService;
    NameList include, exclude;
    include.list.Names[0] = include.empty;
    exclude.list.Names[0] = exclude.empty;
    int32_t result = unzip(0, include.list.Names, 0, exclude.list.Names, &command, &callbacks);
    if (listOnly) {
        unsigned long long bytes = g_countedBytes;
        for (const ListedEntry &entry : g_listing)
            bytes += entry.size;
        std::printf("%llu files listed, %llu bytes\n", g_counted + g_listing.size(), bytes);
    }
    return result;
}

int RunZip(const std::string &libraries, const std::string &archive, const std::string &root,
           std::vector<std::string> specifications) {
    std::string library = libraries + "/" PAK_WRITER_LIBRARY;
    auto init = reinterpret_cast<ZpInitProc>(Bind(library, "ZpInit"));
    auto setOptions = reinterpret_cast<ZpSetOptionsProc>(Bind(library, "ZpSetOptions"));
    auto pack = reinterpret_cast<ZpArchiveProc>(Bind(library, "ZpArchive"));
    if (!init || !setOptions || !pack)
        return 125;
    // As the zip component does: the names are taken below the root folder, the
    // process's current folder stays where it is.
    ZipCallbackTable callbacks = {OnPrint, OnPassword, OnComment, OnService};
    init(&callbacks);
    std::string rootFolder = root;
    ZipOptionsRecord options = {};
    options.RootFolder = rootFolder.data();
    options.NoFolderEntries = 1;
    options.DropFolderNames = 0;
    options.Recurse = 2;
    setOptions(&options);
    if (specifications.empty())
        specifications.push_back("*");
    if (specifications.size() > ENGINE_NAME_LIST_SLOTS - 2) {
        std::fprintf(stderr, "engine-driver: at most %d specifications\n",
                     ENGINE_NAME_LIST_SLOTS - 2);
        return 2;
    }
    NameList specs;
    for (size_t i = 0; i < specifications.size(); ++i)
        specs.list.Names[i] = specifications[i].data();
    specs.list.Names[specifications.size()] = nullptr;
    specs.list.Names[specifications.size() + 1] = specs.empty;
    std::string archivePath = archive;
    return pack(static_cast<int32_t>(specifications.size()), archivePath.data(), specs.list.Names);
}

int Usage() {
    std::fprintf(stderr, "usage: engine-driver [--lib-dir DIR] [--verbose] [--keep-nothing] list ARCHIVE\n"
                         "       engine-driver [--lib-dir DIR] [--verbose] extract ARCHIVE FOLDER\n"
                         "       engine-driver [--lib-dir DIR] [--verbose] pack ARCHIVE ROOT "
                         "[SPEC...]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv) {
    // As the programs do at start-up.
    PinLocalTimeZone();
    std::string libraries = ProgramFolder();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--lib-dir" && i + 1 < argc)
            libraries = argv[++i];
        else if (arg == "--verbose")
            g_verbose = true;
        else if (arg == "--keep-nothing")
            g_keepNothing = true;
        else
            args.push_back(arg);
    }
    int result;
    if (args.size() == 2 && args[0] == "list")
        result = RunUnzip(libraries, args[1], nullptr, true);
    else if (args.size() == 3 && args[0] == "extract")
        result = RunUnzip(libraries, args[1], args[2].c_str(), false);
    else if (args.size() >= 3 && args[0] == "pack")
        result = RunZip(libraries, args[1], args[2],
                        std::vector<std::string>(args.begin() + 3, args.end()));
    else
        return Usage();
    if (result != 0)
        std::fprintf(stderr, "engine-driver: %s ended with engine result %d (%ld messages)\n",
                     args[0].c_str(), result, g_messages);
    return result < 0 || result > 255 ? 255 : result;
}
