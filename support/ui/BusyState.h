// The busy state of a long operation: while a BusyState lives, its window is
// disabled and the wait pointer is shown, so that no second handler can start.
// Leaving the scope in any way, an exception included, shows the normal pointer
// and gives the window back the enabled state it had.
//
//     void frmMain::cmdCancel_Click() {
//         BusyState busy(this);
//         RemoveUnpackedFiles();
//     }
#pragma once

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
};
