#include "engine/writer/DeflatePipeline.h"

#include "engine/common/EngineMessages.h"
#include "engine/common/Inflate.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace writer {

namespace {

constexpr size_t kPieceSize = 1u << 20;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0)
            close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

int OpenForReading(const std::string &path, std::string &error) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = engine::ErrnoText(errno);
        return -1;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = "not a regular file";
        close(fd);
        return -1;
    }
    return fd;
}

// Reads up to length bytes; the count read, or -1 with error set.
int64_t ReadFully(int fd, uint8_t *buffer, size_t length, std::string &error) {
    size_t done = 0;
    while (done < length) {
        const ssize_t got = read(fd, buffer + done, length - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            error = engine::ErrnoText(errno);
            return -1;
        }
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    return static_cast<int64_t>(done);
}

bool InitDeflate(z_stream &stream) {
    std::memset(&stream, 0, sizeof stream);
    // Raw deflate (no zlib wrapper), as zip entries hold it.
    return deflateInit2(&stream, kDeflateLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) ==
           Z_OK;
}

} // namespace

DeflatePipeline::DeflatePipeline(unsigned workers, size_t budget)
    : m_workerCount(workers), m_budget(budget) {}

DeflatePipeline::~DeflatePipeline() {
    Stop();
    if (m_ownCompressor != nullptr)
        libdeflate_free_compressor(static_cast<libdeflate_compressor *>(m_ownCompressor));
}

size_t DeflatePipeline::Add(const std::string &path, uint64_t plannedSize) {
    DeflateJob job;
    job.path = &path;
    job.plannedSize = plannedSize;
    job.streamed = plannedSize > kWholeFileLimit;
    m_jobs.push_back(std::move(job));
    return m_jobs.size() - 1;
}

void DeflatePipeline::Start() {
    const unsigned workers = std::min<size_t>(m_workerCount, std::max<size_t>(m_jobs.size(), 1));
    for (unsigned i = 0; i < workers; ++i)
        m_threads.emplace_back([this] { Run(); });
}

const DeflateJob &DeflatePipeline::Wait(size_t i) {
    if (m_workerCount == 0) {
        DeflateJob &job = m_jobs[i];
        if (job.state == DeflateJob::State::Waiting) {
            if (m_ownCompressor == nullptr)
                m_ownCompressor = libdeflate_alloc_compressor(kDeflateLevel);
            job.state = DeflateJob::State::Running;
            Execute(job, m_ownCompressor);
        }
        return job;
    }
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] {
        return m_jobs[i].state == DeflateJob::State::Done ||
               m_jobs[i].state == DeflateJob::State::Failed;
    });
    return m_jobs[i];
}

void DeflatePipeline::Release(size_t i) {
    {
        std::lock_guard lock(m_mutex);
        DeflateJob &job = m_jobs[i];
        m_held -= job.held;
        job.held = 0;
        job.data.reset();
    }
    m_changed.notify_all();
}

void DeflatePipeline::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
    m_threads.clear();
}

void DeflatePipeline::Run() {
    libdeflate_compressor *compressor = libdeflate_alloc_compressor(kDeflateLevel);
    for (;;) {
        size_t index = 0;
        {
            std::unique_lock lock(m_mutex);
            auto cost = [this](size_t i) -> size_t {
                const DeflateJob &job = m_jobs[i];
                return job.streamed ? 2 * kPieceSize
                                    : static_cast<size_t>(2 * job.plannedSize + 4096);
            };
            m_changed.wait(lock, [&] {
                return m_stopping || m_next >= m_jobs.size() || m_held == 0 ||
                       m_held + cost(m_next) <= m_budget;
            });
            if (m_stopping || m_next >= m_jobs.size())
                break;
            index = m_next++;
            m_jobs[index].held = cost(index);
            m_held += m_jobs[index].held;
            m_peakHeld = std::max(m_peakHeld, m_held);
            m_jobs[index].state = DeflateJob::State::Running;
        }
        Execute(m_jobs[index], compressor);
        m_changed.notify_all();
    }
    libdeflate_free_compressor(compressor);
}

void DeflatePipeline::Execute(DeflateJob &job, void *compressorHandle) {
    auto *compressor = static_cast<libdeflate_compressor *>(compressorHandle);
    std::string error;
    bool ok = false;
    std::unique_ptr<uint8_t[]> kept;
    size_t keptBytes = 0;
    uint64_t size = 0, compressedSize = 0;
    uint32_t crc = 0;
    bool stored = false;

    if (job.streamed) {
        ok = compressor != nullptr && MeasureStreamed(*job.path, size, crc, compressedSize, error);
        stored = ok && compressedSize >= size;
        if (stored)
            compressedSize = size;
    } else if (compressor != nullptr) {
        const int fd = OpenForReading(*job.path, error);
        if (fd >= 0) {
            FileDescriptor file(fd);
            struct stat info {};
            fstat(fd, &info);
            const size_t capacity = static_cast<size_t>(std::max<off_t>(info.st_size, 0));
            // One spare byte tells whether the file grew since it was measured.
            std::unique_ptr<uint8_t[]> raw(new (std::nothrow) uint8_t[capacity + 1]);
            const int64_t got = raw ? ReadFully(fd, raw.get(), capacity + 1, error) : -1;
            if (!raw) {
                error = "out of memory";
            } else if (got > static_cast<int64_t>(capacity)) {
                error = "the file changed while it was being packed";
            } else if (got >= 0) {
                size = static_cast<uint64_t>(got);
                crc = libdeflate_crc32(0, raw.get(), static_cast<size_t>(size));
                const size_t bound =
                    libdeflate_deflate_compress_bound(compressor, static_cast<size_t>(size));
                std::unique_ptr<uint8_t[]> packed(new (std::nothrow) uint8_t[bound]);
                const size_t packedSize =
                    packed ? libdeflate_deflate_compress(compressor, raw.get(),
                                                         static_cast<size_t>(size), packed.get(),
                                                         bound)
                           : 0;
                // Store when deflate does not make the file smaller.
                if (packedSize == 0 || packedSize >= size) {
                    stored = true;
                    compressedSize = size;
                    kept = std::move(raw);
                    keptBytes = capacity + 1;
                } else {
                    compressedSize = packedSize;
                    kept = std::move(packed);
                    keptBytes = bound;
                }
                ok = true;
            }
        }
    } else {
        error = "out of memory";
    }

    std::lock_guard lock(m_mutex);
    m_held -= job.held;
    job.held = ok ? keptBytes : 0;
    m_held += job.held;
    job.data = std::move(kept);
    job.size = size;
    job.compressedSize = compressedSize;
    job.crc = crc;
    job.stored = stored;
    job.error = error;
    job.state = ok ? DeflateJob::State::Done : DeflateJob::State::Failed;
}

std::string RatioText(const DeflateJob &job) {
    if (job.stored)
        return "stored 0%";
    const uint64_t saved = job.size == 0 ? 0 : (job.size - job.compressedSize) * 100 / job.size;
    return "deflated " + std::to_string(saved) + "%";
}

bool MeasureStreamed(const std::string &path, uint64_t &size, uint32_t &crc,
                     uint64_t &compressedSize, std::string &error) {
    StreamedDeflate stream;
    if (!stream.Open(path, true, error))
        return false;
    std::unique_ptr<uint8_t[]> out(new uint8_t[kPieceSize]);
    compressedSize = 0;
    for (;;) {
        const int64_t got = stream.Read(out.get(), kPieceSize, error);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        compressedSize += static_cast<uint64_t>(got);
    }
    size = stream.BytesIn();
    crc = stream.Crc();
    return true;
}

StreamedDeflate::StreamedDeflate() = default;

StreamedDeflate::~StreamedDeflate() {
    Close();
}

bool StreamedDeflate::Open(const std::string &path, bool compress, std::string &error) {
    Close();
    m_fd = OpenForReading(path, error);
    if (m_fd < 0)
        return false;
    m_compress = compress;
    m_input.reset(new uint8_t[kPieceSize]);
    if (compress) {
        auto *stream = new z_stream;
        if (!InitDeflate(*stream)) {
            delete stream;
            error = "out of memory";
            Close();
            return false;
        }
        m_stream = stream;
    }
    return true;
}

bool StreamedDeflate::Refill(std::string &error) {
    const int64_t got = ReadFully(m_fd, m_input.get(), kPieceSize, error);
    if (got < 0)
        return false;
    m_inputLength = static_cast<size_t>(got);
    m_inputOffset = 0;
    m_inputDone = got == 0;
    m_bytesIn += static_cast<uint64_t>(got);
    m_crc = engine::Crc32(m_input.get(), m_inputLength, m_crc);
    return true;
}

int64_t StreamedDeflate::Read(uint8_t *out, size_t capacity, std::string &error) {
    if (m_fd < 0 || m_finished)
        return 0;
    if (!m_compress) {
        if (m_inputOffset == m_inputLength && !m_inputDone && !Refill(error))
            return -1;
        const size_t n = std::min(capacity, m_inputLength - m_inputOffset);
        std::memcpy(out, m_input.get() + m_inputOffset, n);
        m_inputOffset += n;
        if (n == 0)
            m_finished = true;
        return static_cast<int64_t>(n);
    }
    auto *stream = static_cast<z_stream *>(m_stream);
    stream->next_out = out;
    stream->avail_out = static_cast<uInt>(std::min<size_t>(capacity, UINT32_MAX));
    while (stream->avail_out > 0) {
        if (m_inputOffset == m_inputLength && !m_inputDone && !Refill(error))
            return -1;
        stream->next_in = m_input.get() + m_inputOffset;
        stream->avail_in = static_cast<uInt>(m_inputLength - m_inputOffset);
        const int result = deflate(stream, m_inputDone ? Z_FINISH : Z_NO_FLUSH);
        m_inputOffset = m_inputLength - stream->avail_in;
        if (result == Z_STREAM_END) {
            m_finished = true;
            break;
        }
        if (result != Z_OK && result != Z_BUF_ERROR) {
            error = "compression failed";
            return -1;
        }
    }
    return static_cast<int64_t>(capacity - stream->avail_out);
}

void StreamedDeflate::Close() {
    if (m_stream != nullptr) {
        auto *stream = static_cast<z_stream *>(m_stream);
        deflateEnd(stream);
        delete stream;
        m_stream = nullptr;
    }
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    m_input.reset();
    m_inputLength = m_inputOffset = 0;
    m_inputDone = m_finished = false;
    m_bytesIn = 0;
    m_crc = 0;
}

} // namespace writer
