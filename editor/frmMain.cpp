#include "editor/frmMain.h"

#include "editor/ArchiveNames.h"
#include "platform/os/ProgramFolder.h"
#include "support/modOther.h"
#include "support/modRegistry.h"
#include "support/ui/Artwork.h"
#include "support/ui/CaptionFont.h"
#include "support/ui/WindowPlacement.h"

#include <QMargins>
#include <algorithm>
#include <filesystem>
#include <system_error>

// The tree's icons are compiled into this static library; naming the initialiser
// keeps them in the program.
static void InitEditorResources() {
    Q_INIT_RESOURCE(editor);
}

namespace {

const char *const kGameKey = "SOFTWARE\\Sierra Online\\Setup\\Tribes2";
const char *const kKeploKey = "SOFTWARE\\Halvane\\Game Editors\\Tribes2\\Keplo";

// The window's outer size is 4095 x 7500 twips. Its client area is what a fixed,
// single frame (4 pixel borders and a 23 pixel caption) leaves inside that, which
// gives the controls the same margins on every side that they were laid out with.
constexpr QSize kOuterSize(273, 500);
constexpr QMargins kFrame(4, 27, 4, 4);

// "Keplo v" + major.minor.revision, each in plain decimal.
QString Caption() {
    const QStringList parts = QStringLiteral(KEPLO_VERSION).split(QLatin1Char('.'));
    QStringList numbers;
    for (int i = 0; i < 3; ++i)
        numbers << QString::number(i < parts.size() ? parts.at(i).toInt() : 0);
    return QStringLiteral("Keplo v") + numbers.join(QLatin1Char('.'));
}

// Name order as the file list shows it: letter case aside, then by the exact bytes.
bool NameOrder(const std::string &a, const std::string &b) {
    const int nOrder =
        QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive);
    return nOrder != 0 ? nOrder < 0 : a < b;
}

} // namespace

frmMain::frmMain(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
    InitEditorResources();
    setupUi(this);
    FitCaptionFont(this);
    setWindowIcon(ProgramIcon());
    for (int i = 0; i < kTreeIconCount; ++i)
        m_imgIcons16[i] = QIcon(QStringLiteral(":/icons/tree%1.png").arg(i + 1));

    // The chooser's click: the user picked an entry (the same one again included).
    connect(drpVL2File, &QComboBox::activated, this, &frmMain::drpVL2File_Click);
    connect(cmdSettings, &QPushButton::clicked, this, &frmMain::cmdSettings_Click);

    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::Form_Load() {
    setWindowTitle(Caption());
    setFixedSize(kOuterSize.shrunkBy(kFrame));
    CentreOnScreen(this, kOuterSize);
    // The unzip and zip components are members: they exist from here on.
    InitGameFolders();
    UpdateButtons();
    FillArchiveChooser();
}

void frmMain::InitGameFolders() {
    const std::string sDirectory = GetRegString(HKEY_LOCAL_MACHINE, kGameKey, "directory", "");
    std::string sLong = GetLongFileName(sDirectory);
    // A folder that does not exist has no long name: leave both folders empty rather
    // than let "/" + "GameData/base/" name a folder at the root of the disk.
    if (!sLong.empty()) {
        while (sLong.size() > 1 && sLong.back() == '/')
            sLong.pop_back();
        m_sGameFolder = sLong == "/" ? sLong : sLong + "/";
        m_sGameBaseFolder = m_sGameFolder + "GameData/base/";
    } else {
        m_sGameFolder.clear();
        m_sGameBaseFolder.clear();
    }
    if (WorkFolder().empty())
        SetDefaultWorkFolder();
}

void frmMain::SetDefaultWorkFolder() {
    SetRegString(HKEY_LOCAL_MACHINE, kKeploKey, "tempdir", DefaultWorkFolder());
}

std::string frmMain::WorkFolder() {
    return GetRegString(HKEY_LOCAL_MACHINE, kKeploKey, "tempdir", "");
}

void frmMain::FillArchiveChooser() {
    m_vArchiveList.clear();
    drpVL2File->clear();
    if (!m_sGameBaseFolder.empty()) {
        // A missing or unreadable folder lists nothing: the chooser stays empty.
        std::error_code error;
        for (std::filesystem::directory_iterator it(m_sGameBaseFolder, error), end;
             !error && it != end; it.increment(error)) {
            const std::string sName = it->path().filename().string();
            std::error_code typeError;
            if (sName.front() != '.' && IsArchiveFileName(sName) && it->is_regular_file(typeError))
                m_vArchiveList.push_back(sName);
        }
    }
    std::sort(m_vArchiveList.begin(), m_vArchiveList.end(), NameOrder);

    for (std::size_t i = 0; i < m_vArchiveList.size(); ++i) {
        const QString sDisplay = ArchiveDisplayName(QString::fromStdString(m_vArchiveList[i]));
        if (sDisplay == QLatin1String("Interiors"))
            continue;
        // Two files whose names differ only in letter case would share one archive
        // sub-folder, and saving one would pack the other's files: only the first
        // in name order is offered.
        if (drpVL2File->findText(sDisplay, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0)
            continue;
        drpVL2File->addItem(sDisplay, QVariant::fromValue(static_cast<qulonglong>(i)));
    }
    drpVL2File->setCurrentIndex(-1);
}

std::string frmMain::ArchivePath() const {
    const int nChosen = drpVL2File->currentIndex();
    if (nChosen < 0)
        return {};
    const auto nListed = drpVL2File->itemData(nChosen).toULongLong();
    if (nListed >= m_vArchiveList.size())
        return {};
    return m_sGameBaseFolder + m_vArchiveList[nListed];
}

std::string frmMain::ArchiveSubFolder() const {
    const std::string sWorkFolder = WorkFolder();
    const QString sDisplay = drpVL2File->currentText();
    if (sWorkFolder.empty() || sDisplay.isEmpty())
        return {};
    return sWorkFolder + "/" + DiskPart(sDisplay);
}

std::string frmMain::ProbeFile() const {
    const QTreeWidgetItem *pFirst = treArchive->topLevelItem(0);
    if (!pFirst || pFirst->childCount() == 0)
        return {};
    const std::string sSubFolder = ArchiveSubFolder();
    if (sSubFolder.empty())
        return {};
    return sSubFolder + "/" + DiskPart(pFirst->text(0)) + "/" + DiskPart(pFirst->child(0)->text(0));
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

    if (treArchive->topLevelItemCount() > 0) {
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
    // Where the settings dialog is opened (the window disables itself, and the
    // dialog enables and shows it again when it closes). Until that dialog exists,
    // the Settings button has no visible effect.
}

void frmMain::OpenChosenArchive() {
    // Where the chosen archive is listed into the tree and the entry list. Until
    // listing exists, the tree stays empty and UpdateButtons offers only Settings.
}

void frmMain::drpVL2File_Click() {
    if (drpVL2File->currentText().isEmpty())
        return;
    OpenChosenArchive();
    UpdateButtons();
}

void frmMain::cmdSettings_Click() {
    OpenSettings();
}
