// Input as the window system gives it: queued, to be handled when the program next
// handles events, not delivered at once as QTest's clicks are. It shows whether
// input made while a window is busy is dropped or kept for later.
#pragma once

#include <Qt>

class QWidget;

// Queues a left click (press and release) at the middle of pWidget, which must be
// in a window that is shown.
void QueueClick(QWidget *pWidget);

// Queues a key press and release to the window that holds pWidget.
void QueueKey(QWidget *pWidget, Qt::Key eKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Queues the window manager's request to close the window that holds pWidget.
void QueueCloseRequest(QWidget *pWidget);
