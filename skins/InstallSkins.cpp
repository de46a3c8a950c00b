// The Install Skins tab: copies a skin archive into the game's base folder under a
// name the user types.
#include "platform/os/FileCopy.h"
#include "skins/SkinArchive.h"
#include "skins/SkinNames.h"
#include "skins/frmMain.h"
#include "support/modOther.h"
#include "support/ui/BusyState.h"
#include "support/ui/JobMessages.h"
#include "support/ui/KeptWriting.h"
#include "support/ui/Logging.h"
#include "support/ui/LongJobRunner.h"

#include <filesystem>
#include <system_error>

void frmMain::cmdInstallVL2browse_Click() {
    const std::optional<QString> sChosen =
        ShowOpenDialog(QStringLiteral("Select VL2 file"), QStringLiteral("VL2 files | *.VL2"));
    if (sChosen)
        ChooseInstallArchive(*sChosen);
}

void frmMain::ChooseInstallArchive(const QString &sPath) {
    txtInstallVL2->setText(sPath);
    // A name the user has typed is never replaced.
    if (txtInstallName->text().isEmpty())
        txtInstallName->setText(ProposedInstallName(sPath));
}

void frmMain::cmdInstall_Click() {
    const QString sArchive = txtInstallVL2->text();
    QString sName = txtInstallName->text();
    if (sArchive.isEmpty() || !EndsWithUpper(sArchive, QStringLiteral(".VL2"))) {
        Warn(QStringLiteral("Please select a VL2 file to install."));
        return;
    }
    if (FileExists(sArchive.toStdString()) == 0) {
        WarnFileMissing(sArchive);
        return;
    }
    for (const QString &sForbidden : m_sForbiddenNameChars) {
        if (sName.contains(sForbidden)) {
            ShowMessage(QStringLiteral("A filename cannot contain any of the following "
                                       "characters:\n\t") +
                            m_sForbiddenNameDisplay,
                        MsgButtons::OK, MsgIcon::Critical);
            return;
        }
    }
    if (InstallName(sName) != sName) {
        sName = InstallName(sName);
        txtInstallName->setText(sName);
    }
    // An empty name would install a hidden ".vl2" that the game never loads.
    if (IsBlankName(sName)) {
        ShowMessage(QStringLiteral("Please type a filename for these skins. A filename cannot "
                                   "be empty or made only of dots and blanks."),
                    MsgButtons::OK, MsgIcon::Critical);
        return;
    }
    // Only an archive the engine reads whole goes into the game: the game would
    // load anything else as a broken archive.
    const std::optional<ArchiveHoldings> holdings = ReadableArchive(sArchive);
    if (!holdings)
        return;
    if (holdings->nSkins == 0 &&
        ShowMessage(QStringLiteral("%1 holds no skins (no files in textures/skins). "
                                   "Install it anyway?\n\n%2")
                        .arg(FileTitle(sArchive), sArchive),
                    MsgButtons::YesNo, MsgIcon::Question, MsgAnswer::No) != MsgAnswer::Yes)
        return;
    const std::string sTarget = InstallTarget(sName + QStringLiteral(".vl2"));
    if (!MayReplaceInGame(sArchive.toStdString(), sTarget))
        return;
    if (!InstallArchive(sArchive.toStdString(), sTarget)) {
        qCInfo(lcPelterbox).noquote() << "not installed:" << sArchive << "as"
                                      << QString::fromStdString(sTarget);
        ShowMessage(QStringLiteral("Skins were NOT installed successfully."), MsgButtons::OK,
                    MsgIcon::Critical);
        return;
    }
    qCInfo(lcPelterbox).noquote() << "installed" << sArchive << "as"
                                  << QString::fromStdString(sTarget);
    ShowMessage(QStringLiteral("Skins installed successfully."), MsgButtons::OK,
                MsgIcon::Information);
    txtInstallVL2->clear();
    txtInstallName->clear();
    txtInstallVL2->setFocus(Qt::OtherFocusReason);
    // The focus event does not come while the window is inactive (a box just closed).
    SetDefaultButton(cmdInstallVL2browse);
}

std::optional<ArchiveHoldings> frmMain::ReadableArchive(const QString &sArchive) {
    JobOutcome listing;
    ArchiveHoldings holdings;
    {
        BusyState busy(this);
        LongJobRunner runner;
        listing = m_jobs.List(sArchive.toStdString(), runner);
        holdings = HoldingsOf(m_cUnzip);
    }
    // A listing the engine complained about is of a damaged archive, even when it
    // listed some of its entries.
    if (!listing.IsDone()) {
        qCInfo(lcPelterbox).noquote() << "not installed:" << sArchive << "cannot be read";
        ShowMessage(WithReason(QStringLiteral("Skins were NOT installed: the file could not be "
                                              "read as a VL2 archive."),
                               listing.sReason, sArchive),
                    MsgButtons::OK, MsgIcon::Critical);
        return std::nullopt;
    }
    if (holdings.nFiles == 0) {
        qCInfo(lcPelterbox).noquote() << "not installed:" << sArchive << "holds no files";
        ShowMessage(QStringLiteral("Skins were NOT installed: the archive holds no files.\n\n") +
                        sArchive,
                    MsgButtons::OK, MsgIcon::Critical);
        return std::nullopt;
    }
    return holdings;
}

std::string frmMain::InstallTarget(const QString &sFileName) const {
    const std::string sTarget = GameBaseFolder() + sFileName.toStdString();
    // The game finds its archives without regard to letter case: an archive of the
    // same name in other letters is the one this install would stand beside and
    // take the place of, so it is the one replaced.
    if (GameBaseFolder().empty())
        return sTarget;
    const std::string sOnDisk = GetLongFileName(sTarget);
    return sOnDisk.empty() ? sTarget : sOnDisk;
}

bool frmMain::MayReplaceInGame(const std::string &sArchive, const std::string &sTarget) {
    std::error_code error;
    if (GameBaseFolder().empty() || !std::filesystem::exists(sTarget, error))
        return true;
    // Saved straight into the game's folder: nothing is replaced.
    if (std::filesystem::equivalent(sArchive, sTarget, error))
        return true;
    ArchiveHoldings installed;
    {
        BusyState busy(this);
        LongJobRunner runner;
        m_jobs.List(sTarget, runner);
        installed = HoldingsOf(m_cUnzip);
    }
    const QString sTargetPath = QString::fromStdString(sTarget);
    const QString sTargetName = FileTitle(sTargetPath);
    const QString sQuestion =
        installed.HoldsOtherThanSkins()
            ? QStringLiteral("%1 is one of the game's own archives: it holds more than skins. "
                             "Replacing it can break the game. Replace it?\n\n%2")
            : QStringLiteral("%1 is installed in the game already. Replace it?\n\n%2");
    const bool bReplace = ShowMessage(sQuestion.arg(sTargetName, sTargetPath), MsgButtons::YesNo,
                                      MsgIcon::Question, MsgAnswer::No) == MsgAnswer::Yes;
    qCInfo(lcPelterbox).noquote() << (bReplace ? "replacing" : "kept") << sTargetPath;
    return bReplace;
}

bool frmMain::InstallArchive(const std::string &sArchive, const std::string &sTarget) {
    // Without the game's folder the target would be relative to wherever the
    // program runs: nothing is installed.
    if (GameBaseFolder().empty())
        return false;
    // An archive that is its own target (saved straight into the game's folder) is
    // installed already.
    std::error_code error;
    if (std::filesystem::equivalent(sArchive, sTarget, error))
        return true;
    // The archive it replaces (or, for a new one, that there was none) is kept first,
    // so that the install can be undone; without a Yes nothing is installed.
    KeptWrite keeping(GameFolder(), sTarget, "Pelterbox");
    if (!KeepBeforeWriting(this, prgInstall, keeping, QStringLiteral("Keplo Pelterbox"),
                           QStringLiteral("Install the skins")))
        return false;
    // The copy reaches the game only whole: it is written beside the target and
    // renamed over it once complete, so the game never loads half an archive and a
    // failed copy leaves the archive it was to replace as it was.
    const bool bCopied = CopyFileReplacing(sArchive, sTarget);
    keeping.Finish(bCopied);
    return bCopied;
}
