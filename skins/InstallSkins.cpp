// The Install Skins tab: copies a skin archive into the game's base folder under a
// name the user types.
#include "platform/os/FileCopy.h"
#include "skins/SkinNames.h"
#include "skins/frmMain.h"
#include "support/modOther.h"
#include "support/ui/KeptWriting.h"
#include "support/ui/Logging.h"

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
    const std::string sTarget = GameBaseFolder() + sName.toStdString() + ".vl2";
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
