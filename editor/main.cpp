// Keplo: the splash, then frmMain.
#include "editor/frmMain.h"
#include "platform/os/LocalTimeZone.h"
#include "support/ProgramVersion.h"
#include "support/ui/Artwork.h"
#include "support/ui/frmSplash.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    PinLocalTimeZone();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Keplo"));
    QApplication::setApplicationVersion(QString::fromLatin1(ProgramVersionText()));
    QApplication::setWindowIcon(ProgramIcon());
    // Lets the desktop match the window to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.halvane.Keplo"));
    return RunWithSplash(app, [] { return new frmMain; });
}
