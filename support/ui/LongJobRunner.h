// The runner the windows hand the archive jobs: the job's engine call runs as a long
// job (LongJob.h), on a thread of its own while the window stays live, and its
// progress moves the window's bar over the range the window gives it (entries,
// files), in proportion to the bytes the engine has handled.
#pragma once

#include "archive/jobs/JobRunner.h"

class QProgressBar;

class LongJobRunner final : public JobRunner {
public:
    // pBar shows the job's progress over 0 to nSteps; without a bar none is shown.
    explicit LongJobRunner(QProgressBar *pBar = nullptr, int nSteps = 0)
        : m_pBar(pBar), m_nSteps(nSteps) {}

    void Run(const std::function<void()> &fnWork,
             const std::function<JobFraction()> &fnProgress) override;

    // The bar's value for a fraction: nSteps in proportion, never past nSteps.
    static int StepsDone(const JobFraction &fraction, int nSteps);

private:
    QProgressBar *m_pBar;
    int m_nSteps;
};
