#include "support/ui/modBrowseFolders.h"

#include "platform/desktop/DesktopServices.h"

QString BrowseForFolder(QWidget *pOwner, const QString &sPrompt) {
    QString sFolder = Desktop().BrowseForFolder(pOwner, sPrompt);
    while (sFolder.size() > 1 && sFolder.endsWith(QLatin1Char('/')))
        sFolder.chop(1);
    return sFolder;
}
