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
    return RunWithSplash(app, [] { return new frmMain; });
}
