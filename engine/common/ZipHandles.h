// libzip handles that close themselves, so that no early return leaks one.
#ifndef KEPLO_ENGINE_COMMON_ZIP_HANDLES_H
#define KEPLO_ENGINE_COMMON_ZIP_HANDLES_H

#include <memory>
#include <zip.h>

namespace engine {

struct ZipArchiveCloser {
    // Read-only use: discarding never writes anything back.
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
struct ZipFileCloser {
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};

using ZipArchivePtr = std::unique_ptr<zip_t, ZipArchiveCloser>;
using ZipFilePtr = std::unique_ptr<zip_file_t, ZipFileCloser>;

} // namespace engine

#endif
