// What the main windows of both programs share: their frame (a title bar with its
// menu, minimise and close, no maximise), the game folders worked out at load, the
// work folder read afresh at every use, and a close request from the window
// manager turned away while the window takes no input (busy, or behind a dialog of
// its own).
#pragma once

#include <QWidget>
#include <string>

class GameWindow : public QWidget {
    Q_OBJECT

public:
    explicit GameWindow(QWidget *parent = nullptr);

    // The game's installation folder in its spelling on disk, ending in "/"; empty
    // when the registered folder does not exist.
    const std::string &GameFolder() const { return m_sGameFolder; }
    // GameFolder() + "GameData/base/", where the game's archives lie; empty with it.
    const std::string &GameBaseFolder() const { return m_sGameBaseFolder; }

    // The work folder: the settings value tempdir, read afresh at every call.
    static std::string WorkFolder();

protected:
    // Reads the game folders from the settings store and, when no work folder is set,
    // stores the default through SetDefaultWorkFolder.
    void InitGameFolders();
    // Stores the default work folder, as each program does it.
    virtual void SetDefaultWorkFolder() = 0;

    void closeEvent(QCloseEvent *pEvent) override;

private:
    std::string m_sGameFolder;
    std::string m_sGameBaseFolder;
};
