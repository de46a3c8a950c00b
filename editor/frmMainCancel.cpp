// frmMain: the question Cancel asks before it throws away files changed or added
// since Extract.
#include "editor/CancelLoss.h"
#include "editor/frmMain.h"
#include "support/modOther.h"
#include "support/ui/BusyState.h"
#include "support/ui/Logging.h"
#include "support/ui/LongJob.h"

namespace {

QString CountOfFiles(std::size_t nFiles) {
    return nFiles == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(nFiles);
}

QString CancelQuestion(const QString &sArchive, const CancelLoss &loss, const QString &sFolder) {
    if (loss.bKnown)
        return QStringLiteral("Cancel throws away the unpacked files of %1, and with them %2 "
                              "changed or added since Extract.\n\nThrow away your changes?\n\n%3")
            .arg(sArchive, CountOfFiles(loss.nFiles), sFolder);
    return QStringLiteral("Keplo has no record of what Extract unpacked for %1, so it cannot "
                          "tell which files you changed: Cancel throws away %2, changed or "
                          "not.\n\nThrow them away?\n\n%3")
        .arg(sArchive, CountOfFiles(loss.nFiles), sFolder);
}

} // namespace

bool frmMain::MayThrowAwayChanges() {
    const std::string sSubFolder = ArchiveSubFolder();
    const std::string sProbe = ProbeFile();
    // Nothing unpacked: Cancel has nothing to throw away.
    if (sSubFolder.empty() || sProbe.empty() || FileExists(sProbe) != 1)
        return true;
    CancelLoss loss;
    {
        BusyState busy(this);
        // Looking at every unpacked file takes a while in a large archive.
        const ListedEntries &entries = EntryList();
        RunLongJob([&] { loss = FilesCancelThrowsAway(sSubFolder, entries); });
    }
    if (loss.bKnown && loss.nFiles == 0)
        return true;
    const bool bThrowAway =
        Desktop().MessageBox(
            this,
            CancelQuestion(drpVL2File->currentText(), loss, QString::fromStdString(sSubFolder)),
            MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("Keplo"),
            MsgAnswer::No) == MsgAnswer::Yes;
    qCInfo(lcEditor).noquote() << "cancel would throw away" << loss.nFiles << "files"
                               << (loss.bKnown ? "changed or added" : "(no record of Extract)")
                               << "in" << QString::fromStdString(sSubFolder) << ":"
                               << (bThrowAway ? "yes" : "no");
    return bThrowAway;
}
