// Loads the engine libraries the way the programs do and prints the file that each
// was loaded from; exit code 1 when one cannot be loaded. Run from an installed
// tree's bin folder, it shows where an installed program finds them.
#include "platform/os/DynamicLibrary.h"

#include <cstdio>
#include <dlfcn.h>

int main() {
    const char *const aLibraries[][2] = {{"libpakreader.so", "Wiz_SingleEntryUnzip"},
                                         {"libpakwriter.so", "ZpArchive"}};
    int lResult = 0;
    for (const auto &library : aLibraries) {
        DynamicLibrary loaded(library[0]);
        void *pEntry = loaded.EntryPoint(library[1]);
        Dl_info info{};
        if (pEntry == nullptr || dladdr(pEntry, &info) == 0 || info.dli_fname == nullptr) {
            std::fprintf(stderr, "%s: %s\n", library[0], loaded.LastError().c_str());
            lResult = 1;
            continue;
        }
        std::printf("%s\n", info.dli_fname);
    }
    return lResult;
}
