#include "support/ui/frmSplash.h"

#include "platform/desktop/DesktopServices.h"
#include "platform/os/Log.h"
#include "support/NativeGameSearch.h"
#include "support/SettingsKeys.h"
#include "support/WineGameSearch.h"
#include "support/modRegistry.h"
#include "support/ui/Artwork.h"
#include "support/ui/Logging.h"
#include "support/ui/WindowPlacement.h"

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <exception>

namespace {

// The splash's client area: the picture is drawn from the top-left corner and
// clipped to it.
constexpr int kClientWidth = 398;
constexpr int kClientHeight = 248;

// The game's installation folder, or empty text when it cannot be read.
bool GameIsInstalled() {
    try {
        return !GetRegString(HKEY_LOCAL_MACHINE, kGameSetupKey, kGameFolderValue, "").empty();
    } catch (...) {
        // Any failure to read the store counts as a missing game.
        return false;
    }
}

} // namespace

QString GameNotFoundText() {
    // The search found the game neither in a Wine prefix nor in a native install:
    // the player learns how to name its folder.
    return QStringLiteral(
        "Keplo could not detect Tribes 2 on your computer.\n\n"
        "If the game is installed, tell Keplo its folder with the keplo-reg tool:\n"
        "keplo-reg add 'HKLM\\SOFTWARE\\Sierra Online\\Setup\\Tribes2' /v directory /d "
        "<the game's folder>");
}

frmSplash::frmSplash(MainWindowFactory makeMainWindow, QWidget *parent)
    // A splash window type lets the window manager keep it out of the task bar.
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), tmrSplash(new QTimer(this)),
      m_makeMainWindow(std::move(makeMainWindow)), m_picture(SplashPicture()) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Keplo"));
    setWindowIcon(ProgramIcon());
    setFixedSize(kClientWidth, kClientHeight);
    // The splash closes before the main window shows: that must not end the program.
    setAttribute(Qt::WA_QuitOnClose, false);

    tmrSplash->setObjectName(QStringLiteral("tmrSplash"));
    tmrSplash->setSingleShot(true);
    tmrSplash->setInterval(kTickMilliseconds);
    connect(tmrSplash, &QTimer::timeout, this, &frmSplash::tmrSplash_Timer);
}

frmSplash::~frmSplash() = default;

bool frmSplash::Form_Load() {
    if (!GameIsInstalled()) {
        Desktop().MessageBox(nullptr, GameNotFoundText(), MsgButtons::OK, MsgIcon::Critical,
                             QStringLiteral("Keplo"));
        return false;
    }
    CentreOnScreen(this, size());
    show();
    tmrSplash->start();
    return true;
}

void frmSplash::tmrSplash_Timer() {
    tmrSplash->stop();
    // The main window's load step runs now, while the splash is still on the screen.
    QString sFailure;
    try {
        m_pMainWindow = m_makeMainWindow();
    } catch (const std::exception &e) {
        sFailure = QString::fromUtf8(e.what());
    } catch (...) {
        sFailure = QStringLiteral("unknown error");
    }
    close();
    if (m_pMainWindow) {
        // Nothing else owns the main window: closing it ends it, and with it the program.
        m_pMainWindow->setAttribute(Qt::WA_DeleteOnClose);
        m_pMainWindow->show();
        return;
    }
    // Without a main window nothing could ever end the event loop: say why and stop.
    QString sText = QStringLiteral("Keplo could not start.");
    if (!sFailure.isEmpty())
        sText += QStringLiteral("\n\n") + sFailure;
    Desktop().MessageBox(nullptr, sText, MsgButtons::OK, MsgIcon::Critical,
                         QStringLiteral("Keplo"));
    QCoreApplication::exit(kExitStartFailed);
}

void frmSplash::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

int RunWithSplash(QApplication &app, MainWindowFactory makeMainWindow) {
    ConnectLogSink();
    // On Linux the game's set-up ran under Wine and recorded the game in the prefix's
    // registry, not in our store: take it from there before the game check. What the
    // search had to skip goes to its log.
    {
        LogStream notes(LogArea::Wine);
        wine::FindGameInWine(notes);
        native::FindNativeGame(notes);
    }
    frmSplash splash(std::move(makeMainWindow));
    if (!splash.Form_Load())
        return kExitGameNotFound;
    return app.exec();
}
