// The Compress Skins tab: collects PNG skins into the staging folder and packs them
// into a skin archive whose entries are textures/skins/<skin>.
#include "archive/ArchiveError.h"
#include "engine/include/PakEngine.h"
#include "platform/os/AtomicFile.h"
#include "skins/DialogFilter.h"
#include "skins/SkinNames.h"
#include "skins/SkinStaging.h"
#include "skins/frmMain.h"
#include "support/FileSteps.h"
#include "support/modOther.h"
#include "support/ui/BusyState.h"
#include "support/ui/LongJob.h"

#include <QCoreApplication>
#include <QListWidget>

namespace {

// Where the list box puts a new entry: alphabetical order, letter case aside, and
// after the entries of the same name.
int SortedRow(const QListWidget *pList, const QString &sName) {
    int nRow = 0;
    while (nRow < pList->count() &&
           QString::compare(pList->item(nRow)->text(), sName, Qt::CaseInsensitive) <= 0)
        ++nRow;
    return nRow;
}

// A name beside sPath that nothing uses, for an archive that is to take sPath's place.
std::string UnusedPathBeside(const std::string &sPath) {
    const std::string::size_type lSlash = sPath.rfind('/');
    const std::string sFolder = lSlash == std::string::npos ? "" : sPath.substr(0, lSlash + 1);
    const std::string sName = lSlash == std::string::npos ? sPath : sPath.substr(lSlash + 1);
    const std::string sStem =
        sFolder + "." + sName + ".new-" + std::to_string(QCoreApplication::applicationPid());
    for (int i = 0;; ++i) {
        const std::string sCandidate = sStem + "-" + std::to_string(i);
        if (!PathExists(sCandidate))
            return sCandidate;
    }
}

} // namespace

void frmMain::cmdCompressPngBrowse_Click() {
    const std::optional<QString> sChosen = ShowOpenDialog(
        QStringLiteral("Select Skin"), QStringLiteral("Tribes 2 Skins (*.PNG) | *.PNG"));
    if (!sChosen || FileExists(sChosen->toStdString()) != 1)
        return;
    CollectSkin(sChosen->toStdString(), FileTitle(*sChosen));
    m_sOpenFileName.clear();
}

void frmMain::cmdCompressAdd_Click() {
    const QString sTyped = txtCompressPng->text();
    if (sTyped.isEmpty()) {
        WarnFileMissing(sTyped);
        return;
    }
    if (!EndsWithUpper(sTyped, QStringLiteral(".PNG"))) {
        Warn(QStringLiteral("Please select a PNG file."));
        return;
    }
    if (FileExists(sTyped.toStdString()) != 1) {
        WarnFileMissing(sTyped);
        return;
    }
    CollectSkin(sTyped.toStdString(), FileTitle(sTyped));
}

void frmMain::CollectSkin(const std::string &sSource, const QString &sName) {
    // A skin that could not be staged would be listed but left out of the archive.
    if (!StageSkin(WorkFolder(), sSource, sName.toStdString())) {
        ShowMessage(QStringLiteral("The skin could NOT be added to the list.\n\n") +
                        QString::fromStdString(sSource),
                    MsgButtons::OK, MsgIcon::Critical);
        return;
    }
    txtCompressPng->clear();
    lstCompressSkins->insertItem(SortedRow(lstCompressSkins, sName), sName);
    if (lstCompressSkins->selectedItems().isEmpty())
        lstCompressSkins->setCurrentRow(0);
}

void frmMain::cmdCompressRemove_Click() {
    const QList<QListWidgetItem *> selected = lstCompressSkins->selectedItems();
    if (selected.isEmpty())
        return;
    UnstageSkin(WorkFolder(), selected.front()->text().toStdString());
    delete lstCompressSkins->takeItem(lstCompressSkins->row(selected.front()));
    lstCompressSkins->setCurrentRow(-1);
    lstCompressSkins->clearSelection();
}

void frmMain::cmdCompress_Click() {
    const std::optional<QString> sChosen = Desktop().GetSaveFileName(
        this, QStringLiteral("Save As"), QtFilter(QStringLiteral("VL2 file | *.vl2")), QString());
    if (!sChosen)
        return;
    const std::string sArchive = sChosen->toStdString();
    const QString sTitle = FileTitle(*sChosen);

    bool bReplace = false;
    if (FileExists(sArchive) == 1) {
        const MsgAnswer eAnswer =
            ShowMessage(sTitle + QStringLiteral(" already exists. Replace file?\n\n"
                                                "Click YES to replace this file\n"
                                                "Click NO to add skins to VL2 archive\n"
                                                "Click CANCEL to choose another filename."),
                        MsgButtons::YesNoCancel, MsgIcon::Question);
        if (eAnswer == MsgAnswer::Cancel)
            return;
        bReplace = eAnswer == MsgAnswer::Yes;
    }

    bool bWritten = false;
    {
        BusyState busy(this);
        bWritten = PackStagedSkins(sArchive, bReplace);
    }
    // The staged skins are the player's only collection of them: they and the list
    // stay until an archive holds them, so another name can be tried at once.
    if (!bWritten) {
        ShowMessage(QStringLiteral("Skins were NOT compressed successfully.\n\n") + *sChosen,
                    MsgButtons::OK, MsgIcon::Critical);
        return;
    }
    bool bInstalled = true;
    if (chkCompressInstall->isChecked())
        bInstalled = InstallArchive(sArchive, m_sGameBaseFolder + sTitle.toStdString());
    DeleteStagedSkins(WorkFolder());
    lstCompressSkins->clear();
    ShowMessage(QStringLiteral("Skins compressed successfully.\n\n") + *sChosen, MsgButtons::OK,
                MsgIcon::Information);
    if (!bInstalled)
        ShowMessage(QStringLiteral("Skins were NOT installed successfully."), MsgButtons::OK,
                    MsgIcon::Critical);
}

bool frmMain::PackStagedSkins(const std::string &sArchive, bool bReplace) {
    // A replaced archive is written anew beside the old one, which it takes the place
    // of only once it is complete: a failed write leaves the old one as it was.
    const std::string sTarget = bReplace ? UnusedPathBeside(sArchive) : sArchive;
    const std::string sWorkFolder = WorkFolder();
    bool bWritten = false;
    try {
        m_cZ.SetZipFile(sTarget);
        m_cZ.SetBasePath(StagingBasePath(sWorkFolder));
        m_cZ.ClearFileSpecs();
        m_cZ.AddFileSpec("*");
        m_cZ.SetStoreFolderNames(true);
        m_cZ.SetRecurseSubDirs(true);
        RunLongJob([this] { m_cZ.Zip(); },
                   CountedProgress(prgCompress, StagedSkinCount(sWorkFolder), m_progress));
        // A warning means that some file was left out (one that could not be read),
        // while the archive was written with the others.
        bWritten =
            m_cZ.LastEngineResult() == ENGINE_OK || m_cZ.LastEngineResult() == ENGINE_WARNING;
    } catch (const ArchiveError &) {
        bWritten = false;
    }
    if (bReplace) {
        if (bWritten)
            bWritten = RenameFile(sTarget, sArchive);
        if (!bWritten)
            RemoveFile(sTarget);
    }
    return bWritten;
}
