// Window and shell helpers both programs use.
#pragma once

#include <QString>

class QWidget;

// Takes the close command away from a top-level window: its title bar shows no close
// button, and a close request from the window manager (Alt+F4, the window menu) is
// ignored. The program itself can still close the window. Call it before the window
// is first shown; on a visible window the change shows it again.
void RemoveCloseCommand(QWidget *pWindow);

// Opens a file or folder in the desktop's associated program (a folder in the file
// manager). False when no program could be started for it.
bool OpenWithShell(const QString &sPath);

// What a window says when no program could show the folder sFolder.
QString NoFolderProgramText(const QString &sFolder);
