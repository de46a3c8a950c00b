#include "support/ui/LongJobRunner.h"

#include "support/ui/LongJob.h"

#include <algorithm>

int LongJobRunner::StepsDone(const JobFraction &fraction, int nSteps) {
    if (fraction.lTotal == 0 || nSteps <= 0)
        return 0;
    const std::uint64_t lDone = std::min(fraction.lDone, fraction.lTotal);
    return static_cast<int>(static_cast<unsigned __int128>(lDone) *
                            static_cast<unsigned>(nSteps) / fraction.lTotal);
}

void LongJobRunner::Run(const std::function<void()> &fnWork,
                        const std::function<JobFraction()> &fnProgress) {
    RunLongJob(fnWork,
               {m_pBar, kJobBarSteps, [&] { return StepsDone(fnProgress(), kJobBarSteps); }});
}
