// frmMain: Pelterbox's main window. A tab strip with three panels: Install Skins
// copies a skin archive into the game's base folder under a name the user types,
// Compress Skins collects PNG skins and packs them into an archive, and Extract
// Skins unpacks an archive's files flat into a folder.
//
// Construction is the window's load step: it sizes the window, works out the game
// folders, makes sure a work folder is configured and clears the staging tree.
// The handlers of each tab live in a file of their own (InstallSkins.cpp,
// CompressSkins.cpp, ExtractSkins.cpp).
#pragma once

#include "archive/cUnzip.h"
#include "archive/cZip.h"
#include "archive/jobs/ArchiveJobs.h"
#include "platform/desktop/DesktopServices.h"
#include "skins/SkinArchive.h"
#include "support/ProgramVersion.h"
#include "support/ui/GameWindow.h"
#include "ui_frmMain.h"

#include <QIcon>
#include <QString>
#include <array>
#include <optional>
#include <string>

// The window's caption: sCaption + " v" + major + "." + minor + revision, each in
// plain decimal ("Keplo Pelterbox v1.00" for version 1.0.0).
QString PelterboxCaption(const QString &sCaption, const ProgramVersion &version);

// Pelterbox's emblem in 16, 32 and 48 pixels, the window's icon.
QIcon PelterboxIcon();

class frmMain : public GameWindow, private Ui_frmMain {
    Q_OBJECT

public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // The characters a name to install under may not hold, joined in their order.
    const QString &ForbiddenNameDisplay() const { return m_sForbiddenNameDisplay; }
    // The button that Enter activates.
    QPushButton *DefaultButton() const { return m_pDefaultButton; }

    // Fills the Install tab with an archive as its Browse button does: the path, and
    // a name proposed from the file's name unless one is typed already.
    void ChooseInstallArchive(const QString &sPath);

protected:
    bool eventFilter(QObject *pWatched, QEvent *pEvent) override;
    void keyPressEvent(QKeyEvent *pEvent) override;

private:
    void Form_Load();
    void SetDefaultWorkFolder() override;
    void SkinTabs_Click();
    void SetDefaultButton(QPushButton *pButton);

    // Install Skins.
    void cmdInstallVL2browse_Click();
    void cmdInstall_Click();
    // Copies an archive to sTarget in the game base folder; false when it could not.
    bool InstallArchive(const std::string &sArchive, const std::string &sTarget);
    // Lists the archive to install: what it holds when the engine reads it whole and
    // it holds files; otherwise nothing, and the user has been told why.
    std::optional<ArchiveHoldings> ReadableArchive(const QString &sArchive);
    // The game base folder + sFileName, in the spelling on disk of an archive that
    // has that name in other letters.
    std::string InstallTarget(const QString &sFileName) const;
    // Asks before sArchive takes the place of an archive in the game: true when
    // sTarget does not exist, is sArchive itself, or the user answered Yes. The
    // question says so when the archive there holds more than skins.
    bool MayReplaceInGame(const std::string &sArchive, const std::string &sTarget);

    // Compress Skins.
    void cmdCompressPngBrowse_Click();
    void cmdCompressAdd_Click();
    void cmdCompressRemove_Click();
    void cmdCompress_Click();
    // Stages the skin sSource as sName and lists it; tells the user when the copy fails.
    void CollectSkin(const std::string &sSource, const QString &sName);
    // Packs the staged skins into sArchive; with bReplace into a new archive that
    // takes sArchive's place once it is complete.
    JobOutcome PackStagedSkins(const std::string &sArchive, bool bReplace);

    // Extract Skins.
    void cmdExtractVL2Browse_Click();
    void cmdExtractFolderBrowse_Click();
    void cmdExtract_Click();

    // dlgOpen, shared by the Browse buttons that pick a file: the file it offers
    // first is the one chosen last, unless a handler cleared it.
    std::optional<QString> ShowOpenDialog(const QString &sTitle, const QString &sPairedFilter);
    // A message box of this window, titled "Keplo Pelterbox"; eDefault is the button
    // Enter presses (No for a question whose Yes replaces something).
    MsgAnswer ShowMessage(const QString &sText, MsgButtons eButtons, MsgIcon eIcon,
                          std::optional<MsgAnswer> eDefault = std::nullopt);
    // The warning about input that cannot be used: exclamation icon, OK button.
    void Warn(const QString &sText);
    // The warning about a path that names no file.
    void WarnFileMissing(const QString &sPath);

    std::array<QString, 9> m_sForbiddenNameChars;
    QString m_sForbiddenNameDisplay;
    cUnzip m_cUnzip;
    cZip m_cZ;
    // The jobs that list, unpack and pack through the two components.
    ArchiveJobs m_jobs{m_cUnzip, m_cZ};
    QString m_sOpenFileName; // dlgOpen's file name
    QPushButton *m_pDefaultButton = nullptr;
};
