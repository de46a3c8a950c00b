// An event filter that turns away the close requests of the windows it watches that
// come from outside the program: the window manager's (Alt+F4, the title bar's
// button, the window menu). A close that the program asks for itself
// (QWidget::close) is not spontaneous and passes.
#pragma once

#include <QObject>

class OutsideCloseFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *pWatched, QEvent *pEvent) override;
};
