#include "support/ui/Artwork.h"

// The resources live in a static library: naming their initialiser here makes the
// linker keep them, and runs it before the first picture is read.
static void InitArtworkResources() {
    Q_INIT_RESOURCE(artwork);
}

namespace {

void EnsureArtwork() {
    static const bool bDone = (InitArtworkResources(), true);
    (void)bDone;
}

} // namespace

QPixmap SplashPicture() {
    EnsureArtwork();
    return QPixmap(QStringLiteral(":/artwork/splash.jpg"));
}

QIcon ProgramIcon() {
    EnsureArtwork();
    QIcon icon;
    for (const char *sSize : {"16", "32", "48"})
        icon.addFile(QStringLiteral(":/artwork/keplo-%1.png").arg(QLatin1String(sSize)));
    return icon;
}
