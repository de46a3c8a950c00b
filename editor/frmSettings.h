// frmSettings: Keplo's settings dialog. It shows the program that edits each kind of
// file, lets the user pick each one with a file picker, and stores the choices in the
// program table of the settings store, where the main window reads them when the user
// edits a file.
//
// The dialog is not modal: the window that opens it disables itself first, and the
// dialog enables and shows that window again when it closes. Only OK, Cancel and
// Escape close it; its title bar has no close button. Construction is the dialog's
// load step; closing deletes it.
#pragma once

#include "ui_frmSettings.h"

#include <QDialog>
#include <QPointer>
#include <QString>
#include <array>

class frmSettings : public QDialog, private Ui_frmSettings {
    Q_OBJECT

public:
    // pMain is the window to enable and show again when the dialog closes (not owned;
    // the dialog is a window of its own, kept in front of pMain).
    explicit frmSettings(QWidget *pMain);
    ~frmSettings() override;

    // Writes every box into the program table, the sound and video boxes under two
    // value names each, in one write of the store: all of them or none. When the store
    // cannot be written, says so and gives false; the boxes keep the user's choices.
    bool SaveSettings();
    // Unloads the dialog, then enables and shows the main window again.
    void CloseSettings();

protected:
    // Escape presses Cancel.
    void reject() override;
    void showEvent(QShowEvent *pEvent) override;
    // Delete or Backspace in a program box clears it: the type then has no program.
    bool eventFilter(QObject *pWatched, QEvent *pEvent) override;

private:
    struct ProgramValue {
        const char *sName;
        QLineEdit *pBox;
        bool bShown; // the value the box shows when the dialog opens
    };
    // The program table's values in the order they are written.
    std::array<ProgramValue, 9> ProgramValues() const;

    void Form_Load();
    // Lets the user pick a program for pTarget; the picked file, or empty text when
    // the picker was cancelled (and nothing changed).
    QString BrowseProgram(const QString &sTitle, QLineEdit *pTarget);
    void cmdPNGbrowse_Click();
    void cmdSaveSettings_Click();
    void cmdCancelSettings_Click();
    void cmdApplySettings_Click();

    QPointer<QWidget> m_pMain;
    // The file last picked in this dialog, where the picker opens next (DlgBrowse's
    // file name).
    QString m_sLastPick;
};
