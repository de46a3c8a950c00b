#include "engine/writer/ArchiveRewrite.h"

#include "engine/common/ByteProgress.h"
#include "engine/writer/ZipRecords.h"

#include <algorithm>
#include <numeric>

namespace writer {

namespace {

// New entries that take an old entry's place.
std::vector<bool> Replacing(const RewritePlan &plan) {
    std::vector<bool> replacing(plan.newEntries, false);
    for (const int64_t fate : plan.fates)
        if (fate >= 0 && static_cast<size_t>(fate) < plan.newEntries)
            replacing[static_cast<size_t>(fate)] = true;
    return replacing;
}

// A stretch of the old file and where the new file holds it.
struct MovedStretch {
    uint64_t begin;
    uint64_t to;
};

// The unpacked bytes of the kept entries whose local headers lie in each copied
// stretch, in the order of the steps.
std::vector<uint64_t> StretchSizes(const RewritePlan &plan, const std::vector<LayoutStep> &steps) {
    std::vector<uint64_t> sizes(steps.size(), 0);
    if (plan.old == nullptr || plan.sizes.size() != plan.old->records.size())
        return sizes;
    std::vector<std::pair<uint64_t, uint64_t>> kept; // local offset, size
    for (size_t i = 0; i < plan.old->records.size(); ++i)
        if (plan.fates[i] == kKeepEntry)
            kept.emplace_back(plan.old->records[i].localOffset, plan.sizes[i]);
    std::sort(kept.begin(), kept.end());
    for (size_t i = 0; i < steps.size(); ++i) {
        if (!steps[i].copy)
            continue;
        auto it = std::lower_bound(kept.begin(), kept.end(), std::make_pair(steps[i].begin, uint64_t{0}));
        for (; it != kept.end() && it->first < steps[i].end; ++it)
            sizes[i] += it->second;
    }
    return sizes;
}

uint64_t NewOffset(const std::vector<MovedStretch> &moved, uint64_t oldOffset) {
    auto after = std::upper_bound(
        moved.begin(), moved.end(), oldOffset,
        [](uint64_t offset, const MovedStretch &stretch) { return offset < stretch.begin; });
    const MovedStretch &stretch = *(after - 1);
    return stretch.to + (oldOffset - stretch.begin);
}

} // namespace

std::vector<LayoutStep> LayOut(const RewritePlan &plan) {
    std::vector<LayoutStep> steps;
    std::vector<bool> placed(plan.newEntries, false);
    auto place = [&](int64_t fate) {
        const auto entry = static_cast<size_t>(fate);
        if (entry < plan.newEntries && !placed[entry]) {
            placed[entry] = true;
            steps.push_back(LayoutStep{false, 0, 0, entry});
        }
    };
    if (plan.old != nullptr) {
        const std::vector<CentralRecord> &records = plan.old->records;
        std::vector<size_t> order(records.size());
        std::iota(order.begin(), order.end(), size_t{0});
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return records[a].localOffset < records[b].localOffset;
        });
        // Whatever comes before the first entry (a self-extractor's program)
        // stays in front of it.
        const uint64_t first = order.empty() ? 0 : records[order.front()].localOffset;
        if (first > 0)
            steps.push_back(LayoutStep{true, 0, first, 0});
        // Records that share a local header share its stretch.
        for (size_t i = 0; i < order.size();) {
            const CentralRecord &first = records[order[i]];
            size_t next = i;
            bool kept = false;
            while (next < order.size() && records[order[next]].localOffset == first.localOffset)
                kept |= plan.fates[order[next++]] == kKeepEntry;
            if (kept) {
                if (!steps.empty() && steps.back().copy && steps.back().end == first.localOffset)
                    steps.back().end = first.spanEnd;
                else
                    steps.push_back(LayoutStep{true, first.localOffset, first.spanEnd, 0});
            }
            for (size_t j = i; j < next; ++j)
                if (plan.fates[order[j]] >= 0)
                    place(plan.fates[order[j]]);
            i = next;
        }
    }
    for (size_t entry = 0; entry < plan.newEntries; ++entry)
        place(static_cast<int64_t>(entry));
    return steps;
}

bool WriteRewrite(const RewritePlan &plan, const std::vector<LayoutStep> &steps, ArchiveOutput &out,
                  const EntryWriter &writeEntry, std::string &error) {
    std::vector<std::string> newRecords(plan.newEntries);
    std::vector<MovedStretch> moved;
    const std::vector<uint64_t> stretchSizes = StretchSizes(plan, steps);
    for (size_t i = 0; i < steps.size(); ++i) {
        const LayoutStep &step = steps[i];
        if (step.copy) {
            moved.push_back(MovedStretch{step.begin, out.Position()});
            // The stretch's entries are counted in proportion to the bytes copied.
            engine::ProgressShare share(engine::CallProgress(), stretchSizes[i]);
            const uint64_t length = step.end - step.begin;
            uint64_t copied = 0;
            auto unpacked = [&](uint64_t bytes) {
                return static_cast<uint64_t>(static_cast<unsigned __int128>(bytes) * stretchSizes[i] /
                                             std::max<uint64_t>(length, 1));
            };
            out.SetCopyObserver([&](uint64_t bytes) {
                const uint64_t before = unpacked(copied);
                copied += bytes;
                share.Add(unpacked(copied) - before);
            });
            const bool done = out.CopyFrom(plan.oldFd, step.begin, length);
            out.SetCopyObserver(nullptr);
            if (!done)
                return false;
        } else if (!writeEntry(step.entry, out, newRecords[step.entry])) {
            return false;
        }
    }

    const uint64_t centralOffset = out.Position();
    uint64_t count = 0;
    for (size_t i = 0; plan.old != nullptr && i < plan.old->records.size(); ++i) {
        const int64_t fate = plan.fates[i];
        if (fate == kDropEntry)
            continue;
        ++count;
        if (fate >= 0) {
            out.Write(newRecords[static_cast<size_t>(fate)]);
            continue;
        }
        const std::optional<std::string> record = RelocatedRecord(
            plan.old->Record(i), NewOffset(moved, plan.old->records[i].localOffset));
        if (!record) {
            error = "entry " + std::to_string(i + 1) + " cannot be moved: its central record " +
                    "has no room for a zip64 offset";
            return false;
        }
        out.Write(*record);
    }
    const std::vector<bool> replacing = Replacing(plan);
    for (size_t entry = 0; entry < plan.newEntries; ++entry) {
        if (!replacing[entry]) {
            out.Write(newRecords[entry]);
            ++count;
        }
    }
    const uint64_t centralSize = out.Position() - centralOffset;
    out.Write(EndRecords(count, centralOffset, centralSize, plan.comment));
    return out.Commit();
}

} // namespace writer
