// How far the running engine call has come in bytes of entry data, kept where
// another thread may read it at any moment (the byte-progress entry points).
// Each engine library has one, for the one call it runs at a time.
#ifndef KEPLO_ENGINE_COMMON_BYTE_PROGRESS_H
#define KEPLO_ENGINE_COMMON_BYTE_PROGRESS_H

#include <atomic>
#include <cstdint>

namespace engine {

class ByteProgress {
public:
    // A new call: nothing done, the total not known yet.
    void Start();
    void SetTotal(uint64_t total);
    // Any thread: bytes handled since the last call.
    void Add(uint64_t bytes);
    // Done never passes the total, which may have been estimated a little short.
    void Read(uint64_t &done, uint64_t &total) const;

private:
    std::atomic<uint64_t> m_done{0};
    std::atomic<uint64_t> m_total{0};
};

// The library's own progress: each engine library links its own copy of this code.
ByteProgress &CallProgress();

// What the byte-progress entry point of either library does: both pointers null set
// the counts back to 0; otherwise each given pointer receives its count.
void AnswerProgressCall(uint64_t *done, uint64_t *total);

// Counts what a piece of work handles and, when it ends, adds whatever of its
// share was not counted on the way (the work failed or was skipped), so that the
// bytes done reach the total when every piece is over.
class ProgressShare {
public:
    ProgressShare(ByteProgress &progress, uint64_t share) : m_progress(progress), m_left(share) {}
    ~ProgressShare() { m_progress.Add(m_left); }
    ProgressShare(const ProgressShare &) = delete;
    ProgressShare &operator=(const ProgressShare &) = delete;

    void Add(uint64_t bytes)
    {
        const uint64_t counted = bytes < m_left ? bytes : m_left;
        m_left -= counted;
        m_progress.Add(counted);
    }

private:
    ByteProgress &m_progress;
    uint64_t m_left;
};

} // namespace engine

#endif
