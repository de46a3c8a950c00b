#include "support/ui/OutsideCloseFilter.h"

#include <QEvent>

bool OutsideCloseFilter::eventFilter(QObject *pWatched, QEvent *pEvent) {
    if (pEvent->type() == QEvent::Close && pEvent->spontaneous()) {
        pEvent->ignore();
        return true;
    }
    return QObject::eventFilter(pWatched, pEvent);
}
