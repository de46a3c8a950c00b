#include "support/ui/GameWindow.h"

#include "support/GameFolders.h"

#include <QCloseEvent>

GameWindow::GameWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {}

std::string GameWindow::WorkFolder() {
    return ReadWorkFolder();
}

void GameWindow::InitGameFolders() {
    const GameFolders folders = ReadGameFolders();
    m_sGameFolder = folders.sGameFolder;
    m_sGameBaseFolder = folders.sGameBaseFolder;
    if (WorkFolder().empty())
        SetDefaultWorkFolder();
}

void GameWindow::closeEvent(QCloseEvent *pEvent) {
    if (pEvent->spontaneous() && !isEnabled()) {
        pEvent->ignore();
        return;
    }
    QWidget::closeEvent(pEvent);
}
