// The busy state of a long operation: while a BusyState lives, its window is
// disabled and the wait pointer is shown, so that no second handler can start, and
// a request from the window manager to close the window is turned away, so that the
// window outlives the operation. Leaving the scope in any way, an exception
// included, shows the normal pointer and gives the window back the enabled state
// it had; clicks and key presses made during the operation that still wait to be
// handled are dropped first, so that none of them acts once the window takes input
// again.
//
//     void frmMain::cmdCancel_Click() {
//         BusyState busy(this);
//         RemoveUnpackedFiles();
//     }
//
// Long jobs keep the window painting meanwhile through LongJob.h.
#pragma once

#include "support/ui/OutsideCloseFilter.h"

#include <QPointer>
#include <QWidget>

class BusyState {
public:
    explicit BusyState(QWidget *pWindow);
    ~BusyState();
    BusyState(const BusyState &) = delete;
    BusyState &operator=(const BusyState &) = delete;

private:
    QPointer<QWidget> m_pWindow;
    bool m_bWasEnabled;
    OutsideCloseFilter m_closeRequests;
};
