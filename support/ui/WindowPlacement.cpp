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
    constexpr int kNarrowest = 320;
    const QRect next = pNextTo->frameGeometry();
    QRect place(QPoint(next.right() + kGap, next.top()), pWindow->frameGeometry().size());
    const QScreen *pScreen = pNextTo->screen() ? pNextTo->screen() : QGuiApplication::primaryScreen();
    if (pScreen) {
        const QRect area = pScreen->availableGeometry();
        const int lRightRoom = area.right() - next.right() - kGap;
        const int lLeftRoom = next.left() - kGap - area.left();
        const int lWidth = place.width();
        if (lWidth > lRightRoom && lWidth <= lLeftRoom) {
            place.moveRight(next.left() - kGap);
        } else if (lWidth > lRightRoom) {
            // Neither side has the room: the window is narrowed to the wider side rather
            // than laid over the window it belongs to, while that leaves it usable.
            const bool bRight = lRightRoom >= lLeftRoom;
            const int lRoom = bRight ? lRightRoom : lLeftRoom;
            if (lRoom >= kNarrowest) {
                const int lFrame = pWindow->frameGeometry().width() - pWindow->width();
                pWindow->resize(lRoom - lFrame, pWindow->height());
                place.setWidth(lRoom);
                if (!bRight)
                    place.moveRight(next.left() - kGap);
            } else {
                place.moveRight(area.right());
            }
        }
        if (place.left() < area.left())
            place.moveLeft(area.left());
        if (place.top() < area.top())
            place.moveTop(area.top());
    }
    pWindow->move(place.topLeft());
}
