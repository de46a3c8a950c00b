// Compresses the files to be packed on worker threads, ahead of the thread
// that writes the archive, in the order the archive needs them.
//
// Files up to kWholeFileLimit are read and compressed whole with libdeflate
// (level 6, the level Info-ZIP's zip uses by default) and kept until the
// writer has taken them; when deflate does not shrink a file, its raw bytes
// are kept instead and the entry is stored. Larger files are only measured
// here (compressed size and CRC-32, through zlib in small pieces, nothing
// kept) and compressed again piece by piece while they are written, so that
// memory stays bounded whatever the file sizes. The bytes held by finished
// and running jobs stay within a budget; a job is started only when it fits,
// or when nothing else is held, so the writer can always go on.
#ifndef KEPLO_ENGINE_WRITER_DEFLATE_PIPELINE_H
#define KEPLO_ENGINE_WRITER_DEFLATE_PIPELINE_H

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace writer {

constexpr uint64_t kWholeFileLimit = 8u << 20;
constexpr size_t kPipelineBudget = 16u << 20;
constexpr int kDeflateLevel = 6;
// Up to this many bytes in all, files are compressed or checksummed on the
// calling thread: starting and waking workers costs more than it saves,
// most of all on a busy machine.
constexpr uint64_t kCallingThreadLimit = 256u << 10;

struct DeflateJob {
    enum class State { Waiting, Running, Done, Failed };

    const std::string *path = nullptr; // owned by the caller, who outlives the pipeline
    uint64_t plannedSize = 0;
    bool streamed = false; // measured only; compressed again while written

    State state = State::Waiting;
    std::unique_ptr<uint8_t[]> data; // compressed bytes, or the raw bytes when stored
    size_t held = 0;                 // bytes counted against the budget
    bool stored = false;
    uint64_t size = 0;           // uncompressed size as read
    uint64_t compressedSize = 0; // size of the entry's data (= size when stored)
    uint32_t crc = 0;
    std::string error; // why the file could not be read
};

class DeflatePipeline {
public:
    // workers 0: each job is done on the calling thread when it is waited
    // for, which is quicker for a few small files than waking threads.
    DeflatePipeline(unsigned workers, size_t budget);
    ~DeflatePipeline();
    DeflatePipeline(const DeflatePipeline &) = delete;
    DeflatePipeline &operator=(const DeflatePipeline &) = delete;

    // Adds a job before Start; returns its number. The path must stay
    // valid as long as the pipeline lives.
    size_t Add(const std::string &path, uint64_t plannedSize);
    void Start();

    // Waits until job i is done or has failed. Jobs are taken in order.
    const DeflateJob &Wait(size_t i);
    // Frees the job's data and gives its bytes back to the budget.
    void Release(size_t i);
    // Ends the workers; running jobs finish first.
    void Stop();

    // The most bytes ever held at once, for measurements.
    size_t PeakHeld() const { return m_peakHeld; }

private:
    void Run();
    void Execute(DeflateJob &job, void *compressor);

    std::vector<DeflateJob> m_jobs;
    unsigned m_workerCount;
    size_t m_budget;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    size_t m_next = 0;
    size_t m_held = 0;
    size_t m_peakHeld = 0;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
    void *m_ownCompressor = nullptr; // the calling thread's, without workers
};

// Reads a file and compresses it with zlib in pieces, producing exactly the
// bytes that the measuring pass counted.
class StreamedDeflate {
public:
    StreamedDeflate();
    ~StreamedDeflate();
    StreamedDeflate(const StreamedDeflate &) = delete;
    StreamedDeflate &operator=(const StreamedDeflate &) = delete;

    // compress false: the file's own bytes are handed out.
    bool Open(const std::string &path, bool compress, std::string &error);
    // Up to capacity bytes of output; 0 at the end; -1 on a read failure.
    int64_t Read(uint8_t *out, size_t capacity, std::string &error);
    void Close();

    uint64_t BytesIn() const { return m_bytesIn; }
    uint32_t Crc() const { return m_crc; }

private:
    bool Refill(std::string &error);

    int m_fd = -1;
    bool m_compress = false;
    bool m_inputDone = false;
    bool m_finished = false;
    void *m_stream = nullptr; // z_stream
    std::unique_ptr<uint8_t[]> m_input;
    size_t m_inputLength = 0;
    size_t m_inputOffset = 0;
    uint64_t m_bytesIn = 0;
    uint32_t m_crc = 0;
};

// How a finished job was packed, as the messages say it: "stored 0%" or
// "deflated 42%".
std::string RatioText(const DeflateJob &job);

// Measures what StreamedDeflate would produce for the file: its size, its
// CRC-32 and the size of its deflated form.
bool MeasureStreamed(const std::string &path, uint64_t &size, uint32_t &crc,
                     uint64_t &compressedSize, std::string &error);

} // namespace writer

#endif
