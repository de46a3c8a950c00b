// The Extract Skins tab: unpacks every file of an archive flat into a folder the
// user picks, and offers to show that folder.
#include "skins/SkinNames.h"
#include "skins/frmMain.h"
#include "support/modOther.h"
#include "support/ui/BusyState.h"
#include "support/ui/JobMessages.h"
#include "support/ui/Logging.h"
#include "support/ui/LongJobRunner.h"
#include "support/ui/modBrowseFolders.h"
#include "support/ui/modWindows.h"

void frmMain::cmdExtractVL2Browse_Click() {
    const std::optional<QString> sChosen =
        ShowOpenDialog(QStringLiteral("Select VL2 file"), QStringLiteral("VL2 files | *.VL2"));
    if (sChosen)
        txtExtractVL2->setText(*sChosen);
}

void frmMain::cmdExtractFolderBrowse_Click() {
    const QString sFolder = BrowseForFolder(this, QStringLiteral("Please select a folder."));
    if (!sFolder.isEmpty())
        txtExtractFolder->setText(sFolder);
}

void frmMain::cmdExtract_Click() {
    const QString sArchive = txtExtractVL2->text();
    const QString sFolder = txtExtractFolder->text();
    if (sArchive.isEmpty() || !EndsWithUpper(sArchive, QStringLiteral(".VL2"))) {
        Warn(QStringLiteral("Please select a VL2 file to extract."));
        return;
    }
    if (sFolder.isEmpty()) {
        Warn(QStringLiteral("Please select a folder."));
        return;
    }
    if (FileExists(sArchive.toStdString()) == 0) {
        WarnFileMissing(sArchive);
        return;
    }

    JobOutcome unpacking;
    {
        BusyState busy(this);
        const std::string sArchivePath = sArchive.toStdString();
        // What the bar counts up to: the entries of the archive, listed first.
        LongJobRunner listing;
        unpacking = m_jobs.List(sArchivePath, listing);
        // An archive without files would be "extracted" into nothing at all.
        if (!unpacking.IsFailed() && m_cUnzip.FileCount() == 0) {
            unpacking.eKind = JobOutcome::Kind::Failed;
            unpacking.sReason = "The archive holds no files.";
        }
        if (!unpacking.IsFailed()) {
            LongJobRunner runner(prgExtract);
            unpacking = m_jobs.Unpack(sArchivePath, sFolder.toStdString(), UnpackLayout::Flat,
                                      runner);
        }
    }
    // Any complaint of the engine (an unreadable archive, a folder it could not write,
    // an entry it refused as unsafe) means that not every file arrived.
    qCInfo(lcPelterbox).noquote() << "extract" << sArchive << "into" << sFolder << ":"
                                  << KindText(unpacking.eKind);
    if (!unpacking.IsDone()) {
        ShowMessage(WithReason(QStringLiteral("Skins were NOT extracted successfully."),
                               unpacking.sReason, sArchive),
                    MsgButtons::OK, MsgIcon::Critical);
        return;
    }
    txtExtractVL2->clear();
    if (ShowMessage(QStringLiteral("Skins extracted successfully. View skins?\n"),
                    MsgButtons::YesNo, MsgIcon::Question) == MsgAnswer::Yes &&
        !OpenWithShell(sFolder))
        ShowMessage(NoFolderProgramText(sFolder), MsgButtons::OK, MsgIcon::Exclamation);
}
