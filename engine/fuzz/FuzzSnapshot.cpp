// libFuzzer target: bytes through the reader of Keplo's snapshot files (what
// Extract unpacked, kept under $XDG_STATE_HOME/Keplo between runs). A file
// that decodes must encode to bytes that decode to the same snapshot, or the
// next run would trust a different record than the one it wrote. Aborts
// otherwise.
#include "editor/SnapshotFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool Same(const ExtractSnapshot &a, const ExtractSnapshot &b) {
    if (a.sSubFolder != b.sSubFolder || !(a.archive == b.archive) || !(a.tTaken == b.tTaken) ||
        a.lGranularity != b.lGranularity || a.entries.size() != b.entries.size())
        return false;
    for (size_t i = 0; i < a.entries.size(); ++i)
        if (a.entries[i].sPath != b.entries[i].sPath || !(a.entries[i].stamp == b.entries[i].stamp))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::optional<ExtractSnapshot> snapshot =
        DecodeExtractSnapshot(std::string(reinterpret_cast<const char *>(data), size));
    if (!snapshot)
        return 0;
    const std::optional<ExtractSnapshot> again = DecodeExtractSnapshot(EncodeExtractSnapshot(*snapshot));
    if (!again || !Same(*snapshot, *again)) {
        std::fprintf(stderr, "a decoded snapshot does not survive its own encoding\n");
        abort();
    }
    return 0;
}
