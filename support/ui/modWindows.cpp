#include "support/ui/modWindows.h"

#include "platform/desktop/DesktopServices.h"

#include <QCloseEvent>
#include <QObject>
#include <QWidget>
#include <algorithm>

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
    // The filter has no meta-object of its own, so findChild would take any child for
    // it: it is looked for by its C++ type.
    const QObjectList &children = pWindow->children();
    if (std::none_of(children.begin(), children.end(), [](const QObject *pChild) {
            return dynamic_cast<const CloseCommandFilter *>(pChild) != nullptr;
        }))
        pWindow->installEventFilter(new CloseCommandFilter(pWindow));
    if (bVisible)
        pWindow->show();
}

void OpenWithShell(const QString &sPath) {
    Desktop().OpenWithShell(sPath);
}
