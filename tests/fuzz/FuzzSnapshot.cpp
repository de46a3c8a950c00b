// libFuzzer target: bytes through the reader of Keplo's snapshot files (what
// Extract unpacked, kept under $XDG_STATE_HOME/Keplo between runs). Each
// input is read as it is, and sealed with the checksum the files end in, so
// that mutations reach the fields behind it rather than only the check. A
// file that decodes must encode to bytes that decode to the same snapshot,
// or the next run would trust a different record than the one it wrote.
// Aborts otherwise.
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

// The files' checksum: 64-bit FNV-1a of everything before it, low byte first.
std::string Sealed(std::string body) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : body) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    for (int i = 0; i < 8; ++i)
        body.push_back(static_cast<char>(hash >> (8 * i)));
    return body;
}

void CheckRoundTrip(const std::string &bytes) {
    const std::optional<ExtractSnapshot> snapshot = DecodeExtractSnapshot(bytes);
    if (!snapshot)
        return;
    const std::optional<ExtractSnapshot> again = DecodeExtractSnapshot(EncodeExtractSnapshot(*snapshot));
    if (!again || !Same(*snapshot, *again)) {
        std::fprintf(stderr, "a decoded snapshot does not survive its own encoding\n");
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    CheckRoundTrip(bytes);
    CheckRoundTrip(Sealed(bytes));
    return 0;
}
