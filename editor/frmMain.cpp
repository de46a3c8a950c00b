#include "editor/frmMain.h"

#include "editor/ArchiveNames.h"
#include "editor/ChangeMarks.h"
#include "editor/FileTypes.h"
#include "editor/GameArchiveList.h"
#include "editor/ItemEnterFilter.h"
#include "editor/SavePlan.h"
#include "editor/SnapshotFile.h"
#include "editor/UnpackedFiles.h"
#include "editor/frmSettings.h"
#include "platform/os/FreedMemory.h"
#include "platform/os/ProgramFolder.h"
#include "support/GameFolders.h"
#include "support/ProgramVersion.h"
#include "support/modOther.h"
#include "support/modRegistry.h"
#include "support/ui/Artwork.h"
#include "support/ui/BusyState.h"
#include "support/ui/CaptionFont.h"
#include "support/ui/JobMessages.h"
#include "support/ui/KeptWriting.h"
#include "support/ui/LongJob.h"
#include "support/ui/LongJobRunner.h"
#include "support/ui/Logging.h"
#include "support/ui/WindowPlacement.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <algorithm>
#include <filesystem>
#include <system_error>

// The tree's icons are compiled into this static library; naming the initialiser
// keeps them in the program.
static void InitEditorResources() {
    Q_INIT_RESOURCE(editor);
}

namespace {

// The window's outer size is 4095 x 7500 twips. Its client area is what a fixed
// frame leaves inside that, which gives the controls the same margins on every side
// that they were laid out with.
constexpr QSize kOuterSize(273, 500);

// "Keplo v" + major.minor.revision, each in plain decimal.
QString Caption() {
    const ProgramVersion version = GetProgramVersion();
    return QStringLiteral("Keplo v%1.%2.%3")
        .arg(version.lMajor)
        .arg(version.lMinor)
        .arg(version.lRevision);
}

} // namespace

frmMain::frmMain(QWidget *parent) : GameWindow(parent) {
    InitEditorResources();
    setupUi(this);
    FitCaptionFont(this);
    // The status line names archives, and a mod folder's name may hold anything.
    lblStatus->setTextFormat(Qt::PlainText);
    setWindowIcon(ProgramIcon());
    for (int i = 0; i < kTreeIconCount; ++i)
        m_imgIcons16[i] = QIcon(QStringLiteral(":/icons/tree%1.png").arg(i + 1));
    m_pArchiveModel = std::make_unique<ArchiveModel>(m_imgIcons16.data());
    treArchive->setModel(m_pArchiveModel.get());
    m_pChangeMarks = std::make_unique<ChangeMarks>(this, treArchive, m_pArchiveModel.get());

    // The chooser's click: the user picked an entry (the same one again included).
    connect(drpVL2File, &QComboBox::activated, this, &frmMain::drpVL2File_Click);
    connect(cmdExtract, &QPushButton::clicked, this, &frmMain::cmdExtract_Click);
    connect(cmdSaveChanges, &QPushButton::clicked, this, &frmMain::cmdSaveChanges_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMain::cmdCancel_Click);
    connect(cmdSettings, &QPushButton::clicked, this, &frmMain::cmdSettings_Click);
    connect(cmdEditFile, &QPushButton::clicked, this, &frmMain::cmdEditFile_Click);
    connect(cmdOpenFolder, &QPushButton::clicked, this, &frmMain::cmdOpenFolder_Click);
    connect(treArchive, &QTreeView::doubleClicked, this, &frmMain::treArchive_DblClick);
    new ItemEnterFilter(treArchive, [this] { treArchive_DblClick(); });
    SetUpChooserMenu();
    SetUpPreview();
    SetUpFind();

    Form_Load();
}

frmMain::~frmMain() {
    delete m_pSettings;
}

void frmMain::Form_Load() {
    setWindowTitle(Caption());
    setFixedSize(kOuterSize.shrunkBy(kFixedFrame));
    CentreOnScreen(this, kOuterSize);
    // The unzip and zip components are members: they exist from here on.
    InitGameFolders();
    UpdateButtons();
    FillArchiveChooser();
    // A folder of the game that cannot be read hides its archives: the user learns why.
    const std::vector<std::string> unreadable =
        UnreadableGameFolders(GameDataFolderOf(GameBaseFolder()));
    if (!unreadable.empty())
        lblStatus->setText(lblStatus->text() + QStringLiteral(" GameData/") +
                           QString::fromStdString(unreadable.front()).replace(
                               QStringLiteral(": "), QStringLiteral(" cannot be read: ")) +
                           QLatin1Char('.'));
}

void frmMain::SetDefaultWorkFolder() {
    // Keplo stores the default but leaves the folder to be made when it is first used.
    WriteWorkFolder(DefaultWorkFolder());
}

void frmMain::FillArchiveChooser() {
    m_vArchiveList = ArchiveFilesIn(GameBaseFolder());
    m_vChoices = GameArchiveChoices(GameBaseFolder());
    drpVL2File->clear();
    int nWidest = 0;
    for (std::size_t i = 0; i < m_vChoices.size(); ++i) {
        const GameArchiveChoice &choice = m_vChoices[i];
        if (choice.eShown != GameArchiveChoice::Shown::Yes)
            continue;
        drpVL2File->addItem(choice.sDisplay, QVariant::fromValue(static_cast<qulonglong>(i)));
        nWidest = std::max(nWidest, drpVL2File->fontMetrics().horizontalAdvance(choice.sDisplay));
    }
    drpVL2File->setCurrentIndex(-1);
    // The drop-down list shows whole names, however narrow the chooser is: a mod's
    // archives carry their folder's name before their own.
    const int nMargins = 2 * drpVL2File->view()->frameWidth() +
                         drpVL2File->view()->verticalScrollBar()->sizeHint().width() + 16;
    drpVL2File->view()->setMinimumWidth(std::max(drpVL2File->width(), nWidest + nMargins));
}

const GameArchiveChoice *frmMain::ChosenArchive() const {
    const int nChosen = drpVL2File->currentIndex();
    if (nChosen < 0)
        return nullptr;
    const auto nListed = drpVL2File->itemData(nChosen).toULongLong();
    return nListed < m_vChoices.size() ? &m_vChoices[nListed] : nullptr;
}

std::string frmMain::ArchiveFileName() const {
    const GameArchiveChoice *pChosen = ChosenArchive();
    return pChosen ? pChosen->sFileName : std::string();
}

std::string frmMain::ArchivePath() const {
    const GameArchiveChoice *pChosen = ChosenArchive();
    return pChosen ? pChosen->sPath : std::string();
}

std::string frmMain::ArchiveSubFolder() const {
    const GameArchiveChoice *pChosen = ChosenArchive();
    return pChosen ? pChosen->SubFolder(WorkFolder()) : std::string();
}

std::string frmMain::ProbeFile() const {
    return m_pArchiveModel->ProbeFile(ArchiveSubFolder());
}

const QIcon &frmMain::TreeIcon(int nNumber) const {
    return m_imgIcons16.at(static_cast<std::size_t>(nNumber - 1));
}

void frmMain::UpdateButtons() {
    cmdExtract->setEnabled(false);
    cmdSaveChanges->setEnabled(false);
    cmdCancel->setEnabled(false);
    cmdEditFile->setEnabled(false);
    cmdOpenFolder->setEnabled(false);

    if (m_pArchiveModel->rowCount() > 0) {
        cmdExtract->setEnabled(true);
        const std::string sProbe = ProbeFile();
        if (!sProbe.empty() && FileExists(sProbe) == 1) {
            cmdExtract->setEnabled(false);
            cmdSaveChanges->setEnabled(true);
            cmdCancel->setEnabled(true);
            cmdEditFile->setEnabled(true);
            cmdOpenFolder->setEnabled(true);
            lblStatus->setText(QStringLiteral("Select a file to edit."));
        }
    }

    if (drpVL2File->currentText().isEmpty()) {
        cmdExtract->setEnabled(false);
        cmdSaveChanges->setEnabled(false);
        cmdCancel->setEnabled(false);
        cmdEditFile->setEnabled(false);
        cmdOpenFolder->setEnabled(false);
        lblStatus->setText(QStringLiteral("Please select a category."));
    }
}

void frmMain::OpenSettings() {
    setEnabled(false);
    // The dialog enables and shows this window again when it closes.
    m_pSettings = new frmSettings(this);
    m_pSettings->show();
}

void frmMain::OpenChosenArchive() {
    ListArchive(ArchivePath());
}

void frmMain::ListArchive(const std::string &sArchivePath) {
    // The marks belong to the entries that are about to go.
    m_pChangeMarks->Stop();
    m_pArchiveModel->Clear();
    // So does the component's listing: the next is not made beside it.
    m_cUnzip.SetZipFile(std::string());
    ReturnFreedMemory();
    JobOutcome listing;
    {
        BusyState busy(this);
        LongJobRunner runner;
        listing = m_jobs.List(sArchivePath, runner);
        // The engine's own record of the archive is gone.
        ReturnFreedMemory();

        const std::int32_t lCount = m_cUnzip.FileCount();
        // A range of 0 to 0 would make the bar a busy indicator.
        ProgressBar->setRange(0, std::max<std::int32_t>(lCount, 1));
        ProgressBar->setValue(0);
        ProgressBar->show();
        // The bar moves with every entry, or, for a big archive, about a thousand
        // times in all: more moves would not show and would take longer than the
        // listing.
        const std::int32_t lBarStep = std::max<std::int32_t>(1, lCount / 1000);

        ListedEntries entries;
        entries.Reserve(static_cast<std::size_t>(std::max<std::int32_t>(lCount, 0)), 0);
        for (std::int32_t i = 1; i <= lCount; ++i) {
            entries.Add(m_cUnzip.FileDirectory(i), m_cUnzip.Filename(i));
            if (i % lBarStep == 0 || i == lCount)
                ProgressBar->setValue(i);
            KeepWindowsPainting();
        }
        // The tree's nodes are made from the entries in one go.
        m_pArchiveModel->SetEntries(std::move(entries));
        ProgressBar->hide();
    }

    if (listing.IsDone() && EntryList().Empty()) {
        lblStatus->setText(QStringLiteral("The archive holds no files."));
    } else if (!listing.IsFailed()) {
        lblStatus->setText(QStringLiteral("Click Extract to begin editing files"));
    } else {
        lblStatus->clear();
        ShowMessage(WithReason(QStringLiteral("The archive could not be read."), listing.sReason,
                               QString::fromStdString(sArchivePath)),
                    MsgIcon::Critical);
    }
}

void frmMain::cmdExtract_Click() {
    lblStatus->setText(QStringLiteral("Please wait. Extracting files..."));
    const QString sArchive = QString::fromStdString(ArchiveFileName());
    // The archive as it is unpacked: Save later knows whether it is still that file.
    const FileStamp archive = StampOf(ArchivePath(), true);
    JobOutcome unpacking;
    std::string sTarget;
    {
        BusyState busy(this);
        sTarget = PrepareUnpackFolder();
        LongJobRunner runner(ProgressBar);
        unpacking = m_jobs.Unpack(ArchivePath(), sTarget, UnpackLayout::Folders, runner);
        MakeUnpackedFilesWritable();
        // What was unpacked is recorded for Save and the tree's marks; after a
        // failure nothing is known about the folder. Every unpacked file is looked at.
        if (unpacking.IsDone())
            RunLongJob([&] { RecordExtractSnapshot(sTarget, archive, EntryList().Paths()); });
        else
            RemoveExtractSnapshot(sTarget);
        FollowChanges();
        // What the engine and the snapshot took for a big archive is free again.
        ReturnFreedMemory();
    }
    lblStatus->setText(QStringLiteral("Select a file to edit."));
    UpdateButtons();
    if (unpacking.IsPartly())
        ShowMessage(WithReason(QStringLiteral("Not every file of ") + sArchive +
                                   QStringLiteral(" could be unpacked."),
                               unpacking.sReason, QString::fromStdString(sTarget)),
                    MsgIcon::Critical);
    else if (unpacking.IsFailed())
        ShowMessage(WithReason(sArchive + QStringLiteral(" could not be unpacked."),
                               unpacking.sReason, QString::fromStdString(sTarget)),
                    MsgIcon::Critical);
}

std::string frmMain::PrepareUnpackFolder() {
    if (WorkFolder().empty())
        SetDefaultWorkFolder();
    const std::string sTarget = ArchiveSubFolder();
    // The default work folder may lie in a folder that does not exist yet, and a mod
    // archive's folder lies below the mod's: its parents are made too. Failures are
    // left to show when the unpacking fails.
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(sTarget).parent_path(), error);
    std::filesystem::create_directory(sTarget, error);
    // The unpack job sets the unzip component for its layout: no questions, the
    // entries in their folders.
    setEnabled(false);
    return sTarget;
}

void frmMain::MakeUnpackedFilesWritable() {
    const std::string sProbe = ProbeFile();
    if (sProbe.empty() || FileExists(sProbe) != 1)
        return;
    const std::string sSubFolder = ArchiveSubFolder();
    const ListedEntries &entries = EntryList();
    // One file at a time on a thread of its own: an archive may hold many. The
    // window, busy, changes no entry meanwhile.
    RunLongJob([&] {
        for (std::size_t i = 0; i < entries.Count(); ++i)
            if (const auto sPath = PathBelow(sSubFolder, std::string_view(entries.Line(i))))
                MakeOwnerWritable(*sPath);
    });
}

void frmMain::SaveChanges() {
    const std::string sArchivePath = ArchivePath();
    const std::string sSubFolder = ArchiveSubFolder();
    if (sArchivePath.empty() || sSubFolder.empty())
        return;
    SavePlan plan;
    {
        BusyState busy(this);
        // Finding what changed looks at every unpacked file.
        RunLongJob([&] { plan = PlanSave(sSubFolder, sArchivePath); });
    }
    // The archive as it is now is kept first, so that the save can be undone. Without
    // a Yes to saving without it, nothing is written and the edits stay unpacked.
    KeptWrite keeping(GameFolder(), sArchivePath, "Keplo");
    if (plan.eKind != SavePlan::Kind::Nothing &&
        !KeepBeforeWriting(this, ProgressBar, keeping, QStringLiteral("Keplo"),
                           QStringLiteral("Save your changes"))) {
        qCInfo(lcEditor).noquote() << "not saved, since it could not be kept:"
                                   << QString::fromStdString(sArchivePath);
        return;
    }
    JobOutcome writing;
    {
        BusyState busy(this);
        // Nothing changed since Extract: the archive is left exactly as it is.
        if (plan.eKind != SavePlan::Kind::Nothing) {
            PackRequest request{sArchivePath, sSubFolder + "/", {}, false};
            // Without a list, the engine packs the unpacked entries and whatever the user
            // added.
            if (plan.eKind == SavePlan::Kind::Files)
                request.vFiles = plan.sFiles;
            LongJobRunner runner(ProgressBar);
            writing = m_jobs.Pack(request, runner);
            keeping.Finish(!writing.IsFailed());
            ReturnFreedMemory();
        }
        // Only an archive that holds every edit may lose its unpacked files: they are
        // the user's only copy of the edits.
        if (writing.IsDone()) {
            qCInfo(lcEditor).noquote() << "saved" << QString::fromStdString(sArchivePath);
            RemoveUnpackedFiles();
            lblStatus->setText(drpVL2File->currentText() +
                               QStringLiteral(".vl2 was created successfully"));
        }
    }
    if (writing.IsPartly()) {
        // The archive holds the rest: the files left out stay unpacked beside the others,
        // to be mended and saved again.
        qCInfo(lcEditor).noquote() << "saved" << QString::fromStdString(sArchivePath)
                                   << "without" << writing.vLeftOut.size() << "files";
        UpdateButtons();
        lblStatus->setText(drpVL2File->currentText() +
                           QStringLiteral(".vl2 was written without some files"));
        ShowMessage(WithReason(QStringLiteral("Not every file could be written to %1. The "
                                              "archive holds the others; every file is kept "
                                              "in the work folder.")
                                   .arg(QString::fromStdString(ArchiveFileName())),
                               writing.sReason, QString::fromStdString(sArchivePath)),
                    MsgIcon::Exclamation);
    } else if (writing.IsFailed()) {
        qCInfo(lcEditor).noquote() << "not saved:" << QString::fromStdString(sArchivePath);
        UpdateButtons();
        ShowMessage(WithReason(QStringLiteral("Your changes could not be written to %1. They are "
                                              "kept in the work folder.")
                                   .arg(QString::fromStdString(ArchiveFileName())),
                               writing.sReason, QString::fromStdString(sArchivePath)),
                    MsgIcon::Critical);
    }
    FollowChanges();
}

void frmMain::RemoveUnpackedFiles() {
    // Whatever stays behind is no longer what Extract unpacked.
    if (const std::string sSubFolder = ArchiveSubFolder(); !sSubFolder.empty())
        RemoveExtractSnapshot(sSubFolder);
    const std::string sProbe = ProbeFile();
    if (sProbe.empty() || FileExists(sProbe) != 1) {
        UpdateButtons();
        return;
    }
    const std::string sSubFolder = ArchiveSubFolder();

    const ListedEntries &entries = EntryList();
    const auto lLast = static_cast<int>(std::max<std::size_t>(entries.Count(), 1) - 1);
    ProgressBar->setRange(0, std::max(lLast, 1));
    ProgressBar->setValue(0);
    ProgressBar->show();

    for (std::size_t i = 0; i < entries.Count(); ++i) {
        // A file's own permissions never stop its deletion here (its folder's do), so
        // the attributes are left as they are.
        if (const auto sPath = PathBelow(sSubFolder, std::string_view(entries.Line(i))))
            RemoveFile(*sPath);
        ProgressBar->setValue(static_cast<int>(i));
        KeepWindowsPainting();
    }

    // Every node with children names a folder, in the order the nodes were added.
    const std::vector<std::string> folders = m_pArchiveModel->FolderNodePaths(sSubFolder);
    const GameArchiveChoice *pChosen = ChosenArchive();
    const bool bMod = pChosen && pChosen->IsMod();
    // The folders go on a thread of their own: an archive may have many.
    RunLongJob([&] {
        DeleteLooseFiles(sSubFolder);
        for (const std::string &sFolder : folders) {
            DeleteLooseFiles(sFolder);
            RemoveFolder(sFolder);
        }
        RemoveFolder(sSubFolder);
        // Folders that held only unpacked files (the parents of nested categories,
        // folders of hidden types) would otherwise stay behind empty.
        RemoveEmptyFolders(sSubFolder);
        // A mod archive's folder lies below its mod's and ".mods": each goes once empty.
        if (bMod) {
            std::error_code error;
            const std::filesystem::path modFolder = std::filesystem::path(sSubFolder).parent_path();
            if (std::filesystem::is_empty(modFolder, error) && !error)
                std::filesystem::remove(modFolder, error);
            if (std::filesystem::is_empty(modFolder.parent_path(), error) && !error)
                std::filesystem::remove(modFolder.parent_path(), error);
        }
    });

    ProgressBar->hide();
    UpdateButtons();
}

void frmMain::FollowChanges() {
    const std::string sProbe = ProbeFile();
    if (sProbe.empty() || FileExists(sProbe) != 1) {
        m_pChangeMarks->Stop();
        return;
    }
    // Following reads what Extract recorded and looks at every unpacked file.
    BusyState busy(this);
    m_pChangeMarks->Follow(ArchiveSubFolder());
}

void frmMain::RefreshChangeMarks() {
    m_pChangeMarks->Refresh();
}

bool frmMain::RefreshingChangeMarks() const {
    return m_pChangeMarks->Refreshing();
}

void frmMain::ShowMessage(const QString &sText, MsgIcon eIcon) {
    Desktop().MessageBox(this, sText, MsgButtons::OK, eIcon, QStringLiteral("Keplo"));
}

void frmMain::drpVL2File_Click() {
    if (drpVL2File->currentText().isEmpty())
        return;
    qCInfo(lcEditor).noquote() << "chose" << drpVL2File->currentText() << "("
                               << QString::fromStdString(ArchivePath()) << ")";
    OpenChosenArchive();
    UpdateButtons();
    FollowChanges();
}

void frmMain::cmdSaveChanges_Click() {
    SaveChanges();
}

void frmMain::cmdCancel_Click() {
    if (!MayThrowAwayChanges())
        return;
    qCInfo(lcEditor).noquote() << "cancel: removing the unpacked files in"
                               << QString::fromStdString(ArchiveSubFolder());
    {
        BusyState busy(this);
        RemoveUnpackedFiles();
    }
    FollowChanges();
}

void frmMain::cmdSettings_Click() {
    OpenSettings();
}

void frmMain::cmdEditFile_Click() {
    EditSelectedFile();
}

void frmMain::cmdOpenFolder_Click() {
    OpenSelectedFolder();
}

void frmMain::treArchive_DblClick() {
    if (cmdEditFile->isEnabled())
        EditSelectedFile();
}

