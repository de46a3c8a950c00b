#include "support/ui/BusyState.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>

BusyState::BusyState(QWidget *pWindow)
    : m_pWindow(pWindow), m_bWasEnabled(pWindow && pWindow->isEnabled()) {
    if (m_pWindow)
        m_pWindow->setEnabled(false);
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    // The operation holds the event loop until it ends: let the disabled window and the
    // wait pointer reach the screen first. The user's input stays queued.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

BusyState::~BusyState() {
    QApplication::restoreOverrideCursor();
    // Nested busy states leave the window disabled until the outermost one ends.
    if (m_pWindow)
        m_pWindow->setEnabled(m_bWasEnabled);
}
