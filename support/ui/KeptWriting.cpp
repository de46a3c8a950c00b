#include "support/ui/KeptWriting.h"

#include "platform/desktop/DesktopServices.h"
#include "support/kept/ArchiveCheck.h"
#include "support/ui/BusyState.h"
#include "support/ui/JobMessages.h"
#include "support/ui/LongJob.h"

#include <QPointer>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int kProgressSteps = 1000;

// Runs fnWork as a long job; the bar appears only once a copy has begun (a link
// takes no time to show), moves with it, and is hidden again at the end.
void RunWithCopyProgress(const std::function<void()> &fnWork, QProgressBar *pBar,
                         const KeptProgress &progress) {
    QPointer<QProgressBar> pShown;
    auto move = [&] {
        const std::uint64_t lTotal = progress.lTotal.load();
        if (!pBar || lTotal == 0)
            return;
        if (!pShown) {
            pShown = pBar;
            pBar->setRange(0, kProgressSteps);
            pBar->setValue(0);
            pBar->show();
        }
        const std::uint64_t lDone = std::min(progress.lDone.load(), lTotal);
        pBar->setValue(static_cast<int>(lDone * kProgressSteps / lTotal));
    };
    QTimer tick;
    tick.setInterval(kJobBarMilliseconds);
    QObject::connect(&tick, &QTimer::timeout, move);
    tick.start();
    RunLongJob(fnWork);
    tick.stop();
    if (pShown) {
        pShown->setValue(kProgressSteps);
        pShown->hide();
    }
}

} // namespace

bool KeepBeforeWriting(QWidget *pWindow, QProgressBar *pBar, KeptWrite &keeping,
                       const QString &sTitle, const QString &sWrite) {
    if (!keeping.Applies())
        return true;
    KeptProgress progress;
    bool bKept = false;
    {
        BusyState busy(pWindow);
        RunWithCopyProgress([&] { bKept = keeping.Keep(&progress); }, pBar, progress);
    }
    return bKept || MayWriteWithoutKeeping(pWindow, sTitle, keeping, sWrite);
}

KeptOutcome RestoreAsLongJob(const KeptPlace &place, KeptKind eKind, const std::string &sProgram,
                             QProgressBar *pBar) {
    KeptProgress progress;
    KeptOutcome outcome;
    RunWithCopyProgress(
        [&] {
            outcome = RestoreKept(
                place, eKind, [](const std::string &sPath) { return CheckArchiveFile(sPath); },
                sProgram, &progress);
        },
        pBar, progress);
    return outcome;
}

bool MayWriteWithoutKeeping(QWidget *pOwner, const QString &sTitle, const KeptWrite &keeping,
                            const QString &sWrite) {
    const QString sName = QString::fromStdString(keeping.Place()->FileName());
    const QString sText =
        keeping.OriginalLost()
            ? QStringLiteral("The original of %1 cannot be kept, so it could not be put back "
                             "afterwards. %2 without keeping it?")
                  .arg(sName, sWrite)
            : QStringLiteral("%1 as it is now cannot be kept, so this could not be undone. %2 "
                             "without keeping it?")
                  .arg(sName, sWrite);
    return Desktop().MessageBox(
               pOwner,
               WithReason(sText, keeping.Reason(),
                          QString::fromStdString(keeping.Place()->ArchivePath())),
               MsgButtons::YesNo, MsgIcon::Question, sTitle, MsgAnswer::No) == MsgAnswer::Yes;
}
