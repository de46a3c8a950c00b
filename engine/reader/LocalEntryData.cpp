#include "engine/reader/LocalEntryData.h"

#include "engine/common/EngineMessages.h"
#include "engine/common/LittleEndian.h"
#include "engine/common/ZipFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace engine {

namespace {

constexpr size_t kInputChunk = 256u << 10;

} // namespace

LocalEntryData::~LocalEntryData() {
    if (m_inflate)
        inflateEnd(m_inflate.get());
}

bool LocalEntryData::CanRead(const ArchiveEntry &entry) {
    return !entry.encrypted && (entry.method == 0 || entry.method == 8);
}

bool LocalEntryData::ReadAt(uint64_t offset, unsigned char *out, size_t length, std::string &error) const {
    size_t done = 0;
    while (done < length) {
        const ssize_t got = pread(m_fd, out + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            error = got < 0 ? ErrnoText(errno) : "the archive ends inside its data";
            return false;
        }
        done += static_cast<size_t>(got);
    }
    return true;
}

bool LocalEntryData::Open(int fd, uint64_t fileSize, const ArchiveEntry &entry, std::string &error) {
    m_fd = fd;
    m_method = entry.method;
    m_packedSize = entry.packedSize;
    m_expectedCrc = entry.crc;
    m_crc = crc32(0, nullptr, 0);
    unsigned char header[kLocalFixedSize];
    if (entry.localOffset > fileSize || fileSize - entry.localOffset < kLocalFixedSize ||
        !ReadAt(entry.localOffset, header, sizeof header, error) || ReadLittle32(header) != kLocalHeaderSignature) {
        error = "its local header is missing";
        return false;
    }
    m_dataStart = entry.localOffset + kLocalFixedSize + ReadLittle16(header + 26) + ReadLittle16(header + 28);
    if (m_dataStart > fileSize || fileSize - m_dataStart < m_packedSize) {
        error = "its packed size exceeds the archive";
        return false;
    }
    return true;
}

bool LocalEntryData::ReadPacked(std::vector<unsigned char> &packed, std::string &error) {
    packed.resize(static_cast<size_t>(m_packedSize));
    return packed.empty() || ReadAt(m_dataStart, packed.data(), packed.size(), error);
}

int64_t LocalEntryData::Read(unsigned char *buffer, size_t size, std::string &error) {
    const int64_t got = Unpack(buffer, size, error);
    if (got > 0)
        m_crc = crc32(m_crc, buffer, static_cast<uInt>(got));
    if (got == 0 && m_crc != m_expectedCrc) {
        char text[64];
        std::snprintf(text, sizeof text, "bad CRC %08lx (should be %08x)", m_crc, m_expectedCrc);
        error = text;
        m_badCrc = true;
        return -1;
    }
    return got;
}

int64_t LocalEntryData::Unpack(unsigned char *buffer, size_t size, std::string &error) {
    if (m_method == 0) {
        const size_t length = static_cast<size_t>(std::min<uint64_t>(size, m_packedSize - m_packedRead));
        if (length > 0 && !ReadAt(m_dataStart + m_packedRead, buffer, length, error))
            return -1;
        m_packedRead += length;
        return static_cast<int64_t>(length);
    }
    if (!m_inflate) {
        m_inflate = std::make_unique<z_stream>();
        if (inflateInit2(m_inflate.get(), -MAX_WBITS) != Z_OK) {
            m_inflate.reset();
            error = "out of memory";
            return -1;
        }
    }
    z_stream &stream = *m_inflate;
    stream.next_out = buffer;
    stream.avail_out = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
    while (stream.avail_out > 0 && !m_inflateDone) {
        if (stream.avail_in == 0) {
            const size_t length = static_cast<size_t>(std::min<uint64_t>(kInputChunk, m_packedSize - m_packedRead));
            if (length == 0) {
                error = "its compressed data ends early";
                return -1;
            }
            m_input.resize(length);
            if (!ReadAt(m_dataStart + m_packedRead, m_input.data(), length, error))
                return -1;
            m_packedRead += length;
            stream.next_in = m_input.data();
            stream.avail_in = static_cast<uInt>(length);
        }
        const int status = inflate(&stream, Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
            m_inflateDone = true;
        } else if (status != Z_OK) {
            error = "its compressed data is damaged";
            return -1;
        }
    }
    return static_cast<int64_t>(size - stream.avail_out);
}

} // namespace engine
