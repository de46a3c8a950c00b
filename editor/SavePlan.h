// What Save Changes hands the zip component: every file below the archive
// sub-folder ("*", as the zip component was always used), only the files that
// changed or were added since Extract, or nothing at all when nothing did. Only
// what Extract's snapshot proves is left out; whatever is unknown is written.
#pragma once

#include <string>
#include <vector>

struct SavePlan {
    enum class Kind {
        Everything, // hand "*"
        Files,      // hand sFiles, one specification each
        Nothing,    // leave the archive untouched
    };
    Kind eKind = Kind::Everything;
    std::vector<std::string> sFiles; // below the sub-folder, "/" between parts
};

// The plan for packing sSubFolder back into the archive at sArchivePath. It is
// "*" without a snapshot that can be trusted, when the archive is no longer the
// file that was unpacked, when the folder holds what a list of files cannot name
// exactly, and when the files are more than one zip call takes.
SavePlan PlanSave(const std::string &sSubFolder, const std::string &sArchivePath);
