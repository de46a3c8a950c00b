// Writes new entries into the archive being written: the local header with
// the sizes and CRC-32 known beforehand (no data descriptor), the data
// compressed by the pipeline, and the central record to go with it.
//
// Runs on the thread that called ZpArchive, which makes the service call
// before each entry and prints its message once it is written. A file's bytes
// count towards the call's byte progress as it is written.
#ifndef KEPLO_ENGINE_WRITER_ENTRY_ENCODER_H
#define KEPLO_ENGINE_WRITER_ENTRY_ENCODER_H

#include "engine/writer/ArchiveOutput.h"
#include "engine/writer/DeflatePipeline.h"
#include "engine/writer/NewEntry.h"
#include "engine/writer/WriteOutcome.h"
#include "engine/writer/WriterCallbacks.h"

#include <memory>
#include <string>

namespace engine {
class ProgressShare;
}

namespace writer {

class EntryEncoder {
public:
    EntryEncoder(DeflatePipeline &pipeline, const WriterCallbacks &callbacks, bool quiet,
                 WriteOutcome &outcome)
        : m_pipeline(pipeline), m_callbacks(callbacks), m_quiet(quiet), m_outcome(outcome) {}

    // False when the caller stopped the engine, the file could not be read
    // (both noted in the outcome) or the output failed.
    bool Write(const NewEntry &entry, ArchiveOutput &out, std::string &central);

private:
    bool WriteFolder(const SelectedItem &folder, ArchiveOutput &out, std::string &central);
    bool WriteStreamed(const DeflateJob &job, const SelectedItem &file, ArchiveOutput &out,
                       engine::ProgressShare &share);
    bool ReadFailed(const SelectedItem &file, const std::string &why);
    bool Stopped(const SelectedItem &item);

    DeflatePipeline &m_pipeline;
    const WriterCallbacks &m_callbacks;
    bool m_quiet;
    WriteOutcome &m_outcome;
    std::unique_ptr<uint8_t[]> m_piece;
};

} // namespace writer

#endif
