#include "engine/common/WorkerPool.h"

namespace engine {

WorkerPool::WorkerPool(unsigned workers, size_t budgetBytes) : m_budget(budgetBytes)
{
    if (workers == 0)
        workers = 1;
    m_threads.reserve(workers);
    for (unsigned i = 0; i < workers; ++i)
        m_threads.emplace_back([this, i] { Run(i); });
}

WorkerPool::~WorkerPool()
{
    {
        std::unique_lock lock(m_mutex);
        m_progress.wait(lock, [this] { return m_unfinished == 0; });
        m_closing = true;
    }
    m_wake.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

void WorkerPool::Submit(size_t cost, Task task)
{
    {
        std::unique_lock lock(m_mutex);
        m_progress.wait(lock, [&] { return m_held == 0 || m_held + cost <= m_budget; });
        m_held += cost;
        ++m_unfinished;
        m_jobs.push_back(Job{cost, std::move(task)});
    }
    m_wake.notify_one();
}

void WorkerPool::WaitIdle()
{
    std::unique_lock lock(m_mutex);
    m_progress.wait(lock, [this] { return m_unfinished == 0; });
}

unsigned WorkerPool::DefaultWorkers()
{
    const unsigned processors = std::thread::hardware_concurrency();
    return processors == 0 ? 1 : processors;
}

void WorkerPool::Run(unsigned worker)
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_closing || !m_jobs.empty(); });
            if (m_jobs.empty())
                return; // closing, and nothing left
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job.task(worker);
        job.task = nullptr; // free what the task held before giving back its budget
        {
            std::lock_guard lock(m_mutex);
            m_held -= job.cost;
            --m_unfinished;
        }
        m_progress.notify_all();
    }
}

} // namespace engine
