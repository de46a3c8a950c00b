// Placing top-level windows on the screen.
#pragma once

#include <QSize>

class QWidget;

// Moves pWindow so that a window of outer size outer (frame included) lies in the
// middle of the available area of the screen it is on, or of the primary screen.
void CentreOnScreen(QWidget *pWindow, QSize outer);
