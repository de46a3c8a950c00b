// One ZpArchive call: packing files into an archive (creating it, or
// updating the one that is there) or deleting entries from it.
//
// Updating: a matched file replaces the entry of the same relative path
// (names compared as the reader extracts them: "\" counts as "/", "." and
// empty parts are ignored), a matched file without such an entry is added,
// and every other entry is carried over byte for byte: local header, data
// and central record, only its offset changed. A file whose size and
// CRC-32 equal its entry's keeps that entry as it is. With encryption on,
// matched files are always written again, encrypted.
//
// The archive is only ever replaced whole: the new one is written to a
// temporary file beside it and renamed over it once complete, so a failure
// or a cancel leaves the old archive byte for byte as it was.
#ifndef KEPLO_ENGINE_WRITER_ARCHIVE_UPDATE_H
#define KEPLO_ENGINE_WRITER_ARCHIVE_UPDATE_H

#include "engine/writer/WriterCallbacks.h"
#include "engine/writer/WriterOptions.h"

#include <cstdint>
#include <string>
#include <vector>

namespace writer {

// Returns one of the EngineResult codes.
int32_t PackFiles(const PackOptions &options, const WriterCallbacks &callbacks,
                  const std::string &archivePath, const std::vector<std::string> &specifications);

int32_t DeleteEntries(const PackOptions &options, const WriterCallbacks &callbacks,
                      const std::string &archivePath,
                      const std::vector<std::string> &specifications);

} // namespace writer

#endif
