// The runner the windows hand the archive jobs: the job's engine call runs as a long
// job (LongJob.h), on a thread of its own while the window stays live, and its
// progress moves the window's bar in proportion to the bytes the engine has handled,
// over a range fine enough to move steadily through an archive of gigabytes even when
// the job hands the engine a single file.
#pragma once

#include "archive/jobs/JobRunner.h"

class QProgressBar;

// The range of a job's bar: a step per thousandth of the work.
inline constexpr int kJobBarSteps = 1000;

class LongJobRunner final : public JobRunner {
public:
    // pBar shows the job's progress over 0 to kJobBarSteps; without a bar none is shown.
    explicit LongJobRunner(QProgressBar *pBar = nullptr) : m_pBar(pBar) {}

    void Run(const std::function<void()> &fnWork,
             const std::function<JobFraction()> &fnProgress) override;

    // The bar's value for a fraction: nSteps in proportion, never past nSteps.
    static int StepsDone(const JobFraction &fraction, int nSteps);

private:
    QProgressBar *m_pBar;
};
