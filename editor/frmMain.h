// frmMain: Keplo's main window. The user picks one of the game's archives in the
// chooser, unpacks it into the work folder, opens its files in external programs
// from the tree, and writes the work folder back into the archive.
//
// Construction is the window's load step: it works out the game folders, makes sure
// a work folder is configured, decides the buttons and fills the chooser.
#pragma once

#include "archive/cUnzip.h"
#include "archive/cZip.h"
#include "archive/jobs/ArchiveJobs.h"
#include "editor/ArchiveModel.h"
#include "editor/GameArchiveList.h"
#include "editor/PreviewContent.h"
#include "platform/desktop/DesktopServices.h"
#include "support/kept/KeptPlaces.h"
#include "support/kept/KeptRecord.h"
#include "support/ui/GameWindow.h"
#include "ui_frmMain.h"

#include <QIcon>
#include <QPointer>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ChangeMarks;
class frmFind;
class frmPreview;
class frmSettings;
class QMenu;
class QProgressBar;

class frmMain : public GameWindow, private Ui_frmMain {
    Q_OBJECT

public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // The archive list: the file names in the game base folder that end in ".vl2",
    // as spelled on disk, in name order.
    const std::vector<std::string> &ArchiveList() const { return m_vArchiveList; }
    // Every archive of the game in the chooser's order, those it leaves out included:
    // the base archives, then the mods'.
    const std::vector<GameArchiveChoice> &ArchiveChoices() const { return m_vChoices; }
    // The chosen archive; nullptr when none is chosen.
    const GameArchiveChoice *ChosenArchive() const;

    // The chosen archive's file as listed on disk; empty when none is chosen.
    std::string ArchivePath() const;
    // The folder the chosen archive's files are unpacked into: work folder + "/" + the
    // archive display name for a base archive, work folder + "/.mods/<mod>/" + its
    // display name for a mod archive; empty when no archive is chosen or no work
    // folder is configured.
    std::string ArchiveSubFolder() const;
    // Archive sub-folder + "/" + the tree's first node + "/" + its first child: the
    // file whose existence means that the chosen archive is unpacked. Empty when
    // the tree holds no such pair of nodes.
    std::string ProbeFile() const;

    // Icon number nNumber (1 to 8) of the tree's image list.
    const QIcon &TreeIcon(int nNumber) const;

    // The entry list: every entry of the listed archive, in archive order; its line
    // is the entry's folder, "\", then its file name.
    const ListedEntries &EntryList() const { return m_pArchiveModel->Entries(); }
    // The model behind the tree: the listed archive's entries as its nodes.
    const ArchiveModel &TreeModel() const { return *m_pArchiveModel; }
    // The chosen archive's file name as listed on disk ("scripts.vl2"); empty when
    // none is chosen.
    std::string ArchiveFileName() const;

    void SetDefaultWorkFolder() override;
    void UpdateButtons();
    void OpenSettings();

    // Lists the chosen archive into the tree and the entry list.
    void OpenChosenArchive();
    void ListArchive(const std::string &sArchivePath);
    // Makes the work folder and the archive sub-folder and readies the unzip
    // component; returns the archive sub-folder.
    std::string PrepareUnpackFolder();
    void MakeUnpackedFilesWritable();
    // Packs the archive sub-folder back into the archive, then removes the unpacked
    // files; when the archive could not be written, keeps them and says so.
    void SaveChanges();
    void RemoveUnpackedFiles();
    // Brings the tree's marks of the files changed since Extract up to date now. When
    // the window becomes active again, it does so with the files looked at on a thread
    // of their own, and RefreshingChangeMarks is true until the marks have changed.
    void RefreshChangeMarks();
    bool RefreshingChangeMarks() const;

    // The program the user chose for a file type ("PNG", ".CS"; any case): its value in
    // the program table, read afresh; empty when none is configured.
    static std::string GetProgram(const QString &sFileType);
    // Starts the program configured for the selected file's type on its unpacked file.
    void EditSelectedFile();
    // Opens the selected category's unpacked folder in the desktop's file manager.
    void OpenSelectedFolder();

    // Shows the selected file in the preview window (frmMainPreview.cpp): a picture, its
    // text or its facts, read from the archive without unpacking it, or in edit mode
    // from its unpacked file. Nothing happens when no file is selected.
    void PreviewSelectedFile();
    // The preview window once it was opened (hidden while closed); nullptr before.
    frmPreview *Preview() const;
    // Fills the tree's context menu: Edit File, Open Folder, Preview.
    void FillTreeMenu(QMenu &menu);

    // Opens Find in Archives, or brings it to the front (frmMainFind.cpp).
    void OpenFind();
    // The Find in Archives window once it was opened (hidden while closed, its listings
    // kept); nullptr before.
    frmFind *FindWindow() const;
    // Chooses the archive as the chooser does, then selects the entry whose path is
    // sEntryPath in the tree, its folder opened. False when the window is busy, the
    // archive is gone or the tree does not show the entry.
    bool OpenMatch(const GameArchiveChoice &choice, const std::string &sEntryPath);

    // Fills the chooser's context menu: the chosen archive's kept versions, the check of
    // every archive of the game and Find in Archives (frmMainKept.cpp).
    void FillChooserMenu(QMenu &menu);
    // Puts a kept version of an archive back once the user agrees (boxes owned by
    // pOwner, a copy's progress in pBar), then lists the archive again when it is the
    // chosen one. Refused while the archive is unpacked. True when it was put back.
    bool PutBackKept(QWidget *pOwner, QProgressBar *pBar, const KeptPlace &place, KeptKind eKind);

    static constexpr int kTreeIconCount = 8;

protected:
    // The window becoming active again picks up archives added or removed meanwhile.
    bool event(QEvent *pEvent) override;

private:
    void Form_Load();
    void FillArchiveChooser();
    void drpVL2File_Click();
    void cmdExtract_Click();
    void cmdSaveChanges_Click();
    void cmdCancel_Click();
    void cmdSettings_Click();
    void cmdEditFile_Click();
    void cmdOpenFolder_Click();
    void treArchive_DblClick();
    // Fills the chooser afresh and keeps the archive chosen; when that archive is
    // gone, nothing is chosen any more, the tree is emptied and false given (false
    // too when nothing was chosen).
    bool RefreshArchiveChooser();
    // Before Cancel: true when nothing changed since Extract or the user agreed to
    // throw away the files that did.
    bool MayThrowAwayChanges();

    // The chooser's context menu (frmMainKept.cpp): right-click, the menu key or
    // Shift+F10 while the chooser has the focus.
    void SetUpChooserMenu();
    void ShowChooserMenu(const QPoint &globalPos);
    // One item of a context menu: named, enabled or not, acting through pHandler once
    // the menu is gone.
    void AddMenuItem(QMenu &menu, const QString &sText, const char *sName,
                     void (frmMain::*pHandler)(), bool bEnabled);
    void RestoreOriginalArchive();
    void UndoLastSave();
    void CheckAllArchives();
    // The chosen archive as the kept versions know it; nothing when none is chosen.
    std::optional<KeptPlace> ChosenKeptPlace() const;
    // The folder in the work folder that holds the archive's unpacked files; empty
    // when it is not unpacked.
    std::string UnpackedFolder(const KeptPlace &place) const;
    // The chooser and the tree once an archive was put back: the archive listed anew
    // when it is the chosen one, the chooser filled anew when it came or went.
    void ShowPutBack(const KeptPlace &place);

    // Ctrl+F for Find in Archives.
    void SetUpFind();
    // Space, Escape and the context menu of the tree, for the preview.
    void SetUpPreview();
    // What the listing says of an entry of the tree.
    EntryFacts FactsOf(std::size_t lEntry) const;

    // The text editor command: the "TXT" program followed by one blank, or, when none
    // is configured, the plain text editor fallback followed by one blank.
    static std::string TextEditorCommand();
    // The selected node of the tree; an invalid index when none is selected.
    QModelIndex SelectedNode() const;
    // "Cannot edit file...": OK opens the settings dialog.
    void CannotEditFile();
    // While the chosen archive is unpacked, marks in the tree what changed since
    // Extract; otherwise marks nothing.
    void FollowChanges();
    // A message box of this window: title "Keplo", one OK button.
    void ShowMessage(const QString &sText, MsgIcon eIcon);

    cUnzip m_cUnzip;
    cZip m_cZ;
    // The jobs that list, unpack and pack through the two components.
    ArchiveJobs m_jobs{m_cUnzip, m_cZ};
    std::vector<std::string> m_vArchiveList; // filVL2
    std::vector<GameArchiveChoice> m_vChoices; // what the chooser's items stand for
    std::array<QIcon, kTreeIconCount> m_imgIcons16;
    // The tree's nodes and the entry list (lstArchive) in one: each entry kept once.
    std::unique_ptr<ArchiveModel> m_pArchiveModel;
    QPointer<frmSettings> m_pSettings; // the settings dialog while it is open
    QPointer<frmPreview> m_pPreview;   // the preview window, once opened
    QPointer<frmFind> m_pFind;         // Find in Archives, once opened
    std::unique_ptr<ChangeMarks> m_pChangeMarks;
};
