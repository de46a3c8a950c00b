#include "support/ui/modWindows.h"

#include "platform/desktop/DesktopServices.h"
#include "support/ui/OutsideCloseFilter.h"

#include <QWidget>
#include <algorithm>

void RemoveCloseCommand(QWidget *pWindow) {
    if (!pWindow || !pWindow->isWindow())
        return;
    const bool bVisible = pWindow->isVisible();
    Qt::WindowFlags flags = pWindow->windowFlags();
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
    flags &= ~Qt::WindowCloseButtonHint;
    pWindow->setWindowFlags(flags);
    // The filter has no meta-object of its own, so findChild would take any child for
    // it: it is looked for by its C++ type.
    const QObjectList &children = pWindow->children();
    if (std::none_of(children.begin(), children.end(), [](const QObject *pChild) {
            return dynamic_cast<const OutsideCloseFilter *>(pChild) != nullptr;
        }))
        pWindow->installEventFilter(new OutsideCloseFilter(pWindow));
    if (bVisible)
        pWindow->show();
}

bool OpenWithShell(const QString &sPath) {
    return Desktop().OpenWithShell(sPath);
}

QString NoFolderProgramText(const QString &sFolder) {
    return QStringLiteral("No program could be found to show the folder. Install a file "
                          "manager, or open the folder yourself.\n\n") +
           sFolder;
}
