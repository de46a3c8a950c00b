// The data of one entry being written, handed to libzip as a source whose
// bytes are already compressed (or stored).
//
// libzip asks each source for its statistics when zip_close reaches that
// entry, in archive order. A source reporting the deflate method with its
// compressed size and CRC-32 is written raw, without libzip compressing it
// again. Whether an entry ends up stored is only known once its file has
// been compressed, so the entry's method is set at that moment
// (zip_set_file_compression, before libzip reads it); the method is only
// changed when it differs from the entry's original one, since setting the
// original method back would make libzip drop the entry's pending changes.
//
// Everything here runs on the thread that called zip_close, which is the
// thread that called ZpArchive: the service call and the print message
// for each entry are made from here.
#ifndef KEPLO_ENGINE_WRITER_PACKED_SOURCE_H
#define KEPLO_ENGINE_WRITER_PACKED_SOURCE_H

#include "engine/writer/DeflatePipeline.h"
#include "engine/writer/FileSelection.h"
#include "engine/writer/LibZip.h"
#include "engine/writer/WriteOutcome.h"
#include "engine/writer/WriterCallbacks.h"

#include <ctime>
#include <string>
#include <sys/types.h>
#include <zip.h>

namespace writer {

// What all sources of one write share.
struct SourceContext {
    const LibZip *lib = nullptr;
    zip_t *archive = nullptr;
    DeflatePipeline *pipeline = nullptr;
    const WriterCallbacks *callbacks = nullptr;
    bool quiet = false;
    WriteOutcome outcome;
};

class PackedSource {
public:
    // The item must outlive the source; verb is "adding" or "updating".
    PackedSource(SourceContext &context, const SelectedItem &item, const char *verb,
                 zip_int32_t originalMethod);

    void SetIndex(zip_uint64_t index) { m_index = index; }
    void SetJob(size_t job) { m_job = job; }

    // The callback for zip_source_function; the user data is a PackedSource.
    static zip_int64_t Callback(void *userData, void *data, zip_uint64_t length,
                                zip_source_cmd_t command);

private:
    zip_int64_t Stat(zip_stat_t *stat);
    zip_int64_t Open();
    zip_int64_t Read(void *data, zip_uint64_t length);
    zip_int64_t Attributes(zip_file_attributes_t *attributes);
    zip_int64_t Fail(int zipError);
    void Finished();
    void Closed();

    SourceContext &m_context;
    size_t m_job = 0;
    const SelectedItem &m_item;
    const char *m_verb;
    zip_int32_t m_originalMethod;
    zip_uint64_t m_index = 0;

    const DeflateJob *m_data = nullptr; // set once the job is done
    bool m_released = false;
    uint64_t m_offset = 0;
    StreamedDeflate m_stream;
    zip_error_t m_error;
};

} // namespace writer

#endif
