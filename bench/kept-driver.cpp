// Runs what the kept versions do, for timing from the outside:
//
//   kept-driver check ARCHIVE...   tests every entry of each archive against its CRC,
//                                  as Check All Archives does (ArchiveJobs::Test)
//   kept-driver copy FROM FOLDER   keeps FROM in FOLDER as previous.vl2 by a copy,
//                                  as a version is kept where linking cannot be done
//
// The engine library is loaded from beside this program. The exit status is 0 when
// every archive passed, or the copy was made.
#include "support/kept/ArchiveCheck.h"
#include "support/kept/KeptFolder.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc >= 3 && std::strcmp(argv[1], "check") == 0) {
        int nStatus = 0;
        for (int i = 2; i < argc; ++i) {
            const JobOutcome outcome = CheckArchiveFile(argv[i]);
            std::printf("%s: %s\n", argv[i],
                        outcome.IsDone() ? "OK" : outcome.IsFailed() ? "unreadable" : "damaged");
            nStatus |= outcome.IsDone() ? 0 : 1;
        }
        return nStatus;
    }
    if (argc == 4 && std::strcmp(argv[1], "copy") == 0) {
        const int nFolder = open(argv[3], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (nFolder < 0) {
            std::perror(argv[3]);
            return 1;
        }
        const KeptDir folder(nFolder, argv[3]);
        SetKeptLinkingFailsForTests(true);
        KeptProgress progress;
        KeptHow eHow = KeptHow::Link;
        const int nError = KeepFileIn(folder, argv[2], "previous.vl2", &progress, eHow);
        if (nError != 0) {
            std::fprintf(stderr, "kept-driver: %s\n", std::strerror(nError));
            return 1;
        }
        return progress.lDone.load() == progress.lTotal.load() ? 0 : 1;
    }
    std::fprintf(stderr, "usage: kept-driver check ARCHIVE... | kept-driver copy FROM FOLDER\n");
    return 2;
}
