#include "support/ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

void CentreOnScreen(QWidget *pWindow, QSize outer) {
    QScreen *pScreen = pWindow->screen() ? pWindow->screen() : QGuiApplication::primaryScreen();
    if (!pScreen)
        return;
    const QRect area = pScreen->availableGeometry();
    // move() places the frame's top-left corner.
    pWindow->move(area.x() + (area.width() - outer.width()) / 2,
                  area.y() + (area.height() - outer.height()) / 2);
}

void PlaceBeside(QWidget *pWindow, const QWidget *pNextTo) {
    constexpr int kGap = 8;
    const QRect next = pNextTo->frameGeometry();
    QRect place(QPoint(next.right() + kGap, next.top()), pWindow->frameGeometry().size());
    const QScreen *pScreen = pNextTo->screen() ? pNextTo->screen() : QGuiApplication::primaryScreen();
    if (pScreen) {
        const QRect area = pScreen->availableGeometry();
        if (place.right() > area.right())
            place.moveRight(next.left() - kGap);
        if (place.left() < area.left())
            place.moveLeft(area.left());
        if (place.top() < area.top())
            place.moveTop(area.top());
    }
    pWindow->move(place.topLeft());
}
