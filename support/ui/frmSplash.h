// The start-up splash that both programs open first. Its load step checks that
// Tribes 2 is installed (the game's "directory" value in the settings store); when
// it is not, it tells the user and the program ends without a main window.
// Otherwise it shows the splash picture and, one tick of tmrSplash later, creates
// the program's main window through the factory it was given, closes itself and
// shows the main window.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <functional>

class QApplication;
class QTimer;

// Creates the program's main window, running its load step. The window is shown by
// the splash and deletes itself when it is closed.
using MainWindowFactory = std::function<QWidget *()>;

// The exit code of a run that ended because the game was not found.
constexpr int kExitGameNotFound = 1;
// The exit code of a run whose main window could not be created.
constexpr int kExitStartFailed = 2;

class frmSplash : public QWidget {
    Q_OBJECT

public:
    static constexpr int kTickMilliseconds = 800;

    explicit frmSplash(MainWindowFactory makeMainWindow, QWidget *parent = nullptr);
    ~frmSplash() override;

    // The load step: the game check. True when the game was found, the splash is on
    // the screen and the tick is running. False when it was not: the user has been
    // told and the caller must end the program.
    bool Form_Load();

    // The main window once the hand-over has created it.
    QWidget *MainWindow() const { return m_pMainWindow; }

    QTimer *tmrSplash;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void tmrSplash_Timer();

    MainWindowFactory m_makeMainWindow;
    QPixmap m_picture;
    QPointer<QWidget> m_pMainWindow;
};

// The box that ends the start-up when the game is not found: the designed message,
// then how to register the game's folder with keplo-reg.
QString GameNotFoundText();

// Starts a program the way both programs start: the game looked for in Wine prefixes
// and native installs when the store holds no usable game folder, the splash, then
// the event loop. Returns the process's exit code (kExitGameNotFound when the game is
// missing).
int RunWithSplash(QApplication &app, MainWindowFactory makeMainWindow);
