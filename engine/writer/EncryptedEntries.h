// New entries encrypted with WinZip AES-256, which libzip writes: they go
// into a scratch archive beside the target first, and are then carried into
// the archive being written like kept entries, header, data and record.
// The scratch archive is removed when this object goes.
#ifndef KEPLO_ENGINE_WRITER_ENCRYPTED_ENTRIES_H
#define KEPLO_ENGINE_WRITER_ENCRYPTED_ENTRIES_H

#include "engine/writer/ArchiveOutput.h"
#include "engine/writer/DeflatePipeline.h"
#include "engine/writer/NewEntry.h"
#include "engine/writer/PackedSource.h"
#include "engine/writer/WriteOutcome.h"
#include "engine/writer/WriterCallbacks.h"
#include "engine/writer/ZipDirectory.h"

#include <memory>
#include <string>
#include <vector>

namespace writer {

class EncryptedEntries {
public:
    EncryptedEntries(DeflatePipeline &pipeline, const WriterCallbacks &callbacks, bool quiet,
                     WriteOutcome &outcome);
    ~EncryptedEntries();
    EncryptedEntries(const EncryptedEntries &) = delete;
    EncryptedEntries &operator=(const EncryptedEntries &) = delete;

    // Writes the entries, in this order, into the scratch archive. False
    // when the caller stopped the engine or a file could not be read (both
    // noted in the outcome), or with Error() set when the scratch archive
    // could not be written.
    bool Prepare(const LibZip &lib, const std::string &target,
                 const std::vector<const NewEntry *> &entries, const std::string &password);

    // Carries the entry at this place of the Prepare order into out.
    bool Write(size_t place, ArchiveOutput &out, std::string &central);

    const std::string &Error() const { return m_error; }

private:
    bool AddFolder(zip_t *archive, const SelectedItem &folder);
    bool AddFile(zip_t *archive, const NewEntry &entry, const std::string &password);

    DeflatePipeline &m_pipeline;
    const WriterCallbacks &m_callbacks;
    bool m_quiet;
    WriteOutcome &m_outcome;
    SourceContext m_context;
    std::vector<std::unique_ptr<PackedSource>> m_sources;
    std::string m_scratch;
    int m_fd = -1;
    ZipDirectory m_directory;
    std::string m_error;
};

} // namespace writer

#endif
