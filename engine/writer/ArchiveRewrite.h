// Writes an archive made of entries carried over from the archive it
// replaces and of new entries.
//
// A carried-over entry keeps its local header, its data and its central
// record byte for byte; only the offset in its central record changes.
// Consecutive kept entries are copied as one stretch of the old file, and
// what lies before the first entry stays in front of the entries. An
// entry that replaces an old one takes the old one's place in the file and
// in the central directory; added entries follow the old ones.
#ifndef KEPLO_ENGINE_WRITER_ARCHIVE_REWRITE_H
#define KEPLO_ENGINE_WRITER_ARCHIVE_REWRITE_H

#include "engine/writer/ArchiveOutput.h"
#include "engine/writer/ZipDirectory.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace writer {

// What becomes of an entry of the old archive, when not replaced by new
// entry number n (fate n >= 0).
constexpr int64_t kKeepEntry = -1;
constexpr int64_t kDropEntry = -2;

struct RewritePlan {
    int oldFd = -1;                    // the old archive, open for reading
    const ZipDirectory *old = nullptr; // none when the archive is new
    std::vector<int64_t> fates;        // one per record of the old directory
    size_t newEntries = 0;             // those no fate names are added at the end
    std::string comment;               // the archive comment, as bytes
    // The unpacked size of each record's entry, for the progress of copies; empty when
    // copies are not counted.
    std::vector<uint64_t> sizes;
};

// One step of laying the new archive out: a stretch of the old file, or a
// new entry.
struct LayoutStep {
    bool copy = false;
    uint64_t begin = 0, end = 0; // the stretch, when copying
    size_t entry = 0;            // the new entry otherwise
};

// The steps in the order the new file holds them. New entries come in the
// order their steps name them, which is the order they must be ready in.
std::vector<LayoutStep> LayOut(const RewritePlan &plan);

// Writes new entry number `entry` at the output's current position and
// gives its central record; false stops the rewrite (the writer has said
// why).
using EntryWriter = std::function<bool(size_t entry, ArchiveOutput &out, std::string &central)>;

// Writes the archive step by step, then its central directory and end
// records, and renames it over the old one. The entries carried over count
// towards the call's byte progress as their stretches are copied, by their
// unpacked sizes. False when an entry writer
// stopped or writing failed: out.Error() or error then says why.
bool WriteRewrite(const RewritePlan &plan, const std::vector<LayoutStep> &steps, ArchiveOutput &out,
                  const EntryWriter &writeEntry, std::string &error);

} // namespace writer

#endif
