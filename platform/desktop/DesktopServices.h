// The desktop services the windows use: message boxes, file dialogs, the
// folder picker, opening a path with the desktop and starting programs.
//
// Every window reaches them through Desktop(), never through Qt directly,
// so that tests can put a scripted stand-in in place (SetDesktop) and a
// Windows build can put the native services back.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class MsgAnswer { OK, Cancel, Yes, No };

class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // A modal message box. A line break in sText is "\n". Enter presses eDefault, one of
    // the box's buttons; without one, the first (OK or Yes), as on the platform's own
    // boxes. A question whose Yes would replace or throw away something names No.
    virtual MsgAnswer MessageBox(QWidget *owner, const QString &sText, MsgButtons eButtons,
                                 MsgIcon eIcon, const QString &sTitle,
                                 std::optional<MsgAnswer> eDefault = std::nullopt) = 0;

    // File dialogs. sFilter is a Qt filter ("PNG images (*.png)"); patterns match without
    // regard to case. sStartFolder may name a file, which the dialog then offers. The save
    // dialog does not ask about a file that exists: its caller does. Cancel gives no value.
    virtual std::optional<QString> GetOpenFileName(QWidget *owner, const QString &sTitle,
                                                   const QString &sFilter,
                                                   const QString &sStartFolder) = 0;
    virtual std::optional<QString> GetSaveFileName(QWidget *owner, const QString &sTitle,
                                                   const QString &sFilter,
                                                   const QString &sStartFolder) = 0;
    // Lets the user pick a program: the picker, described as programs, lists the files
    // the user may run and Windows programs (".exe" in any case). sStartFolder may name
    // a file, which the picker then opens at. Cancel gives no value.
    virtual std::optional<QString> GetProgramFileName(QWidget *owner, const QString &sTitle,
                                                      const QString &sStartFolder) = 0;

    // The folder picker: the chosen folder, or empty text when cancelled.
    virtual QString BrowseForFolder(QWidget *owner, const QString &sPrompt) = 0;

    // Opens a file or folder in the desktop's associated program. False when it could not.
    virtual bool OpenWithShell(const QString &sPath) = 0;

    // Starts a program on its own, without a shell and without waiting. False when it
    // could not be started.
    virtual bool StartProgram(const QString &sProgram, const QStringList &arguments) = 0;
};

// The services in force: the real Qt ones unless a test has put others in place.
DesktopServices &Desktop();

// Puts pServices in force (not owned); nullptr puts the real services back.
void SetDesktop(DesktopServices *pServices);
