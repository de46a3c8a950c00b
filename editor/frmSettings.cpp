#include "editor/frmSettings.h"

#include "editor/PhotoshopPngPlugin.h"
#include "platform/desktop/DesktopServices.h"
#include "support/SettingsKeys.h"
#include "support/modRegistry.h"
#include "support/ui/Artwork.h"
#include "support/ui/CaptionFont.h"
#include "support/ui/JobMessages.h"
#include "support/ui/WindowPlacement.h"
#include "support/ui/modWindows.h"

#include <QKeyEvent>
#include <QWindow>

namespace {

// Where the program picker opens before anything was picked in the dialog.
const char *const kFirstPickFolder = "/usr/bin";

} // namespace

frmSettings::frmSettings(QWidget *pMain) : QDialog(nullptr), m_pMain(pMain) {
    setupUi(this);
    FitCaptionFont(this);
    setWindowIcon(ProgramIcon());
    setFixedSize(size());
    CentreOnScreen(this, size().grownBy(kFixedFrame));

    const struct {
        QPushButton *pButton;
        const char *sTitle;
        QLineEdit *pTarget;
    } browseButtons[] = {
        {cmdJPGbrowse, "JPG Editor...", txtJPG},
        {cmdGIFbrowse, "GIF Editor...", txtGIF},
        {cmdBMPbrowse, "BMP Editor...", txtBMP},
        {cmdTextbrowse, "Text Editor...", txtText},
        {cmdSoundbrowse, "Sound Editor...", txtSound},
        {cmdVideobrowse, "Video Editor...", txtVideo},
    };
    for (const auto &browse : browseButtons)
        connect(browse.pButton, &QPushButton::clicked, this, [this, browse] {
            BrowseProgram(QString::fromLatin1(browse.sTitle), browse.pTarget);
        });
    connect(cmdPNGbrowse, &QPushButton::clicked, this, &frmSettings::cmdPNGbrowse_Click);
    connect(cmdSaveSettings, &QPushButton::clicked, this, &frmSettings::cmdSaveSettings_Click);
    connect(cmdCancelSettings, &QPushButton::clicked, this, &frmSettings::cmdCancelSettings_Click);
    connect(cmdApplySettings, &QPushButton::clicked, this, &frmSettings::cmdApplySettings_Click);
    for (QLineEdit *pBox : {txtPNG, txtJPG, txtGIF, txtBMP, txtText, txtSound, txtVideo})
        pBox->installEventFilter(this);

    Form_Load();
}

frmSettings::~frmSettings() = default;

std::array<frmSettings::ProgramValue, 9> frmSettings::ProgramValues() const {
    return {{
        {"PNG", txtPNG, true},
        {"JPG", txtJPG, true},
        {"GIF", txtGIF, true},
        {"BMP", txtBMP, true},
        {"TXT", txtText, true},
        {"WAV", txtSound, true},
        {"MP3", txtSound, false},
        {"AVI", txtVideo, true},
        {"MPG", txtVideo, false},
    }};
}

void frmSettings::Form_Load() {
    RemoveCloseCommand(this);
    for (const ProgramValue &value : ProgramValues())
        if (value.bShown)
            value.pBox->setText(QString::fromStdString(
                GetRegString(HKEY_LOCAL_MACHINE, kProgramTableKey, value.sName, "")));
    txtPNG->setFocus();
}

void frmSettings::showEvent(QShowEvent *pEvent) {
    // The main window is disabled while the dialog is open; as the dialog's transient
    // parent it cannot be raised over the dialog and hide it.
    if (m_pMain && m_pMain->windowHandle() && windowHandle())
        windowHandle()->setTransientParent(m_pMain->windowHandle());
    QDialog::showEvent(pEvent);
}

bool frmSettings::eventFilter(QObject *pWatched, QEvent *pEvent) {
    auto *pBox = qobject_cast<QLineEdit *>(pWatched);
    if (pBox && pEvent->type() == QEvent::KeyPress) {
        const auto *pKey = static_cast<QKeyEvent *>(pEvent);
        if ((pKey->key() == Qt::Key_Delete || pKey->key() == Qt::Key_Backspace) &&
            pKey->modifiers() == Qt::NoModifier) {
            // The boxes are read-only, filled only by their Browse buttons: these keys
            // are the one way to take a program away again.
            if (!pBox->text().isEmpty()) {
                pBox->clear();
                cmdApplySettings->setEnabled(true);
            }
            return true;
        }
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

bool frmSettings::SaveSettings() {
    // One write replaces the store whole or not at all: a store that cannot be
    // written keeps everything it held, and no choice is saved half.
    std::vector<std::pair<std::string, std::string>> values;
    for (const ProgramValue &value : ProgramValues())
        values.emplace_back(value.sName, value.pBox->text().toStdString());
    std::string sError;
    if (SetRegStrings(HKEY_LOCAL_MACHINE, kProgramTableKey, values, &sError))
        return true;
    Desktop().MessageBox(this,
                         WithReason(QStringLiteral("Your settings could not be saved. Nothing "
                                                   "was changed; your choices are still here."),
                                    sError, QString::fromStdString(RegistryFilePath())),
                         MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Keplo"));
    return false;
}

void frmSettings::CloseSettings() {
    hide();
    deleteLater();
    if (m_pMain) {
        m_pMain->setEnabled(true);
        m_pMain->show();
        m_pMain->raise();
        m_pMain->activateWindow();
    }
}

QString frmSettings::BrowseProgram(const QString &sTitle, QLineEdit *pTarget) {
    const QString sStart =
        m_sLastPick.isEmpty() ? QString::fromLatin1(kFirstPickFolder) : m_sLastPick;
    const std::optional<QString> sPicked = Desktop().GetProgramFileName(this, sTitle, sStart);
    if (!sPicked || sPicked->isEmpty())
        return {};
    m_sLastPick = *sPicked;
    pTarget->setText(*sPicked);
    cmdApplySettings->setEnabled(true);
    return *sPicked;
}

void frmSettings::cmdPNGbrowse_Click() {
    const QString sPicked = BrowseProgram(QStringLiteral("PNG Editor..."), txtPNG);
    // The plug-in is switched at once, whether or not the choice is then saved.
    if (!sPicked.isEmpty() && IsPhotoshopProgram(sPicked.toStdString()))
        SwitchPhotoshopPngPlugin();
}

void frmSettings::cmdSaveSettings_Click() {
    if (SaveSettings())
        CloseSettings();
}

void frmSettings::cmdCancelSettings_Click() {
    CloseSettings();
}

void frmSettings::reject() {
    cmdCancelSettings_Click();
}

void frmSettings::cmdApplySettings_Click() {
    if (SaveSettings())
        cmdApplySettings->setEnabled(false);
}
