// Pelterbox: the splash, then frmMain, opened on an archive when one is given.
#include "platform/os/LocalTimeZone.h"
#include "skins/ArchiveArgument.h"
#include "skins/frmMain.h"
#include "support/ProgramVersion.h"
#include "support/ui/frmSplash.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    PinLocalTimeZone();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelterbox"));
    QApplication::setApplicationVersion(QString::fromLatin1(ProgramVersionText()));
    QApplication::setWindowIcon(PelterboxIcon());
    // Lets the desktop match the window to its menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.halvane.Pelterbox"));
    const QString sArchive = ArchiveArgument(QApplication::arguments());
    return RunWithSplash(app, [sArchive] {
        auto *pMain = new frmMain;
        if (!sArchive.isEmpty())
            pMain->ChooseInstallArchive(sArchive);
        return pMain;
    });
}
