// Placing top-level windows on the screen.
#pragma once

#include <QMargins>
#include <QSize>

class QWidget;

// What a fixed, single window frame takes around the client area: 4 pixel borders and
// a 23 pixel caption. The windows were laid out by their outer size with this frame.
inline constexpr QMargins kFixedFrame(4, 27, 4, 4);

// Moves pWindow so that a window of outer size outer (frame included) lies in the
// middle of the available area of the screen it is on, or of the primary screen.
void CentreOnScreen(QWidget *pWindow, QSize outer);

// Moves pWindow beside pNextTo, on its screen: to its right where there is room, else
// to its left; where neither side has it, narrowed to the wider side (down to 320
// pixels, else laid against the screen's right edge); never past the screen's left or
// top edge.
void PlaceBeside(QWidget *pWindow, const QWidget *pNextTo);
