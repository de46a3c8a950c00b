// Extraction and testing: every selected entry written below the target
// folder (or only checked), with the overwrite, password and safety rules.
#ifndef KEPLO_ENGINE_READER_ARCHIVE_EXTRACTION_H
#define KEPLO_ENGINE_READER_ARCHIVE_EXTRACTION_H

namespace engine {

class UnzipSession;

void ExtractArchive(UnzipSession &session);

} // namespace engine

#endif
