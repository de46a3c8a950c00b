#include "tests/testsupport/QueuedInput.h"

#include <QWidget>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

namespace {

using Queued = QWindowSystemInterface::AsynchronousDelivery;

QWindow *WindowOf(QWidget *pWidget) {
    return pWidget->window()->windowHandle();
}

} // namespace

void QueueClick(QWidget *pWidget) {
    QWindow *pWindow = WindowOf(pWidget);
    const QPointF local = pWidget->mapTo(pWidget->window(), pWidget->rect().center());
    const QPointF global = pWidget->mapToGlobal(pWidget->rect().center());
    QWindowSystemInterface::handleMouseEvent<Queued>(pWindow, local, global, Qt::LeftButton,
                                                     Qt::LeftButton, QEvent::MouseButtonPress);
    QWindowSystemInterface::handleMouseEvent<Queued>(pWindow, local, global, Qt::NoButton,
                                                     Qt::LeftButton, QEvent::MouseButtonRelease);
}

void QueueKey(QWidget *pWidget, Qt::Key eKey, Qt::KeyboardModifiers modifiers) {
    QWindow *pWindow = WindowOf(pWidget);
    const QString sText = (modifiers & ~Qt::ShiftModifier) == Qt::NoModifier &&
                                  eKey >= Qt::Key_Space && eKey <= Qt::Key_AsciiTilde
                              ? QString(QChar(eKey)).toLower()
                              : QString();
    QWindowSystemInterface::handleKeyEvent<Queued>(pWindow, QEvent::KeyPress, eKey, modifiers,
                                                   sText);
    QWindowSystemInterface::handleKeyEvent<Queued>(pWindow, QEvent::KeyRelease, eKey, modifiers,
                                                   sText);
}

void QueueCloseRequest(QWidget *pWidget) {
    QWindowSystemInterface::handleCloseEvent<Queued>(WindowOf(pWidget));
}
