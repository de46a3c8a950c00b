// frmMain: the chooser follows the game's folder while Keplo runs. Archives added or
// removed there show when the window becomes active again (the user comes back from
// a file manager or a download), and the archive chosen stays chosen.
#include "editor/ChangeMarks.h"
#include "editor/frmMain.h"
#include "support/ui/Logging.h"

#include <QEvent>

bool frmMain::event(QEvent *pEvent) {
    // While the window is busy or behind the settings dialog its choice is in use;
    // the window becomes active again once it takes input.
    if (pEvent->type() == QEvent::WindowActivate && isEnabled())
        RefreshArchiveChooser();
    return GameWindow::event(pEvent);
}

bool frmMain::RefreshArchiveChooser() {
    const QString sChosen = drpVL2File->currentText();
    FillArchiveChooser();
    if (sChosen.isEmpty())
        return false;
    const int nChosen = drpVL2File->findText(sChosen, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (nChosen >= 0) {
        drpVL2File->setCurrentIndex(nChosen);
        return true;
    }
    // The archive is gone: the tree no longer shows anything that can be extracted or
    // saved. Files unpacked from it stay in the work folder, and come back into use
    // when an archive of that name is chosen again.
    qCInfo(lcEditor).noquote() << "the chosen archive" << sChosen << "is gone";
    m_pChangeMarks->Stop();
    m_pArchiveModel->Clear();
    UpdateButtons();
    return false;
}
