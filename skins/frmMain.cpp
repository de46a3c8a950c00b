#include "skins/frmMain.h"

#include "platform/os/ProgramFolder.h"
#include "skins/DialogFilter.h"
#include "skins/SkinNames.h"
#include "skins/SkinStaging.h"
#include "support/GameFolders.h"
#include "support/ProgramVersion.h"
#include "support/ui/CaptionFont.h"
#include "support/ui/WindowPlacement.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <filesystem>
#include <system_error>

// The icons are compiled into this static library; naming the initialiser keeps
// them in the program.
static void InitSkinsResources() {
    Q_INIT_RESOURCE(skins);
}

namespace {

// The client area is 7695 x 3135 twips; the outer size, frame included, 7785 x 3510.
constexpr QSize kClientSize(513, 209);
constexpr QSize kOuterSize(519, 234);
// Where each panel lies: over the page area of the tab strip.
constexpr QRect kPanelGeometry(12, 32, 489, 165);

} // namespace

QString PelterboxCaption(const QString &sCaption, const ProgramVersion &version) {
    // Nothing stands between minor and revision: 1.0 revision 4 is "v1.04".
    return sCaption + QStringLiteral(" v") + QString::number(version.lMajor) + QLatin1Char('.') +
           QString::number(version.lMinor) + QString::number(version.lRevision);
}

QIcon PelterboxIcon() {
    InitSkinsResources();
    QIcon icon;
    for (const char *sSize : {"16", "32", "48"})
        icon.addFile(QStringLiteral(":/skins/pelterbox-%1.png").arg(QLatin1String(sSize)));
    return icon;
}

frmMain::frmMain(QWidget *parent) : GameWindow(parent) {
    InitSkinsResources();
    setupUi(this);
    QIcon extractIcon(QStringLiteral(":/skins/extract-32.png"));
    extractIcon.addFile(QStringLiteral(":/skins/extract-16.png"));
    cmdExtract->setIcon(extractIcon);
    FitCaptionFont(this);
    setWindowIcon(PelterboxIcon());

    connect(SkinTabs, &QTabWidget::currentChanged, this, &frmMain::SkinTabs_Click);
    connect(cmdInstallVL2browse, &QPushButton::clicked, this, &frmMain::cmdInstallVL2browse_Click);
    connect(cmdInstall, &QPushButton::clicked, this, &frmMain::cmdInstall_Click);
    connect(cmdCompressPngBrowse, &QPushButton::clicked, this,
            &frmMain::cmdCompressPngBrowse_Click);
    connect(cmdCompressAdd, &QPushButton::clicked, this, &frmMain::cmdCompressAdd_Click);
    connect(cmdCompressRemove, &QPushButton::clicked, this, &frmMain::cmdCompressRemove_Click);
    connect(cmdCompress, &QPushButton::clicked, this, &frmMain::cmdCompress_Click);
    connect(cmdExtractVL2Browse, &QPushButton::clicked, this, &frmMain::cmdExtractVL2Browse_Click);
    connect(cmdExtractFolderBrowse, &QPushButton::clicked, this,
            &frmMain::cmdExtractFolderBrowse_Click);
    connect(cmdExtract, &QPushButton::clicked, this, &frmMain::cmdExtract_Click);
    for (QLineEdit *pBox : {txtInstallVL2, txtInstallName, txtCompressPng})
        pBox->installEventFilter(this);

    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::Form_Load() {
    setFixedSize(kClientSize);
    CentreOnScreen(this, kOuterSize);
    setWindowTitle(PelterboxCaption(windowTitle(), GetProgramVersion()));
    for (QWidget *pPanel : {picInstall, picCompress, picExtract}) {
        pPanel->setGeometry(kPanelGeometry);
        pPanel->raise();
    }
    picInstall->setVisible(true);
    picCompress->setVisible(false);
    picExtract->setVisible(false);
    SetDefaultButton(cmdExtract);
    // The window opens with the focus on the tab strip rather than in the first box,
    // which would take the default role from cmdExtract before the user did anything.
    SkinTabs->setFocus(Qt::OtherFocusReason);
    // The unzip and zip components are members: they exist from here on.
    InitGameFolders();
    m_sForbiddenNameDisplay.clear();
    for (std::size_t i = 0; i < m_sForbiddenNameChars.size(); ++i) {
        m_sForbiddenNameChars[i] = QString(QLatin1Char(kForbiddenNameChars[i]));
        m_sForbiddenNameDisplay += m_sForbiddenNameChars[i];
    }
    ClearStagingTree(WorkFolder());
}

void frmMain::SetDefaultWorkFolder() {
    WriteWorkFolder(DefaultWorkFolder());
    // Pelterbox makes the folder at once (with the folders above it, which a default
    // below the user's data folder may lack); it may exist already.
    const std::string sWorkFolder = WorkFolder();
    std::error_code error;
    if (!sWorkFolder.empty())
        std::filesystem::create_directories(sWorkFolder, error);
}

void frmMain::SkinTabs_Click() {
    picInstall->setVisible(false);
    picCompress->setVisible(false);
    picExtract->setVisible(false);
    const QString sKey = SkinTabs->currentWidget()->property("key").toString();
    if (sKey == QLatin1String("install"))
        picInstall->setVisible(true);
    if (sKey == QLatin1String("compress"))
        picCompress->setVisible(true);
    if (sKey == QLatin1String("extract"))
        picExtract->setVisible(true);
}

void frmMain::SetDefaultButton(QPushButton *pButton) {
    for (QPushButton *pOther : findChildren<QPushButton *>())
        pOther->setDefault(pOther == pButton);
    m_pDefaultButton = pButton;
}

bool frmMain::eventFilter(QObject *pWatched, QEvent *pEvent) {
    const bool bIn = pEvent->type() == QEvent::FocusIn;
    if (bIn || pEvent->type() == QEvent::FocusOut) {
        // The window coming or going, or a menu opening, moves no focus between controls.
        const Qt::FocusReason eReason = static_cast<QFocusEvent *>(pEvent)->reason();
        if (eReason != Qt::ActiveWindowFocusReason && eReason != Qt::PopupFocusReason) {
            if (bIn && pWatched == txtInstallVL2)
                SetDefaultButton(cmdInstallVL2browse);
            else if (bIn && pWatched == txtInstallName)
                SetDefaultButton(cmdInstall);
            else if (pWatched == txtCompressPng)
                SetDefaultButton(bIn ? cmdCompressAdd : cmdCompress);
        }
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

void frmMain::keyPressEvent(QKeyEvent *pEvent) {
    const bool bEnter = pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter;
    if (!bEnter || (pEvent->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QWidget::keyPressEvent(pEvent);
        return;
    }
    // Enter reaches the window when the control that has the focus does not use it:
    // a focused button takes it for itself, as on the platform's own windows, and
    // otherwise the default button does, when the user can see it.
    QPushButton *pButton = qobject_cast<QPushButton *>(focusWidget());
    if (!pButton)
        pButton = m_pDefaultButton;
    if (pButton && pButton->isVisible() && pButton->isEnabled())
        pButton->click();
    pEvent->accept();
}

std::optional<QString> frmMain::ShowOpenDialog(const QString &sTitle,
                                               const QString &sPairedFilter) {
    const std::optional<QString> sChosen =
        Desktop().GetOpenFileName(this, sTitle, QtFilter(sPairedFilter), m_sOpenFileName);
    if (sChosen)
        m_sOpenFileName = *sChosen;
    return sChosen;
}

MsgAnswer frmMain::ShowMessage(const QString &sText, MsgButtons eButtons, MsgIcon eIcon,
                               std::optional<MsgAnswer> eDefault) {
    return Desktop().MessageBox(this, sText, eButtons, eIcon, QStringLiteral("Keplo Pelterbox"),
                                eDefault);
}

void frmMain::Warn(const QString &sText) {
    ShowMessage(sText, MsgButtons::OK, MsgIcon::Exclamation);
}

void frmMain::WarnFileMissing(const QString &sPath) {
    Warn(QStringLiteral("File does not exist!\n\n") + sPath);
}
