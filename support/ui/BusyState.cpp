#include "support/ui/BusyState.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>

BusyState::BusyState(QWidget *pWindow)
    : m_pWindow(pWindow), m_bWasEnabled(pWindow && pWindow->isEnabled()) {
    if (m_pWindow) {
        m_pWindow->setEnabled(false);
        m_pWindow->installEventFilter(&m_closeRequests);
    }
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    // Let the disabled window and the wait pointer reach the screen before the work
    // starts. The user's input waits; it is dropped when the busy state ends.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

BusyState::~BusyState() {
    // Input that arrived during the operation reaches the window while it is still
    // disabled, which drops it: given back later, a click would act on whatever
    // button lies under it by then.
    QApplication::processEvents();
    QApplication::restoreOverrideCursor();
    // Nested busy states leave the window disabled until the outermost one ends.
    if (m_pWindow) {
        m_pWindow->removeEventFilter(&m_closeRequests);
        m_pWindow->setEnabled(m_bWasEnabled);
    }
}
