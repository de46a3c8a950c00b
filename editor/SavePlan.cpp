#include "editor/SavePlan.h"

#include "archive/cZip.h"
#include "editor/ChangeScan.h"
#include "editor/SnapshotFile.h"

SavePlan PlanSave(const std::string &sSubFolder, const std::string &sArchivePath) {
    std::optional<ExtractSnapshot> snapshot = LoadExtractSnapshot(sSubFolder);
    if (!snapshot)
        return {};
    // An archive replaced or written since Extract may differ from what was
    // unpacked in any entry: only writing every file makes it hold what the folder holds.
    if (StampOf(sArchivePath, true) != snapshot->archive)
        return {};
    ChangeScan::SaveFiles save = ChangeScan(std::move(*snapshot)).FilesToSave();
    if (!save.bComplete || save.files.size() > static_cast<std::size_t>(cZip::kMostFileSpecs))
        return {};
    if (save.files.empty())
        return {SavePlan::Kind::Nothing, {}};
    return {SavePlan::Kind::Files, std::move(save.files)};
}
