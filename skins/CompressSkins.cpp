// The Compress Skins tab: collects PNG skins into the staging folder and packs them
// into a skin archive whose entries are textures/skins/<skin>.
#include "skins/DialogFilter.h"
#include "skins/SkinNames.h"
#include "skins/SkinStaging.h"
#include "skins/frmMain.h"
#include "support/FileSteps.h"
#include "support/modOther.h"
#include "support/ui/BusyState.h"
#include "support/ui/JobMessages.h"
#include "support/ui/KeptWriting.h"
#include "support/ui/Logging.h"
#include "support/ui/LongJobRunner.h"

#include <QListWidget>
#include <set>

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

// The skins among what the engine left out of an archive packed from the staging
// tree, by the names the list shows.
std::set<QString> SkinsLeftOut(const std::vector<std::string> &vLeftOut) {
    const QString sSkinFolder = QStringLiteral("textures/skins/");
    std::set<QString> skins;
    for (const std::string &sEntry : vLeftOut) {
        const QString sName = QString::fromStdString(sEntry);
        if (sName.startsWith(sSkinFolder) && !sName.mid(sSkinFolder.size()).contains('/'))
            skins.insert(sName.mid(sSkinFolder.size()));
    }
    return skins;
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
    // A skin of a name already listed has just replaced the staged copy: its one
    // entry stands for the new copy, so the list names what will be packed.
    if (lstCompressSkins->findItems(sName, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty())
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
    // The game loads only ".vl2" archives: a name typed without an extension gets it
    // before anything is asked or written.
    const QString sPath = WithArchiveExtension(*sChosen);
    const std::string sArchive = sPath.toStdString();
    const QString sTitle = FileTitle(sPath);

    bool bReplace = false;
    if (FileExists(sArchive) == 1) {
        const MsgAnswer eAnswer =
            ShowMessage(sTitle + QStringLiteral(" already exists. Replace file?\n\n"
                                                "Click YES to replace this file\n"
                                                "Click NO to add skins to VL2 archive\n"
                                                "Click CANCEL to choose another filename."),
                        MsgButtons::YesNoCancel, MsgIcon::Question, MsgAnswer::Cancel);
        if (eAnswer == MsgAnswer::Cancel)
            return;
        bReplace = eAnswer == MsgAnswer::Yes;
    }

    // An archive of the game's folders is kept as it is before it is written (or, for
    // a new one, that there was none), so that the write can be undone.
    // Without a Yes nothing is written, and the skins stay collected.
    KeptWrite keeping(GameFolder(), sArchive, "Pelterbox");
    if (!KeepBeforeWriting(this, prgCompress, keeping, QStringLiteral("Keplo Pelterbox"),
                           QStringLiteral("Compress the skins")))
        return;
    JobOutcome packing;
    {
        BusyState busy(this);
        packing = PackStagedSkins(sArchive, bReplace);
        keeping.Finish(!packing.IsFailed());
    }
    // The staged skins are the player's only collection of them: they and the list
    // stay until an archive holds them, so another name can be tried at once.
    qCInfo(lcPelterbox).noquote() << "compress into" << sPath << ":" << KindText(packing.eKind);
    if (packing.IsFailed()) {
        ShowMessage(WithReason(QStringLiteral("Skins were NOT compressed successfully."),
                               packing.sReason, sPath),
                    MsgButtons::OK, MsgIcon::Critical);
        return;
    }
    bool bInstalled = true;
    if (chkCompressInstall->isChecked()) {
        const std::string sTarget = InstallTarget(sTitle);
        if (MayReplaceInGame(sArchive, sTarget))
            bInstalled = InstallArchive(sArchive, sTarget);
    }
    // A skin the engine left out stays staged and listed, for another try.
    const std::set<QString> leftOut = SkinsLeftOut(packing.vLeftOut);
    if (leftOut.empty()) {
        DeleteStagedSkins(WorkFolder());
        lstCompressSkins->clear();
    } else {
        for (int nRow = lstCompressSkins->count() - 1; nRow >= 0; --nRow) {
            const QString sSkin = lstCompressSkins->item(nRow)->text();
            if (leftOut.count(sSkin) == 0) {
                UnstageSkin(WorkFolder(), sSkin.toStdString());
                delete lstCompressSkins->takeItem(nRow);
            }
        }
    }
    ShowMessage(QStringLiteral("Skins compressed successfully.\n\n") + sPath, MsgButtons::OK,
                MsgIcon::Information);
    if (packing.IsPartly()) {
        QStringList names(leftOut.begin(), leftOut.end());
        qCInfo(lcPelterbox) << "compressed" << sPath << "without" << names;
        ShowMessage(WithReason(QStringLiteral("These skins could NOT be compressed and stay in "
                                              "the list of skins: ") +
                                   names.join(QStringLiteral(", ")),
                               packing.sReason, sPath),
                    MsgButtons::OK, MsgIcon::Exclamation);
    }
    if (!bInstalled)
        ShowMessage(QStringLiteral("Skins were NOT installed successfully."), MsgButtons::OK,
                    MsgIcon::Critical);
}

JobOutcome frmMain::PackStagedSkins(const std::string &sArchive, bool bReplace) {
    // A replaced archive is written anew beside the old one, which it takes the place
    // of only once it is complete: a failed write leaves the old one as it was.
    const std::string sWorkFolder = WorkFolder();
    LongJobRunner runner(prgCompress);
    return m_jobs.Pack(PackRequest{sArchive, StagingBasePath(sWorkFolder), {}, bReplace}, runner);
}
