// How a job's slow part (its engine call) is run. The jobs layer knows no windows:
// a window hands it a runner that runs the work on a thread of its own while the
// window stays live and shows the job's progress (support/ui/LongJobRunner.h);
// without one, the work runs on the calling thread.
#pragma once

#include <cstdint>
#include <functional>

// How far a job has come: lDone out of lTotal, in bytes of entry data or, when the
// engine cannot tell bytes, in entries. lTotal 0: not known yet.
struct JobFraction {
    std::uint64_t lDone = 0;
    std::uint64_t lTotal = 0;
};

class JobRunner {
public:
    virtual ~JobRunner() = default;
    // Runs fnWork to its end and passes on what it throws. fnProgress may be called
    // from another thread while fnWork runs.
    virtual void Run(const std::function<void()> &fnWork,
                     const std::function<JobFraction()> &fnProgress) = 0;
};

// Runs the work on the calling thread and shows no progress.
class DirectRunner final : public JobRunner {
public:
    void Run(const std::function<void()> &fnWork, const std::function<JobFraction()> &) override {
        fnWork();
    }
};
