#include "support/ui/modWindows.h"

#include "platform/desktop/DesktopServices.h"

#include <QCloseEvent>
#include <QObject>
#include <QWidget>

namespace {

// Turns away close requests that come from outside the program. A close that the
// program asks for itself (QWidget::close) is not spontaneous and passes.
class CloseCommandFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *pWatched, QEvent *pEvent) override {
        if (pEvent->type() == QEvent::Close && pEvent->spontaneous()) {
            pEvent->ignore();
            return true;
        }
        return QObject::eventFilter(pWatched, pEvent);
    }
};

} // namespace

void RemoveCloseCommand(QWidget *pWindow) {
    if (!pWindow || !pWindow->isWindow())
        return;
    const bool bVisible = pWindow->isVisible();
    Qt::WindowFlags flags = pWindow->windowFlags();
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
    flags &= ~Qt::WindowCloseButtonHint;
    pWindow->setWindowFlags(flags);
    if (!pWindow->findChild<CloseCommandFilter *>(QString(), Qt::FindDirectChildrenOnly))
        pWindow->installEventFilter(new CloseCommandFilter(pWindow));
    if (bVisible)
        pWindow->show();
}

void OpenWithShell(const QString &sPath) {
    Desktop().OpenWithShell(sPath);
}
