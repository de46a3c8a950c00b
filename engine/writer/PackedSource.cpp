#include "engine/writer/PackedSource.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace writer {

namespace {

// General-purpose bits 1 and 2 give the deflate level; 0 means "normal".
constexpr zip_uint16_t kDeflateLevelBits = 0x0006;

} // namespace

PackedSource::PackedSource(SourceContext &context, const SelectedItem &item, const char *verb,
                           zip_int32_t originalMethod)
    : m_context(context), m_item(item), m_verb(verb), m_originalMethod(originalMethod) {
    m_context.lib->error_init(&m_error);
}

zip_int64_t PackedSource::Callback(void *userData, void *data, zip_uint64_t length,
                                   zip_source_cmd_t command) {
    auto *self = static_cast<PackedSource *>(userData);
    switch (command) {
    case ZIP_SOURCE_SUPPORTS:
        return self->m_context.lib->source_make_command_bitmap(
            ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR,
            ZIP_SOURCE_FREE, ZIP_SOURCE_GET_FILE_ATTRIBUTES, -1);
    case ZIP_SOURCE_STAT:
        if (length < sizeof(zip_stat_t))
            return self->Fail(ZIP_ER_INVAL);
        return self->Stat(static_cast<zip_stat_t *>(data));
    case ZIP_SOURCE_OPEN:
        return self->Open();
    case ZIP_SOURCE_READ:
        return self->Read(data, length);
    case ZIP_SOURCE_CLOSE:
        self->Closed();
        return 0;
    case ZIP_SOURCE_GET_FILE_ATTRIBUTES:
        if (length < sizeof(zip_file_attributes_t))
            return self->Fail(ZIP_ER_INVAL);
        return self->Attributes(static_cast<zip_file_attributes_t *>(data));
    case ZIP_SOURCE_ERROR:
        return self->m_context.lib->error_to_data(&self->m_error, data, length);
    case ZIP_SOURCE_FREE:
        // The object belongs to the write, which outlives the archive handle.
        return 0;
    default:
        return self->Fail(ZIP_ER_OPNOTSUPP);
    }
}

zip_int64_t PackedSource::Fail(int zipError) {
    m_context.lib->error_set(&m_error, zipError, 0);
    return -1;
}

zip_int64_t PackedSource::Stat(zip_stat_t *stat) {
    if (m_data == nullptr) {
        const DeflateJob &job = m_context.pipeline->Wait(m_job);
        if (job.state == DeflateJob::State::Failed) {
            m_context.outcome.readFailed = true;
            m_context.outcome.failure = "could not read " + m_item.fullPath + ": " + job.error;
            return Fail(ZIP_ER_READ);
        }
        if (m_context.callbacks->ServiceWantsStop(m_item.entryName)) {
            m_context.outcome.cancelled = true;
            return Fail(ZIP_ER_CANCELLED);
        }
        const zip_int32_t method = job.stored ? ZIP_CM_STORE : ZIP_CM_DEFAULT;
        if (method != m_originalMethod &&
            m_context.lib->set_file_compression(m_context.archive, m_index, method, 0) != 0)
            return Fail(ZIP_ER_INTERNAL);
        m_data = &job;
    }
    m_context.lib->stat_init(stat);
    stat->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC |
                  ZIP_STAT_MTIME | ZIP_STAT_ENCRYPTION_METHOD;
    stat->size = m_data->size;
    stat->comp_size = m_data->compressedSize;
    stat->comp_method = m_data->stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    stat->crc = m_data->crc;
    stat->mtime = m_item.modified.tv_sec;
    stat->encryption_method = ZIP_EM_NONE;
    return sizeof(zip_stat_t);
}

zip_int64_t PackedSource::Open() {
    if (m_data == nullptr || m_released)
        return Fail(ZIP_ER_INTERNAL);
    m_offset = 0;
    if (m_data->streamed) {
        std::string error;
        if (!m_stream.Open(m_item.fullPath, !m_data->stored, error)) {
            m_context.outcome.readFailed = true;
            m_context.outcome.failure = "could not read " + m_item.fullPath + ": " + error;
            return Fail(ZIP_ER_READ);
        }
    }
    return 0;
}

zip_int64_t PackedSource::Read(void *data, zip_uint64_t length) {
    if (m_data == nullptr || m_released)
        return 0;
    auto *out = static_cast<uint8_t *>(data);
    if (!m_data->streamed) {
        const uint64_t n = std::min<uint64_t>(length, m_data->compressedSize - m_offset);
        if (n > 0)
            std::memcpy(out, m_data->data.get() + m_offset, n);
        m_offset += n;
        if (n == 0)
            Finished();
        return static_cast<zip_int64_t>(n);
    }
    std::string error;
    const uint64_t room = std::min<uint64_t>(length, m_data->compressedSize - m_offset + 1);
    const int64_t got = m_stream.Read(out, room, error);
    if (got < 0) {
        m_context.outcome.readFailed = true;
        m_context.outcome.failure = "could not read " + m_item.fullPath + ": " + error;
        return Fail(ZIP_ER_READ);
    }
    m_offset += static_cast<uint64_t>(got);
    // The second pass must give exactly what the first one measured; a file
    // changed in between would leave sizes in the headers that lie.
    if (m_offset > m_data->compressedSize ||
        (got == 0 && (m_offset != m_data->compressedSize || m_stream.BytesIn() != m_data->size ||
                      m_stream.Crc() != m_data->crc))) {
        m_context.outcome.readFailed = true;
        m_context.outcome.failure =
            "could not read " + m_item.fullPath + ": the file changed while it was being packed";
        return Fail(ZIP_ER_READ);
    }
    if (got == 0)
        Finished();
    return got;
}

void PackedSource::Closed() {
    m_stream.Close();
    if (m_data == nullptr || m_released)
        return;
    // All bytes delivered without the closing empty read: the entry is
    // complete all the same. Otherwise the bytes are not needed any more.
    if (!m_data->streamed && m_offset == m_data->compressedSize) {
        Finished();
        return;
    }
    m_context.pipeline->Release(m_job);
    m_released = true;
}

void PackedSource::Finished() {
    if (m_released)
        return;
    if (!m_context.quiet)
        m_context.callbacks->Print(std::string(m_verb) + ": " + m_item.entryName + " (" +
                                   RatioText(*m_data) + ")");
    // Keep the figures for libzip's second statistics call; only the bytes go.
    m_context.pipeline->Release(m_job);
    m_released = true;
}

zip_int64_t PackedSource::Attributes(zip_file_attributes_t *attributes) {
    std::memset(attributes, 0, sizeof *attributes);
    attributes->version = 1;
    attributes->valid = ZIP_FILE_ATTRIBUTES_HOST_SYSTEM |
                        ZIP_FILE_ATTRIBUTES_EXTERNAL_FILE_ATTRIBUTES |
                        ZIP_FILE_ATTRIBUTES_GENERAL_PURPOSE_BIT_FLAGS;
    attributes->host_system = ZIP_OPSYS_UNIX;
    attributes->external_file_attributes = static_cast<zip_uint32_t>(m_item.mode & 0xFFFF) << 16;
    attributes->general_purpose_bit_flags = 0;
    attributes->general_purpose_bit_mask = kDeflateLevelBits;
    return 0;
}

} // namespace writer
