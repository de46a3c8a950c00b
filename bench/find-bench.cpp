// Find in Archives on a game of 100 archives and 200,000 entries: the first search,
// which reads every archive's listing, and each keystroke's search after it (the
// archives looked at again for changes, every path matched, the table's rows set).
// Prints "name value" lines for run-bench's find job.
//
//     find-bench FOLDER [RUNS]
//
// FOLDER/GameData is made when it holds no archives yet: base with 80 archives, four
// mods' folders with 5 each, 2,000 entries in each archive (stored, a few bytes each),
// named as the game's are.
#include "editor/ArchiveSearch.h"
#include "editor/FindResultsModel.h"
#include "editor/GameArchiveList.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>
#include <zip.h>

namespace {

constexpr int kArchives = 100;
constexpr int kEntriesEach = 2000;

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One archive of kEntriesEach entries, spread over folders as the game's are.
bool MakeArchive(const std::string &sPath, int nArchive) {
    int nError = 0;
    std::unique_ptr<zip_t, void (*)(zip_t *)> archive(
        zip_open(sPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &nError), zip_discard);
    if (!archive)
        return false;
    static const char *const kKinds[][2] = {
        {"textures/skins", ".png"}, {"scripts/ai", ".cs"},     {"shapes", ".dts"},
        {"missions", ".mis"},       {"textures/terrain", ".jpg"}, {"audio/fx", ".wav"},
        {"gui", ".gui"},            {"interiors", ".dif"}};
    for (int i = 0; i < kEntriesEach; ++i) {
        const auto &kind = kKinds[i % 8];
        char sName[128];
        std::snprintf(sName, sizeof sName, "%s/a%03d_item%05d%s", kind[0], nArchive, i, kind[1]);
        zip_source_t *pSource = zip_source_buffer(archive.get(), "data", 4, 0);
        if (!pSource || zip_file_add(archive.get(), sName, pSource, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(pSource);
            return false;
        }
        zip_set_file_compression(archive.get(), static_cast<zip_uint64_t>(i), ZIP_CM_STORE, 0);
    }
    if (zip_close(archive.get()) != 0)
        return false;
    archive.release();
    return true;
}

bool MakeGame(const std::string &sGameData) {
    for (int a = 0; a < kArchives; ++a) {
        const std::string sFolder =
            sGameData + (a < 80 ? std::string("/base") : "/mod" + std::to_string((a - 80) / 5 + 1));
        std::filesystem::create_directories(sFolder);
        char sName[32];
        std::snprintf(sName, sizeof sName, "/archive%03d.vl2", a);
        if (!MakeArchive(sFolder + sName, a))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: find-bench FOLDER [RUNS]\n");
        return 2;
    }
    const std::string sGameData = std::string(argv[1]) + "/GameData";
    const int nRuns = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const std::string sBase = sGameData + "/base/";
    if (GameArchiveChoices(sBase).size() < static_cast<std::size_t>(kArchives) && !MakeGame(sGameData)) {
        std::fprintf(stderr, "find-bench: the archives could not be made in %s\n", sGameData.c_str());
        return 1;
    }

    // The first search: a new index reads every listing; the best of the runs.
    double dFirst = 1e9;
    std::unique_ptr<ArchiveSearchIndex> pIndex;
    for (int r = 0; r < nRuns; ++r) {
        pIndex = std::make_unique<ArchiveSearchIndex>();
        const auto start = std::chrono::steady_clock::now();
        pIndex->Prepare(GameArchiveChoices(sBase));
        pIndex->ReadMissing();
        pIndex->Search(SearchPattern(QStringLiteral("t")));
        dFirst = std::min(dFirst, Seconds(start));
    }
    std::size_t lEntries = 0;
    for (std::size_t a = 0; a < pIndex->ArchiveCount(); ++a)
        lEntries += pIndex->At(a).listing.Count();

    // Each keystroke as the window handles it: the archives looked at for changes,
    // the pattern matched everywhere, the table's rows set.
    FindResultsModel results(*pIndex);
    const char *const kKeys[] = {"t",         "te",          "tex",          "text",
                                 "textu",     "texture",     "textures/",    "textures/s",
                                 "*.png",     "sk?ns/*.png", "a05*item01*", "nothing-matches",
                                 "ITEM00042", "mod",         "?",            "*"};
    std::vector<double> keys;
    std::size_t lLastMatches = 0;
    for (int r = 0; r < nRuns; ++r)
        for (const char *sKey : kKeys) {
            const auto start = std::chrono::steady_clock::now();
            if (pIndex->Prepare(GameArchiveChoices(sBase)) > 0)
                pIndex->ReadMissing();
            results.SetMatches(pIndex->Search(SearchPattern(QString::fromLatin1(sKey))));
            keys.push_back(Seconds(start));
            lLastMatches = results.Matches().size();
        }
    std::sort(keys.begin(), keys.end());
    std::printf("archives %zu\n", pIndex->ArchiveCount());
    std::printf("entries %zu\n", lEntries);
    std::printf("first-search %.4f\n", dFirst);
    std::printf("keystroke-median %.4f\n", keys[keys.size() / 2]);
    std::printf("keystroke-max %.4f\n", keys.back());
    std::printf("matches-of-star %zu\n", lLastMatches);
    return 0;
}
