// A few worker threads that run tasks while the calling thread goes on
// reading. The amount of memory held by queued and running tasks is
// bounded: Submit waits while the budget is spent.
#ifndef KEPLO_ENGINE_COMMON_WORKER_POOL_H
#define KEPLO_ENGINE_COMMON_WORKER_POOL_H

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace engine {

class WorkerPool {
public:
    // Each task gets the index of the worker that runs it (0 to workers-1),
    // so that it can use that worker's own tools.
    using Task = std::function<void(unsigned worker)>;

    WorkerPool(unsigned workers, size_t budgetBytes);
    ~WorkerPool(); // waits for every task, then ends the threads
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    unsigned Workers() const { return static_cast<unsigned>(m_threads.size()); }

    // Queues a task that holds cost bytes until it ends. Waits while the
    // budget is spent; a task larger than the whole budget runs alone.
    void Submit(size_t cost, Task task);

    // Waits until every queued task has ended.
    void WaitIdle();

    // Workers suited to this machine: one per processor, at least one.
    static unsigned DefaultWorkers();

private:
    struct Job {
        size_t cost;
        Task task;
    };

    void Run(unsigned worker);

    std::mutex m_mutex;
    std::condition_variable m_wake;     // a job arrived or the pool is closing
    std::condition_variable m_progress; // a job ended
    std::deque<Job> m_jobs;
    size_t m_budget;
    size_t m_held = 0;
    size_t m_unfinished = 0;
    bool m_closing = false;
    std::vector<std::thread> m_threads;
};

} // namespace engine

#endif
