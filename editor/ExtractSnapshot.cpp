#include "editor/ExtractSnapshot.h"

#include "editor/UnpackedFiles.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

SnapshotHook g_pSnapshotHook = nullptr;

// However coarse the file system's clock, waiting for it ends here: a clock that
// does not move is no clock to tell changes by.
constexpr std::chrono::milliseconds kLongestWait(3000);

// Waits until the file system's clock has moved more than lGranularity past its
// time on entry, so that every file stamped before the call lies clearly in the
// past; returns the clock's time then.
std::optional<StampTime> WaitPastNow(const std::string &sFolder, std::int64_t lGranularity) {
    const std::optional<StampTime> tStart = FileSystemNow(sFolder);
    if (!tStart)
        return std::nullopt;
    const StampTime tWanted = tStart->Plus(lGranularity);
    const auto deadline = std::chrono::steady_clock::now() + kLongestWait;
    auto step = std::chrono::nanoseconds(lGranularity);
    for (;;) {
        std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(step, kLongestWait));
        const std::optional<StampTime> tNow = FileSystemNow(sFolder);
        if (!tNow)
            return std::nullopt;
        if (*tNow > tWanted)
            return tNow;
        if (std::chrono::steady_clock::now() > deadline)
            return std::nullopt;
        // After the first full step the clock is close: look again in small steps.
        step = std::max<std::chrono::nanoseconds>(std::chrono::nanoseconds(lGranularity / 4),
                                                  std::chrono::microseconds(200));
    }
}

} // namespace

bool ExtractSnapshot::Unchanged(const SnapshotEntry &entry, const FileStamp &now) const {
    return entry.stamp.eKind == StampKind::Regular && now == entry.stamp &&
           entry.stamp.tChanged < tTaken.Plus(-lGranularity);
}

std::optional<std::string> EntryPath(std::string_view sLine) {
    const std::optional<std::string> sBelow = PathBelow(std::string(), sLine);
    // A line ending in "\" is a folder entry, which unpacks into no file.
    if (!sBelow || sBelow->ends_with('/'))
        return std::nullopt;
    std::string sPath;
    std::size_t lStart = 0;
    while (lStart <= sBelow->size()) {
        std::size_t lEnd = sBelow->find('/', lStart);
        if (lEnd == std::string::npos)
            lEnd = sBelow->size();
        const std::string_view part(sBelow->data() + lStart, lEnd - lStart);
        if (!part.empty() && part != ".") {
            if (!sPath.empty())
                sPath.push_back('/');
            sPath.append(part);
        }
        lStart = lEnd + 1;
    }
    if (sPath.empty())
        return std::nullopt;
    return sPath;
}

std::optional<ExtractSnapshot> TakeExtractSnapshot(const std::string &sSubFolder,
                                                   const FileStamp &archive,
                                                   std::vector<std::string> sPaths) {
    const std::optional<std::int64_t> lGranularity = ChangeTimeGranularity(sSubFolder);
    if (!lGranularity)
        return std::nullopt;
    // Unpacking and making the files writable have just stamped them: once the
    // clock has clearly moved past that, an unchanged file is told from one
    // written later by its change time alone.
    const std::optional<StampTime> tTaken = WaitPastNow(sSubFolder, *lGranularity);
    if (!tTaken)
        return std::nullopt;
    if (g_pSnapshotHook)
        g_pSnapshotHook(sSubFolder);

    std::sort(sPaths.begin(), sPaths.end());
    sPaths.erase(std::unique(sPaths.begin(), sPaths.end()), sPaths.end());
    ExtractSnapshot snapshot{sSubFolder, archive, *tTaken, *lGranularity, {}};
    snapshot.entries.reserve(sPaths.size());
    for (std::string &sPath : sPaths) {
        FileStamp stamp = StampOf(sSubFolder + "/" + sPath);
        if (stamp.eKind != StampKind::Regular)
            stamp = FileStamp{};
        snapshot.entries.push_back({std::move(sPath), stamp});
    }
    return snapshot;
}

void SetSnapshotHookForTests(SnapshotHook pHook) {
    g_pSnapshotHook = pHook;
}
