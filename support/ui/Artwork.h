// The artwork both programs share, compiled in as Qt resources.
#pragma once

#include <QIcon>
#include <QPixmap>

// The splash picture: 400 x 250 pixels.
QPixmap SplashPicture();

// The program's emblem in 16, 32 and 48 pixels, the windows' icon.
QIcon ProgramIcon();
