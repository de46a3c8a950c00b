#include "engine/common/ByteProgress.h"

namespace engine {

void ByteProgress::Start()
{
    m_total.store(0, std::memory_order_relaxed);
    m_done.store(0, std::memory_order_relaxed);
}

void ByteProgress::SetTotal(uint64_t total)
{
    m_total.store(total, std::memory_order_relaxed);
}

void ByteProgress::Add(uint64_t bytes)
{
    if (bytes != 0)
        m_done.fetch_add(bytes, std::memory_order_relaxed);
}

void ByteProgress::Read(uint64_t &done, uint64_t &total) const
{
    total = m_total.load(std::memory_order_relaxed);
    done = m_done.load(std::memory_order_relaxed);
    if (done > total)
        done = total;
}

ByteProgress &CallProgress()
{
    static ByteProgress progress;
    return progress;
}

void AnswerProgressCall(uint64_t *done, uint64_t *total)
{
    if (done == nullptr && total == nullptr) {
        CallProgress().Start();
        return;
    }
    uint64_t doneBytes = 0;
    uint64_t totalBytes = 0;
    CallProgress().Read(doneBytes, totalBytes);
    if (done != nullptr)
        *done = doneBytes;
    if (total != nullptr)
        *total = totalBytes;
}

} // namespace engine
